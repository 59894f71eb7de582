// The two coders written here (LZSS and delta + adaptive Huffman), pinned to hand-worked
// streams so that a reader's decoder sees exactly the bits it expects, and fed streams a
// sound encoder never writes.
#include "transfer/compression/HAdaptiveHuffman.h"
#include "transfer/compression/HDeltaHuffman.h"
#include "transfer/compression/HLzss.h"

#include "CompressionSamples.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pack(const Bytes& input, bool huffman)
{
    Bytes out;
    const bool ok = huffman ? HDeltaHuffman::Compress(input, 640, out) : HLzss::Compress(input, out);
    EXPECT_TRUE(ok);
    return out;
}

TEST(HLzssTest, WritesTheDocumentedBitLayout)
{
    struct Row {
        const char* name;
        Bytes input;
        Bytes stream;
    };
    const Row rows[] = {
        // 1 'a' | 1 'b' | 0 position 0 (end), padded: 1011 0000 1 1011 0001 0 0 ... -> B0 D8 80 00
        {"two literals", {'a', 'b'}, {0x02, 0, 0, 0, 0xB0, 0xD8, 0x80, 0x00}},
        // 1 'a' | 0 position 1, length 3 (code 1) copying over itself | end
        {"overlapping copy", {'a', 'a', 'a', 'a'}, {0x04, 0, 0, 0, 0xB0, 0x80, 0x04, 0x40, 0x00}},
        // Nothing but the end token.
        {"empty", {}, {0, 0, 0, 0, 0x00, 0x00}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Pack(row.input, false), row.stream) << row.name;
        Bytes restored;
        ASSERT_TRUE(HLzss::Decompress(row.stream, 100, restored)) << row.name;
        EXPECT_EQ(restored, row.input) << row.name;
    }
}

TEST(HLzssTest, LongRunsUseMaximalCopiesAndTheWindowWraps)
{
    // 10000 equal bytes: one literal then copies of 17, about 17 bits per 17 bytes.
    const Bytes run(10000, 0x41);
    const Bytes packed = Pack(run, false);
    EXPECT_LT(packed.size(), 4 + 10000 / 17 * 17 / 8 + 16);
    // A repeating pattern longer than the window forces positions to wrap past 4095 and
    // matches to come from every part of the window.
    Bytes pattern = compression_samples::RandomBytes(3000, 5);
    Bytes data;
    for (int i = 0; i < 6; ++i) {
        data.insert(data.end(), pattern.begin(), pattern.end());
        pattern[static_cast<std::size_t>(i) * 400] ^= 0xFF;
    }
    Bytes restored;
    ASSERT_TRUE(HLzss::Decompress(Pack(data, false), data.size(), restored));
    EXPECT_EQ(restored, data);
}

TEST(HLzssTest, NeverCopiesFromPositionZeroOnceTheWindowWraps)
{
    // After 4095 bytes position 0 holds real data, and in a run of zeros it is as good a
    // source as any; a copy naming it would read as the end and cut the data short.
    // Copies advance 17 bytes at a time, so only some lengths land a token on position 0.
    for (const std::size_t length : {4200u, 9000u, 20000u, 70000u}) {
        const Bytes zeros(length, 0);
        Bytes restored;
        ASSERT_TRUE(HLzss::Decompress(Pack(zeros, false), zeros.size(), restored)) << length;
        EXPECT_EQ(restored, zeros) << length;
    }
}

TEST(HLzssTest, RejectsStreamsThatDisagreeWithTheirLength)
{
    Bytes restored;
    // Declares 3 bytes, ends after 2.
    EXPECT_FALSE(HLzss::Decompress(Bytes {0x03, 0, 0, 0, 0xB0, 0xD8, 0x80, 0x00}, 100, restored));
    // Declares 1 byte, then a copy of 3 would pass it.
    EXPECT_FALSE(HLzss::Decompress(Bytes {0x01, 0, 0, 0, 0x00, 0x80, 0x10}, 100, restored));
    // No end token before the input runs out.
    EXPECT_FALSE(HLzss::Decompress(Bytes {0x02, 0, 0, 0, 0xB0, 0xD8}, 100, restored));
    // Header shorter than four bytes.
    EXPECT_FALSE(HLzss::Decompress(Bytes {0x02, 0}, 100, restored));
    EXPECT_TRUE(restored.empty());
}

