#include "wizards/FormatCommandCatalog.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(FormatCommandCatalog, TitlesInTableOrder)
{
    const std::vector<std::string> titles = GetFormatCommandTitles();
    ASSERT_EQ(titles.size(), 22u);
    std::string codes;
    for (const std::string& title : titles)
        codes += title.substr(0, 2) + " ";
    EXPECT_EQ(codes, "F1 F2 F3 F4 F5 F6 F7 F8 F9 FB FC FE E4 E5 E6 E7 E9 EA EB EC ED EF ");
    EXPECT_EQ(titles[2],
        "F3 - Send data up to, but don\u2019t include, a search character.  Follow with an "
        "additional character.");
    EXPECT_EQ(titles[5], "F6 - Move cursor back from 1 to to 99 characters");
    EXPECT_EQ(titles[21], "EF - Insert a delay of up to 49995 milliseconds (supported by KT-5100 only)");
}

TEST(FormatCommandCatalog, LookupIgnoresBracesAndCase)
{
    struct Row {
        const char* asked;
        const char* code; // "" for none
    };
    const Row rows[] = {
        { "{ef}", "EF" },
        { "EF", "EF" },
        { "f1", "F1" },
        { "{E4}", "E4" },
        { "{{fb}}", "FB" },
        { "FA", "" },
        { "", "" },
        { "F", "" },
        { "{F11}", "" },
        { "E 4", "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.asked);
        const FormatCommand command = LookupFormatCommand(row.asked);
        EXPECT_EQ(command.code, row.code);
        if (*row.code == '\0') {
            EXPECT_TRUE(command.title.empty() && command.help.empty() && command.prompt1.empty()
                && command.prompt2.empty());
            EXPECT_EQ(command.limit1 | command.limit2 | command.numeric1 | command.numeric2, 0);
        }
    }
}

// The numbers drive both the entry dialog and the block codec; they must agree with the prompts.
TEST(FormatCommandCatalog, NumbersMatchTheParameters)
{
    std::set<std::string_view> codes;
    for (const FormatCommand& command : kFormatCommands) {
        SCOPED_TRACE(std::string(command.code));
        EXPECT_TRUE(codes.insert(command.code).second);
        EXPECT_EQ(command.prompt1.empty(), command.limit1 == 0);
        EXPECT_EQ(command.prompt2.empty(), command.limit2 == 0);
        EXPECT_FALSE(command.prompt1.empty() && !command.prompt2.empty());
        EXPECT_FALSE(command.help.empty());
    }
    struct Row {
        const char* code;
        int limit1, limit2, numeric1, numeric2;
        int maximum1; // range upper end for a numeric first parameter
    };
    const Row rows[] = {
        { "F1", 1, 0, 0, 0, 0 },
        { "F2", 1, 1, 1, 0, 99 },
        { "F3", 1, 1, 0, 0, 0 },
        { "F4", 1, 1, 0, 1, 0 },
        { "F5", 1, 0, 1, 0, 99 },
        { "F7", 0, 0, 0, 0, 0 },
        { "FB", 15, 0, 0, 0, 0 },
        { "E4", 30, 0, 0, 0, 0 },
        { "E9", 1, 0, 1, 0, 99 },
        { "EF", 2, 0, 1, 0, 9999 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        const FormatCommand command = LookupFormatCommand(row.code);
        EXPECT_EQ(command.limit1, row.limit1);
        EXPECT_EQ(command.limit2, row.limit2);
        EXPECT_EQ(command.numeric1, row.numeric1);
        EXPECT_EQ(command.numeric2, row.numeric2);
        if (row.numeric1) {
            EXPECT_EQ(FormatNumericMaximum(command.limit1), row.maximum1);
        }
    }
    EXPECT_EQ(FormatNumericMaximum(LookupFormatCommand("F4").limit2), 99);
}

TEST(FormatCommandCatalog, QuotedHelpTexts)
{
    EXPECT_EQ(LookupFormatCommand("F7").help, "Move the cursor to the beginning of the data string. ");
    EXPECT_EQ(LookupFormatCommand("EA").help, "Move the cursor to the end of the data string. ");
    EXPECT_EQ(LookupFormatCommand("ED").help,
        "Check to make sure there is an alphabetic character at the current cursor position.");
    EXPECT_TRUE(LookupFormatCommand("EB").help.starts_with("Toggles the auxiliary port on/off.  "));
    EXPECT_TRUE(
        LookupFormatCommand("EB").help.ends_with("resumes normal data transmission through the main port."));
    EXPECT_EQ(LookupFormatCommand("EF").prompt1, "Delay Length");
    EXPECT_EQ(LookupFormatCommand("F2").prompt2, "Character to Send");
    EXPECT_TRUE(LookupFormatCommand("E6").help.find("1234AA5678") != std::string_view::npos);
}

} // namespace
