// Helpers for the encoder tests: owning a returned block, reading scanlines back, and
// decoding what was drawn with an independent decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "stripe32/stripe32.h"

// One encoder result: the handle, the width and the bits, unlocked and freed at the end
// exactly as a caller of the library does.
struct SymbolBitmap {
    HGLOBAL handle = nullptr;
    std::int32_t width = -1;
    unsigned char* bits = nullptr;

    SymbolBitmap() = default;
    SymbolBitmap(const SymbolBitmap&) = delete;
    SymbolBitmap& operator=(const SymbolBitmap&) = delete;
    SymbolBitmap(SymbolBitmap&& other) noexcept
        : handle(other.handle)
        , width(other.width)
        , bits(other.bits)
    {
        other.handle = nullptr;
    }
    ~SymbolBitmap()
    {
        if (handle != nullptr) {
            GlobalUnlock(handle);
            GlobalFree(handle);
        }
    }

    std::size_t Stride() const { return (static_cast<std::size_t>(width) + 15) / 16 * 2; }
    std::size_t Scanlines() const { return Stride() == 0 ? 0 : GlobalSize(handle) / Stride(); }
    bool Pixel(std::size_t line, std::size_t x) const
    {
        return (bits[line * Stride() + x / 8] >> (7 - x % 8)) & 1;
    }
    // A scanline as modules, '1' = bar, sampling every `moduleWidth` pixels.
    std::string Modules(std::size_t line = 0, std::size_t moduleWidth = 1) const;
    // True when every scanline equals the first, bytes of the padding included.
    bool ScanlinesIdentical() const;
    // True when the padding bits after `width` pixels of every scanline are white.
    bool PaddingWhite() const;
};

SymbolBitmap EncodeCode128(const std::string& data, std::int32_t moduleWidth = 1, std::int32_t rowCount = 1);
SymbolBitmap EncodeCode39(const std::string& data, std::int32_t wide, std::int32_t narrow,
    std::int32_t height, bool addCheck, bool omitStartStop);

// The bytes an independent decoder reads from the bitmap, or nothing when it reads no
// symbol. `format` is "Code128" or "Code39" (Full ASCII, check character validated when asked).
struct Decoded {
    std::string bytes;
    std::string symbologyIdentifier;
};
std::optional<Decoded> DecodeLinear(
    const SymbolBitmap& symbol, const std::string& format, bool code39Check = false);

// Module string of a sequence of Code 128 symbol values, quiet zones and stop included.
std::string Code128Modules(const std::vector<int>& values);
