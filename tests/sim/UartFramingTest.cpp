// The bit-level line model: what a receiver samples when the two ends agree or differ.
#include "sim/UartFraming.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

LineFormat Format(uint32_t rate, int dataBits, char parity, int stopBits)
{
    LineFormat format;
    format.rate = rate;
    format.dataBits = dataBits;
    format.parity = parity;
    format.stopBits = stopBits;
    return format;
}

}  // namespace

TEST(UartFraming, EveryByteSurvivesMatchingFormats)
{
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    for (int dataBits : {7, 8}) {
        for (char parity : {'N', 'O', 'E', 'M', 'S'}) {
            for (int stopBits : {1, 2}) {
                const LineFormat format = Format(9600, dataBits, parity, stopBits);
                const auto sampled = UartFraming::Transfer(all.data(), all.size(), format, format);
                ASSERT_EQ(sampled.size(), all.size()) << format.Text();
                for (size_t i = 0; i < all.size(); ++i) {
                    const uint8_t expected = dataBits == 7 ? all[i] & 0x7F : all[i];
                    ASSERT_EQ(sampled[i].value, expected) << format.Text() << " byte " << i;
                    ASSERT_FALSE(sampled[i].parityError || sampled[i].framingError) << format.Text() << " byte " << i;
                }
            }
        }
    }
}

TEST(UartFraming, DifferentRatesDeliverNothing)
{
    const uint8_t probe[] = {0x16, 'C', 0x0D};
    EXPECT_TRUE(UartFraming::Transfer(probe, 3, Format(9600, 8, 'N', 1), Format(19200, 8, 'N', 1)).empty());
}

TEST(UartFraming, ParityBitLandsInBitSevenOfAnEightBitReceiver)
{
    // ACK has two ones, NAK three: even parity adds a one to NAK only.
    const uint8_t answer[] = {0x06, 0x15};
    const auto sampled = UartFraming::Transfer(answer, 2, Format(9600, 7, 'E', 1), Format(9600, 8, 'N', 1));
    ASSERT_EQ(sampled.size(), 2u);
    EXPECT_EQ(sampled[0].value, 0x06);
    EXPECT_EQ(sampled[1].value, 0x95);
}

// The probe answer ACK NAK link-high link-low of a reader at each line format, as a host at
// 8N1 (readers with 7 data bits) or at 8S1 with parity errors replaced by 0x1F (readers with
// 8 data bits and parity) receives it over the virtual line. These are the byte patterns the
// connection logic decides the reader's format from.
struct ProbeRow {
    const char* readerFormat;
    uint16_t link;
    char hostParity;
    int expected[4];
};

constexpr ProbeRow kProbeRows[] = {
    /* 0*/ {"9600 8N1", 0xCE31, 'N', {0x06, 0x15, 0xCE, 0x31}},
    /* 1*/ {"9600 7S1", 0xCE31, 'N', {0x06, 0x15, 0x4E, 0x31}},
    /* 2*/ {"9600 7E1", 0xCE31, 'N', {0x06, 0x95, 0x4E, 0xB1}},
    /* 3*/ {"9600 7O1", 0xCE31, 'N', {0x86, 0x15, 0xCE, 0x31}},
    /* 4*/ {"9600 7M1", 0xCE31, 'N', {0x86, 0x95, 0xCE, 0xB1}},
    /* 5*/ {"9600 8E1", 0xCE31, 'S', {0x06, 0x1F, 0x1F, 0x1F}},
    /* 6*/ {"9600 8S1", 0xCE31, 'S', {0x06, 0x15, 0xCE, 0x31}},
    /* 7*/ {"9600 8O1", 0xEE12, 'S', {0x1F, 0x15, 0x1F, 0x1F}},
    /* 8*/ {"9600 8M1", 0xCE31, 'S', {0x1F, 0x1F, 0x1F, 0x1F}},
    /* 9*/ {"38400 7E2", 0xDE21, 'N', {0x06, 0x95, 0xDE, 0x21}},
};

TEST(UartFraming, ProbeAnswerAsTheHostSamplesIt)
{
    for (const ProbeRow& row : kProbeRows) {
        const std::string format = row.readerFormat;
        std::string profileText = SmallProfile({}, format);
        char link[16];
        std::snprintf(link, sizeof link, "0x%04X", row.link);
        profileText.replace(profileText.find("0xCE31"), 6, link);
        auto reader = std::make_shared<SimulatedReader>(ParseProfile(profileText));
        auto line = reader->OpenLine();
        ASSERT_TRUE(line);
        SetHostFormat(*line, reader->Model().Line().rate, row.hostParity, 8, 1, row.hostParity != 'N');
        const std::string answer = Exchange(*line, "\x16" "C\r");
        EXPECT_EQ(answer, Bytes({row.expected[0], row.expected[1], row.expected[2], row.expected[3]}))
            << "reader at " << format;
    }
}

TEST(UartFraming, ReaderWithParityDoesNotHearBackToBackEightBitFrames)
{
    // A host at 8N1 sends 10-bit frames back to back; a reader expecting 11 takes the next
    // start bit as its stop bit and loses step, so only the 8S1 attempt reaches it.
    auto reader = std::make_shared<SimulatedReader>(ParseProfile(SmallProfile({}, "9600 8E1")));
    auto line = reader->OpenLine();
    SetHostFormat(*line, 9600, 'N', 8);
    EXPECT_EQ(Exchange(*line, "\x16" "C\r"), "");
    SetHostFormat(*line, 9600, 'S', 8);
    EXPECT_EQ(Exchange(*line, "\x16" "C\r").size(), 4u);
}
