// Parity-marked input (PARMRK): a byte with a parity error arrives as FF 00 x, a real 0xFF as
// FF FF. The decoder must give the same bytes however the stream is split between reads, and
// never count a mark whose rest has not arrived yet.
#include "platform/ParityMarkDecoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MarkedCase {
    const char* name;
    std::string raw;
    std::string decoded;
};

// The probe replies of 8-bit readers with parity as an 8-bit space-parity line sees them
// (error character 0x1F), plus a link code holding a real 0xFF.
const MarkedCase kCases[] = {
    { "even", std::string("\x06\xFF\x00\x15\xDE\xFF\x00\x21", 8), std::string("\x06\x1F\xDE\x1F", 4) },
    { "odd", std::string("\xFF\x00\x06\x15\xFF\x00\xDE\x21", 8), std::string("\x1F\x15\x1F\x21", 4) },
    { "mark", std::string("\xFF\x00\x06\xFF\x00\x15\xFF\x00\xDE\xFF\x00\x21", 12), std::string(4, '\x1F') },
    { "real FF", std::string("\x06\x15\xFE\xFF\xFF", 5), std::string("\x06\x15\xFE\xFF", 4) },
};

std::string TakeAll(ParityMarkDecoder& decoder)
{
    std::string out(decoder.Pending(), '\0');
    out.resize(decoder.Take(reinterpret_cast<uint8_t*>(out.data()), out.size()));
    return out;
}

TEST(ParityMarkDecoder, SameBytesAtEverySplit)
{
    for (const MarkedCase& c : kCases) {
        for (size_t split = 0; split <= c.raw.size(); ++split) {
            SCOPED_TRACE(std::string(c.name) + " split at " + std::to_string(split));
            ParityMarkDecoder decoder(0x1F);
            const auto* raw = reinterpret_cast<const uint8_t*>(c.raw.data());
            decoder.Feed(raw, split);
            std::string out = TakeAll(decoder);
            // What is counted after the first part is already final.
            EXPECT_EQ(out, c.decoded.substr(0, out.size()));
            decoder.Feed(raw + split, c.raw.size() - split);
            out += TakeAll(decoder);
            EXPECT_EQ(out, c.decoded);
            EXPECT_EQ(decoder.Pending(), 0u);
        }
    }
}

TEST(ParityMarkDecoder, ClearDropsAnIncompleteMark)
{
    ParityMarkDecoder decoder(0x1F);
    const uint8_t start[] = { 0x41, 0xFF, 0x00 };
    decoder.Feed(start, sizeof start);
    EXPECT_EQ(decoder.Pending(), 1u);
    decoder.Clear();
    const uint8_t next[] = { 0x42 };
    decoder.Feed(next, 1);
    EXPECT_EQ(TakeAll(decoder), "B");
}

} // namespace
