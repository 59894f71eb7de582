#include "document/TextMeasurer.h"

namespace {

// Scales like the platform's MulDiv: rounded, and 0 for a zero divisor.
int Scale(int value, int numerator, int denominator)
{
    if (denominator == 0) return 0;
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

} // namespace

TextExtent TextMeasurer::PixelsToDialogUnits(TextExtent pixels)
{
    const TextExtent base = DialogBasePixels();
    return { Scale(pixels.cx, 100, base.cx), Scale(pixels.cy, 100, base.cy) };
}

TextExtent TextMeasurer::MeasureDialogUnits(const std::string& text)
{
    return PixelsToDialogUnits(MeasurePixels(text));
}
