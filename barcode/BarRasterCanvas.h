// BarRasterCanvas: a page raster of the bars alone, for reading symbols back.
//
// Before a sheet goes out every symbol on it is decoded again from the dots it will be
// printed with. This surface takes the same drawing calls as the printer, at the printer's
// resolution, but keeps only what a reader sees of a symbol: bitmaps (copied by whole-dot
// replication, the way the printer surfaces do it) and lines. Text is measured with fixed
// metrics and not drawn, since no symbol is ever read from a caption.
#pragma once

#include "document/Canvas.h"

#include <cstdint>
#include <vector>

class BarRasterCanvas final : public Canvas {
public:
    // `metrics`, when given, answers every font question, so that the layout on this raster
    // is the layout on that surface.
    BarRasterCanvas(int width, int height, int dpiX, int dpiY, Canvas* metrics = nullptr);

    bool SelectFont(const std::string& face, int pointSize) override;
    void SelectFixedFont() override;
    void SetBold(bool bold) override { if (metrics_) metrics_->SetBold(bold); }
    int FontHeight() override { return metrics_ ? metrics_->FontHeight() : fontHeight_; }
    int DotsPerInchX() override { return dpiX_; }
    int DotsPerInchY() override { return dpiY_; }
    int PageWidth() override { return width_; }
    int PageHeight() override { return height_; }
    int MeasureText(const std::string& text) override;
    void DrawText(const CanvasRect&, const std::string&, bool) override {}
    void DrawLine(int x1, int y1, int x2, int y2) override;
    void CopyBitmap(const std::vector<std::uint8_t>& bits, int width, int height, int stride,
        const CanvasRect& destination) override;
    void StartPage() override;
    void EndPage() override {}

    // 8-bit grey, 0 = black, one byte a dot, rows of PageWidth() bytes.
    const std::vector<std::uint8_t>& Pixels() const { return pixels_; }
    int PagesStarted() const { return pages_; }

private:
    void Fill(int left, int top, int right, int bottom);

    int width_;
    int height_;
    int dpiX_;
    int dpiY_;
    Canvas* metrics_;
    int fontHeight_ = 1;
    int pages_ = 0;
    std::vector<std::uint8_t> pixels_;
};
