// TextMeasurer: how the page builder learns the size of a text in the page font.
//
// Pages are laid out in dialog units of the page font, so the builder needs two answers from
// whoever draws the pages: the pixel extent of a text, and how many pixels a 100 by 100
// dialog-unit rectangle covers in that font. The desktop program answers from the real font;
// tests, kestrel-cli and the benchmark use FixedTextMeasurer, so layouts are reproducible.
#pragma once

#include <string>

struct TextExtent {
    int cx = 0;
    int cy = 0;
};

class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // Pixel extent of `text` in the page font.
    virtual TextExtent MeasurePixels(const std::string& text) = 0;
    // Pixels covered by a 100 x 100 dialog-unit rectangle in the page font.
    virtual TextExtent DialogBasePixels() = 0;

    // The size of a text in dialog units: the pixel extent scaled by the 100-unit rectangle.
    TextExtent MeasureDialogUnits(const std::string& text);
    // Pixels to dialog units with the same ratio.
    TextExtent PixelsToDialogUnits(TextExtent pixels);
};

// A font in which every character has the same width: the stand-in for the page font
// ("MS Sans Serif" 8 point on a 96-dpi screen averages 6 x 13 pixels a character, and maps
// 100 dialog units to 150 x 163 pixels), so one character is 4 x 8 dialog units.
class FixedTextMeasurer : public TextMeasurer {
public:
    FixedTextMeasurer(int charWidth = 6, int charHeight = 13, int baseX = 150, int baseY = 163)
        : charWidth_(charWidth)
        , charHeight_(charHeight)
        , baseX_(baseX)
        , baseY_(baseY)
    {
    }
    TextExtent MeasurePixels(const std::string& text) override
    {
        return { static_cast<int>(text.size()) * charWidth_, charHeight_ };
    }
    TextExtent DialogBasePixels() override { return { baseX_, baseY_ }; }

private:
    int charWidth_;
    int charHeight_;
    int baseX_;
    int baseY_;
};
