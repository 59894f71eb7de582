// Sample data shared by the compression tests: random bytes, text, a grayscale picture.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace compression_samples {

inline std::vector<uint8_t> RandomBytes(std::size_t size, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& byte : bytes)
        byte = static_cast<uint8_t>(random());
    return bytes;
}

// Settings-file-like text: a small vocabulary with numbers and line ends.
inline std::vector<uint8_t> TextLike(std::size_t size, uint32_t seed)
{
    static const char* const kWords[] = {"Trigger", "Timeout", "Beeper", "Volume", "Code128", "Enable",
                                         "Prefix",  "Suffix",  "=",      ";",      "\r\n",    "Table"};
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < size) {
        text += kWords[random() % std::size(kWords)];
        text += (random() % 4 == 0) ? std::to_string(random() % 1000) : " ";
    }
    text.resize(size);
    return {text.begin(), text.end()};
}

// An 8-bit picture 480 pixels wide and 640 rows high: a lighting gradient, dark bars with
// sharp edges (like a printed code), and sensor noise.
inline std::vector<uint8_t> PictureLike(uint32_t seed, unsigned width = 480, unsigned height = 640)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 3.0);
    std::vector<uint8_t> pixels(std::size_t(width) * height);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            double value = 60.0 + 140.0 * x / width + 40.0 * y / height;
            const bool inCode = y > height / 3 && y < height / 2 && x > width / 8 && x < width * 7 / 8;
            if (inCode && ((x / 7) * 2654435761u >> 29) % 2 == 0)
                value = 25.0;
            value += noise(random);
            pixels[std::size_t(y) * width + x] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
        }
    }
    return pixels;
}

inline std::vector<uint8_t> AllByteValues()
{
    std::vector<uint8_t> bytes(256);
    for (unsigned i = 0; i < 256; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

} // namespace compression_samples
