#include "ui/QtCanvas.h"

#include "ui/ByteText.h"

#include <QFontDatabase>
#include <algorithm>
#include <QFontInfo>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>

QtCanvas::QtCanvas(QPainter& painter, QPagedPaintDevice* printer, int pageWidth, int pageHeight, int dpiX, int dpiY)
    : painter_(painter), printer_(printer), pageWidth_(pageWidth), pageHeight_(pageHeight), dpiX_(dpiX), dpiY_(dpiY)
{
}

bool QtCanvas::SelectFont(const std::string& face, int pointSize)
{
    if (pointSize <= 0)
        return false;
    QFont font(QString::fromStdString(face));
    font.setPointSize(pointSize);
    // Sizes are in points of the surface, so a 300-dpi printer gets a 300-dpi font.
    font = QFont(font, painter_.device());
    painter_.setFont(font);
    return true;
}

void QtCanvas::SelectFixedFont()
{
    painter_.setFont(QFont(QFontDatabase::systemFont(QFontDatabase::FixedFont), painter_.device()));
}

void QtCanvas::SetBold(bool bold)
{
    QFont font = painter_.font();
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    painter_.setFont(font);
}

int QtCanvas::FontHeight()
{
    return std::max(1, painter_.fontMetrics().height());
}

int QtCanvas::MeasureText(const std::string& text)
{
    return painter_.fontMetrics().horizontalAdvance(TextFromBytes(text));
}

void QtCanvas::DrawText(const CanvasRect& rect, const std::string& text, bool wordWrap)
{
    const QRect box(rect.left, rect.top, std::max(0, rect.right - rect.left), std::max(0, rect.bottom - rect.top));
    painter_.drawText(box, Qt::AlignLeft | Qt::AlignTop | (wordWrap ? Qt::TextWordWrap : 0),
                      TextFromBytes(text));
}

void QtCanvas::DrawLine(int x1, int y1, int x2, int y2)
{
    painter_.drawLine(x1, y1, x2, y2);
}

void QtCanvas::CopyBitmap(const std::vector<std::uint8_t>& bits, int width, int height, int stride,
                          const CanvasRect& destination)
{
    // A bitmap that claims more rows or wider rows than it carries is not drawn at all.
    if (width <= 0 || height <= 0 || stride < (width + 7) / 8
        || bits.size() < static_cast<size_t>(stride) * static_cast<size_t>(height))
        return;
    const int targetWidth = destination.right - destination.left;
    const int targetHeight = destination.bottom - destination.top;
    if (targetWidth % width == 0 && targetHeight % height == 0 && targetWidth > 0 && targetHeight > 0) {
        FillBars(bits, width, height, stride, destination.left, destination.top, targetWidth / width,
                 targetHeight / height);
        return;
    }
    QImage image(width, height, QImage::Format_Mono);
    image.setColor(0, qRgb(0, 0, 0));
    image.setColor(1, qRgb(255, 255, 255));
    for (int y = 0; y < height; ++y)
        std::copy_n(bits.data() + static_cast<size_t>(y) * static_cast<size_t>(stride), (width + 7) / 8,
                    image.scanLine(y));
    const QRect target(destination.left, destination.top, destination.right - destination.left,
                       destination.bottom - destination.top);
    painter_.drawImage(target, image);
}

// Bar codes are drawn as black rectangles on whole device pixels: a printer or PDF viewer
// that resamples an image can make bars of one width come out uneven, a rectangle it cannot.
// Rows that repeat the one above extend its rectangles, so a linear symbol is one rectangle
// a bar.
void QtCanvas::FillBars(const std::vector<std::uint8_t>& bits, int width, int height, int stride, int left, int top,
                        int scaleX, int scaleY)
{
    auto black = [&](int x, int y) {
        return ((bits[static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x / 8)] >> (7 - x % 8))
                & 1)
               == 0;
    };
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(Qt::black);
    int first = 0;
    for (int y = 1; y <= height; ++y) {
        const bool same = y < height
                          && std::equal(bits.begin() + static_cast<std::ptrdiff_t>(y) * stride,
                                        bits.begin() + static_cast<std::ptrdiff_t>(y) * stride + (width + 7) / 8,
                                        bits.begin() + static_cast<std::ptrdiff_t>(first) * stride);
        if (same)
            continue;
        for (int x = 0; x < width;) {
            if (!black(x, first)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < width && black(end, first))
                ++end;
            painter_.fillRect(QRect(left + x * scaleX, top + first * scaleY, (end - x) * scaleX, (y - first) * scaleY),
                              Qt::black);
            x = end;
        }
        first = y;
    }
    painter_.restore();
}

void QtCanvas::StartPage()
{
    if (pages_ > 0 && printer_)
        printer_->newPage();
    ++pages_;
}

void QtCanvas::EndPage() {}
