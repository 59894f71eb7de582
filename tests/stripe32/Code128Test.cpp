// Code 128 with automatic code sets: golden symbols, the bitmap form, limits, and round
// trips through an independent decoder.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "SymbolBitmap.h"

namespace {

using namespace std::string_literals;

struct GoldenRow {
    const char* what;
    std::string data;
    std::vector<int> values; // start to check character
};

const GoldenRow kGolden[] = {
    { "two letters", "AB", { 104, 33, 34, 102 } },
    { "four leading digits start in C", "1234", { 105, 12, 34, 82 } },
    { "two leading digits stay in B", "12", { 104, 17, 18, 54 } },
    { "three digits start in B", "123", { 104, 17, 18, 19, 8 } },
    { "six digits after a letter enter C, a seventh leaves it", "A1234567",
        { 104, 33, 99, 12, 34, 56, 100, 23, 3 } },
    { "four digits after a letter stay in B", "A12345", { 104, 33, 17, 18, 19, 20, 21, 12 } },
    { "FNC1 and sixteen digits", "\x80"s + "1234567890123456",
        { 105, 102, 12, 34, 56, 78, 90, 12, 34, 56, 81 } },
    { "control then grave accent", "\x01`", { 103, 65, 100, 64, 45 } },
    { "control then DEL", "\x01\x7f", { 103, 65, 100, 95, 35 } },
    { "control after lowercase", "a\x01", { 104, 65, 101, 65, 51 } },
    { "FNC2, FNC3, FNC4 in code set A", "\x01\x81\x82\x83", { 103, 65, 97, 96, 101, 24 } },
    { "FNC4 in code set B", "a\x83", { 104, 65, 100, 60 } },
    { "odd trailing digit leaves C through Code B", "12345", { 105, 12, 34, 100, 21, 54 } },
    { "FNC1 counts as a unit in the middle", "A\x80"s + "1234", { 104, 33, 99, 102, 12, 34, 35 } },
    { "leaving C for a control byte", "1234\x01", { 105, 12, 34, 101, 65, 27 } },
    { "C after a leading control byte", "\x00"s + "12345678", { 103, 64, 99, 12, 34, 56, 78, 49 } },
};

TEST(Code128Encode, GoldenSymbols)
{
    for (const GoldenRow& row : kGolden) {
        SCOPED_TRACE(row.what);
        const SymbolBitmap symbol = EncodeCode128(row.data);
        ASSERT_NE(symbol.handle, nullptr);
        const std::string expected = Code128Modules(row.values);
        EXPECT_EQ(symbol.width, static_cast<std::int32_t>(expected.size()));
        EXPECT_EQ(symbol.Modules(), expected);
    }
}

TEST(Code128Encode, TwoLettersMakeSeventySevenModules)
{
    const SymbolBitmap symbol = EncodeCode128("AB");
    ASSERT_NE(symbol.handle, nullptr);
    // 11 * 4 + 33: four symbol characters, the stop and two quiet zones of 10 modules.
    EXPECT_EQ(symbol.width, 77);
    EXPECT_EQ(symbol.Modules(),
        "0000000000"
        "11010010000"
        "10100011000"
        "10001011000"
        "11110101110"
        "1100011101011"
        "0000000000");
}

TEST(Code128Encode, BitmapRepeatsModulesAndRowsAndPadsWithWhite)
{
    const SymbolBitmap symbol = EncodeCode128("AB", 2, 40);
    ASSERT_NE(symbol.handle, nullptr);
    ASSERT_NE(symbol.bits, nullptr);
    EXPECT_EQ(symbol.width, 2 * 77);
    // 154 pixels round up to 160 bits: 20 bytes a scanline, 80 scanlines.
    EXPECT_EQ(GlobalSize(symbol.handle), 20u * 80u);
    EXPECT_EQ(symbol.Scanlines(), 80u);
    EXPECT_TRUE(symbol.ScanlinesIdentical());
    EXPECT_TRUE(symbol.PaddingWhite());
    EXPECT_EQ(symbol.Modules(0, 2), Code128Modules({ 104, 33, 34, 102 }));
    for (std::size_t x = 0; x + 1 < static_cast<std::size_t>(symbol.width); x += 2)
        ASSERT_EQ(symbol.Pixel(0, x), symbol.Pixel(0, x + 1)) << "pixel " << x;
}

TEST(Code128Encode, ReturnsTheBlockLockedOnceForTheCallerToFree)
{
    std::int32_t width = 0;
    unsigned char* bits = nullptr;
    HGLOBAL handle = qxCode128Encode("AB", 2, 1, 1, &width, &bits);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GlobalLockCount(handle), 1u);
    EXPECT_EQ(bits, GlobalLock(handle));
    EXPECT_NE(GlobalUnlock(handle), 0);
    EXPECT_EQ(GlobalUnlock(handle), 0); // the caller's single unlock leaves it unlocked
    EXPECT_EQ(GlobalFree(handle), nullptr);
}

struct RefusedRow {
    const char* what;
    std::string data;
    std::int32_t moduleWidth;
    std::int32_t rowCount;
};

