// One conformance fixture run over all nine modes: every sample must come back as it went
// in (close to it for the lossy JPEG modes), with or without the zero padding HModem adds
// to its last block; nothing may grow; no decoder may exceed its maximum or crash on a
// damaged stream.
#include "transfer/compression/HCompression.h"

#include "CompressionSamples.h"
#include "transfer/compression/HDeflateCodec.h"
#include "transfer/compression/HDeltaHuffman.h"
#include "transfer/compression/HJpegCodec.h"
#include "transfer/compression/HLzoCodec.h"
#include "transfer/compression/HLzss.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

namespace {

using namespace compression_samples;

bool IsJpeg(unsigned mode) { return mode >= 3 && mode <= 5; }

// The codec of `mode` on its own, without the "only if it shrinks" rule of HCompression.
bool PackWith(unsigned mode, const std::vector<uint8_t>& input, std::vector<uint8_t>& packed)
{
    switch (mode) {
    case 0:
        packed = input;
        return true;
    case 1:
        return HLzss::Compress(input, packed);
    case 2:
        return HDeltaHuffman::Compress(input, HCompression::kDeltaRowWidth, packed);
    case 3:
    case 5:
        return HJpegCodec::Compress(input, false, packed);
    case 4:
        return HJpegCodec::Compress(input, true, packed);
    case 6:
        return HDeflateCodec::Compress(input, false, packed);
    case 7:
        return HDeflateCodec::Compress(input, true, packed);
    case 8:
        return HLzoCodec::Compress(input, packed);
    default:
        return false;
    }
}

double MeanAbsoluteError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

struct Sample {
    std::string name;
    std::vector<uint8_t> bytes;
};

const std::vector<Sample>& Samples()
{
    static const std::vector<Sample> samples = {
        {"empty", {}},
        {"one byte", {0x5A}},
        {"all byte values", AllByteValues()},
        {"all byte values x 40", [] {
             std::vector<uint8_t> bytes;
             for (int i = 0; i < 40; ++i)
                 bytes.insert(bytes.end(), 256, 0), std::iota(bytes.end() - 256, bytes.end(), uint8_t(i));
             return bytes;
         }()},
        {"random 5000", RandomBytes(5000, 7)},
        {"text 20000", TextLike(20000, 3)},
        {"zeros 70000", std::vector<uint8_t>(70000, 0)},
        {"picture 480x640", PictureLike(11)},
    };
    return samples;
}

void ExpectRestored(unsigned mode, const Sample& sample, const std::vector<uint8_t>& restored)
{
    if (IsJpeg(mode)) {
        ASSERT_EQ(restored.size(), sample.bytes.size()) << sample.name;
        EXPECT_LT(MeanAbsoluteError(sample.bytes, restored), 4.0) << sample.name;
        return;
    }
    EXPECT_EQ(restored, sample.bytes) << sample.name;
}

class CompressionModeTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(CompressionModeTest, RoundTripsEverySampleWithAndWithoutPadding)
{
    const unsigned mode = GetParam();
    for (const Sample& sample : Samples()) {
        std::vector<uint8_t> packed;
        if (!PackWith(mode, sample.bytes, packed)) {
            // Only the JPEG modes refuse, and only what is not one 480 x 640 picture.
            EXPECT_TRUE(IsJpeg(mode) && sample.bytes.size() != 480u * 640u) << sample.name;
            continue;
        }
        if (mode == 0 || packed.empty())
            continue;
        std::vector<uint8_t> restored;
        ASSERT_TRUE(HCompression::Decompress(mode, packed, sample.bytes.size(), restored, sample.bytes.size()))
            << sample.name;
        ExpectRestored(mode, sample, restored);

        // HModem pads the last block with zeros; the decoders must stop at their own end.
        std::vector<uint8_t> padded = packed;
        padded.resize(packed.size() + 1000, 0);
        ASSERT_TRUE(HCompression::Decompress(mode, padded, sample.bytes.size(), restored, sample.bytes.size()))
            << sample.name;
        ExpectRestored(mode, sample, restored);

        // Without the announced length the stream alone must do.
        ASSERT_TRUE(HCompression::Decompress(mode, packed, sample.bytes.size(), restored)) << sample.name;
        ExpectRestored(mode, sample, restored);
    }
}

TEST_P(CompressionModeTest, SendsRawWithModeZeroUnlessDataShrink)
{
    const unsigned mode = GetParam();
    for (const Sample& sample : Samples()) {
        std::vector<uint8_t> sent;
        const unsigned used = HCompression::Compress(mode, sample.bytes, sent);
        if (used == 0) {
            EXPECT_EQ(sent, sample.bytes) << sample.name;
            continue;
        }
        EXPECT_EQ(used, mode) << sample.name;
        EXPECT_LT(sent.size(), sample.bytes.size()) << sample.name;
        std::vector<uint8_t> restored;
        ASSERT_TRUE(HCompression::Decompress(used, sent, sample.bytes.size(), restored, sample.bytes.size()));
        ExpectRestored(mode, sample, restored);
    }
    // Random bytes never shrink losslessly; the JPEG modes do not apply to them either.
    const std::vector<uint8_t> noise = RandomBytes(3000, 99);
    std::vector<uint8_t> sent;
    EXPECT_EQ(HCompression::Compress(mode, noise, sent), 0u);
    EXPECT_EQ(sent, noise);
}

TEST_P(CompressionModeTest, RefusesToExceedTheMaximum)
{
    const unsigned mode = GetParam();
    const std::vector<uint8_t> data = IsJpeg(mode) ? PictureLike(5) : TextLike(9000, 5);
    std::vector<uint8_t> packed;
    ASSERT_TRUE(PackWith(mode, data, packed));
    std::vector<uint8_t> restored {1, 2, 3};
    EXPECT_FALSE(HCompression::Decompress(mode, packed, data.size() - 1, restored));
    EXPECT_TRUE(restored.empty());
    EXPECT_TRUE(HCompression::Decompress(mode, packed, data.size(), restored));
}

TEST_P(CompressionModeTest, DamagedStreamsStayWithinBounds)
{
    const unsigned mode = GetParam();
    const std::vector<uint8_t> data = IsJpeg(mode) ? PictureLike(8) : TextLike(6000, 8);
    std::vector<uint8_t> packed;
    ASSERT_TRUE(PackWith(mode, data, packed));
    const std::size_t maximum = data.size() + 100;
    std::vector<uint8_t> restored;
    std::mt19937 random(1234);
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> damaged = packed;
        if (round % 2 == 0) {
            damaged.resize(random() % packed.size());
        } else {
            for (int flips = 0; flips < 4; ++flips)
                damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
        }
        if (!HCompression::Decompress(mode, damaged, maximum, restored, data.size())) {
            EXPECT_TRUE(restored.empty());
        }
        EXPECT_LE(restored.size(), maximum);
    }
}

