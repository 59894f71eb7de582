// KIM pictures: the nibble code's byte forms, header and truncation checks, byte-identical
// rewrite, and the display bitmap; the run code of binary pictures.
#include "platform/Host.h"
#include "transfer/image/CKim.h"
#include "transfer/image/HRunCode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(KimCode, DeltasOfSevenTakeOneNibbleAndEightTakeThree)
{
    struct Row {
        std::vector<uint8_t> pixels;
        std::vector<uint8_t> code;
    };
    const Row rows[] = {
        // First pixel always in full: 8, 6, 4; then +7 is the single nibble 7.
        { { 100, 107 }, { 0x86, 0x47 } },
        // +8 needs 8 and the full value: 8, 6, C.
        { { 100, 108 }, { 0x86, 0x48, 0x6C } },
        // -7 is nibble 9, -1 is F; an odd count is padded with 8.
        { { 100, 93, 92 }, { 0x86, 0x49, 0xF8 } },
        { { 0 }, { 0x80, 0x08 } },
        // 0 after 255 is a wrap of +1 for a decoder but not within 7 for the writer: full.
        { { 255, 0 }, { 0x8F, 0xF8, 0x00 } },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CKim::EncodePixels(row.pixels.data(), row.pixels.size()), row.code);
        std::vector<uint8_t> back;
        HKimNibbleDecoder decoder(back, row.pixels.size());
        for (uint8_t b : row.code)
            decoder.Feed(b);
        EXPECT_EQ(back, row.pixels);
    }
}

TEST(KimFile, HeadersAndTruncation)
{
    const std::string twoByOne = "00020001" + std::string("\x86\x47", 2);
    struct Row {
        std::string file;
        bool ok;
        const char* error;
    };
    const Row rows[] = {
        { twoByOne, true, "" },
        { twoByOne + "trailing bytes are ignored", true, "" },
        { "00020001\x86", false, CKim::kCorruptFile },
        { "00000001\x86\x47", false, CKim::kCorruptHeader },
        { "40970001\x86\x47", false, CKim::kCorruptHeader },
        { "0002 001\x86\x47", false, CKim::kCorruptHeader },
        { "0002000", false, CKim::kCorruptHeader },
        { "", false, CKim::kCorruptHeader },
    };
    for (const Row& row : rows) {
        CKim kim;
        kim.SetBytes(Bytes(row.file));
        HIMAGE image;
        std::string error;
        EXPECT_EQ(kim.Expand(image, error), row.ok) << row.file;
        EXPECT_EQ(error, row.error) << row.file;
        if (row.ok) {
            EXPECT_EQ(image.width, 2);
            EXPECT_EQ(image.pixels, (std::vector<uint8_t> { 100, 107 }));
        }
    }
}

TEST(KimFile, SavedPictureReadsBackByteIdentical)
{
    HIMAGE image;
    ASSERT_TRUE(image.Resize(37, 11));
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = uint8_t((i * 37) ^ (i / 5));
    const std::string path = (std::filesystem::temp_directory_path() / "kim_roundtrip_test.kim").string();
    std::string error;
    ASSERT_TRUE(CKim::Save(image, path, error)) << error;
    CKim kim;
    ASSERT_TRUE(kim.Read(path, error));
    EXPECT_EQ(std::string(kim.Bytes().begin(), kim.Bytes().begin() + 8), "00370011");
    HIMAGE back;
    ASSERT_TRUE(kim.Expand(back, error));
    EXPECT_EQ(back.pixels, image.pixels);
    EXPECT_EQ(CKim::Encode(back), kim.Bytes());
    std::filesystem::remove(path);

    EXPECT_FALSE(CKim::Save(image, "/dev/null/x.kim", error));
    EXPECT_EQ(error, CKim::kWriteError);
    EXPECT_FALSE(kim.Read("/dev/null/x.kim", error));
    EXPECT_EQ(error, CKim::kCorruptHeader);
}

