#define ZX_USE_UTF8 1
#include "barcode/ReadBack.h"

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <exception>

namespace {

DecodedSymbol FromResult(const ZXing::Result& result, int page, int offsetX, int offsetY)
{
    DecodedSymbol symbol;
    const ZXing::ByteArray& bytes = result.bytes();
    symbol.bytes.assign(bytes.begin(), bytes.end());
    symbol.readerInit = result.readerInit();
    symbol.aztec = result.format() == ZXing::BarcodeFormat::Aztec;
    symbol.page = page;
    const ZXing::Position& position = result.position();
    int left = position[0].x, right = position[0].x, top = position[0].y, bottom = position[0].y;
    for (int i = 1; i < 4; ++i) {
        left = std::min(left, position[i].x);
        right = std::max(right, position[i].x);
        top = std::min(top, position[i].y);
        bottom = std::max(bottom, position[i].y);
    }
    symbol.left = left + offsetX;
    symbol.right = right + offsetX;
    symbol.top = top + offsetY;
    symbol.bottom = bottom + offsetY;
    return symbol;
}

bool RowHasInk(const GrayImage& image, int y, int left, int right)
{
    const std::uint8_t* row = image.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
    return std::any_of(row + left, row + right, [](std::uint8_t value) { return value < 128; });
}

// Whites out a found symbol: its decoded extent, grown up and down while the bars go on.
// False when there is nothing to white out (the search would find it again).
bool WhiteOut(GrayImage& image, DecodedSymbol& symbol)
{
    const int margin = 4;
    const int left = std::clamp(symbol.left - margin, 0, image.width);
    const int right = std::clamp(symbol.right + margin + 1, 0, image.width);
    int top = std::clamp(symbol.top - margin, 0, image.height - 1);
    int bottom = std::clamp(symbol.bottom + margin, 0, image.height - 1);
    if (right <= left)
        return false;
    while (top > 0 && RowHasInk(image, top - 1, left, right))
        --top;
    while (bottom + 1 < image.height && RowHasInk(image, bottom + 1, left, right))
        ++bottom;
    bool inked = false;
    for (int y = top; y <= bottom; ++y) {
        std::uint8_t* row = image.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
        inked = inked || std::any_of(row + left, row + right, [](std::uint8_t value) { return value < 128; });
        std::fill(row + left, row + right, std::uint8_t { 0xFF });
    }
    symbol.top = top;
    symbol.bottom = bottom;
    return inked;
}

// The decoder throws on some damaged pictures (its detectors index past their sample
// grids); a picture it cannot make sense of simply holds no symbol.
ZXing::Result ReadOne(const ZXing::ImageView& view, const ZXing::DecodeHints& hints)
{
    try {
        return ZXing::ReadBarcode(view, hints);
    } catch (const std::exception&) {
        return ZXing::Result();
    }
}

} // namespace

// Symbols are taken one at a time and whited out before the next search: the decoder's own
// search for many symbols compares the results it found, and two symbols with the same text
// (a sheet may repeat a command) break that comparison.
std::vector<DecodedSymbol> DecodePage(const GrayImage& page, int pageNumber)
{
    std::vector<DecodedSymbol> symbols;
    if (page.width <= 0 || page.height <= 0
        || page.pixels.size() < static_cast<size_t>(page.width) * static_cast<size_t>(page.height))
        return symbols;
    GrayImage work = page;
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::Aztec);
    hints.setTryRotate(false);
    hints.setTryDownscale(false);
    hints.setMaxNumberOfSymbols(1);
    for (int found = 0; found < kMaxSymbolsPerPage; ++found) {
        const ZXing::ImageView view(work.pixels.data(), work.width, work.height, ZXing::ImageFormat::Lum);
        const ZXing::Result result = ReadOne(view, hints);
        if (!result.isValid())
            break;
        DecodedSymbol symbol = FromResult(result, pageNumber, 0, 0);
        if (!WhiteOut(work, symbol))
            break;
        symbols.push_back(std::move(symbol));
    }
    // A symbol of the right column lies wholly in the right half; one centred on the page
    // (a one-column sheet) belongs to the only column there is.
    const int half = page.width / 2;
    std::stable_sort(symbols.begin(), symbols.end(), [half](const DecodedSymbol& a, const DecodedSymbol& b) {
        const int columnA = a.left >= half ? 1 : 0;
        const int columnB = b.left >= half ? 1 : 0;
        if (columnA != columnB)
            return columnA < columnB;
        return a.top < b.top;
    });
    return symbols;
}

bool DecodeArea(const GrayImage& page, const CanvasRect& area, bool aztec, DecodedSymbol& symbol)
{
    const int left = std::clamp(area.left, 0, page.width);
    const int right = std::clamp(area.right, 0, page.width);
    const int top = std::clamp(area.top, 0, page.height);
    const int bottom = std::clamp(area.bottom, 0, page.height);
    if (right <= left || bottom <= top
        || page.pixels.size() < static_cast<size_t>(page.width) * static_cast<size_t>(page.height))
        return false;
    const ZXing::ImageView whole(page.pixels.data(), page.width, page.height, ZXing::ImageFormat::Lum);
    const ZXing::ImageView view = whole.cropped(left, top, right - left, bottom - top);
    ZXing::DecodeHints hints;
    hints.setFormats(aztec ? ZXing::BarcodeFormat::Aztec : ZXing::BarcodeFormat::Code128);
    hints.setTryRotate(false);
    const ZXing::Result result = ReadOne(view, hints);
    if (!result.isValid())
        return false;
    symbol = FromResult(result, 0, left, top);
    return true;
}

std::string ExpectedLinearReading(const std::string& encoded)
{
    std::string bytes = encoded;
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\x82'), bytes.end());
    return bytes;
}

GrayImage MakeGrayImage(int width, int height, const std::vector<std::uint8_t>& pixels)
{
    GrayImage image;
    image.width = width;
    image.height = height;
    image.pixels = pixels;
    return image;
}
