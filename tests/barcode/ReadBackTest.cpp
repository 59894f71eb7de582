// What we print reads back: linear sheets symbol by symbol, Aztec symbols at both ends of the
// slider, and the stored interface image module for module.
#include "barcode/AztecSymbol.h"
#include "barcode/BarRasterCanvas.h"
#include "barcode/BarcodeSheets.h"
#include "barcode/ReadBack.h"
#include "RecordingCanvas.h"
#include "platform/ScriptedHost.h"
#include "stripe32/stripe32.h"

#include <gtest/gtest.h>

namespace {

const std::string kSheet = Linear("DEFALT") + Linear("BEPLVL3") + Linear("CBRENA1") + Linear("PREBK29901")
    + Linear("BASEID1234") + Linear("TRMINF61") + Linear("REMOVE") + Linear("SUF_EN0") + Linear("GRPSEL2");

struct SheetCase {
    int columns;
    int placement;
    int module;
    int dpi;
};

class LinearSheetReadBack : public ::testing::TestWithParam<SheetCase> {};

TEST_P(LinearSheetReadBack, EverySymbolReadsBackWithFnc3)
{
    const SheetCase& c = GetParam();
    LinearPageSettings settings;
    settings.columns = c.columns;
    settings.placement = c.placement;
    settings.moduleWidth = c.module;
    settings.captionInformation = CBarCodeSymbol::kDescriptionAndCommand;
    // Letter at the printer's resolution, less 5%.
    const int width = c.dpi * 85 / 10 * 95 / 100;
    const int height = c.dpi * 11 * 95 / 100;
    BarRasterCanvas metrics(width, height, c.dpi, c.dpi);
    const LinearSheetReport report
        = CheckLinearSheet(metrics, kSheet, settings, width, height, c.dpi, {}, [] { return std::time_t { 0 }; });
    EXPECT_EQ(report.error, "");
    ASSERT_EQ(report.commands.size(), 9u);
    for (const SheetCommand& command : report.commands) {
        EXPECT_TRUE(command.readBack) << command.tag << command.value;
        // Every module is a whole number of printer dots: twice the page's pixels.
        EXPECT_EQ((command.bars.right - command.bars.left) % (2 * c.module), 0);
    }
    EXPECT_EQ(report.commands[4].tag, "BASEID");
}

INSTANTIATE_TEST_SUITE_P(Layouts, LinearSheetReadBack,
    ::testing::Values(SheetCase { 1, CBarCodeSymbol::kBelow, 3, 300 }, SheetCase { 2, CBarCodeSymbol::kBelow, 3, 600 },
        SheetCase { 2, CBarCodeSymbol::kAbove, 5, 600 }, SheetCase { 1, CBarCodeSymbol::kBelow, 5, 300 }, SheetCase { 1, CBarCodeSymbol::kLeft, 5, 600 },
        SheetCase { 1, CBarCodeSymbol::kRight, 3, 300 }, SheetCase { 1, CBarCodeSymbol::kAbove, 3, 600 }));

TEST(LinearSheet, WholePageDecodesInScanOrder)
{
    // A two-column page read as a scanner user would: left column down, then right column.
    LinearPageSettings settings;
    settings.columns = 2;
    const int width = 300 * 85 / 10 * 95 / 100;
    const int height = 300 * 11 * 95 / 100;
    BarRasterCanvas raster(width, height, 300, 300);
    BarRasterCanvas metrics(width, height, 300, 300);
    const LinearSheetReport report
        = CheckLinearSheet(metrics, kSheet, settings, width, height, 300, {}, [] { return std::time_t { 0 }; });
    ASSERT_EQ(report.error, "");
    PrintLinearSheet(raster, kSheet, settings, width, height, {}, [] { return std::time_t { 0 }; });
    const std::vector<DecodedSymbol> decoded = DecodePage(MakeGrayImage(width, height, raster.Pixels()));
    std::vector<std::string> read;
    for (const DecodedSymbol& symbol : decoded)
        read.push_back(symbol.bytes);
    std::vector<std::string> expected;
    for (const SheetCommand& command : report.commands)
        if (command.page == report.pages)
            expected.push_back(ExpectedLinearReading(CBarCodeSymbol::EncodedForm(command.data)));
    EXPECT_EQ(read, expected);
}

TEST(LinearSheet, CentredSymbolsOfOneColumnReadTopToBottom)
{
    // Symbols centred on the page's middle sit a little left or right of it, by their width;
    // they are still one column.
    BarRasterCanvas page(1000, 1200, 300, 300);
    page.StartPage();
    const std::string commands[] = { Linear("BEPLVL1"), Linear("CBRENA1"), Linear("TRMINF61") };
    for (int i = 0; i < 3; ++i) {
        const CBarCodeSymbol symbol(page, commands[i], CBarCodeSymbol::kBelow, 0, 1000, 2, 80);
        symbol.Draw(page, 500 - symbol.BoxWidth() / 2 + (i == 1 ? 3 : -3), 100 + i * 300);
    }
    const std::vector<DecodedSymbol> read = DecodePage(MakeGrayImage(1000, 1200, page.Pixels()));
    ASSERT_EQ(read.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(read[static_cast<size_t>(i)].bytes, ExpectedLinearReading(commands[i]));
}

TEST(LinearSheet, SymbolOffThePageStopsTheSheet)
{
    // Two columns of 10-dot modules do not fit across a 300-dpi Letter page.
    LinearPageSettings settings;
    settings.columns = 2;
    settings.moduleWidth = 5;
    BarRasterCanvas metrics(2422, 3135, 300, 300);
    const LinearSheetReport report
        = CheckLinearSheet(metrics, kSheet, settings, 2422, 3135, 300, {}, [] { return std::time_t { 0 }; });
    EXPECT_EQ(report.error, "The bar code of DEFALT does not fit on the page. Nothing was printed.");
}

TEST(LinearSheet, UnencodableCommandStopsTheSheetNamingIt)
{
    ScriptedHost host;
    InstallHost(&host);
    BarRasterCanvas metrics(2000, 2600, 240, 240);
    const LinearSheetReport report = CheckLinearSheet(metrics, Linear("DEFALT") + Linear("PREBK2\x90\x91"), {}, 2000,
        2600, 240, {}, [] { return std::time_t { 0 }; });
    EXPECT_EQ(report.error, "The command PREBK2\x90\x91 cannot be carried by a Code 128 bar code. Nothing was printed.");
    EXPECT_TRUE(host.messages.empty()); // the caller says it, once
    InstallHost(nullptr);
}

TEST(AztecSymbolTest, SmallestAndLargestSizesDecode)
{
    const std::string text = "DEFALT;BEPLVL3;CBRENA1;PREBK29901;TRMINF61.";
    for (const int size : { AztecSymbol::kMinSize, AztecSymbol::kMaxSize }) {
        AztecSymbol symbol;
        ASSERT_TRUE(symbol.Build(text, size, false)) << symbol.Error();
        EXPECT_TRUE(SymbolReadsBack(symbol.Bitmap(), 2, true, text)) << size;
        if (size == AztecSymbol::kMaxSize) {
            AztecSymbol small;
            small.Build(text, 1, false);
            EXPECT_EQ(symbol.Bitmap().width, 10 * small.Bitmap().width);
        }
    }
}

TEST(AztecSymbolTest, TooLongTextIsRefusedNeverCut)
{
    ScriptedHost host;
    InstallHost(&host);
    AztecSymbol symbol;
    ASSERT_TRUE(symbol.Build("DEFALT.", 6));
    const MonoBitmap before = symbol.Bitmap();
    // Over the buffer, and under the buffer but over what one symbol holds.
    for (const size_t length : { size_t { 4000 }, size_t { 3500 } }) {
        EXPECT_FALSE(symbol.Build(std::string(length, '\x7F'), 6));
        EXPECT_EQ(symbol.Bitmap().bits, before.bits); // the previous symbol stays
    }
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.messages[0].text.find("4000 bytes"), std::string::npos);
    EXPECT_NE(host.messages[1].text.find("does not fit in one Aztec symbol"), std::string::npos);
    InstallHost(nullptr);
}

TEST(InterfaceImage, IsTheKestrelSymbolModuleForModule)
{
    MonoBitmap image;
    std::string error;
    ASSERT_TRUE(LoadInterfaceImage(image, error)) << error;
    ASSERT_EQ(image.width, 134);
    ASSERT_EQ(image.height, 58);
    const std::string data = kInterfaceData;
    std::int32_t width = 0;
    unsigned char* bits = nullptr;
    HGLOBAL block = qxCode128Encode(data.data(), static_cast<std::int32_t>(data.size()), 1, 1, &width, &bits);
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(width, 134 + 20); // 10 modules of quiet zone each side
    for (int y = 0; y < 58; ++y)
        for (int x = 0; x < 134; ++x)
            ASSERT_EQ(image.IsBlack(x, y), ((bits[(x + 10) / 8] >> (7 - (x + 10) % 8)) & 1) == 0) << x << "," << y;
    GlobalUnlock(block);
    GlobalFree(block);
    // Start B leads, the stop pattern ends it.
    std::string start, stop;
    for (int x = 0; x < 11; ++x)
        start += image.IsBlack(x, 0) ? '1' : '0';
    for (int x = 121; x < 134; ++x)
        stop += image.IsBlack(x, 0) ? '1' : '0';
    EXPECT_EQ(start, "11010010000");
    EXPECT_EQ(stop, "1100011101011");
    EXPECT_TRUE(SymbolReadsBack(image, 3, false, "~KESTRL."));
}

TEST(SymbolPages, WholeDotsAndPlacement)
{
    EXPECT_EQ(WholeDotsPerPixel(600, 96), 6);
    EXPECT_EQ(WholeDotsPerPixel(300, 96), 3);
    EXPECT_EQ(WholeDotsPerPixel(96, 96), 1);
    EXPECT_EQ(WholeDotsPerPixel(72, 96), 1);
    EXPECT_EQ(XDimensionText(6, 600), "0.254 mm (10.0 mil) at 600 dpi");

    MonoBitmap image;
    std::string error;
    ASSERT_TRUE(LoadInterfaceImage(image, error));
    RecordingCanvas page;
    page.dpi = 600;
    page.pageWidth = 5100;
    page.pageHeight = 6600;
    SymbolPageResult result = DrawInterfacePage(page, image, 96);
    ASSERT_TRUE(result.printed);
    EXPECT_EQ(result.dotsPerPixel, 6);
    EXPECT_EQ(result.bars.left, 100);
    EXPECT_EQ(result.bars.top, 100);
    EXPECT_EQ(result.bars.right, 100 + 134 * 6);
    // A narrow page shrinks the symbol by whole dots rather than cutting it.
    page.pageWidth = 600;
    result = DrawInterfacePage(page, image, 96);
    ASSERT_TRUE(result.printed);
    EXPECT_EQ(result.dotsPerPixel, 3);
    page.pageWidth = 200;
    result = DrawInterfacePage(page, image, 96);
    EXPECT_FALSE(result.printed);
    EXPECT_FALSE(result.error.empty());

    // Aztec: centred 4 in from the left, 5.5 in from the top; three lines under it.
    AztecSymbol aztec;
    ASSERT_TRUE(aztec.Build("DEFALT.", 2, false));
    RecordingCanvas sheet;
    sheet.dpi = 600;
    sheet.pageWidth = 5100;
    sheet.pageHeight = 6600;
    result = DrawAztecPage(sheet, aztec.Bitmap(), 96, { "Kestrel 5620", "", "today" });
    ASSERT_TRUE(result.printed);
    const int w = aztec.Bitmap().width * 6;
    EXPECT_EQ(result.bars.left, 2400 - w / 2);
    EXPECT_EQ(result.bars.top, 3300 - aztec.Bitmap().height * 6 / 2);
    ASSERT_EQ(sheet.texts.size(), 3u);
    EXPECT_EQ(sheet.texts[0].text, "Product:    Kestrel 5620");
    EXPECT_EQ(sheet.texts[1].text, "File:       No File Saved");
    EXPECT_EQ(sheet.texts[2].text, "Date Built: today");
    EXPECT_EQ(sheet.texts[0].rect.top, result.bars.bottom + 150);
    EXPECT_EQ(sheet.texts[2].rect.top, result.bars.bottom + 350);
    EXPECT_EQ(sheet.texts[1].rect.right - sheet.texts[1].rect.left, 1000);
}

} // namespace
