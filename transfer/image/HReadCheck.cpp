#define ZX_USE_UTF8 1
#include "transfer/image/HReadCheck.h"

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

int Contrast(const std::vector<uint8_t>& pixels)
{
    std::array<size_t, 256> histogram {};
    for (uint8_t v : pixels)
        ++histogram[v];
    const size_t low = pixels.size() * 5 / 100, high = pixels.size() * 95 / 100;
    size_t seen = 0;
    int p5 = -1, p95 = 255;
    for (int v = 0; v < 256; ++v) {
        seen += histogram[v];
        if (p5 < 0 && seen > low)
            p5 = v;
        if (seen > high) {
            p95 = v;
            break;
        }
    }
    return p95 - std::max(p5, 0);
}

int Sharpness(const HIMAGE& image, int left, int top, int right, int bottom)
{
    left = std::clamp(left, 0, image.width - 1);
    right = std::clamp(right, 0, image.width - 1);
    top = std::clamp(top, 0, image.height - 1);
    bottom = std::clamp(bottom, 0, image.height - 1);
    long sum = 0;
    int rows = 0;
    for (int y = top; y <= bottom; ++y) {
        const uint8_t* row = image.pixels.data() + size_t(y) * image.width;
        int strongest = 0;
        for (int x = left; x < right; ++x)
            strongest = std::max(strongest, std::abs(int(row[x + 1]) - int(row[x])));
        sum += strongest;
        ++rows;
    }
    return rows ? int(sum / rows) : 0;
}

} // namespace

HREAD_CHECK ReadCheck(const HIMAGE& image)
{
    HREAD_CHECK check;
    if (!image.Valid())
        return check;
    check.contrast = Contrast(image.pixels);
    ZXing::ImageView view(image.pixels.data(), image.width, image.height, ZXing::ImageFormat::Lum);
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
        if (!result.isValid())
            continue;
        HREAD_SYMBOL symbol;
        symbol.symbology = ZXing::ToString(result.format());
        symbol.text = result.text();
        const ZXing::Position& p = result.position();
        int left = p[0].x, right = p[0].x, top = p[0].y, bottom = p[0].y;
        for (int i = 0; i < 4; ++i) {
            symbol.corners[i][0] = p[i].x;
            symbol.corners[i][1] = p[i].y;
            left = std::min(left, p[i].x);
            right = std::max(right, p[i].x);
            top = std::min(top, p[i].y);
            bottom = std::max(bottom, p[i].y);
        }
        symbol.sharpness = Sharpness(image, left, top, right, bottom);
        check.symbols.push_back(symbol);
    }
    return check;
}
