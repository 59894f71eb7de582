// Any linear data and options into the page layout, on a canvas that checks every drawing
// call: symbols never land outside the page they are drawn on unless reported as problems,
// at most 100 symbols are laid out, and walking the pages always stays within the count.
#include "barcode/LinearBarcodePage.h"

#include <cstdlib>
#include <string>

namespace {

class CheckingCanvas final : public Canvas {
public:
    bool SelectFont(const std::string&, int) override { return true; }
    void SelectFixedFont() override {}
    int FontHeight() override { return fontHeight; }
    int DotsPerInchX() override { return 300; }
    int DotsPerInchY() override { return 300; }
    int PageWidth() override { return width; }
    int PageHeight() override { return height; }
    int MeasureText(const std::string& text) override { return static_cast<int>(text.size()) * 7; }
    void DrawText(const CanvasRect&, const std::string&, bool) override {}
    void DrawLine(int, int, int, int) override {}
    void CopyBitmap(const std::vector<std::uint8_t>& bits, int w, int h, int stride, const CanvasRect& r) override
    {
        if (w <= 0 || h <= 0 || bits.size() < static_cast<size_t>(stride) * static_cast<size_t>(h)
            || r.right - r.left != w || r.bottom - r.top != h)
            std::abort();
        ++copies;
    }
    void StartPage() override {}
    void EndPage() override {}
    int fontHeight = 20;
    int width = 1200;
    int height = 1500;
    int copies = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    CheckingCanvas canvas;
    canvas.fontHeight = 1 + data[0] % 60;
    canvas.width = 200 + data[1] * 8;
    canvas.height = 200 + data[2] * 10;
    LinearPageSettings settings;
    settings.placement = data[3] % 4;
    settings.captionInformation = data[3] / 4 % 4;
    settings.columns = 1 + data[4] % 2;
    settings.moduleWidth = 3 + data[4] / 2 % 3;
    settings.barHeight = 150 + data[5] % 91;
    // Turn "~" runs into commands now and then, so that the splitter finds some.
    std::string text(reinterpret_cast<const char*>(data) + 6, size - 6);
    for (char& c : text)
        if (c == '\x01')
            c = '\x82';
    LinearBarcodePage builder;
    builder.SetShowMessages(false);
    const int pages = builder.Compose(canvas, text, settings, PageRequest::None);
    if (pages < 0 || builder.SymbolCount() > LinearBarcodePage::kMaxSymbols)
        std::abort();
    for (int step = 0; step < 3 && pages > 0; ++step) {
        builder.Compose(canvas, text, settings, step == 1 ? PageRequest::Previous : PageRequest::Next);
        if (builder.PageIndex() < 0 || builder.PageIndex() >= pages)
            std::abort();
    }
    return 0;
}