INSTANTIATE_TEST_SUITE_P(AllModes, CompressionModeTest, ::testing::Range(0u, HCompression::kModeCount),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                             return "Mode" + std::to_string(info.param);
                         });

TEST(HCompressionTest, UnknownModesAreRefusedBothWays)
{
    const std::vector<uint8_t> text = TextLike(4000, 1);
    std::vector<uint8_t> out;
    EXPECT_EQ(HCompression::Compress(9, text, out), 0u);
    EXPECT_EQ(out, text);
    EXPECT_FALSE(HCompression::Decompress(9, text, 1u << 20, out));
    EXPECT_STREQ(HCompression::ModeName(9), "unknown");
}

TEST(HCompressionTest, JpegAppliesOnlyToOne480By640Picture)
{
    for (const unsigned mode : {3u, 4u, 5u}) {
        std::vector<uint8_t> out;
        EXPECT_EQ(HCompression::Compress(mode, PictureLike(2), out), mode);
        // A wide picture of the same byte count is not what the reader expects either way,
        // but only the byte count is known here; anything else goes raw.
        const std::vector<uint8_t> shortPicture(480 * 640 - 1, 128);
        EXPECT_EQ(HCompression::Compress(mode, shortPicture, out), 0u);
        EXPECT_EQ(out, shortPicture);
    }
}

TEST(HCompressionTest, JpegStreamDescribesA480By640GrayPicture)
{
    std::vector<uint8_t> jpeg;
    ASSERT_EQ(HCompression::Compress(3, PictureLike(4), jpeg), 3u);
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);   // start of image
    // The baseline frame header: FFC0, length, precision 8, height 640, width 480, 1 component.
    const std::vector<uint8_t> frame {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x02, 0x80, 0x01, 0xE0, 0x01};
    EXPECT_NE(std::search(jpeg.begin(), jpeg.end(), frame.begin(), frame.end()), jpeg.end());
    // Fast and accurate DCT give different streams for the same picture.
    std::vector<uint8_t> fast;
    ASSERT_EQ(HCompression::Compress(4, PictureLike(4), fast), 4u);
    EXPECT_NE(fast, jpeg);
    std::vector<uint8_t> alias;
    ASSERT_EQ(HCompression::Compress(5, PictureLike(4), alias), 5u);
    EXPECT_EQ(alias, jpeg);
}

TEST(HCompressionTest, DeflateModesWriteZlibStreamsOfTheirStrategy)
{
    // The second header byte carries the level class: 3 (best) for level 9, 0 for
    // Huffman-only, which zlib counts as the fastest.
    const std::vector<uint8_t> text = TextLike(5000, 4);
    std::vector<uint8_t> out;
    ASSERT_EQ(HCompression::Compress(6, text, out), 6u);
    EXPECT_EQ(out[0], 0x78);
    EXPECT_EQ(out[1], 0xDA);
    std::vector<uint8_t> huffmanOnly;
    ASSERT_EQ(HCompression::Compress(7, text, huffmanOnly), 7u);
    EXPECT_EQ(huffmanOnly[0], 0x78);
    EXPECT_EQ(huffmanOnly[1], 0x01);
    // Huffman-only finds no repeats, so it cannot beat the default strategy on text.
    EXPECT_GT(huffmanOnly.size(), out.size());
}

} // namespace
