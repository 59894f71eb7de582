// SheetScanner: the simulated reader's scanner pointed at printed sheets — PDF pages, PNG or
// PBM pictures. Symbols are decoded with zxing-cpp (the sheet decoder every reading of
// printed sheets shares) and scanned in the order a user scans a sheet: left column top to
// bottom, then the right column, page after page. What a symbol means is the reader's own
// business (ReaderEngine::Scan).
#pragma once

#include "sim/ReaderEngine.h"

#include <string>
#include <vector>

class SheetScanner {
public:
    explicit SheetScanner(ReaderEngine& engine) : engine_(engine) {}

    // Scans every symbol of the file; false with a log line when the file cannot be read.
    // One line per scan is appended to `log`.
    bool ScanFile(const std::string& path, std::string& log);

    // Scans files that appeared in `folder` since the last call, in name order (scan.log
    // and files whose name starts with "." are left alone); the log goes to folder/scan.log.
    void ScanNewFiles(const std::string& folder);

private:
    ReaderEngine& engine_;
    std::vector<std::string> done_;
};
