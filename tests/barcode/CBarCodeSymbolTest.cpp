// Menu bar code symbols: what the bars carry, the captions, and the box layout.
#include "barcode/CBarCodeSymbol.h"
#include "RecordingCanvas.h"
#include "platform/ScriptedHost.h"

#include <gtest/gtest.h>

namespace {

class SymbolTest : public ::testing::Test {
protected:
    void SetUp() override { InstallHost(&host); }
    void TearDown() override { InstallHost(nullptr); }
    CBarCodeSymbol Make(const std::string& data, int placement = CBarCodeSymbol::kBelow,
        int information = CBarCodeSymbol::kDescriptionOnly, int largest = 1000)
    {
        return CBarCodeSymbol(canvas, data, placement, information, largest, 3, 150, controls);
    }
    ScriptedHost host;
    RecordingCanvas canvas;
    std::vector<CaptionControl> controls { { "BEPLVL", "Beeper Volume", "COMBOBOX" },
        { "CBRENA", "Codabar", "CHECK" }, { "BEPLVL", "Second control", "EDIT" } };
};

TEST_F(SymbolTest, BaseIdSymbolCarriesNeitherTagNorPeriods)
{
    const CBarCodeSymbol symbol = Make(Linear("BASEID12.34"));
    EXPECT_EQ(symbol.EncodedData(), std::string("~1234") + kFnc3);
    EXPECT_EQ(symbol.Tag(), "BASEID");
    EXPECT_EQ(symbol.CommandCaption(), "BASEID12");
    // The value runs to the first "."; the fixed description takes it as it is.
    EXPECT_EQ(symbol.DescriptionCaption(), "Base ID: 12");
    EXPECT_TRUE(symbol.HasBitmap());
    EXPECT_EQ(Make(Linear("baseid77")).EncodedData(), std::string("~77") + kFnc3);
    EXPECT_EQ(Make(Linear("BEPLVL2")).EncodedData(), Linear("BEPLVL2"));
}

TEST_F(SymbolTest, DescriptionsFromControlsAndFixedTexts)
{
    struct Row {
        std::string data;
        std::string description;
    };
    const Row rows[] = {
        { Linear("CBRENA0"), "Codabar - OFF" },
        { Linear("CBRENA1"), "Codabar - ON" },
        { Linear("CBRENA7"), "Codabar - ON" },
        { Linear("BEPLVL2"), "Beeper Volume: 2" }, // the first control of the tag wins
        { Linear("GRPSEL3"), "Application Group: 3" },
        { Linear("REMOVE"), "Remove Scanner Association" },
        { Linear("dfmca3"), "Clear Data Formatter" }, // fixed texts ignore case
        { Linear("PRE_EN0"), "Prefix Enable: 0" },
        { Linear("AXDBK3991"), "Aux Port Data Formatter Block: 991" },
        { Linear("UNKNWN5"), "" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(Make(row.data).DescriptionCaption(), row.description) << row.data;
}

TEST_F(SymbolTest, EmptyCaptionsCountAsWWW)
{
    // No control and no fixed text: the description is empty and measures as "WWW".
    const CBarCodeSymbol none = Make(Linear("UNKNWN5"), CBarCodeSymbol::kBelow, CBarCodeSymbol::kDescriptionOnly);
    EXPECT_EQ(none.CaptionWidth(), 30);
    EXPECT_EQ(none.CaptionHeight(), 32);
    // No caption at all still reserves the size of "WWW".
    const CBarCodeSymbol off = Make(Linear("CBRENA1"), CBarCodeSymbol::kBelow, 0);
    EXPECT_EQ(off.CaptionWidth(), 30);
    EXPECT_EQ(off.CaptionHeight(), 32);
    // Description and command: both heights and the gap (32 / 16 = 2).
    const CBarCodeSymbol both = Make(Linear("CBRENA1"), CBarCodeSymbol::kBelow, CBarCodeSymbol::kDescriptionAndCommand);
    EXPECT_EQ(both.CaptionHeight(), 32 + 32 + 2);
    EXPECT_EQ(both.CaptionWidth(), static_cast<int>(std::string("Codabar - ON").size()) * 10);
}

TEST_F(SymbolTest, WideCaptionWrapsToTwoLines)
{
    const CBarCodeSymbol symbol = Make(Linear("CBRENA1"), CBarCodeSymbol::kBelow, CBarCodeSymbol::kDescriptionOnly, 50);
    EXPECT_EQ(symbol.CaptionWidth(), 50);
    EXPECT_EQ(symbol.CaptionHeight(), 2 + 2 * 32);
}

TEST_F(SymbolTest, FourPlacements)
{
    for (int placement = 0; placement < 4; ++placement) {
        const CBarCodeSymbol s = Make(Linear("CBRENA1"), placement);
        const int bw = s.Bitmap().width;
        const int bh = s.Bitmap().height;
        const int tw = s.CaptionWidth();
        const int th = s.CaptionHeight();
        ASSERT_EQ(bh, 150);
        ASSERT_LT(tw, bw);
        switch (placement) {
        case CBarCodeSymbol::kLeft:
            EXPECT_EQ(s.CaptionOffsetX(), 0);
            EXPECT_EQ(s.BitmapOffsetX(), tw + 10);
            EXPECT_EQ(s.BoxWidth(), 10 + bw + tw);
            EXPECT_EQ(s.BoxHeight(), bh);
            EXPECT_EQ(s.CaptionOffsetY(), bh / 2 - th / 2);
            break;
        case CBarCodeSymbol::kRight:
            EXPECT_EQ(s.BitmapOffsetX(), 0);
            EXPECT_EQ(s.CaptionOffsetX(), bw + 10);
            EXPECT_EQ(s.BitmapOffsetY(), 0);
            break;
        case CBarCodeSymbol::kAbove:
            EXPECT_EQ(s.CaptionOffsetY(), 0);
            EXPECT_EQ(s.BitmapOffsetY(), th + 2);
            EXPECT_EQ(s.BoxHeight(), th + 2 + bh);
            EXPECT_EQ(s.CaptionOffsetX(), bw / 2 - tw / 2);
            break;
        case CBarCodeSymbol::kBelow:
            EXPECT_EQ(s.BitmapOffsetY(), 0);
            EXPECT_EQ(s.CaptionOffsetY(), bh + 2);
            EXPECT_EQ(s.BoxWidth(), bw);
            break;
        }
    }
}

TEST_F(SymbolTest, DrawPutsBarsAndCaptionsInTheBox)
{
    const CBarCodeSymbol s = Make(Linear("CBRENA1"), CBarCodeSymbol::kBelow, CBarCodeSymbol::kDescriptionAndCommand);
    ASSERT_TRUE(s.Draw(canvas, 100, 200));
    ASSERT_EQ(canvas.copies.size(), 1u);
    EXPECT_EQ(canvas.copies[0].rect.left, 100);
    EXPECT_EQ(canvas.copies[0].rect.top, 200);
    EXPECT_EQ(canvas.copies[0].rect.right - canvas.copies[0].rect.left, s.Bitmap().width); // unscaled
    ASSERT_EQ(canvas.texts.size(), 2u);
    EXPECT_EQ(canvas.texts[0].text, "Codabar - ON");
    EXPECT_EQ(canvas.texts[1].text, "CBRENA1");
    EXPECT_EQ(canvas.texts[1].rect.top, canvas.texts[0].rect.top + 32 + 2);
    // The command is centred within the caption width.
    const int captionLeft = canvas.texts[0].rect.left;
    EXPECT_EQ(canvas.texts[1].rect.left, captionLeft + (s.CaptionWidth() - 70) / 2);
}

TEST_F(SymbolTest, FailedEncodingLeavesAnEmptyBoxThatDoesNotDraw)
{
    // Bytes from 0x84 up cannot be carried by Code 128.
    const CBarCodeSymbol s = Make(Linear("PREBK2\xC3\xA9"));
    EXPECT_FALSE(s.HasBitmap());
    EXPECT_EQ(s.BoxWidth(), 0);
    EXPECT_EQ(s.BoxHeight(), 0);
    EXPECT_EQ(s.BitmapOffsetX(), -1);
    EXPECT_EQ(s.CaptionOffsetY(), -1);
    EXPECT_FALSE(s.Draw(canvas, 0, 0));
    EXPECT_TRUE(canvas.copies.empty());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, CBarCodeSymbol::kEncodeFailed);
    EXPECT_EQ(host.messages[1].text, CBarCodeSymbol::kNoBitmap);
}

} // namespace
