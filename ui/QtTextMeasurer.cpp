#include "ui/QtTextMeasurer.h"

#include <QApplication>
#include <algorithm>

namespace {

// The 52 letters whose mean width defines a dialog unit's horizontal size: a dialog unit is a
// quarter of the mean letter width and an eighth of the line height.
constexpr const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

} // namespace

QtTextMeasurer::QtTextMeasurer(const QFont& font) : font_(font), metrics_(font)
{
    const int average = (metrics_.horizontalAdvance(QString::fromLatin1(kLetters)) / 26 + 1) / 2;
    // 100 dialog units span 25 mean letters across and 12.5 lines down.
    base_ = { std::max(1, average * 100 / 4), std::max(1, metrics_.height() * 100 / 8) };
}

QFont QtTextMeasurer::PageFont()
{
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

TextExtent QtTextMeasurer::MeasurePixels(const std::string& text)
{
    const QString shown = QString::fromStdString(text);
    return { metrics_.horizontalAdvance(shown), metrics_.height() };
}

TextExtent QtTextMeasurer::DialogBasePixels()
{
    return base_;
}

int QtTextMeasurer::ToPixelsX(int units) const
{
    return (units * base_.cx + 50) / 100;
}

int QtTextMeasurer::ToPixelsY(int units) const
{
    return (units * base_.cy + 50) / 100;
}
