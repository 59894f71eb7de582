// The configuration printout: which bindings become rows, their range texts, and how the rows
// are spread over pages.
#include "document/ConfigurationPrint.h"
#include "catalog/TabDefinitions.h"
#include "device/CDevice.h"
#include "document/Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Records the texts drawn; the font is 50 pixels high on a 100-dpi page.
class RecordingCanvas : public Canvas {
public:
    bool SelectFont(const std::string& face, int points) override
    {
        fonts.push_back(face + " " + std::to_string(points));
        return arialAvailable;
    }
    void SelectFixedFont() override { fonts.push_back("fixed"); }
    int FontHeight() override { return fontHeight; }
    int DotsPerInchX() override { return dpi; }
    int DotsPerInchY() override { return dpi; }
    int PageWidth() override { return pageWidth; }
    int PageHeight() override { return pageHeight; }
    int MeasureText(const std::string& text) override { return static_cast<int>(text.size()) * 10; }
    void DrawText(const CanvasRect& rect, const std::string& text, bool) override
    {
        texts.push_back(text);
        lowest = std::max(lowest, rect.bottom);
    }
    void DrawLine(int, int, int, int) override { ++lines; }
    void CopyBitmap(const std::vector<std::uint8_t>&, int, int, int, const CanvasRect&) override { }
    void StartPage() override { }
    void EndPage() override { }

    int fontHeight = 50;
    int dpi = 100;
    int pageWidth = 850;
    int pageHeight = 1200; // room for the full ten inches of rows
    int lowest = 0; // the bottom of the lowest text drawn
    bool arialAvailable = true;
    std::vector<std::string> fonts;
    std::vector<std::string> texts;
    int lines = 0;
};

CDeviceSetting Setting(const std::string& tag, int minimum, int maximum, const std::string& value,
    const std::string& defaultValue, std::vector<std::string> allowed = {})
{
    CDeviceSetting setting;
    setting.tag = tag;
    setting.minimum = minimum;
    setting.maximum = maximum;
    setting.defaultValue = defaultValue;
    setting.allowedValues = std::move(allowed);
    setting.tableValues[0] = value;
    return setting;
}

TEST(ConfigurationPrintTest, RowsRangesAndPages)
{
    CDevice device;
    device.Settings() = { Setting("CHKONE", 0, 1, "1", "0"), Setting("EDTONE", 0, 99, "42", "10"),
        Setting("EDTTWO", 5, 5, "5", "5"), Setting("EDTNOD", 0, 99, "7", ""),
        Setting("RADONE", 0, 0, "b", "a", { "A", "B", "C" }), Setting("CMBONE", 0, 0, "1", "1", { "0", "1" }),
        Setting("BUTTON", 0, 0, "", "") };
    const std::vector<ControlBinding> bindings = {
        { 0, 0, 1010, 0, "Check One", ControlType::Check, 0 },
        { 1, 0, 1011, 0, "Edit One", ControlType::Edit, 0 },
        { 2, 0, 1012, 0, "Fixed", ControlType::Edit, 0 },
        { 3, 0, 1013, 0, "No Default", ControlType::Edit, 0 },
        { 4, 0, 1014, 0, "Mode", ControlType::Radio1, 0 },
        { 4, 1, 1015, 0, "Mode", ControlType::Radio1, 0 },
        { 4, 2, 1016, 0, "Mode", ControlType::Radio1, 0 },
        { 5, 0, 1017, 0, "Speed", ControlType::ComboBox, 0 },
        { 6, 0, 1018, 0, "Press", ControlType::Command, 0 },
    };
    const std::vector<ConfigurationRow> rows = ConfigurationPrint::BuildRows(bindings, device);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].range, "0-1");
    EXPECT_EQ(rows[1].range, "0-99");
    EXPECT_EQ(rows[2].range, ""); // a single value has no range
    EXPECT_EQ(rows[3].range, ""); // nor a setting without a default
    EXPECT_EQ(rows[4].name, "Mode"); // only the checked button, case-insensitively
    EXPECT_EQ(rows[4].current, "b");
    EXPECT_EQ(rows[4].range, "A, B, C");

    // 100 dpi x 10 / 50 pixels = 20 rows a page.
    std::vector<ConfigurationRow> many(41, rows[0]);
    ConfigurationPrint print(many);
    RecordingCanvas canvas;
    EXPECT_EQ(print.Prepare(canvas), 3);
    EXPECT_EQ(print.RowsPerPage(), 20);
    print.DrawPage(canvas, 2);
    EXPECT_EQ(canvas.texts,
        (std::vector<std::string> { "Setting Name", "Current", "Range", "Check One", "1", "0-1" }));
    EXPECT_EQ(canvas.lines, 1);

    RecordingCanvas plain;
    plain.arialAvailable = false;
    ConfigurationPrint empty({});
    EXPECT_EQ(empty.Prepare(plain), 1);
    EXPECT_EQ(plain.fonts, (std::vector<std::string> { "ARIAL 12", "fixed" }));
}

// Rows are bounded by the printable height: on US Letter ten inches of rows do not fit below
// the top margin and the heading, and the last row used to fall off the page.
TEST(ConfigurationPrintTest, RowsStayInsideThePrintableHeight)
{
    struct Paper {
        const char* name;
        int printableHeight; // at 600 dpi, less the printer's unprintable edges
    };
    for (const Paper paper : { Paper { "Letter", 6400 }, Paper { "A4", 6814 } }) {
        SCOPED_TRACE(paper.name);
        std::vector<ConfigurationRow> rows;
        for (int i = 0; i < 130; ++i)
            rows.push_back({ "Row " + std::to_string(i), std::to_string(i), "" });
        ConfigurationPrint print(rows);
        RecordingCanvas canvas;
        canvas.dpi = 600;
        canvas.fontHeight = 100;
        canvas.pageWidth = 4900;
        canvas.pageHeight = paper.printableHeight;
        const int pages = print.Prepare(canvas);
        for (int page = 0; page < pages; ++page)
            print.DrawPage(canvas, page);
        EXPECT_LE(canvas.lowest, paper.printableHeight);
        for (int i = 0; i < 130; ++i)
            EXPECT_EQ(std::count(canvas.texts.begin(), canvas.texts.end(), "Row " + std::to_string(i)), 1) << i;
    }
}

} // namespace
