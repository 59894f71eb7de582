// Firmware file readers: Intel hex records, binary image signature and keyword blocks, and
// the description files shown beside them.
#include "transfer/firmware/FirmwareFileReader.h"
#include "transfer/firmware/FirmwareImage.h"
#include "transfer/firmware/FlashDocFile.h"
#include "transfer/firmware/IntelHexFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return { text.begin(), text.end() }; }

// A record line with its checksum worked out.
std::string HexLine(uint8_t type, uint16_t address, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> fields { static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address >> 8),
                                  static_cast<uint8_t>(address), type };
    fields.insert(fields.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t b : fields)
        sum = static_cast<uint8_t>(sum + b);
    fields.push_back(static_cast<uint8_t>(-sum));
    std::string line = ":";
    char pair[3];
    for (uint8_t b : fields) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        line += pair;
    }
    return line;
}

const std::string kEof = ":00000001FF";

} // namespace

TEST(IntelHexFile, RecordsAreKeptAsColonAndBytes)
{
    const std::string text = HexLine(0, 0x0100, { 1, 2, 3 }) + "\r\n" + HexLine(4, 0, { 0x00, 0x01 }) + "\r\n"
        + HexLine(0, 0x0000, { 9 }) + "\n" + kEof + "\r\n";
    IntelHexImage image;
    ASSERT_TRUE(ParseIntelHex(Bytes(text), image));
    ASSERT_EQ(image.RecordCount(), 4u);
    const std::vector<uint8_t> first(image.Record(0).begin(), image.Record(0).end());
    EXPECT_EQ(first, (std::vector<uint8_t> { ':', 3, 0x01, 0x00, 0, 1, 2, 3, static_cast<uint8_t>(-(3 + 1 + 6)) }));
    EXPECT_EQ(image.bytes.size(), (3 + 6) + (2 + 6) + (1 + 6) + 6u);
    EXPECT_EQ(image.RecordType(3), HexEndOfFile);
    EXPECT_EQ(image.dataBytes, 4u);
    ASSERT_EQ(image.ranges.size(), 2u);
    EXPECT_EQ(image.ranges[0].first, 0x100u);
    EXPECT_EQ(image.ranges[0].last, 0x102u);
    EXPECT_EQ(image.ranges[1].first, 0x10000u);
}

TEST(IntelHexFile, AdjacentDataRecordsMergeIntoOneRange)
{
    const std::string text = HexLine(2, 0, { 0x10, 0x00 }) + "\n" + HexLine(0, 0, { 1, 2 }) + "\n"
        + HexLine(0, 2, { 3 }) + "\n" + kEof;
    IntelHexImage image;
    ASSERT_TRUE(ParseIntelHex(Bytes(text), image));
    ASSERT_EQ(image.ranges.size(), 1u);
    EXPECT_EQ(image.ranges[0].first, 0x10000u);
    EXPECT_EQ(image.ranges[0].last, 0x10002u);
}

TEST(IntelHexFile, MalformedFilesAreRefusedWhole)
{
    const std::string good = HexLine(0, 0, { 0xAA, 0xBB });
    std::string badSum = good;
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        { "checksum", badSum + "\n" + kEof },
        { "no end record", good + "\n" },
        { "empty file", "" },
        { "count too large", ":0300000001FC\n" + kEof },
        { "odd digits", good + "0\n" + kEof },
        { "not hex", ":0G00000000\n" + kEof },
        { "garbage between records", good + "\nxyz\n" + kEof },
        { "unknown type", HexLine(6, 0, {}) + "\n" + kEof },
        { "end record with data", HexLine(1, 0, { 1 }) },
        { "segment record wrong length", HexLine(2, 0, { 1 }) + "\n" + kEof },
        { "data after end", kEof + "\n" + good + "\n" },
        { "short record", ":0000\n" + kEof },
        { "blank inside", ":02 0000" + good.substr(7) + "\n" + kEof },
    };
    for (const auto& c : cases) {
        IntelHexImage image;
        std::string error;
        EXPECT_FALSE(ParseIntelHex(Bytes(c.text), image, &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        EXPECT_EQ(image.RecordCount(), 0u) << c.name;
    }
}

TEST(IntelHexFile, LowerCaseDigitsTrailingBlanksAndBlankLinesAreAccepted)
{
    std::string line = HexLine(0, 0x1234, { 0xAB });
    for (char& c : line)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    IntelHexImage image;
    ASSERT_TRUE(ParseIntelHex(Bytes("\n" + line + "  \r\n\r\n" + kEof + "\n\n"), image));
    EXPECT_EQ(image.RecordCount(), 2u);
}

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> AppImage(const std::vector<uint8_t>& mask, const std::vector<std::string>& keywords,
                              std::size_t padBefore = 37)
{
    std::vector<uint8_t> image(padBefore, 0x5A);
    const std::string head = std::string("MATRIXAPP\0\0\0DEVICETYPE\0\0", 24);
    image.insert(image.end(), head.begin(), head.end());
    PutU32(image, static_cast<uint32_t>(mask.size()));
    image.insert(image.end(), mask.begin(), mask.end());
    PutU32(image, 0xFFFFFFFFu);
    PutU32(image, static_cast<uint32_t>(keywords.size()));
    for (const auto& k : keywords) {
        PutU32(image, static_cast<uint32_t>(k.size() + 3));
        image.insert(image.end(), k.begin(), k.end());
        image.push_back(0);
        image.push_back('x');
        image.push_back('y');
    }
    image.resize(image.size() + 64, 0xC3);
    return image;
}

} // namespace

