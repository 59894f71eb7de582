// Configuration documents: what a reader gave us is saved, loaded back equal and saved again
// byte for byte; foreign, damaged and cut-short files leave the open document usable.
#include "DocumentBench.h"

#include "catalog/TabDefinitions.h"
#include "device/CDevice.h"
#include "platform/Archive.h"

#include <cstdio>
#include <filesystem>

namespace {

class KstDocumentTest : public DocumentBench {
protected:
    static void ExpectSameDevice(const CDevice& a, const CDevice& b)
    {
        EXPECT_EQ(a.TableCount(), b.TableCount());
        EXPECT_EQ(a.CurrentTable(), b.CurrentTable());
        EXPECT_EQ(a.LinkCode(), b.LinkCode());
        EXPECT_EQ(a.EorText(), b.EorText());
        EXPECT_TRUE(a.Blocks() == b.Blocks());
        ASSERT_EQ(a.Settings().size(), b.Settings().size());
        for (size_t i = 0; i < a.Settings().size(); ++i) {
            const CDeviceSetting& x = a.Settings()[i];
            const CDeviceSetting& y = b.Settings()[i];
            SCOPED_TRACE(x.tag);
            EXPECT_EQ(x.tag, y.tag);
            EXPECT_EQ(x.defaultValue, y.defaultValue);
            EXPECT_EQ(x.minimum, y.minimum);
            EXPECT_EQ(x.maximum, y.maximum);
            EXPECT_EQ(x.sameAllTables, y.sameAllTables);
            EXPECT_EQ(x.allowedValues, y.allowedValues);
            for (int t = 0; t < a.TableCount(); ++t)
                EXPECT_EQ(x.ValueForDevice(t), y.ValueForDevice(t));
        }
    }
};

// Every shipped reader profile: connect, save, load into a fresh document, save again.
TEST_F(KstDocumentTest, EveryProfileRoundTripsByteForByte)
{
    for (const char* name : { "3800lr", "3820sc", "2020bs", "4600sr", "5620sr", "5820bs", "hm7" }) {
        SCOPED_TRACE(name);
        auto reader = AttachProfile(name);
        document = MakeDocument();
        ASSERT_TRUE(document->Connect());
        document->SetDescription(std::string("Saved from ") + name);
        const std::string first = document->SaveToBytes();

        auto loaded = MakeDocument();
        ASSERT_TRUE(loaded->LoadFromBytes(first));
        EXPECT_EQ(loaded->Description(), document->Description());
        EXPECT_EQ(loaded->DocumentEntry().baseNumber, document->DocumentEntry().baseNumber);
        EXPECT_EQ(loaded->DocumentEntry().catalogRow, document->DocumentEntry().catalogRow);
        ExpectSameDevice(*document->Device(), *loaded->Device());
        EXPECT_EQ(loaded->Pages().size(), document->Pages().size());
        const std::string second = loaded->SaveToBytes();
        EXPECT_TRUE(second == first) << "second save differs";
        port.ClosePort();
        ports.sim.Detach("COM5");
    }
}

TEST_F(KstDocumentTest, StoresOneValuePerTableAndAlwaysTenBlockLists)
{
    auto reader = AttachProfile("3800lr");
    ASSERT_TRUE(document->Connect());
    const std::string bytes = document->SaveToBytes();
    CArchiveReader archive(bytes);
    archive.ReadString();
    ReadDeviceName(archive);
    EXPECT_EQ(archive.ReadInt32(), 32);
    archive.ReadInt32();
    archive.ReadInt32();
    EXPECT_EQ(archive.ReadInt32(), 1);
    archive.ReadString();
    archive.ReadInt32();
    const size_t count = archive.ReadCount(1);
    ASSERT_EQ(count, document->Device()->Settings().size());
    for (size_t i = 0; i < count; ++i)
        ReadDeviceSetting(archive, 1);
    for (int list = 0; list < 20; ++list) {
        const std::int32_t entries = archive.ReadInt32();
        ASSERT_GE(entries, 0);
        for (std::int32_t e = 0; e < entries; ++e) {
            if (list < 10)
                CPreSufEntry::Read(archive);
            else
                CFormatKeyEntry::Read(archive);
        }
    }
    for (int list = 0; list < 4; ++list)
        archive.ReadStringList();
    ReadDeviceName(archive);
    EXPECT_TRUE(archive.AtEnd());
}

TEST_F(KstDocumentTest, ForeignFormatLoadsWithoutPages)
{
    auto reader = AttachProfile("3800lr");
    ASSERT_TRUE(document->Connect());
    std::string bytes = document->SaveToBytes();
    // The format number follows the description and the catalog entry.
    CArchiveReader archive(bytes);
    archive.ReadString();
    ReadDeviceName(archive);
    bytes[archive.Position()] = 31;
    host.messages.clear();
    EXPECT_FALSE(document->LoadFromBytes(bytes));
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string> { CQLMenuDoc::kNotCompatibleFile }));
    EXPECT_TRUE(document->Pages().empty());
    EXPECT_TRUE(document->Bindings().empty());
}

