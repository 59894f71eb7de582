// Full ASCII Code 39: golden symbols, geometry rules, limits and decoder round trips.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "SymbolBitmap.h"

namespace {

// The few characters the golden rows use, bar first, n = narrow, w = wide.
const std::map<char, std::string> kReferencePatterns = {
    { '*', "nwnnwnwnn" },
    { 'A', "wnnnnwnnw" },
    { '+', "nwnnnwnwn" },
    { '8', "wnnwnnwnn" },
};

// Pixels of a Code 39 text: quiet zone, characters each followed by a narrow gap, quiet zone.
std::string ExpectedPixels(const std::string& text, int wide, int narrow)
{
    std::string pixels(10 * narrow, '0');
    for (char c : text) {
        bool bar = true;
        for (char element : kReferencePatterns.at(c)) {
            pixels += std::string(element == 'w' ? wide : narrow, bar ? '1' : '0');
            bar = !bar;
        }
        pixels += std::string(narrow, '0');
    }
    return pixels + std::string(10 * narrow, '0');
}

struct GoldenRow {
    const char* what;
    std::string data;
    bool addCheck;
    bool omitStartStop;
    int wide;
    int narrow;
    std::string text; // Code 39 characters drawn
    int drawnWide;
};

const GoldenRow kGolden[] = {
    { "A with check and start/stop", "A", true, false, 3, 1, "*AA*", 3 },
    { "lowercase a expands to +A, check 8", "a", true, false, 3, 1, "*+A8*", 3 },
    { "without start/stop the check still covers the first character", "a", true, true, 3, 1, "+A8", 3 },
    { "no check", "A", false, false, 5, 2, "*A*", 5 },
    { "wide narrower than narrow becomes narrow + 1", "A", false, false, 1, 2, "*A*", 3 },
    { "wide equal to narrow is kept", "A", false, false, 2, 2, "*A*", 2 },
};

TEST(Code39Encode, GoldenSymbols)
{
    for (const GoldenRow& row : kGolden) {
        SCOPED_TRACE(row.what);
        const SymbolBitmap symbol
            = EncodeCode39(row.data, row.wide, row.narrow, 3, row.addCheck, row.omitStartStop);
        ASSERT_NE(symbol.handle, nullptr);
        const int length = static_cast<int>(row.text.size());
        EXPECT_EQ(symbol.width, length * (3 * row.drawnWide + 7 * row.narrow) + 20 * row.narrow);
        EXPECT_EQ(symbol.Modules(), ExpectedPixels(row.text, row.drawnWide, row.narrow));
        EXPECT_EQ(symbol.Scanlines(), 3u);
        EXPECT_TRUE(symbol.ScanlinesIdentical());
        EXPECT_TRUE(symbol.PaddingWhite());
    }
}

TEST(Code39Encode, NarrowAndHeightAreAtLeastOne)
{
    const SymbolBitmap symbol = EncodeCode39("A", 0, 0, 0, false, false);
    ASSERT_NE(symbol.handle, nullptr);
    EXPECT_EQ(symbol.Modules(), ExpectedPixels("*A*", 2, 1));
    EXPECT_EQ(symbol.Scanlines(), 1u);
}

TEST(Code39Encode, RefusesInputOutsideItsDomain)
{
    std::int32_t width = 5;
    unsigned char* bits = reinterpret_cast<unsigned char*>(&width);
    EXPECT_EQ(qxCode39Encode("A\x80", 2, 3, 1, 1, &width, 0, 0, &bits), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(qxCode39Encode("A", -1, 3, 1, 1, nullptr, 0, 0, nullptr), nullptr);
    EXPECT_EQ(qxCode39Encode(nullptr, 3, 3, 1, 1, nullptr, 0, 0, nullptr), nullptr);
    // Elements so wide that a scanline would not fit in 31 bits of pixels.
    EXPECT_EQ(EncodeCode39("A", 0x7fffffff, 0x10000000, 1, false, false).handle, nullptr);
    EXPECT_EQ(EncodeCode39("A", 3, 1, 0x7fffffff, false, false).handle, nullptr);
}

TEST(Code39Encode, HoldsAtMostNinetyNineCharacters)
{
    // Start and stop plus 97 data characters fit; one more does not. Lowercase counts twice.
    EXPECT_NE(EncodeCode39(std::string(97, 'X'), 3, 1, 1, false, false).handle, nullptr);
    EXPECT_EQ(EncodeCode39(std::string(98, 'X'), 3, 1, 1, false, false).handle, nullptr);
    EXPECT_NE(EncodeCode39(std::string(96, 'X'), 3, 1, 1, true, false).handle, nullptr);
    EXPECT_EQ(EncodeCode39(std::string(97, 'X'), 3, 1, 1, true, false).handle, nullptr);
    EXPECT_NE(EncodeCode39(std::string(99, 'X'), 3, 1, 1, false, true).handle, nullptr);
    EXPECT_EQ(EncodeCode39(std::string(49, 'x'), 3, 1, 1, false, false).handle, nullptr);
}

TEST(Code39Encode, EmptyDataIsJustStartAndStop)
{
    const SymbolBitmap symbol = EncodeCode39("", 3, 1, 1, false, false);
    ASSERT_NE(symbol.handle, nullptr);
    EXPECT_EQ(symbol.Modules(), ExpectedPixels("**", 3, 1));
}

TEST(Code39Encode, FullAsciiRoundTrips)
{
    // All 128 byte values in runs short enough for 99 characters, then random text with and
    // without the check character.
    for (int first = 0; first < 128; first += 32) {
        std::string data;
        for (int b = first; b < first + 32; ++b)
            data += static_cast<char>(b);
        const SymbolBitmap symbol = EncodeCode39(data, 3, 1, 10, false, false);
        const auto decoded = DecodeLinear(symbol, "Code39");
        ASSERT_TRUE(decoded.has_value()) << first;
        EXPECT_EQ(decoded->bytes, data);
    }
    std::mt19937 random(39);
    for (int i = 0; i < 200; ++i) {
        std::string data;
        const std::size_t length = 1 + random() % 30;
        for (std::size_t k = 0; k < length; ++k)
            data += static_cast<char>(i % 4 == 0 ? random() % 128 : 0x20 + random() % 95);
        const bool check = i % 2 == 0;
        SCOPED_TRACE(testing::PrintToString(data));
        const SymbolBitmap symbol = EncodeCode39(data, 5, 2, 6, check, false);
        if (symbol.handle == nullptr) {
            // Only text that expands past 99 characters may be refused.
            std::size_t characters = 2 + (check ? 1 : 0);
            for (unsigned char c : data)
                characters
                    += (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == ' ' || c == '-' || c == '.'
                    ? 1
                    : 2;
            EXPECT_GT(characters, 99u);
            continue;
        }
        const auto decoded = DecodeLinear(symbol, "Code39", check);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->bytes, data);
    }
}

} // namespace
