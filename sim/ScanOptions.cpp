#include "sim/ScanOptions.h"

#include "sim/SheetScanner.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

bool ParseScanOption(const std::string& arg, const std::function<const char*(const char*)>& next, ScanSetup& setup,
    std::string& error)
{
    if (arg == "--scan") {
        setup.files.emplace_back(next("a sheet file"));
    } else if (arg == "--scan-dir") {
        setup.folder = next("a folder");
    } else if (arg == "--interface") {
        const std::string kind = next("keyboard or serial");
        if (kind != "keyboard" && kind != "serial")
            error = "unknown interface \"" + kind + "\" (keyboard or serial)";
        setup.keyboard = kind == "keyboard";
    } else {
        return false;
    }
    return true;
}

bool StartScanning(ReaderEngine& engine, const ScanSetup& setup, std::string& error)
{
    if (setup.keyboard)
        engine.SetSilent(true);
    auto scanner = std::make_shared<SheetScanner>(engine);
    for (const std::string& file : setup.files) {
        std::string log;
        const bool read = scanner->ScanFile(file, log);
        std::fputs(log.c_str(), stderr);
        if (!read) {
            error = "cannot scan " + file;
            return false;
        }
    }
    if (setup.folder.empty())
        return true;
    std::error_code made;
    std::filesystem::create_directories(setup.folder, made);
    if (!std::filesystem::is_directory(setup.folder, made)) {
        error = "no folder " + setup.folder;
        return false;
    }
    auto last = std::make_shared<std::chrono::steady_clock::time_point>();
    engine.SetIdleHook([scanner, last, folder = setup.folder] {
        const auto now = std::chrono::steady_clock::now();
        if (now - *last < std::chrono::milliseconds(250))
            return;
        *last = now;
        scanner->ScanNewFiles(folder);
    });
    return true;
}
