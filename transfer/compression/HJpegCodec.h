// Modes 3, 4 and 5: one 8-bit grayscale picture, 480 pixels wide and 640 rows high, as a
// baseline JPEG of quality 80. Lossy: what comes back is close to the picture, not equal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class HJpegCodec {
public:
    // False unless `input` is exactly one 480 x 640 picture, or when the library fails.
    static bool Compress(std::span<const uint8_t> input, bool fastDct, std::vector<uint8_t>& output);
    // Decodes any baseline or progressive JPEG to 8-bit gray rows, with block smoothing
    // (it softens the blockiness of heavily quantised pictures). False when the stream is
    // damaged beyond the library's repair or the picture would exceed `maximum` bytes.
    static bool Decompress(std::span<const uint8_t> input, std::size_t maximum, std::vector<uint8_t>& output);
    // The same for pictures from imagers, which are shown as they came: block smoothing is a
    // switch here, and the picture's size comes back. A stream the library had to patch up
    // (cut short, damaged) is refused.
    static bool Decompress(std::span<const uint8_t> input, std::size_t maximum, std::vector<uint8_t>& output,
                           bool smoothing, int& width, int& height);
    // Any size of 8-bit gray picture at the given quality (pictures a reader sends in format 6).
    static bool CompressPicture(std::span<const uint8_t> pixels, int width, int height, int quality,
                                std::vector<uint8_t>& output);
};
