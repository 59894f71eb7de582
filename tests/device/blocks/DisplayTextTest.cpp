#include "device/blocks/DisplayText.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayText, BytesToText)
{
    struct Row {
        std::string bytes;
        std::string text;
    };
    const Row rows[] = {
        { "\r\n", "[ CR][ LF]" },
        { std::string("\x00\x1b\x1f", 3), "[NUL][ESC][ US]" },
        { "AB 9~", "AB 9~" },
        { "\x7f\x80\xff", "[0x7f][0x80][0xff]" },
        { "\\\x80", "\\[0x80]" },
        // A lone delimiter stands for itself.
        { "[x]", "[x]" },
        { "a[", "a[" },
        // ...but one that would read back as a name or a hex form is written as hex.
        { "[ CR]", "[0x5b] CR]" },
        { "[0x41]", "[0x5b]0x41]" },
        { "[[nak]", "[[0x5b]nak]" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(BytesToDisplayText(row.bytes), row.text);
        EXPECT_EQ(DisplayTextToBytes(row.text), row.bytes);
    }
}

TEST(DisplayText, TextToBytesAcceptsWhatUsersType)
{
    struct Row {
        std::string text;
        std::string bytes;
    };
    const Row rows[] = {
        { "[ cr][ Lf]", "\r\n" },
        { "[0x41][0x0D][0xfF]", "A\r\xff" },
        { "[CR]", "[CR]" }, // two-letter names need their blank
        { "[ CR", "[ CR" }, // unterminated
        { "[0xZ1]", "[0xZ1]" }, // not hexadecimal
        { "[0X41]", "[0X41]" }, // only "0x"
        { "[[ CR]]", "[\r]" },
        { "", "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(DisplayTextToBytes(row.text), row.bytes);
    }
    EXPECT_EQ(DisplayTextToBytes("<< CR>", "<<", ">"), "\r");
    EXPECT_EQ(DisplayTextToBytes("<<x", "<<", ">"), "<<x");
    EXPECT_EQ(DisplayTextToBytes("[ CR]", "", ""), "[ CR]");
    EXPECT_EQ(DisplayTextLength("[ CR]ab[0x80]"), 4u);
}

TEST(DisplayText, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(DisplayTextToBytes(BytesToDisplayText(all)), all);
    // Every name is distinct and three characters wide.
    for (std::size_t i = 0; i < kControlCharacterNames.size(); ++i) {
        EXPECT_EQ(kControlCharacterNames[i].name.size(), 3u);
        EXPECT_EQ(DisplayTextToBytes("[" + std::string(kControlCharacterNames[i].name) + "]"),
            std::string(1, static_cast<char>(i)));
    }
    // Pairs of a delimiter with every byte, where escapes matter most.
    for (int b = 0; b < 256; ++b) {
        for (const std::string& bytes : { std::string("[") + static_cast<char>(b) + "CR]",
                 std::string("[ ") + static_cast<char>(b) + "R]" }) {
            EXPECT_EQ(DisplayTextToBytes(BytesToDisplayText(bytes)), bytes) << b;
        }
    }
}

TEST(DisplayText, HexIsLowerCasePairs)
{
    EXPECT_EQ(BytesToHex(std::string("\r\n\x00\xAB", 4)), "0d0a00ab");
    EXPECT_EQ(BytesToHex(""), "");
}

} // namespace