TEST(Code128Encode, RefusesInputOutsideItsDomain)
{
    std::string alternating; // every byte after the first needs a code set change
    for (int i = 0; i < 150; ++i)
        alternating += (i % 2 == 0) ? "a" : "\x01";
    const RefusedRow rows[] = {
        { "empty", "", 1, 1 },
        { "257 bytes", std::string(257, 'A'), 1, 1 },
        { "byte 0x84", "AB\x84", 1, 1 },
        { "byte 0xFF", "\xff", 1, 1 },
        { "301 symbol characters", alternating, 1, 1 },
        { "module width 0", "AB", 0, 1 },
        { "negative row count", "AB", 1, -5 },
        { "bitmap beyond 256 MiB", "AB", 30000, 30000 },
    };
    for (const RefusedRow& row : rows) {
        SCOPED_TRACE(row.what);
        std::int32_t width = 77;
        unsigned char* bits = reinterpret_cast<unsigned char*>(&width);
        EXPECT_EQ(qxCode128Encode(row.data.data(), static_cast<std::int32_t>(row.data.size()),
                      row.moduleWidth, row.rowCount, &width, &bits),
            nullptr);
        EXPECT_EQ(bits, nullptr);
        EXPECT_EQ(width, 0);
    }
    EXPECT_EQ(qxCode128Encode(nullptr, 4, 1, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(qxCode128Encode("AB", -1, 1, 1, nullptr, nullptr), nullptr);
}

TEST(Code128Encode, AcceptsTheLargestInputs)
{
    // 149 alternating bytes and one more lowercase letter need exactly 300 symbol
    // characters; 256 digits fill the input.
    std::string alternating;
    for (int i = 0; i < 149; ++i)
        alternating += (i % 2 == 0) ? "a" : "\x01";
    const SymbolBitmap longest = EncodeCode128(alternating + "b");
    ASSERT_NE(longest.handle, nullptr);
    EXPECT_EQ(longest.width, 11 * 300 + 33);

    const SymbolBitmap digits = EncodeCode128(std::string(256, '7'));
    ASSERT_NE(digits.handle, nullptr);
    EXPECT_EQ(digits.width, 11 * (1 + 128 + 1) + 33);
}

TEST(Code128Encode, RefusedCallLeavesNextCallUnaffected)
{
    const std::string reference = EncodeCode128("A1234567\x01x").Modules();
    std::string overflowing;
    for (int i = 0; i < 256; ++i)
        overflowing += (i % 2 == 0) ? "\x02" : "z";
    EXPECT_EQ(EncodeCode128(overflowing).handle, nullptr);
    EXPECT_EQ(EncodeCode128("\x90\x91").handle, nullptr);
    EXPECT_EQ(EncodeCode128("A1234567\x01x").Modules(), reference);
}

TEST(Code128Encode, EveryValueDecodesIndependently)
{
    // Every byte of code sets A and B and every digit pair of C, so each pattern the encoder
    // can emit except SHIFT passes through the decoder.
    std::string allA, allB, allC;
    for (int b = 0; b < 0x20; ++b)
        allA += static_cast<char>(b);
    allA += "ABC";
    for (int b = 0x20; b < 0x80; ++b)
        allB += static_cast<char>(b);
    for (int pair = 0; pair < 100; ++pair)
        allC += std::to_string(pair / 10) + std::to_string(pair % 10);
    for (const std::string& data : { allA, allB, allC }) {
        const SymbolBitmap symbol = EncodeCode128(data, 2, 8);
        const auto decoded = DecodeLinear(symbol, "Code128");
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->bytes, data);
    }
}

TEST(Code128Encode, RandomTextRoundTrips)
{
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        const std::size_t length = 1 + random() % 60;
        std::string data;
        // A third printable only, a third with control characters, a third digit-heavy with
        // FNC1 in the middle, which the decoder reports as GS (in the first two symbol
        // characters it would read FNC1 as an application marker instead).
        std::string expected;
        for (std::size_t k = 0; k < length; ++k) {
            char c;
            switch (i % 3) {
            case 0:
                c = static_cast<char>(0x20 + random() % 95);
                break;
            case 1:
                c = static_cast<char>(random() % 4 == 0 ? random() % 0x20 : 0x20 + random() % 96);
                break;
            default:
                c = static_cast<char>(
                    k >= 3 && random() % 8 == 0 ? 0x80 : (random() % 5 == 0 ? 'x' : '0' + random() % 10));
            }
            data += c;
            expected += c == '\x80' ? '\x1d' : c;
        }
        SCOPED_TRACE(testing::PrintToString(data));
        const SymbolBitmap symbol = EncodeCode128(data, 2, 4);
        ASSERT_NE(symbol.handle, nullptr);
        const auto decoded = DecodeLinear(symbol, "Code128");
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->bytes, expected);
    }
}

TEST(Code128Encode, LeadingFnc1MarksTheSymbolForTheDecoder)
{
    const SymbolBitmap symbol = EncodeCode128("\x80"s + "0112345678901231", 2, 4);
    const auto decoded = DecodeLinear(symbol, "Code128");
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->symbologyIdentifier, "]C1");
    EXPECT_EQ(decoded->bytes, "0112345678901231");
}

TEST(Code128Encode, MenuCommandWithFnc3Decodes)
{
    // The form the program prints: "~", tag, value, ".", FNC3.
    const SymbolBitmap symbol = EncodeCode128("~DEFALT.\x82", 3, 50);
    const auto decoded = DecodeLinear(symbol, "Code128");
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->bytes, "~DEFALT.");
}

} // namespace
