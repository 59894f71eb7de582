// Menu Code 128: the packed layout behind the menu start character, its limits, and the
// revision text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "SymbolBitmap.h"

namespace {

struct MenuRow {
    const char* what;
    std::int32_t lead;
    std::int32_t group;
    std::int32_t number;
    const char* text;
    std::vector<int> values; // start to check character, worked out by hand
};

const MenuRow kGolden[] = {
    // w = 2 * 1024 + 5 = 2053 = 21 * 96 + 37; "ab": t1 >> 5 = 3, low = 2 * 256 + 97 = 609 = 6 * 96 + 33.
    { "two-byte text", 1, 2, 5, "ab", { 106, 1, 21, 37, 3, 6, 33, 88 } },
    // t0 = 200 = 2 * 96 + 8.
    { "one-byte text", 0, 0, 0, "\xc8", { 106, 0, 0, 0, 2, 8, 51 } },
    // w = 1024 + 100 = 11 * 96 + 68; "xyz": low = (121 & 31) * 256 + 120 = 6520 = 67 * 96 + 88,
    // high = 122 * 8 + 3 = 979 = 10 * 96 + 19.
    { "three-byte text", 5, 1, 100, "xyz", { 106, 5, 11, 68, 10, 19, 67, 88, 48 } },
    // "ABCD": top = 68 >> 2 = 17; high = 0 * 2048 + 67 * 8 + 2 = 538 = 5 * 96 + 58;
    // low = 2 * 256 + 65 = 577 = 6 * 96 + 1.
    { "four-byte text", 106, 0, 10271, "ABCD", { 106, 106, 106, 95, 17, 5, 58, 6, 1, 67 } },
    { "empty text adds nothing", 7, 0, 96, "", { 106, 7, 1, 0, 12 } },
    { "five-byte text adds nothing", 7, 0, 96, "ABCDE", { 106, 7, 1, 0, 12 } },
    // Only the low byte of lead and group counts.
    { "low bytes of lead and group", 0x1207, 0x300, 96, "", { 106, 7, 1, 0, 12 } },
};

TEST(Menu128Encode, GoldenSymbols)
{
    for (const MenuRow& row : kGolden) {
        SCOPED_TRACE(row.what);
        SymbolBitmap symbol;
        symbol.handle
            = qxMenu128Encode(row.lead, row.group, row.number, row.text, 1, 2, &symbol.width, &symbol.bits);
        ASSERT_NE(symbol.handle, nullptr);
        const std::string expected = Code128Modules(row.values);
        EXPECT_EQ(symbol.width, static_cast<std::int32_t>(11 * (row.values.size() - 1) + 44));
        EXPECT_EQ(symbol.Modules(), expected);
        EXPECT_EQ(symbol.Scanlines(), 2u);
        EXPECT_TRUE(symbol.ScanlinesIdentical());
    }
}

TEST(Menu128Encode, RefusesValuesThatAreNoSymbolCharacter)
{
    std::int32_t width = 1;
    unsigned char* bits = reinterpret_cast<unsigned char*>(&width);
    EXPECT_EQ(qxMenu128Encode(107, 0, 0, "A", 1, 1, &width, &bits), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(qxMenu128Encode(0, 0, 96 * 107, "A", 1, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(qxMenu128Encode(0, 11, 0, "A", 1, 1, nullptr, nullptr), nullptr); // 11 * 1024 > 10271
    HGLOBAL largest = qxMenu128Encode(0, 10, 31, "A", 1, 1, nullptr, nullptr); // w = 10271 still fits
    EXPECT_NE(largest, nullptr);
    GlobalUnlock(largest);
    GlobalFree(largest);
    EXPECT_EQ(qxMenu128Encode(0, 0, -1, "A", 1, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(qxMenu128Encode(0, 0, 0, nullptr, 1, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(qxMenu128Encode(0, 0, 0, "A", 0, 1, nullptr, nullptr), nullptr);
}

TEST(Menu128Encode, ReadsNoFurtherThanFiveTextBytes)
{
    // Not terminated within the buffer: a length above four is all the encoder needs to know.
    const char unterminated[5] = { 'A', 'B', 'C', 'D', 'E' };
    SymbolBitmap symbol;
    symbol.handle = qxMenu128Encode(7, 0, 96, unterminated, 1, 1, &symbol.width, &symbol.bits);
    ASSERT_NE(symbol.handle, nullptr);
    EXPECT_EQ(symbol.Modules(), Code128Modules({ 106, 7, 1, 0, 12 }));
}

TEST(LinearEncoderRevision, CopiesTheRevisionText)
{
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(qxGetLinearEncoderRevString(buffer), 0);
    EXPECT_STREQ(buffer, "Last Checkpoint: 4.7 ");
    EXPECT_EQ(buffer[22], 'x'); // 22 bytes are all it writes
    EXPECT_EQ(qxGetLinearEncoderRevString(nullptr), -1);
}

} // namespace
