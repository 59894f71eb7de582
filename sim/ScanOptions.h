// kestrel-sim's scanner options:
//   --scan FILE           scan the symbols of a sheet (PDF, PNG, PBM) before serving;
//   --scan-dir DIR        while serving, scan every file dropped into DIR, in name order
//                         (one log line per scan in DIR/scan.log);
//   --interface keyboard  the reader starts on its keyboard interface: silent on the serial
//                         line until it scans the "~KESTRL." symbol.
#pragma once

#include "sim/ReaderEngine.h"

#include <functional>
#include <string>
#include <vector>

struct ScanSetup {
    std::vector<std::string> files;
    std::string folder;
    bool keyboard = false;
};

// True when `arg` is a scanner option (its value taken with `next`); `error` set for a bad value.
bool ParseScanOption(const std::string& arg, const std::function<const char*(const char*)>& next, ScanSetup& setup,
    std::string& error);

// Applies the options to the engine: false with `error` when a sheet cannot be read.
bool StartScanning(ReaderEngine& engine, const ScanSetup& setup, std::string& error);

inline constexpr const char* kScanUsage
    = "  --scan FILE     scan a printed sheet (PDF, PNG or PBM) before serving (may repeat)\n"
      "  --scan-dir DIR  scan sheets dropped into DIR while serving; log in DIR/scan.log\n"
      "  --interface keyboard   silent on the serial line until the ~KESTRL. symbol is scanned\n";