TEST_F(KstDocumentTest, DamagedOrCutShortFileLeavesTheOpenDocumentUsable)
{
    auto reader = AttachProfile("3800lr");
    ASSERT_TRUE(document->Connect());
    const std::string good = document->SaveToBytes();
    const size_t pages = document->Pages().size();
    const CDevice* device = document->Device();

    for (size_t cut : { size_t(0), size_t(3), good.size() / 2, good.size() - 1 }) {
        SCOPED_TRACE(cut);
        host.messages.clear();
        EXPECT_FALSE(document->LoadFromBytes(good.substr(0, cut)));
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(
            host.messages[0].text.rfind("The file could not be read. It is damaged or incomplete: ", 0), 0u);
        EXPECT_EQ(document->Device(), device);
        EXPECT_EQ(document->Pages().size(), pages);
    }
    // A setting count far beyond what the file holds is refused before anything is made.
    std::string huge = good;
    CArchiveReader archive(huge);
    archive.ReadString();
    ReadDeviceName(archive);
    for (int i = 0; i < 4; ++i)
        archive.ReadInt32();
    archive.ReadString();
    archive.ReadInt32();
    const size_t countAt = archive.Position();
    huge[countAt + 3] = 0x7F;
    EXPECT_FALSE(document->LoadFromBytes(huge));
    EXPECT_EQ(document->Device(), device);

    // Still a working document: it saves what it had.
    EXPECT_EQ(document->SaveToBytes(), good);
}

TEST_F(KstDocumentTest, UnknownDeviceClassIsReportedAndAtomicSaveReplacesTheFile)
{
    auto reader = AttachProfile("3800lr");
    ASSERT_TRUE(document->Connect());
    const std::string folder = ::testing::TempDir() + "/kst-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/reader.kst";
    ASSERT_TRUE(document->Save(path));
    ASSERT_TRUE(document->Save(path));
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);

    auto loaded = MakeDocument();
    ASSERT_TRUE(loaded->Load(path));
    EXPECT_EQ(loaded->SaveToBytes(), document->SaveToBytes());

    // A catalog entry with no row and a base number nobody knows: the chooser is cancelled.
    CArchiveWriter writer;
    writer.WriteString("");
    CDeviceName nobody;
    nobody.baseNumber = "99999999";
    nobody.revision = 1;
    WriteDeviceName(writer, nobody);
    writer.WriteInt32(32);
    host.messages.clear();
    EXPECT_FALSE(loaded->LoadFromBytes(writer.Bytes()));
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string> { "Unknown Device, Cannot Save File" }));
    EXPECT_FALSE(loaded->Pages().empty());
    std::filesystem::remove_all(folder);
}

} // namespace
