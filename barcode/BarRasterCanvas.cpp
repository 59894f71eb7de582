#include "barcode/BarRasterCanvas.h"

#include <algorithm>
#include <cstdlib>

BarRasterCanvas::BarRasterCanvas(int width, int height, int dpiX, int dpiY, Canvas* metrics)
    : width_(std::max(1, width)), height_(std::max(1, height)), dpiX_(std::max(1, dpiX)), dpiY_(std::max(1, dpiY)),
      metrics_(metrics)
{
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0xFF);
    SelectFixedFont();
}

bool BarRasterCanvas::SelectFont(const std::string& face, int pointSize)
{
    if (metrics_)
        return metrics_->SelectFont(face, pointSize);
    if (pointSize <= 0)
        return false;
    fontHeight_ = std::max(1, pointSize * dpiY_ / 72);
    return true;
}

void BarRasterCanvas::SelectFixedFont()
{
    if (metrics_)
        metrics_->SelectFixedFont();
    fontHeight_ = std::max(1, 10 * dpiY_ / 72);
}

int BarRasterCanvas::MeasureText(const std::string& text)
{
    if (metrics_)
        return metrics_->MeasureText(text);
    return static_cast<int>(text.size()) * std::max(1, fontHeight_ * 3 / 5);
}

void BarRasterCanvas::StartPage()
{
    ++pages_;
    std::fill(pixels_.begin(), pixels_.end(), std::uint8_t { 0xFF });
}

void BarRasterCanvas::Fill(int left, int top, int right, int bottom)
{
    left = std::clamp(left, 0, width_);
    right = std::clamp(right, 0, width_);
    top = std::clamp(top, 0, height_);
    bottom = std::clamp(bottom, 0, height_);
    for (int y = top; y < bottom; ++y)
        std::fill_n(pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width_ + left, std::max(0, right - left),
            std::uint8_t { 0 });
}

void BarRasterCanvas::DrawLine(int x1, int y1, int x2, int y2)
{
    // Only the header rule is drawn, which is horizontal; other lines draw their box.
    Fill(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1);
}

void BarRasterCanvas::CopyBitmap(const std::vector<std::uint8_t>& bits, int width, int height, int stride,
    const CanvasRect& destination)
{
    if (width <= 0 || height <= 0 || stride < (width + 7) / 8
        || bits.size() < static_cast<size_t>(stride) * static_cast<size_t>(height))
        return;
    const int targetWidth = destination.right - destination.left;
    const int targetHeight = destination.bottom - destination.top;
    if (targetWidth <= 0 || targetHeight <= 0)
        return;
    // Nearest source pixel for every target dot, as a printer surface without smoothing does.
    for (int ty = std::max(0, -destination.top); ty < targetHeight && destination.top + ty < height_; ++ty) {
        const int sy = static_cast<int>(static_cast<long long>(ty) * height / targetHeight);
        const std::uint8_t* row = bits.data() + static_cast<size_t>(sy) * static_cast<size_t>(stride);
        std::uint8_t* out = pixels_.data() + static_cast<size_t>(destination.top + ty) * static_cast<size_t>(width_);
        for (int tx = std::max(0, -destination.left); tx < targetWidth && destination.left + tx < width_; ++tx) {
            const int sx = static_cast<int>(static_cast<long long>(tx) * width / targetWidth);
            if (((row[sx / 8] >> (7 - sx % 8)) & 1) == 0)
                out[destination.left + tx] = 0;
        }
    }
}
