#include "transfer/HSTRING.h"
#include "transfer/HWSTRING.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Bytes(const HSTRING& s) { return std::string(s.Text(), s.Length()); }

TEST(HSTRINGGrowth, FixedBufferRefusesAndKeepsContents)
{
    HSTRING fixed(8, false);
    ASSERT_TRUE(fixed.Append("12345678"));   // exactly the capacity fits
    EXPECT_FALSE(fixed.Append("9"));
    EXPECT_FALSE(fixed.AppendRepeated('x', 3));
    EXPECT_FALSE(fixed.Insert(0, reinterpret_cast<const unsigned char*>("a"), 1));
    EXPECT_FALSE(fixed.AppendNumber(1, 2));
    EXPECT_EQ(Bytes(fixed), "12345678");
    EXPECT_EQ(fixed.Capacity(), 8u);
    EXPECT_EQ(fixed.Data()[8], 0);   // still terminated

    HSTRING locked("abc", true, true);
    EXPECT_FALSE(locked.Append("d"));
    EXPECT_FALSE(locked.Remove(0, 1));
    EXPECT_FALSE(locked.Copy("x"));
    EXPECT_EQ(Bytes(locked), "abc");
}

TEST(HSTRINGGrowth, ByteAtATimeGrowsWithAnAdaptiveCappedStep)
{
    HSTRING s(0, true);
    unsigned growths = 0;
    unsigned previous = s.Capacity();
    for (unsigned i = 0; i < 1'000'000; ++i) {
        ASSERT_TRUE(s.AppendByte(static_cast<unsigned char>(i)));
        if (s.Capacity() != previous) {
            ++growths;
            // The first growth is exact; no later one adds more than 64,000 bytes of slack.
            if (growths == 1) {
                EXPECT_EQ(s.Capacity(), 1u);
            }
            EXPECT_LE(s.Capacity() - s.Length(), 64000u);
            previous = s.Capacity();
        }
    }
    EXPECT_GT(s.GrowthStep(), 200u);
    EXPECT_LE(s.GrowthStep(), 64000u);
    // Far fewer reallocations than bytes.
    EXPECT_LT(growths, 100u);
    EXPECT_EQ(s.Length(), 1'000'000u);
    EXPECT_EQ(s.Data()[999'999], static_cast<unsigned char>(999'999));
}

TEST(HSTRINGBorrowed, WritesIntoTheCallersBytesAndNeverGrows)
{
    unsigned char bytes[4] = { 'w', 'x', 'y', 'z' };
    HSTRING borrowed(bytes, 4, true, false, true);
    EXPECT_TRUE(borrowed.Borrowed());
    EXPECT_EQ(borrowed.Capacity(), 4u);
    ASSERT_TRUE(borrowed.Copy("ab"));
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_EQ(bytes[2], 0);   // terminated inside the caller's bytes
    EXPECT_TRUE(borrowed.Append("cd"));
    EXPECT_FALSE(borrowed.Append("e"));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "abcd");

    const HSTRING copy(borrowed);   // a copy owns its bytes
    EXPECT_FALSE(copy.Borrowed());
    EXPECT_EQ(Bytes(copy), "abcd");
}

TEST(HSTRINGNumbers, LittleEndianFieldsWithWidth)
{
    HSTRING s;
    ASSERT_TRUE(s.AppendNumber(258, 4, 6));
    EXPECT_EQ(Bytes(s), std::string("\x02\x01\x00\x00\x00\x00", 6));
    ASSERT_TRUE(s.AppendNumber(0xBEEF, 2));
    ASSERT_TRUE(s.WriteNumber(1, 0xA1B2C3D4, 4));
    EXPECT_EQ(Bytes(s), std::string("\x02\xD4\xC3\xB2\xA1\x00\xEF\xBE", 8));
    uint32_t value = 0;
    EXPECT_TRUE(s.ReadNumber(1, value, 4));
    EXPECT_EQ(value, 0xA1B2C3D4u);
    EXPECT_TRUE(s.ReadNumber(6, value, 2));
    EXPECT_EQ(value, 0xBEEFu);
    EXPECT_FALSE(s.ReadNumber(7, value, 2));   // one byte short
    EXPECT_EQ(value, 0u);
    EXPECT_FALSE(s.AppendNumber(1, 3));        // only 2- and 4-byte values exist
}

