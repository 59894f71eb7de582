// The ten picture forms and the picture files: every form gives back the picture it was
// made from (binary forms its thresholded pixels, JPEG close to it), PNG and TIFF keep the
// recorded facts, and damaged data is refused.
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/image/HImageFormats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace {

HIMAGE Picture(int w, int h)
{
    HIMAGE image;
    image.Resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.pixels[size_t(y) * w + x] = uint8_t(x == 0 ? 255 : (x * 7 + y * 13) % 256);
    HTAG& p = image.parameters;
    p.SetInt("L", 0);
    p.SetInt("T", 0);
    p.SetInt("R", w - 1);
    p.SetInt("B", h - 1);
    return image;
}

TEST(ImageFormats, EveryFormGivesThePictureBack)
{
    const HIMAGE image = Picture(37, 19);
    HIMAGE binary = image;
    for (uint8_t& v : binary.pixels)
        v = v >= 128 ? 255 : 0;
    for (int format = 0; format < HImageFormats::kFormatCount; ++format) {
        std::vector<uint8_t> data;
        ASSERT_TRUE(HImageFormats::Encode(format, image, 95, data)) << format;
        HIMAGE back;
        std::string error;
        ASSERT_EQ(HImageFormats::Decode(format, data.data(), data.size(), image.parameters, back, error), 1)
            << format << " " << error;
        ASSERT_EQ(back.width, 37) << format;
        ASSERT_EQ(back.height, 19) << format;
        EXPECT_EQ(back.parameters.GetInt("F"), format);
        const bool isBinary = format == 1 || format == 2 || format == 4 || format == 7 || format == 9;
        if (format == 6) {
            double worst = 0;
            for (size_t i = 0; i < back.pixels.size(); ++i)
                worst = std::max(worst, std::fabs(double(back.pixels[i]) - image.pixels[i]));
            EXPECT_LT(worst, 40) << "jpeg";
        } else {
            EXPECT_EQ(back.pixels, isBinary ? binary.pixels : image.pixels) << format;
        }
        // Cut short: refused, never a crash.
        if (data.size() > 10) {
            HIMAGE cut;
            EXPECT_NE(HImageFormats::Decode(format, data.data(), data.size() / 2, image.parameters, cut, error), 1)
                << format;
        }
    }
}

TEST(ImageFormats, FilesKeepTheirFacts)
{
    HIMAGE image = Picture(20, 10);
    image.parameters.SetInt("F", 5);
    image.parameters.SetInt("S", 2);
    const HPICTURE_INFO info = HImageFormats::InfoFor(image, "Kestrel 4600", "80001005 12");
    for (const char* name : { "facts.png", "facts.tif" }) {
        const std::string path = (std::filesystem::temp_directory_path() / name).string();
        std::string error;
        ASSERT_TRUE(HImageFormats::WriteFile(image, path, info, error)) << error;
        HIMAGE back;
        HPICTURE_INFO facts;
        ASSERT_TRUE(HImageFormats::ReadFile(path, back, facts, error)) << error;
        EXPECT_EQ(back.pixels, image.pixels) << name;
        for (const char* key : { "Model", "Firmware", "Window", "Subsample", "Depth", "Format", "Time" }) {
            auto want = std::find_if(info.begin(), info.end(), [&](const auto& kv) { return kv.first == key; });
            auto got = std::find_if(facts.begin(), facts.end(), [&](const auto& kv) { return kv.first == key; });
            ASSERT_NE(got, facts.end()) << name << " " << key;
            EXPECT_EQ(got->second, want->second) << name << " " << key;
        }
        std::filesystem::remove(path);
    }
}

TEST(ImageFormats, BitmapsEitherWayUp)
{
    const HIMAGE image = Picture(5, 3);
    std::vector<uint8_t> bmp;
    ASSERT_TRUE(HImageFormats::Encode(8, image, 0, bmp));
    // The same rows stored top down: a negative height and the rows in reading order.
    std::vector<uint8_t> topDown = bmp;
    const int32_t negative = -3;
    std::memcpy(topDown.data() + 22, &negative, 4);
    const size_t rows = 14 + 40 + 1024, stride = 8;
    for (int y = 0; y < 3; ++y)
        std::copy_n(bmp.begin() + rows + (2 - y) * stride, stride, topDown.begin() + rows + y * stride);
    for (const auto* data : { &bmp, &topDown }) {
        HIMAGE back;
        ASSERT_TRUE(HImageFormats::DecodeBmp(data->data(), data->size(), back));
        EXPECT_EQ(back.pixels, image.pixels);
    }
    // A height past 4096 is refused before anything is allocated.
    std::vector<uint8_t> huge = bmp;
    const int32_t tall = 5000;
    std::memcpy(huge.data() + 22, &tall, 4);
    HIMAGE refused;
    EXPECT_FALSE(HImageFormats::DecodeBmp(huge.data(), huge.size(), refused));
}

} // namespace
