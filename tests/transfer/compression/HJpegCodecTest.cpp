// JPEG decoding of pictures we did not make ourselves: readers send progressive and colour
// streams too, and a hostile one must not hold the program for minutes.
#include "transfer/compression/HCompression.h"

#include "CompressionSamples.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

// A progressive 64 x 48 gray picture made by the library directly, with `refinements`
// successive-approximation steps for each of the 63 AC coefficients (each a scan).
std::vector<uint8_t> ProgressiveJpeg(int refinements)
{
    const std::vector<uint8_t> pixels = compression_samples::PictureLike(3, 64, 48);
    std::vector<jpeg_scan_info> script;
    script.push_back({1, {0}, 0, 0, 0, 0});   // DC, full precision
    for (int band = 1; band <= 63; ++band) {
        script.push_back({1, {0}, band, band, 0, refinements});
        for (int bit = refinements; bit > 0; --bit)
            script.push_back({1, {0}, band, band, bit, bit - 1});
    }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 64;
    info.image_height = 48;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    info.scan_info = script.data();
    info.num_scans = static_cast<int>(script.size());
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(pixels.data() + info.next_scanline * 64);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> stream(buffer, buffer + size);
    std::free(buffer);
    return stream;
}

TEST(HJpegCodecTest, DecodesProgressivePicturesButNotEndlessScanSequences)
{
    std::vector<uint8_t> picture;
    // 64 scans: an ordinary progressive picture of any size.
    ASSERT_TRUE(HCompression::Decompress(3, ProgressiveJpeg(0), 64 * 48, picture));
    EXPECT_EQ(picture.size(), 64u * 48u);
    // 1 + 63 * 11 = 694 scans: far beyond what any encoder writes.
    EXPECT_FALSE(HCompression::Decompress(3, ProgressiveJpeg(10), 64 * 48, picture));
    EXPECT_TRUE(picture.empty());
}

TEST(HJpegCodecTest, RefusesPicturesLargerThanTheMaximumBeforeDecoding)
{
    const std::vector<uint8_t> stream = ProgressiveJpeg(0);
    std::vector<uint8_t> picture;
    EXPECT_FALSE(HCompression::Decompress(4, stream, 64 * 48 - 1, picture));
    // Not a JPEG at all, and an empty stream.
    EXPECT_FALSE(HCompression::Decompress(4, std::vector<uint8_t>(100, 0x55), 1u << 20, picture));
    EXPECT_FALSE(HCompression::Decompress(4, {}, 1u << 20, picture));
}

} // namespace