// Remembers what a flow showed in its progress window.
class RecordingProgress final : public ProgressWindow {
public:
    void SetTitle(const std::string& t) override { titles.push_back(t); }
    void SetStepText(int, const std::string&) override { }
    void SetCurrentStep(int) override { }
    void SetRange(int total) override { range = total; }
    void SetPosition(int position) override { positions.push_back(position); }
    void ShowBar(bool) override { }
    void SetWarning(const std::string&, bool) override { }
    void Show() override { ++shown; }
    void Hide() override { --shown; }
    bool IsCancelled() const override { return false; }
    std::vector<std::string> titles;
    int range = 0;
    std::vector<int> positions;
    int shown = 0;
};

TEST(KimFile, SavingAndExpandingShowTheirProgress)
{
    HIMAGE image;
    ASSERT_TRUE(image.Resize(300, 40));
    const std::string path = (std::filesystem::temp_directory_path() / "kim_progress_test.kim").string();
    RecordingProgress saving;
    std::string error;
    ASSERT_TRUE(CKim::Save(image, path, error, &saving));
    EXPECT_EQ(saving.titles, (std::vector<std::string> { "Saving to Disk" }));
    EXPECT_EQ(saving.range, 40);
    EXPECT_EQ(saving.positions.size(), 40u);  // one step a row
    EXPECT_EQ(saving.positions.back(), 40);
    EXPECT_EQ(saving.shown, 0);

    CKim kim;
    ASSERT_TRUE(kim.Read(path, error));
    RecordingProgress expanding;
    HIMAGE back;
    ASSERT_TRUE(kim.Expand(back, error, &expanding));
    EXPECT_EQ(expanding.titles, (std::vector<std::string> { "Expanding raw KIM data..." }));
    EXPECT_EQ(expanding.positions.back(), 40);
    EXPECT_EQ(back.pixels, image.pixels);
    std::filesystem::remove(path);
}

TEST(KimFile, DisplayBitmapHeaderAndRows)
{
    HIMAGE image;
    ASSERT_TRUE(image.Resize(5, 2));
    image.pixels = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 };
    const std::vector<uint8_t> dib = CKim::DisplayBitmap(image);
    auto u32 = [&](size_t at) { return dib[at] | dib[at + 1] << 8 | dib[at + 2] << 16 | uint32_t(dib[at + 3]) << 24; };
    EXPECT_EQ(u32(0), 40u);
    EXPECT_EQ(u32(4), 5u);
    EXPECT_EQ(u32(8), 2u);
    EXPECT_EQ(dib[12] | dib[13] << 8, 1);
    EXPECT_EQ(dib[14] | dib[15] << 8, 8);
    EXPECT_EQ(u32(16), 0u);
    EXPECT_EQ(u32(20), 16u);  // 8-byte rows, two of them
    EXPECT_EQ(u32(32), 256u);
    EXPECT_EQ(u32(36), 256u);
    EXPECT_EQ(dib[40 + 4 * 77], 77);
    // Bottom row first, padded to four bytes.
    const size_t rows = 40 + 1024;
    EXPECT_EQ(std::vector<uint8_t>(dib.begin() + rows, dib.end()),
              (std::vector<uint8_t> { 6, 7, 8, 9, 10, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0 }));
    const std::vector<uint8_t> bmp = CKim::BmpFile(image);
    EXPECT_EQ(bmp.size(), 14 + dib.size());
    EXPECT_EQ(bmp[0], 'B');
}

TEST(RunCode, LongRunsAndColourOrder)
{
    struct Row {
        size_t white, black, white2;
        std::vector<uint8_t> code;
    };
    const Row rows[] = {
        { 3, 2, 1, { 3, 2, 1 } },
        { 255, 1, 0, { 255, 1 } },
        { 300, 510, 2, { 0, 45, 0, 255, 2 } },
    };
    for (const Row& row : rows) {
        std::vector<uint8_t> pixels(row.white, 255);
        pixels.insert(pixels.end(), row.black, 0);
        pixels.insert(pixels.end(), row.white2, 255);
        EXPECT_EQ(EncodeRuns(pixels.data(), pixels.size()), row.code);
        std::vector<uint8_t> back;
        HRunDecoder decoder(back, pixels.size());
        for (uint8_t b : row.code)
            decoder.Feed(b);
        EXPECT_TRUE(decoder.Done());
        EXPECT_EQ(back, pixels);
    }
}

} // namespace
