// ReadBack: decoding what we print, the way a reader will see it.
//
// A sheet is only worth printing when every symbol on it reads back exactly: the same bytes,
// and for menu symbols the FNC3 that marks them as programming symbols. The decoder is
// zxing-cpp, which shares no code with our encoders.
#pragma once

#include "barcode/SheetImage.h"
#include "document/Canvas.h"

#include <string>
#include <vector>

struct DecodedSymbol {
    std::string bytes; // the data, function characters left out
    bool readerInit = false; // FNC3 seen (Code 128) / reader initialisation (Aztec)
    bool aztec = false;
    int page = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// A page never holds more symbols than this (a linear sheet has at most 100).
inline constexpr int kMaxSymbolsPerPage = 300;

// Every Code 128 and Aztec symbol of a page, in the order a user scans a sheet: column by
// column (the left column, then what lies wholly in the right half), top to bottom.
std::vector<DecodedSymbol> DecodePage(const GrayImage& page, int pageNumber = 0);

// Decodes the single symbol inside `area` of the page (clipped to it); false when nothing reads.
bool DecodeArea(const GrayImage& page, const CanvasRect& area, bool aztec, DecodedSymbol& symbol);

// The bytes a linear menu symbol reads back as: its data without the FNC3 bytes.
std::string ExpectedLinearReading(const std::string& encoded);

// Grey page of a raster (0 = black).
GrayImage MakeGrayImage(int width, int height, const std::vector<std::uint8_t>& pixels);