TEST(HDeltaHuffmanTest, WritesTheDocumentedBitLayout)
{
    // Escape is the even child of the root (1), then 'A' raw (0100 0001); after the update
    // end of stream sits at index 2 (1). 1010 0000 11 -> A0 C0.
    const Bytes stream {0x01, 0, 0, 0, 0x80, 0x02, 0, 0, 0xA0, 0xC0};
    EXPECT_EQ(Pack({'A'}, true), stream);
    Bytes restored;
    ASSERT_TRUE(HDeltaHuffman::Decompress(stream, 10, restored));
    EXPECT_EQ(restored, Bytes {'A'});
}

TEST(HDeltaHuffmanTest, DeltaIsTakenAgainstTheOriginalRowAbove)
{
    Bytes data {10, 20, 30, 15, 25, 5, 16, 26, 255};
    HDeltaHuffman::ApplyDelta(data, 3);
    EXPECT_EQ(data, (Bytes {10, 20, 30, 5, 5, 231, 1, 1, 250}));
    HDeltaHuffman::RemoveDelta(data, 3);
    EXPECT_EQ(data, (Bytes {10, 20, 30, 15, 25, 5, 16, 26, 255}));
}

TEST(HDeltaHuffmanTest, SkewedDataAcrossManyRescalesRoundTrips)
{
    // 200000 symbols push the root past 0x8000 several times; the statistics change half
    // way, which only a model that rescales follows well.
    std::mt19937 random(17);
    Bytes data(200000);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const unsigned r = random() % 100;
        const uint8_t common = i < data.size() / 2 ? 0 : 200;
        data[i] = r < 80 ? common : static_cast<uint8_t>(r < 95 ? common + 1 + r % 3 : random());
    }
    const Bytes packed = Pack(data, true);
    EXPECT_LT(packed.size(), data.size() / 2);
    Bytes restored;
    ASSERT_TRUE(HDeltaHuffman::Decompress(packed, data.size(), restored));
    EXPECT_EQ(restored, data);
}

TEST(HDeltaHuffmanTest, ModelWeightsStayBelowTheRescaleLimit)
{
    HAdaptiveHuffman encoder;
    Bytes sink;
    HBitWriter bits(sink);
    for (int i = 0; i < 100000; ++i) {
        encoder.Encode(bits, i % 7);
        ASSERT_LT(encoder.RootWeight(), HAdaptiveHuffman::kRescaleWeight);
    }
}

TEST(HDeltaHuffmanTest, RejectsStreamsASoundEncoderNeverWrites)
{
    Bytes restored;
    // Escape 'A', then escape 'A' again although it has a code by then: after the first
    // symbol escape sits at index 3 (path 1 0).
    EXPECT_FALSE(HDeltaHuffman::Decompress(Bytes {0x02, 0, 0, 0, 0x80, 0x02, 0, 0, 0xA0, 0xA0, 0x80}, 10, restored));
    // Row width 0.
    EXPECT_FALSE(HDeltaHuffman::Decompress(Bytes {0x01, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0xC0}, 10, restored));
    // Declares 2 bytes, ends after 1.
    EXPECT_FALSE(HDeltaHuffman::Decompress(Bytes {0x02, 0, 0, 0, 0x80, 0x02, 0, 0, 0xA0, 0xC0}, 10, restored));
    // Declared length above the maximum.
    EXPECT_FALSE(HDeltaHuffman::Decompress(Bytes {0x01, 0, 0, 0, 0x80, 0x02, 0, 0, 0xA0, 0xC0}, 0, restored));
    // Runs out of bits before end of stream.
    EXPECT_FALSE(HDeltaHuffman::Decompress(Bytes {0x01, 0, 0, 0, 0x80, 0x02, 0, 0, 0xA0}, 10, restored));
    EXPECT_TRUE(restored.empty());
}

} // namespace
