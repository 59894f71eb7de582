// ScaledCanvas: composes in coordinates `factor` times smaller than the surface below.
//
// Linear barcode pages are laid out on a page of half the printable size and printed at
// exactly twice that size. Stretching a finished half-size picture would let the printer
// driver resample the bars; drawing every element at the whole-number factor instead keeps
// each module an exact number of printer dots and the text sharp. A font of `p` points is
// measured here as a font of `p` points at the surface's resolution and so comes out `factor`
// times larger on paper, exactly as the stretched half-size page shows it.
#pragma once

#include "document/Canvas.h"

class ScaledCanvas final : public Canvas {
public:
    // pageWidth/pageHeight: the composed page in the small units.
    ScaledCanvas(Canvas& surface, int factor, int pageWidth, int pageHeight)
        : surface_(surface), factor_(factor < 1 ? 1 : factor), pageWidth_(pageWidth), pageHeight_(pageHeight)
    {
    }

    bool SelectFont(const std::string& face, int pointSize) override
    {
        return surface_.SelectFont(face, pointSize * factor_);
    }
    void SelectFixedFont() override { surface_.SelectFixedFont(); }
    void SetBold(bool bold) override { surface_.SetBold(bold); }
    int FontHeight() override { return Down(surface_.FontHeight()); }
    int DotsPerInchX() override { return surface_.DotsPerInchX() / factor_; }
    int DotsPerInchY() override { return surface_.DotsPerInchY() / factor_; }
    int PageWidth() override { return pageWidth_; }
    int PageHeight() override { return pageHeight_; }
    // Widths round up: a caption box one unit too narrow would wrap its last word on paper.
    int MeasureText(const std::string& text) override { return (surface_.MeasureText(text) + factor_ - 1) / factor_; }
    void DrawText(const CanvasRect& rect, const std::string& text, bool wordWrap) override
    {
        surface_.DrawText(Up(rect), text, wordWrap);
    }
    void DrawLine(int x1, int y1, int x2, int y2) override
    {
        surface_.DrawLine(x1 * factor_, y1 * factor_, x2 * factor_, y2 * factor_);
    }
    void CopyBitmap(const std::vector<std::uint8_t>& bits, int width, int height, int stride,
        const CanvasRect& destination) override
    {
        surface_.CopyBitmap(bits, width, height, stride, Up(destination));
    }
    void StartPage() override { surface_.StartPage(); }
    void EndPage() override { surface_.EndPage(); }

    int Factor() const { return factor_; }

private:
    int Down(int value) const { return value < factor_ ? (value > 0 ? 1 : 0) : value / factor_; }
    CanvasRect Up(const CanvasRect& r) const
    {
        return { r.left * factor_, r.top * factor_, r.right * factor_, r.bottom * factor_ };
    }

    Canvas& surface_;
    int factor_;
    int pageWidth_;
    int pageHeight_;
};
