// HIMAGE: a picture taken by a reader (or opened from a file), as the rest of the program
// sees it: 8-bit gray pixels, one byte each, rows top to bottom, and the IMGSHP parameter set
// that says where it came from (window, subsampling, depth, format).
#pragma once

#include "transfer/HTAG.h"

#include <cstdint>
#include <vector>

struct HIMAGE {
    // Sides are 1..kMaxSide; nothing larger is ever allocated.
    static constexpr int kMaxSide = 4096;

    HTAG parameters { "IMGSHP" };
    std::vector<uint8_t> pixels;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 8;
    // A gray value at or above it is a white pixel of a 1-bit picture.
    int threshold = 128;

    bool Valid() const
    {
        return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide
            && pixels.size() == size_t(width) * size_t(height);
    }
    // Sets the size and a white picture; false (and nothing changed) outside 1..kMaxSide.
    bool Resize(int w, int h)
    {
        if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide)
            return false;
        width = w;
        height = h;
        pixels.assign(size_t(w) * size_t(h), 255);
        return true;
    }
};
