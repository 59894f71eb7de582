#define ZX_USE_UTF8 1
#include "barcode/ReadBack.h"

#include <ZXing/ReadBarcode.h>

#include <algorithm>

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

} // namespace

std::vector<DecodedSymbol> DecodePage(const GrayImage& page, int pageNumber)
{
    std::vector<DecodedSymbol> symbols;
    if (page.width <= 0 || page.height <= 0
        || page.pixels.size() < static_cast<size_t>(page.width) * static_cast<size_t>(page.height))
        return symbols;
    const ZXing::ImageView view(page.pixels.data(), page.width, page.height, ZXing::ImageFormat::Lum);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::Aztec);
    hints.setTryRotate(false);
    hints.setTryDownscale(false);
    hints.setMaxNumberOfSymbols(255);
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints))
        if (result.isValid())
            symbols.push_back(FromResult(result, pageNumber, 0, 0));
    const int half = page.width / 2;
    std::sort(symbols.begin(), symbols.end(), [half](const DecodedSymbol& a, const DecodedSymbol& b) {
        const int columnA = (a.left + a.right) / 2 >= half ? 1 : 0;
        const int columnB = (b.left + b.right) / 2 >= half ? 1 : 0;
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
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
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
