// Sheet pictures users hand us: PBM and PNG read back what was written; damaged or oversized
// files give one message and no picture.
#include "barcode/SheetImage.h"

#include <gtest/gtest.h>

namespace {

GrayImage Checker(int width, int height)
{
    GrayImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.push_back((x + y) % 3 == 0 ? 0 : 255);
    return image;
}

TEST(SheetImage, PbmAndPngRoundTrip)
{
    const GrayImage image = Checker(37, 11);
    std::vector<GrayImage> pages;
    std::string error;
    ASSERT_TRUE(DecodeSheetBytes(WritePbm(image), pages, error)) << error;
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].pixels, image.pixels);
    std::string png;
    ASSERT_TRUE(WritePng(image, 300, png));
    ASSERT_TRUE(DecodeSheetBytes(png, pages, error)) << error;
    EXPECT_EQ(pages[0].pixels, image.pixels);
    // The plain PBM form, with a comment.
    ASSERT_TRUE(DecodeSheetBytes("P1\n# two by two\n2 2\n1 0\n0 1\n", pages, error)) << error;
    EXPECT_EQ(pages[0].pixels, (std::vector<std::uint8_t> { 0, 255, 255, 0 }));
}

TEST(SheetImage, DamagedAndOversizedFilesAreRefused)
{
    const std::string png = [] {
        std::string bytes;
        WritePng(Checker(40, 40), 300, bytes);
        return bytes;
    }();
    const std::string cases[] = {
        "", "P4\n10 10\n\x01", "P1\n3 3\n1 0 1", "P4\n40000 2\n", "P7\n", png.substr(0, png.size() / 2),
        "%PDF-1.4 nothing else", "\x89PNG\r\n\x1a\nbroken",
    };
    for (const std::string& bytes : cases) {
        std::vector<GrayImage> pages;
        std::string error;
        EXPECT_FALSE(DecodeSheetBytes(bytes, pages, error)) << bytes.size();
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
