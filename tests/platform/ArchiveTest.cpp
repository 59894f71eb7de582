#include "platform/Archive.h"
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string Hex(std::string_view bytes, std::size_t limit = 16)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

TEST(Archive, IntegersAndBytesAreLittleEndian)
{
    CArchiveWriter writer;
    writer.WriteInt32(32);
    writer.WriteInt32(-2);
    writer.WriteInt32(0x12345678);
    writer.WriteByte(0xAB);
    EXPECT_EQ(Hex(writer.Bytes()), "20000000feffffff78563412ab");

    CArchiveReader reader(writer.Bytes());
    EXPECT_EQ(reader.ReadInt32(), 32);
    EXPECT_EQ(reader.ReadInt32(), -2);
    EXPECT_EQ(reader.ReadInt32(), 0x12345678);
    EXPECT_EQ(reader.ReadByte(), 0xAB);
    EXPECT_TRUE(reader.AtEnd());
}

// The writer picks the shortest length prefix; every form reads back.
TEST(Archive, StringLengthPrefixForms)
{
    struct Row {
        std::size_t length;
        std::string prefix;
    };
    const Row rows[] = {
        { 0, "00" },
        { 254, "fe" },
        { 255, "ffff00" },
        { 65533, "fffdff" },
        { 65534, "fffffffeff0000" },
        { 70000, "ffffff70110100" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.length);
        std::string text(row.length, 'x');
        if (!text.empty()) text.back() = '\xE9'; // 8-bit characters pass unchanged
        CArchiveWriter writer;
        writer.WriteString(text);
        EXPECT_EQ(Hex(writer.Bytes(), row.prefix.size() / 2), row.prefix);
        EXPECT_EQ(writer.Bytes().size(), row.prefix.size() / 2 + row.length);
        CArchiveReader reader(writer.Bytes());
        EXPECT_EQ(reader.ReadString(), text);
        EXPECT_TRUE(reader.AtEnd());
    }
}

// Another writer may use a longer form than needed; the reader still takes it.
TEST(Archive, ReaderAcceptsLongerFormsForShortStrings)
{
    const std::string wordForm("\xFF\x03\x00"
                               "abc",
        6);
    const std::string longForm("\xFF\xFF\xFF\x03\x00\x00\x00"
                               "abc",
        10);
    for (const std::string& bytes : { wordForm, longForm }) {
        CArchiveReader reader(bytes);
        EXPECT_EQ(reader.ReadString(), "abc");
        EXPECT_TRUE(reader.AtEnd());
    }
}

TEST(Archive, DamagedStreamsThrow)
{
    struct Row {
        const char* what;
        std::string bytes;
        int reads; // 0 int32, 1 byte, 2 string, 3 string list
    };
    const Row rows[] = {
        { "int32 cut short", std::string("\x01\x02\x03", 3), 0 },
        { "no byte", "", 1 },
        { "no string length", "", 2 },
        { "string shorter than its length",
            std::string("\x05"
                        "abc",
                4),
            2 },
        { "16-bit length cut short", std::string("\xFF\x01", 2), 2 },
        { "32-bit length cut short", std::string("\xFF\xFF\xFF\x01\x00", 5), 2 },
        { "32-bit length of 4 GB",
            std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                        "abc",
                10),
            2 },
        { "negative list count", std::string("\xFF\xFF\xFF\xFF", 4), 3 },
        { "absurd list count",
            std::string("\xFF\xFF\xFF\x7F"
                        "ab",
                6),
            3 },
        { "count larger than the strings left", std::string("\x03\x00\x00\x00\x00\x00", 6), 3 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CArchiveReader reader(row.bytes);
        switch (row.reads) {
        case 0:
            EXPECT_THROW(reader.ReadInt32(), ArchiveError);
            break;
        case 1:
            EXPECT_THROW(reader.ReadByte(), ArchiveError);
            break;
        case 2:
            EXPECT_THROW(reader.ReadString(), ArchiveError);
            break;
        default:
            EXPECT_THROW(reader.ReadStringList(), ArchiveError);
            break;
        }
    }
}

// A count is checked against the smallest size of one stored item before anything is
// reserved, so a damaged count cannot ask for gigabytes.
TEST(Archive, CountIsCheckedAgainstItemSize)
{
    CArchiveWriter writer;
    writer.WriteInt32(3);
    writer.WriteString("12345678901234567890"); // 21 bytes left after the count
    {
        CArchiveReader reader(writer.Bytes());
        EXPECT_EQ(reader.ReadCount(7), 3u);
    }
    {
        CArchiveReader reader(writer.Bytes());
        EXPECT_THROW(reader.ReadCount(8), ArchiveError);
    }
    CArchiveWriter lists;
    lists.WriteStringList({ "a", "", std::string(300, 'z') });
    CArchiveReader reader(lists.Bytes());
    EXPECT_EQ(reader.ReadStringList(), (std::vector<std::string> { "a", "", std::string(300, 'z') }));
}

TEST(Archive, ErrorsCarryAMessage)
{
    CArchiveReader reader(std::string_view("\x09", 1));
    try {
        reader.ReadString();
        FAIL() << "no exception";
    } catch (const ArchiveError& error) {
        EXPECT_STRNE(error.what(), "");
    }
}

TEST(Archive, SaveReplacesTheFileWhole)
{
    const auto folder
        = std::filesystem::temp_directory_path() / ("kestrel-archive-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "settings.kst").string();
    {
        std::ofstream old(path, std::ios::binary);
        old << "an older and much longer document";
    }
    CArchiveWriter writer;
    writer.WriteString("new");
    writer.WriteInt32(7);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, writer.Bytes(), &error)) << error;

    std::string bytes;
    ASSERT_TRUE(CArchiveReader::LoadFile(path, bytes, &error)) << error;
    EXPECT_EQ(bytes, writer.Bytes());
    // Nothing but the document is left in the folder.
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);

    EXPECT_FALSE(CArchiveReader::LoadFile(path, bytes, &error, 4));
    EXPECT_FALSE(CArchiveReader::LoadFile((folder / "missing.kst").string(), bytes, &error));
    // A folder that cannot exist (its parent is a file): refused, with a reason.
    EXPECT_FALSE(WriteFileAtomically(path + "/x.kst", writer.Bytes(), &error));
    EXPECT_FALSE(error.empty());
    std::filesystem::remove_all(folder);
}

} // namespace
