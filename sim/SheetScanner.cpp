#include "sim/SheetScanner.h"

#include "barcode/ReadBack.h"
#include "barcode/SheetImage.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

bool SheetScanner::ScanFile(const std::string& path, std::string& log)
{
    std::vector<GrayImage> pages;
    std::string error;
    if (!LoadSheetImages(path, pages, error)) {
        log += "unreadable " + error + "\n";
        return false;
    }
    const size_t before = engine_.ScanLog().size();
    for (const GrayImage& page : pages)
        for (const DecodedSymbol& symbol : DecodePage(page))
            engine_.Scan(symbol.aztec ? ReaderEngine::ScanFormat::Aztec : ReaderEngine::ScanFormat::Code128,
                symbol.bytes, symbol.readerInit);
    const std::vector<std::string>& scans = engine_.ScanLog();
    // The log keeps its newest lines; count from what is left of this file's scans.
    for (size_t i = std::min(before, scans.size()); i < scans.size(); ++i)
        log += scans[i] + "\n";
    return true;
}

void SheetScanner::ScanNewFiles(const std::string& folder)
{
    std::error_code error;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file(error) || name == "scan.log" || name.empty() || name[0] == '.')
            continue;
        if (std::find(done_.begin(), done_.end(), name) == done_.end())
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        std::string log = name + "\n";
        if (!ScanFile(path, log)) {
            // A file still being written is tried again; one that stays unreadable for two
            // seconds is logged once and left alone.
            const auto written = std::filesystem::last_write_time(path, error);
            if (!error && std::filesystem::file_time_type::clock::now() - written < std::chrono::seconds(2))
                continue;
        }
        done_.push_back(name);
        std::ofstream out(folder + "/scan.log", std::ios::app);
        out << log;
    }
}