TEST(HSTRINGEditing, RemoveStripCopyRange)
{
    HSTRING s("ab\x06tail\x15rest");
    EXPECT_TRUE(s.RemoveThroughByte(0x06));
    EXPECT_EQ(Bytes(s), "tail\x15rest");
    EXPECT_FALSE(s.RemoveThroughByte(0x1B));
    EXPECT_EQ(Bytes(s), "tail\x15rest");
    EXPECT_TRUE(s.Remove(2, 3));
    EXPECT_EQ(Bytes(s), "tarest");
    EXPECT_TRUE(s.Remove(4, 100));   // clipped at the end
    EXPECT_EQ(Bytes(s), "tare");

    HSTRING padded(reinterpret_cast<const unsigned char*>("\0\t\r\n  x y"), 9);
    padded.StripLeadingWhitespace();
    EXPECT_EQ(Bytes(padded), "x y");

    const HSTRING source("012345");
    HSTRING range;
    EXPECT_TRUE(range.CopyRange(source, 1, 3));
    EXPECT_EQ(Bytes(range), "123");
    EXPECT_TRUE(range.CopyRange(source, 4, 1));
    EXPECT_EQ(Bytes(range), "4321");
    EXPECT_FALSE(range.CopyRange(source, 2, 6));

    HSTRING self("abc");
    EXPECT_TRUE(self.Append(self));
    EXPECT_TRUE(self.Insert(3, self.Data(), 2));
    EXPECT_EQ(Bytes(self), "abcababc");
}

TEST(HSTRINGSearch, CompareAndFind)
{
    const HSTRING s("Curtbl");
    EXPECT_EQ(s.Compare("CURTBL"), 0);
    EXPECT_NE(s.Compare("CURTBL", true), 0);
    EXPECT_LT(s.Compare("CURTBLX"), 0);   // shorter equal prefix first
    EXPECT_GT(s.Compare("CURT"), 0);
    EXPECT_LT(s.Compare("D"), 0);

    const HSTRING t("ab;cd;ef;gh");
    struct Row { int occurrence; int position; };
    for (const Row row : { Row{ 1, 2 }, Row{ 2, 5 }, Row{ 3, 8 }, Row{ 4, -1 }, Row{ -1, 8 }, Row{ -3, 2 },
                           Row{ -4, -1 }, Row{ 0, -1 } })
        EXPECT_EQ(t.Find(";", row.occurrence), row.position) << row.occurrence;
    EXPECT_EQ(t.Find("cd;e"), 3);
    EXPECT_EQ(t.Find("zz"), -1);
}

TEST(HSTRINGNumbers, TextToIntegers)
{
    struct Row { const char* text; bool ok; int value; };
    const Row rows[] = { { "42", true, 42 },       { "+7", true, 7 },   { "-15", true, -15 },
                         { "", false, 0 },         { "-", false, 0 },   { "12a", false, 0 },
                         { "-2147483648", true, -2147483647 - 1 }, { "2147483648", false, 0 } };
    for (const Row& row : rows) {
        int value = 99;
        EXPECT_EQ(HSTRING(row.text).ToInt(value), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(value, row.value) << row.text;
        }
    }
    unsigned u = 0;
    EXPECT_TRUE(HSTRING("4294967295").ToUnsigned(u));
    EXPECT_EQ(u, 4294967295u);
    EXPECT_FALSE(HSTRING("-1").ToUnsigned(u));
    EXPECT_FALSE(HSTRING("4294967296").ToUnsigned(u));
}

