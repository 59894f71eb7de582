// Any small grey picture into the sheet decoder that verify and the simulated scanner use:
// it returns at most a page's worth of symbols, each inside the picture, and never loops.
#include "barcode/ReadBack.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    GrayImage page;
    page.width = 1 + data[0] % 128;
    page.height = static_cast<int>((size - 1) / static_cast<size_t>(page.width));
    if (page.height < 1)
        return 0;
    // Thresholded, so that bar-like runs come out of text-like input.
    page.pixels.assign(data + 1, data + 1 + static_cast<size_t>(page.width) * static_cast<size_t>(page.height));
    for (auto& pixel : page.pixels)
        pixel = pixel & 1 ? 0 : 255;
    const std::vector<DecodedSymbol> symbols = DecodePage(page);
    if (symbols.size() > static_cast<size_t>(kMaxSymbolsPerPage))
        std::abort();
    for (const DecodedSymbol& symbol : symbols)
        if (symbol.left < -page.width || symbol.right > 2 * page.width || symbol.bottom < symbol.top)
            std::abort();
    DecodedSymbol one;
    DecodeArea(page, { -5, -5, page.width + 5, page.height / 2 }, data[0] & 1, one);
    return 0;
}
