// Fuzz target for the linear encoders: arbitrary bytes, lengths and geometry into all three
// encoders. Every input is copied into a buffer of exactly its size, so a read past the end
// is caught; every bitmap that comes back is checked for the form callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "stripe32/stripe32.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

// Checks a returned bitmap (white padding, identical scanlines, white quiet zones, a block
// locked once) and releases it the way a caller does.
void CheckAndRelease(
    HGLOBAL handle, std::int32_t width, unsigned char* bits, std::size_t scanlines, std::size_t quietPixels)
{
    if (handle == nullptr) {
        Require(bits == nullptr && width == 0);
        return;
    }
    Require(bits != nullptr && width > 0 && GlobalLockCount(handle) == 1);
    const std::size_t stride = (static_cast<std::size_t>(width) + 15) / 16 * 2;
    Require(GlobalSize(handle) == stride * scanlines);
    auto white = [&](std::size_t x) { return ((bits[x / 8] >> (7 - x % 8)) & 1) != 0; };
    for (std::size_t x = 0; x < quietPixels; ++x)
        Require(white(x) && white(static_cast<std::size_t>(width) - 1 - x));
    for (std::size_t x = static_cast<std::size_t>(width); x < stride * 8; ++x)
        Require(white(x));
    for (std::size_t line = 1; line < scanlines; ++line)
        Require(std::memcmp(bits, bits + line * stride, stride) == 0);
    Require(GlobalUnlock(handle) == 0);
    Require(GlobalFree(handle) == nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5) return 0;
    const uint8_t selector = data[0];
    const uint8_t a = data[1];
    const uint8_t b = data[2];
    const uint8_t c = data[3];
    const uint8_t d = data[4];
    // Exactly the payload, on the heap, so the sanitizer sees its end.
    std::vector<char> payload(data + 5, data + size);
    const char* bytes = payload.empty() ? nullptr : payload.data();
    const auto length = static_cast<std::int32_t>(payload.size());

    std::int32_t width = -1;
    unsigned char* bits = nullptr;
    switch (selector % 3) {
    case 0: {
        // Module width 0-7 and rows 0-7 (0 must be refused); now and then a length that
        // claims less than the buffer holds.
        const std::int32_t moduleWidth = a & 7;
        const std::int32_t rows = b & 7;
        const std::int32_t claimed = (c & 1) != 0 ? length : length / 2;
        HGLOBAL handle = qxCode128Encode(bytes, claimed, moduleWidth, rows, &width, &bits);
        CheckAndRelease(handle, width, bits, static_cast<std::size_t>(moduleWidth) * rows,
            10 * static_cast<std::size_t>(moduleWidth));
        break;
    }
    case 1: {
        // The text is taken as it comes: terminated when the payload holds a zero byte,
        // otherwise a 1-4 byte text gets its terminator and a longer one stays unterminated,
        // which the encoder must recognise as too long without reading past its end.
        std::vector<char> text(payload.begin(), payload.end());
        if (text.size() <= 4) text.push_back('\0');
        const std::int32_t number = static_cast<std::int16_t>(c << 8 | d);
        const std::int32_t moduleWidth = (selector >> 2) & 3;
        const std::int32_t rows = (selector >> 4) & 3;
        HGLOBAL handle = qxMenu128Encode(a, b, number, text.data(), moduleWidth, rows, &width, &bits);
        CheckAndRelease(handle, width, bits, static_cast<std::size_t>(moduleWidth) * rows,
            10 * static_cast<std::size_t>(moduleWidth));
        break;
    }
    default: {
        // Signed widths, so that zero and negative geometry is tried too.
        const std::int32_t wide = static_cast<std::int8_t>(a) / 8;
        const std::int32_t narrow = static_cast<std::int8_t>(b) / 16;
        const std::int32_t height = static_cast<std::int8_t>(c) / 16;
        HGLOBAL handle = qxCode39Encode(bytes, length, wide, narrow, height, &width, d & 1, d & 2, &bits);
        const std::size_t narrowPixels = narrow < 1 ? 1 : static_cast<std::size_t>(narrow);
        CheckAndRelease(
            handle, width, bits, height < 1 ? 1 : static_cast<std::size_t>(height), 10 * narrowPixels);
        break;
    }
    }
    return 0;
}