TEST(HSTRINGPrintable, Forms)
{
    const HSTRING s(reinterpret_cast<const unsigned char*>("A\x1B\\\r\n\x7F\xE9\x0A"), 8);
    struct Row { unsigned options; bool hex; const char* expected; };
    const Row rows[] = {
        { HSTRING_PRINTABLE_BACKSLASH, false, "A\\1B\\\\\\0D\\0A\\7F\xE9\\0A" },
        { HSTRING_PRINTABLE_BACKSLASH, true, "A\\x1B\\\\\\x0D\\x0A\\x7F\xE9\\x0A" },
        { HSTRING_PRINTABLE_BRACKET_HEX | HSTRING_PRINTABLE_ESCAPE_HIGH, false,
          "A[0x1B]\\\\[0x0D][0x0A][0x7F][0xE9][0x0A]" },
        { HSTRING_PRINTABLE_CONTROL_NAMES | HSTRING_PRINTABLE_KEEP_CRLF, false,
          "A[ESC]\\\\\r\n[0x7F]\xE9[ LF]" },
    };
    for (const Row& row : rows) {
        HSTRING copy(s);
        copy.SetHexStyle(row.hex);
        HSTRING out;
        ASSERT_TRUE(copy.ToPrintable(out, row.options));
        EXPECT_EQ(Bytes(out), row.expected) << row.options;
    }
}

TEST(HSTRINGPrintable, EveryByteRoundTrips)
{
    HSTRING all;
    for (unsigned i = 0; i < 256; ++i)
        all.AppendByte(static_cast<unsigned char>(i));
    for (const bool hex : { false, true }) {
        for (const unsigned options : { 0u, unsigned(HSTRING_PRINTABLE_ESCAPE_HIGH),
                                        unsigned(HSTRING_PRINTABLE_KEEP_CRLF | HSTRING_PRINTABLE_ESCAPE_HIGH) }) {
            HSTRING text(all);
            text.SetHexStyle(hex);
            ASSERT_TRUE(text.ConvertToPrintable(options));
            for (unsigned i = 0; i < text.Length(); ++i) {
                const unsigned char c = text.Data()[i];
                if (options & HSTRING_PRINTABLE_ESCAPE_HIGH) {
                    EXPECT_TRUE(c >= 32 && c < 127) << int(c);
                }
            }
            ASSERT_TRUE(text.ConvertFromPrintable());
            EXPECT_EQ(Bytes(text), Bytes(all)) << hex << options;
        }
    }
}

TEST(HSTRINGPrintable, MalformedEscapesAreReportedButTheRestIsDone)
{
    HSTRING text("\\zz\\41\\x4a\\4");
    HSTRING out;
    EXPECT_FALSE(text.FromPrintable(out));
    EXPECT_EQ(Bytes(out), "\\zzAJ\\4");
}

TEST(HWSTRING, WidensNarrowsAndGrows)
{
    const HSTRING bytes(reinterpret_cast<const unsigned char*>("ok\xE9"), 3);
    HWSTRING wide(bytes);
    ASSERT_EQ(wide.Length(), 3u);
    EXPECT_EQ(wide.Data()[2], 0xE9);
    wide.AppendCharacter(u'\u20AC');
    HSTRING narrow;
    ASSERT_TRUE(wide.CopyTo(narrow));
    EXPECT_EQ(Bytes(narrow), "ok\xE9\xAC");   // the low byte of each character

    HWSTRING fixed(2, false);
    EXPECT_TRUE(fixed.Append(u"ab", 2));
    EXPECT_FALSE(fixed.AppendCharacter(u'c'));
    EXPECT_EQ(fixed.Length(), 2u);

    HWSTRING grown;
    for (int i = 0; i < 5000; ++i)
        ASSERT_TRUE(grown.AppendCharacter(static_cast<char16_t>(i)));
    EXPECT_EQ(grown.Data()[4999], 4999);
    EXPECT_EQ(grown.Data()[5000], 0);
}

} // namespace