TEST(FirmwareImage, KindIsTheFirstKeywordInTableOrder)
{
    const struct {
        std::vector<std::string> keywords;
        int kind;
        uint32_t kindMask;
        bool ramOnly;
        bool bootAck;
    } cases[] = {
        { {}, 0, 0, false, false },
        { { "corded" }, 1, 17, false, false },
        { { "AFRFSCAN", "RFBASE" }, 2, 34, false, false },
        { { "PRODCFG", "AFCORDED" }, 4, 0, false, false },
        { { "AFCORDED" }, 5, 17, false, false },
        { { "AfRfBase", "RamOnly" }, 6, 34, true, false },
        { { "BOOTACK", "AFRFSCAN" }, 7, 68, false, true },
        { { "CORDEDX", "XCORDED" }, 0, 0, false, false },
    };
    for (const auto& c : cases) {
        FirmwareImageInfo info;
        ASSERT_EQ(ParseFirmwareImage(AppImage({ 1 }, c.keywords), FirmwareImageType::Application, info),
                  FirmwareImageStatus::Ok);
        EXPECT_EQ(info.kind, c.kind) << testing::PrintToString(c.keywords);
        EXPECT_EQ(info.kindMask, c.kindMask);
        EXPECT_EQ(info.ramOnly, c.ramOnly);
        EXPECT_EQ(info.bootAck, c.bootAck);
        EXPECT_EQ(info.signatureOffset, 37u);
    }
}

TEST(FirmwareImage, DeviceTypeMaskBits)
{
    FirmwareImageInfo info;
    ASSERT_EQ(ParseFirmwareImage(AppImage({ 0x10, 0x01 }, {}), FirmwareImageType::Application, info),
              FirmwareImageStatus::Ok);
    EXPECT_TRUE(info.SupportsDeviceType(5));
    EXPECT_TRUE(info.SupportsDeviceType(9)); // bit 0 of the second byte
    EXPECT_FALSE(info.SupportsDeviceType(1));
    EXPECT_FALSE(info.SupportsDeviceType(0));
    EXPECT_FALSE(info.SupportsDeviceType(17)); // past the mask
    EXPECT_EQ(info.DeviceTypes(), (std::vector<uint32_t> { 5, 9 }));

    ASSERT_EQ(ParseFirmwareImage(AppImage({ 0xFF }, {}), FirmwareImageType::Application, info),
              FirmwareImageStatus::Ok);
    EXPECT_FALSE(info.SupportsDeviceType(9)); // a one-byte mask cannot name type 9
}

TEST(FirmwareImage, BlocksPastTheEndAreRefused)
{
    auto image = AppImage({ 1, 2 }, { "CORDED" });
    const std::size_t s = 37;
    FirmwareImageInfo info;

    auto longMask = image;
    longMask[s + 24] = 0xF0; // L far past the end
    longMask[s + 27] = 0x7F;
    EXPECT_EQ(ParseFirmwareImage(longMask, FirmwareImageType::Application, info), FirmwareImageStatus::Truncated);

    auto manyEntries = image;
    manyEntries[s + 28 + 2 + 4] = 0xFF; // entry count
    manyEntries[s + 28 + 2 + 7] = 0x7F;
    EXPECT_EQ(ParseFirmwareImage(manyEntries, FirmwareImageType::Application, info), FirmwareImageStatus::Truncated);

    auto cut = std::vector<uint8_t>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(s + 28 + 2 + 6));
    EXPECT_EQ(ParseFirmwareImage(cut, FirmwareImageType::Application, info), FirmwareImageStatus::Truncated);

    auto bigEntry = image;
    bigEntry[s + 28 + 2 + 8 + 3] = 0x7F; // first entry's size
    EXPECT_EQ(ParseFirmwareImage(bigEntry, FirmwareImageType::Application, info), FirmwareImageStatus::Truncated);

    auto noMarker = image;
    noMarker[s + 28 + 2] = 0;
    ASSERT_EQ(ParseFirmwareImage(noMarker, FirmwareImageType::Application, info), FirmwareImageStatus::Ok);
    EXPECT_TRUE(info.keywords.empty());
}

