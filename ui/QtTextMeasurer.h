// QtTextMeasurer: measures texts in the page font for the page builder, so generated pages
// are laid out for the font they are drawn in.
#pragma once

#include "document/TextMeasurer.h"

#include <QFont>
#include <QFontMetrics>

class QtTextMeasurer final : public TextMeasurer {
public:
    explicit QtTextMeasurer(const QFont& font);
    TextExtent MeasurePixels(const std::string& text) override;
    TextExtent DialogBasePixels() override;

    // Dialog units of this font to pixels (the inverse of the builder's conversion).
    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    const QFont& Font() const { return font_; }

    // The font pages are drawn in: the application font at 8 points, the size of the
    // classic dialog font.
    static QFont PageFont();

private:
    QFont font_;
    QFontMetrics metrics_;
    TextExtent base_;
};
