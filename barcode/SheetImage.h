// SheetImage: pictures of printed sheets — what the read-back check, `kestrel-cli verify`
// and the simulated reader's scanner look at.
//
// Sheets come as PDF (every page rendered at 300 dpi), PNG or PBM. They are files users hand
// us: sizes are checked before anything is allocated, and a damaged file gives one message.
#pragma once

#include "barcode/MonoBitmap.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// 8-bit grey, 0 = black, rows of `width` bytes.
struct GrayImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

inline constexpr int kMaxSheetSide = 30000;
inline constexpr int kMaxSheetPages = 200;
inline constexpr int kPdfRenderDpi = 300;

// Loads every page of a sheet file; false with `error` set when it cannot be read.
bool LoadSheetImages(const std::string& path, std::vector<GrayImage>& pages, std::string& error);
// The same from bytes already in memory; `name` decides the format when the bytes do not.
bool DecodeSheetBytes(std::string_view bytes, std::vector<GrayImage>& pages, std::string& error);

// PBM (P1 or P4) and PNG from memory.
bool ReadPbm(std::string_view bytes, GrayImage& image, std::string& error);
bool ReadPng(std::string_view bytes, GrayImage& image, std::string& error);

// Writes a grey image as PBM (P4; below 128 is black) or PNG.
std::string WritePbm(const GrayImage& image);
bool WritePng(const GrayImage& image, int dpi, std::string& bytes);

// Black below 128.
MonoBitmap ToMonoBitmap(const GrayImage& image);
