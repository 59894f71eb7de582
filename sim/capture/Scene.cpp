#include "sim/capture/Scene.h"

#include "platform/MovableMemory.h"
#include "stripe32/stripe32.h"

#include <cstdio>

namespace SimScene {

std::string SymbolText(unsigned number)
{
    char text[32];
    std::snprintf(text, sizeof text, "KESTREL %04u", number % 10000);
    return text;
}

HIMAGE Render(int width, int height, unsigned number, bool testPattern)
{
    HIMAGE image;
    if (!image.Resize(width, height))
        return image;
    // Ramp from left to right, kept between 60 and 220 so the symbol has contrast on it.
    uint32_t noise = 0x2545F491u ^ number;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int v = 60 + 160 * x / (width > 1 ? width - 1 : 1);
            if (!testPattern) {
                noise = noise * 1664525u + 1013904223u;
                v += int(noise >> 29) - 4;
            }
            image.pixels[size_t(y) * width + x] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
        }
    }
    // A light frame: readers see their pictures framed, and the run code of binary pictures
    // starts with white.
    const int frame = 4;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (x < frame || y < frame || x >= width - frame || y >= height - frame)
                image.pixels[size_t(y) * width + x] = 235;
        }
    }
    if (testPattern)
        return image;
    const std::string text = SymbolText(number);
    const int module = width >= 600 ? 3 : width >= 300 ? 2 : 1;
    int32_t symbolWidth = 0;
    unsigned char* bits = nullptr;
    const int rows = height / 3;
    HGLOBAL block = qxCode128Encode(text.data(), int32_t(text.size()), module, rows, &symbolWidth, &bits);
    if (!block)
        return image;
    const int stride = (symbolWidth + 15) / 16 * 2;
    // A white quiet zone of ten modules around the bars.
    const int quiet = 10 * module;
    const int left = (width - symbolWidth) / 2;
    const int top = (height - rows) / 2;
    for (int y = top - quiet; y < top + rows + quiet; ++y) {
        for (int x = left - quiet; x < left + symbolWidth + quiet; ++x) {
            if (x < 0 || y < 0 || x >= width || y >= height)
                continue;
            bool white = true;
            if (y >= top && y < top + rows && x >= left && x < left + symbolWidth)
                white = (bits[size_t(y - top) * stride + (x - left) / 8] >> (7 - (x - left) % 8)) & 1;
            image.pixels[size_t(y) * width + x] = white ? 235 : 25;
        }
    }
    GlobalUnlock(block);
    GlobalFree(block);
    return image;
}

HIMAGE Window(const HIMAGE& full, int left, int top, int right, int bottom, int subsample, int depth)
{
    HIMAGE out;
    if (subsample < 1 || right < left || bottom < top || right >= full.width || bottom >= full.height || left < 0
        || top < 0)
        return out;
    if (!out.Resize((right - left + 1) / subsample, (bottom - top + 1) / subsample))
        return out;
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const uint8_t v = full.pixels[size_t(top + y * subsample) * full.width + left + x * subsample];
            out.pixels[size_t(y) * out.width + x] = depth == 1 ? (v >= 128 ? 255 : 0) : v;
        }
    }
    out.bitsPerPixel = depth == 1 ? 1 : 8;
    HTAG& p = out.parameters;
    p.SetInt("L", left);
    p.SetInt("T", top);
    p.SetInt("R", right);
    p.SetInt("B", bottom);
    p.SetInt("S", subsample);
    p.SetInt("D", depth == 1 ? 1 : 8);
    return out;
}

} // namespace SimScene
