// Picture formats: the ten forms an imager ships a picture in (the IMGSHP `F` parameter), and
// the files users keep (KIM, PNG, TIFF, BMP). One encoder and one decoder per form, shared by
// the program and the simulated reader.
//
//   F  form                                          size from
//   0  KIM file (header and nibble code)             its header
//   1  TIFF, 1 bit, CCITT Group 3 (libtiff)          its tags
//   2  TIFF, 1 bit, CCITT Group 4 (libtiff)          its tags
//   3  TIFF, 8-bit gray, uncompressed                its tags
//   4  1 bit a pixel, rows packed MSB first          the IMGSHP window
//   5  8 bits a pixel                                the IMGSHP window
//   6  JPEG, gray, quality J                         its frame header
//   7  run code (HRunCode.h)                         the IMGSHP window
//   8  BMP, 8 or 1 bit, either row order             its header
//   9  zlib stream of the rows of form 4             the IMGSHP window
//
// In every 1-bit form a set bit is white, and a gray value at or above the threshold (128)
// becomes white. Every decoder treats its input as hostile: no side beyond 4096, no read past
// the bytes given, a clear failure instead of a crash.
#pragma once

#include "transfer/image/HIMAGE.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Text facts about a picture kept in PNG text chunks and TIFF tags: reader model, firmware,
// window, subsample, depth, format, time.
using HPICTURE_INFO = std::vector<std::pair<std::string, std::string>>;

namespace HImageFormats {

constexpr int kFormatCount = 10;
// "kim", "binary", ... as kestrel-cli names the forms; nullptr outside 0..9.
const char* FormatName(int format);
int FormatByName(const std::string& name);

// The picture in form `format` (quality only for JPEG). False when the form cannot hold it.
bool Encode(int format, const HIMAGE& image, int quality, std::vector<uint8_t>& out);
// Decodes `data` of form `format`; `parameters` gives the window for the raw forms. The
// picture's parameters are set from `parameters` and the decoded size.
int Decode(int format, const uint8_t* data, size_t length, const HTAG& parameters, HIMAGE& image,
           std::string& error);

// Files. The kind comes from the name's extension (.kim .png .tif/.tiff .bmp).
bool WriteFile(const HIMAGE& image, const std::string& path, const HPICTURE_INFO& info, std::string& error);
// The kind comes from the first bytes; `info` gets what the file recorded.
bool ReadFile(const std::string& path, HIMAGE& image, HPICTURE_INFO& info, std::string& error);

// PNG with text chunks, TIFF with tags, in memory.
bool EncodePng(const HIMAGE& image, const HPICTURE_INFO& info, std::vector<uint8_t>& out);
bool DecodePng(const uint8_t* data, size_t length, HIMAGE& image, HPICTURE_INFO& info);
bool EncodeTiff(const HIMAGE& image, int compression, const HPICTURE_INFO& info, std::vector<uint8_t>& out);
bool DecodeTiff(const uint8_t* data, size_t length, HIMAGE& image, HPICTURE_INFO& info);
bool DecodeBmp(const uint8_t* data, size_t length, HIMAGE& image);

// The facts of a picture taken from a reader, in the order files record them.
HPICTURE_INFO InfoFor(const HIMAGE& image, const std::string& model, const std::string& firmware);

} // namespace HImageFormats
