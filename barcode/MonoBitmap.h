// MonoBitmap: a 1-bit picture as the encoders hand it over — rows of `stride` bytes, most
// significant bit first, 0 = black (bar), 1 = white (space).
#pragma once

#include "platform/MovableMemory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct MonoBitmap {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<std::uint8_t> bits;

    bool Empty() const { return width <= 0 || height <= 0; }
    bool IsBlack(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return false;
        const std::uint8_t byte = bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x / 8)];
        return ((byte >> (7 - x % 8)) & 1) == 0;
    }
    // An all-white bitmap of the given size.
    static MonoBitmap White(int width, int height)
    {
        MonoBitmap bitmap;
        bitmap.width = width;
        bitmap.height = height;
        bitmap.stride = (width + 15) / 16 * 2;
        bitmap.bits.assign(static_cast<std::size_t>(bitmap.stride) * static_cast<std::size_t>(height), 0xFF);
        return bitmap;
    }
    // Copies the first `height` rows of an encoder's result (rows padded to 16 bits) and
    // hands the block back: unlocked once and freed, as the encoders' callers must.
    static MonoBitmap TakeEncoderResult(HGLOBAL block, const unsigned char* rows, int width, int height)
    {
        MonoBitmap bitmap;
        bitmap.width = width;
        bitmap.height = height;
        bitmap.stride = (width + 15) / 16 * 2;
        bitmap.bits.assign(rows, rows + static_cast<std::size_t>(bitmap.stride) * static_cast<std::size_t>(height));
        GlobalUnlock(block);
        GlobalFree(block);
        return bitmap;
    }
    void SetBlack(int x, int y)
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x / 8)]
            &= static_cast<std::uint8_t>(~(0x80u >> (x % 8)));
    }
};
