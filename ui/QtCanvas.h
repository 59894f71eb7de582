// QtCanvas: the printed-page surface over a QPainter — a printer, a PDF file or the image of
// a preview page.
#pragma once

#include "document/Canvas.h"

#include <QFont>

class QPainter;
class QPagedPaintDevice;

class QtCanvas final : public Canvas {
public:
    // `printer` is asked for new pages; null when painting one image.
    QtCanvas(QPainter& painter, QPagedPaintDevice* printer, int pageWidth, int pageHeight, int dpiX, int dpiY);

    bool SelectFont(const std::string& face, int pointSize) override;
    void SelectFixedFont() override;
    void SetBold(bool bold) override;
    int FontHeight() override;
    int DotsPerInchX() override { return dpiX_; }
    int DotsPerInchY() override { return dpiY_; }
    int PageWidth() override { return pageWidth_; }
    int PageHeight() override { return pageHeight_; }
    int MeasureText(const std::string& text) override;
    void DrawText(const CanvasRect& rect, const std::string& text, bool wordWrap) override;
    void DrawLine(int x1, int y1, int x2, int y2) override;
    void CopyBitmap(const std::vector<std::uint8_t>& bits, int width, int height, int stride,
                    const CanvasRect& destination) override;
    void StartPage() override;
    void EndPage() override;

    int PagesStarted() const { return pages_; }

private:
    void FillBars(const std::vector<std::uint8_t>& bits, int width, int height, int stride, int left, int top,
                  int scaleX, int scaleY);

    QPainter& painter_;
    QPagedPaintDevice* printer_;
    int pageWidth_;
    int pageHeight_;
    int dpiX_;
    int dpiY_;
    int pages_ = 0;
};
