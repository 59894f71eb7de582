// Any text and size into the Aztec symbol: refused or a bitmap of the promised form (whole
// modules of `size` pixels, rows padded white), never a text cut to fit.
#include "barcode/AztecSymbol.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int symbolSize = data[0] % 12; // 0 and 11 are outside the slider
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    AztecSymbol symbol;
    const bool built = symbol.Build(text, symbolSize, false);
    const MonoBitmap& bitmap = symbol.Bitmap();
    if (text.empty())
        return bitmap.Empty() ? 0 : (std::abort(), 0);
    if (!built) {
        if (symbol.Error().empty() || !bitmap.Empty())
            std::abort();
        return 0;
    }
    if (symbolSize < 1 || symbolSize > 10 || bitmap.width % symbolSize != 0 || bitmap.height % symbolSize != 0
        || bitmap.bits.size() != static_cast<size_t>(bitmap.stride) * static_cast<size_t>(bitmap.height))
        std::abort();
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = bitmap.width; x < bitmap.stride * 8; ++x)
            if (bitmap.IsBlack(x, y) || ((bitmap.bits[static_cast<size_t>(y * bitmap.stride + x / 8)] >> (7 - x % 8)) & 1) == 0)
                std::abort();
    return 0;
}
