// The linear page layout: metrics, columns, stagger, page walking and the limits.
#include "barcode/LinearBarcodePage.h"
#include "RecordingCanvas.h"
#include "platform/ScriptedHost.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::string Commands(int count)
{
    std::string data;
    for (int i = 0; i < count; ++i)
        data += Linear("BEPLVL" + std::to_string(i % 10));
    return data;
}

class PageTest : public ::testing::Test {
protected:
    void SetUp() override { InstallHost(&host); }
    void TearDown() override { InstallHost(nullptr); }
    int Compose(const std::string& data, PageRequest request = PageRequest::None)
    {
        canvas.texts.clear();
        canvas.copies.clear();
        return builder.Compose(canvas, data, settings, request, {}, [] { return std::time_t { 0 }; });
    }
    ScriptedHost host;
    RecordingCanvas canvas;
    LinearPageSettings settings;
    LinearBarcodePage builder;
};

TEST_F(PageTest, MetricsAndHeader)
{
    settings.title = "Lab";
    ASSERT_EQ(Compose(Commands(1)), 1);
    // h = 32: gap 4, margins 1% / 5% / 2.5%, header top + 8h + 10g.
    EXPECT_EQ(builder.GapUnit(), 4);
    EXPECT_EQ(builder.TopMargin(), 15);
    EXPECT_EQ(builder.BottomMargin(), 75);
    EXPECT_EQ(builder.LeftMargin(), 30);
    EXPECT_EQ(builder.HeaderHeight(), 15 + 8 * 32 + 10 * 4);
    ASSERT_GE(canvas.texts.size(), 6u);
    EXPECT_EQ(canvas.texts[0].text, "Title: Lab");
    EXPECT_EQ(canvas.texts[2].text, "File: No File Saved");
    EXPECT_EQ(canvas.texts[3].text.rfind("Date Built: ", 0), 0u);
    EXPECT_EQ(canvas.texts[4].text, "Page Number: 1");
    EXPECT_EQ(canvas.texts[1].rect.top, 15 + 32 + 4);
    EXPECT_EQ(canvas.texts[0].rect.right, 1200 - 30);
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_EQ(canvas.lines[0].top, 15 + 6 * 32 + 5 * 4 + 32 + 2 * 4);
    // The first symbol sits one gap under the header, centred.
    ASSERT_EQ(builder.Placed().size(), 1u);
    const CanvasRect& box = builder.Placed()[0].box;
    EXPECT_EQ(box.top, builder.HeaderHeight() + 4);
    EXPECT_EQ(box.left, 600 - (box.right - box.left) / 2);
}

TEST_F(PageTest, LeftAndRightCaptionsForceOneColumn)
{
    settings.columns = 2;
    for (const int placement : { CBarCodeSymbol::kLeft, CBarCodeSymbol::kRight }) {
        settings.placement = placement;
        Compose(Commands(8));
        EXPECT_EQ(builder.Columns(), 1) << placement;
    }
    for (const int placement : { CBarCodeSymbol::kBelow, CBarCodeSymbol::kAbove }) {
        settings.placement = placement;
        Compose(Commands(8));
        EXPECT_EQ(builder.Columns(), 2) << placement;
    }
}

TEST_F(PageTest, RightColumnIsStaggeredBySymbolHeight)
{
    settings.columns = 2;
    Compose(Commands(8));
    const int rows = builder.RowsPerColumn();
    ASSERT_GE(static_cast<int>(builder.Placed().size()), rows + 1);
    const CanvasRect left = builder.Placed()[0].box;
    const CanvasRect right = builder.Placed()[static_cast<size_t>(rows)].box;
    EXPECT_EQ(right.top, left.top + (left.bottom - left.top));
    EXPECT_EQ((left.left + left.right) / 2, 300);
    EXPECT_EQ((right.left + right.right) / 2, 900);
    // Rows: (1500 - header - bottom - H) / (16 g + H).
    const int h = left.bottom - left.top;
    EXPECT_EQ(rows, (1500 - builder.HeaderHeight() - 75 - h) / (64 + h));
    // Symbols of a column follow 16 gaps apart.
    EXPECT_EQ(builder.Placed()[1].box.top, left.bottom + 64);
}

TEST_F(PageTest, PagesWrapBothWays)
{
    const std::string data = Commands(20);
    const int pages = Compose(data);
    ASSERT_GE(pages, 3);
    EXPECT_EQ(builder.PageIndex(), 0);
    Compose(data, PageRequest::Previous);
    EXPECT_EQ(builder.PageIndex(), pages - 1);
    EXPECT_EQ(canvas.texts[4].text, "Page Number: " + std::to_string(pages));
    Compose(data, PageRequest::Next);
    EXPECT_EQ(builder.PageIndex(), 0);
    Compose(data, PageRequest::Next);
    EXPECT_EQ(builder.PageIndex(), 1);
    EXPECT_EQ(builder.Placed().front().index, builder.RowsPerColumn());
    // Any other change goes back to the first page.
    Compose(data);
    EXPECT_EQ(builder.PageIndex(), 0);
}

TEST_F(PageTest, HundredSymbolsAtMostWithOneMessage)
{
    canvas.pageHeight = 100000;
    const int pages = Compose(Commands(120));
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(builder.SymbolCount(), 100);
    EXPECT_EQ(builder.CommandsLeftOut(), 20);
    EXPECT_EQ(builder.Placed().size(), 100u);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, LinearBarcodePage::kTooMany);
}

TEST_F(PageTest, NothingToLayOut)
{
    EXPECT_EQ(Compose(""), 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, LinearBarcodePage::kNothing);
    // Data without a single complete command: no symbol, no page, no division by zero.
    EXPECT_EQ(Compose("~DEFALT."), 0);
    EXPECT_EQ(builder.PageCount(), 0);
    EXPECT_TRUE(canvas.copies.empty());
}

TEST_F(PageTest, UnencodableAndOversizedCommandsAreProblems)
{
    settings.moduleWidth = 5;
    const std::string block(60, 'A');
    Compose(Linear("BEPLVL1") + Linear("PREBK2\xFF") + Linear("PREBK2" + block));
    ASSERT_EQ(builder.Problems().size(), 2u);
    EXPECT_EQ(builder.Problems()[0].kind, SheetProblem::Kind::Unencodable);
    EXPECT_EQ(builder.Problems()[0].command, "PREBK2\xFF");
    EXPECT_EQ(builder.Problems()[1].kind, SheetProblem::Kind::OutsidePage);
    EXPECT_FALSE(builder.Placed()[1].drawn);
}

TEST(SplitCommands, EachEndsWithPeriodAndFnc3)
{
    const auto commands = LinearBarcodePage::SplitCommands(Linear("A1") + "~B.~C2." + kFnc3 + "~tail");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0], Linear("A1"));
    EXPECT_EQ(commands[1], std::string("~B.~C2.") + kFnc3);
}

} // namespace