TEST(FirmwareImage, BootSignatureCarriesOneDeviceType)
{
    std::vector<uint8_t> image(10, 0);
    const std::string head = std::string("MATRIXBOOT\0\0DEVICETYPE\0\0", 24);
    image.insert(image.end(), head.begin(), head.end());
    PutU32(image, 7);
    FirmwareImageInfo info;
    ASSERT_EQ(ParseFirmwareImage(image, FirmwareImageType::BootCode, info), FirmwareImageStatus::Ok);
    EXPECT_EQ(info.bootDeviceType, 7u);
    EXPECT_EQ(ParseFirmwareImage(image, FirmwareImageType::Application, info), FirmwareImageStatus::NoSignature);
    image.resize(image.size() - 1);
    EXPECT_EQ(ParseFirmwareImage(image, FirmwareImageType::BootCode, info), FirmwareImageStatus::Truncated);
}

TEST(FlashDocFile, FirstMatchingLineTrimmedWithoutRegardToCase)
{
    const std::string text = "Some header\r\n"
                             "general description:   Main application  \r\n"
                             "GENERAL DESCRIPTION: second one\r\n"
                             "Product Name:\t3800LR\r\n"
                             " DATE: not at the start\n"
                             "SW REV: 12.05\n"
                             "DATE:2026-01-02";
    const auto info = FlashDocFile::Parse(Bytes(text));
    EXPECT_EQ(info.description, "Main application");
    EXPECT_EQ(info.product, "3800LR");
    EXPECT_EQ(info.revision, "12.05");
    EXPECT_EQ(info.date, "2026-01-02");
}

TEST(FlashDocFile, LongLinesAreNeverSplitIntoKeys)
{
    // A 100-character chunk boundary inside this line would start with "DATE:".
    const std::string text = std::string(100, 'x') + "DATE: wrong\n" + "SW REV:" + std::string(1000, '\xE9') + "\n";
    const auto info = FlashDocFile::Parse(Bytes(text));
    EXPECT_EQ(info.date, "");
    EXPECT_EQ(info.revision.size(), FlashDocFile::kMaxValueBytes);
}

TEST(FlashDocFile, CompanionMatchesWithoutRegardToCase)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kestrel-doc-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "app.hex") << kEof << "\n";
    std::ofstream(dir / "APP.doc") << "PRODUCT NAME: 5620SR\n";
    std::ofstream(dir / "other.bin") << "x";

    bool found = false;
    auto info = FlashDocFile::ForFirmwareFile((dir / "app.hex").string(), &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(info.product, "5620SR");
    EXPECT_EQ(info.description, kNoDocFileText); // key missing: the default text stays

    info = FlashDocFile::ForFirmwareFile((dir / "other.bin").string(), &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(info.description, "No doc file available for this hex file");
    EXPECT_EQ(info.product, "");
    fs::remove_all(dir);
}

TEST(FirmwareFileReader, RefusesWhatIsNotARegularFileOfBoundedSize)
{
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadFirmwareFile("/nonexistent/x.bin", bytes), FirmwareFileRead::OpenError);
    EXPECT_EQ(ReadFirmwareFile("/tmp", bytes), FirmwareFileRead::ReadError);
    EXPECT_EQ(ReadFirmwareFile("/dev/null", bytes), FirmwareFileRead::ReadError);
    const std::string path = std::filesystem::temp_directory_path() / ("kestrel-fw-" + std::to_string(::getpid()));
    std::ofstream(path) << "12345";
    EXPECT_EQ(ReadFirmwareFile(path, bytes, 4), FirmwareFileRead::ReadError);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadFirmwareFile(path, bytes, 5), FirmwareFileRead::Ok);
    EXPECT_EQ(bytes.size(), 5u);
    std::filesystem::remove(path);
    EXPECT_TRUE(HasExtensionNoCase("a/b.AXF", "axf"));
    EXPECT_FALSE(HasExtensionNoCase("a.hex/b", "hex"));
}
