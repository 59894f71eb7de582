#include "device/blocks/CBlockSet.h"

#include "platform/Archive.h"
#include "device/blocks/FakeBlockSettings.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using FakeSettings = FakeBlockSettings;

std::vector<std::pair<std::string, std::string>> Rows(const CCodeTable& table)
{
    std::vector<std::pair<std::string, std::string>> rows;
    for (std::size_t i = 0; i < table.GetNames().size(); ++i)
        rows.emplace_back(table.GetNames()[i], table.GetCodes()[i]);
    return rows;
}

TEST(SymbologyTable, RowsFollowTheSettings)
{
    using R = std::vector<std::pair<std::string, std::string>>;
    const R fixed { { "All Symbologies", "99" }, { "No Read", "9C" } };
    struct Row {
        const char* what;
        std::vector<std::string> tags;
        R added;
    };
    const Row rows[] = {
        { "composite once", { "RSSENA", "RSLENA", "COMENA", "C39ENA" },
            { { "RSS / EAN-UCC Composite", "79" }, { "Code 39", "62" } } },
        { "newer code IDs", { "UPAENA", "UPEEN0", "UPEEN1", "E13ENA", "EA8ENA", "CIDNEW" },
            { { "UPC-A", "63" }, { "UPC-A / EAN-13 With Extended Coupon Code", "64" }, { "UPC-E", "45" },
                { "EAN/JAN-13", "64" }, { "EAN/JAN-8", "44" } } },
        { "older code IDs", { "UPAENA", "UE0ENA", "UE1ENA", "E13ENA", "EA8ENA", "UPEEN0" },
            { { "UPC", "63" }, { "EAN/JAN", "64" } } },
        { "case and other tags", { "c39ena", "EANEMU", "C39EN0", "BEPLVL", "T39", "T39ENA", "TERMID" },
            { { "Code 39", "62" }, { "UCC/EAN-128", "49" }, { "TCIF Linked Code 39", "T" } } },
        { "setting order", { "OCRENA", "CBRENA" }, { { "OCR", "4F" }, { "Codabar", "61" } } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        R expected = fixed;
        expected.insert(expected.end(), row.added.begin(), row.added.end());
        EXPECT_EQ(Rows(BuildSymbologyTable(row.tags)), expected);
    }
}

TEST(SymbologyTable, LookupsIgnoreCaseAndTakeTheLastRow)
{
    const CCodeTable table = BuildSymbologyTable({ "R25ENA", "A25ENA", "128ENA" });
    EXPECT_EQ(table.NameFromCode("66"), "IATA 2/5");
    EXPECT_EQ(table.NameFromCode("6a"), "Code 128");
    EXPECT_EQ(table.CodeFromName("code 2 OF 5"), "66");
    EXPECT_EQ(table.NameFromCode("zz"), "");
    EXPECT_EQ(table.CodeFromName("Code 39"), "");
}

TEST(TerminalTable, CodesArePositions)
{
    CBlockSet blocks;
    blocks.ReadTerminalTable("RS-232|USB|Wedge");
    EXPECT_EQ(Rows(blocks.GetTerminalTable()),
        (std::vector<std::pair<std::string, std::string>> {
            { "RS-232", "000" }, { "USB", "001" }, { "Wedge", "002" } }));
    EXPECT_EQ(blocks.TerminalNameFromCode("1"), "USB");
    EXPECT_EQ(blocks.TerminalNameFromCode("002"), "Wedge");
    EXPECT_EQ(blocks.TerminalNameFromCode("3"), "");
    EXPECT_EQ(blocks.TerminalCodeFromName("wedge"), "002");

    EXPECT_EQ(ReadTerminalTable("A||B|").GetCodes(), (std::vector<std::string> { "000", "001", "002" }));
    EXPECT_EQ(ReadTerminalTable("Only").GetNames(), (std::vector<std::string> { "Only" }));
    EXPECT_EQ(ReadTerminalTable(" RS-232 |  | USB Keyboard\t").GetNames(),
        (std::vector<std::string> { "RS-232", "", "USB Keyboard" }));
    EXPECT_TRUE(ReadTerminalTable("").GetNames().empty());
    std::string many;
    for (int i = 0; i < 1200; ++i)
        many += "T|";
    EXPECT_EQ(ReadTerminalTable(many).GetCodes().back(), "1199");
}

// A three-table reader with main and auxiliary blocks.
FakeSettings ThreeTableReader()
{
    FakeSettings s;
    s.tableCount = 3;
    s.Add("C39ENA", "1", { "1", "1", "1" });
    s.Add("128ENA", "1", { "1", "1", "1" });
    s.Add("PREBK2", "99AB|", { "620d0a|", "6A41|6241", "" });
    s.Add("SUFBK2", "", { "990d", "", "9909|" });
    s.Add("AXPBK2", "", { "9920", "ignored", "ignored" });
    s.Add("AXSBK2", "", { "", "", "" });
    s.Add("DFMBK3", "0000990000F7|", { "", "2000990000F10d|", "" });
    s.Add("AXDBK3", "1001990000EA", { "1001990000EA", "ignored", "" });
    s.Add("PRE_EN", "1", { "1", "0", "1" });
    s.Add("SUF_EN", "1", { "1", "1", "1" });
    s.Add("AIMIDX", "0", { "0", "1", "0" });
    s.Add("DFM_EN", "1", { "1", "2", "1" });
    s.Add("DFMRQD", "0", { "0", "0", "0" });
    return s;
}

CBlockSet ParsedBlocks(const FakeSettings& settings)
{
    CBlockSet blocks;
    blocks.UpdateWizardFlag(settings);
    blocks.BuildSymbologyTable(settings);
    blocks.ReadTerminalTable("RS-232|USB");
    blocks.ParsePrefixSuffixBlocks(settings);
    blocks.ParseDataFormatBlocks(settings);
    return blocks;
}

TEST(BlockSet, ParsesEveryTableAndWritesTheCurrentOne)
{
    FakeSettings settings = ThreeTableReader();
    CBlockSet blocks = ParsedBlocks(settings);
    EXPECT_TRUE(blocks.GetWizardFlag());
    EXPECT_TRUE(CBlockSet::HasAuxiliaryPort(settings));

    ASSERT_EQ(blocks.GetPrefixSuffixList(0).size(), 2u);
    EXPECT_EQ(blocks.GetPrefixSuffixList(0)[0].GetData(), "[ CR][ LF]");
    EXPECT_FALSE(blocks.GetPrefixSuffixList(0)[1].IsPrefix());
    EXPECT_EQ(blocks.GetPrefixSuffixList(1).size(), 2u);
    EXPECT_EQ(blocks.GetPrefixSuffixList(2).size(), 1u);
    EXPECT_TRUE(blocks.GetPrefixSuffixList(3).empty());
    ASSERT_EQ(blocks.GetPrefixSuffixList(CBlockSet::kExtraList).size(), 1u);
    EXPECT_EQ(blocks.GetPrefixSuffixList(CBlockSet::kExtraList)[0].GetSymbology(), "All Symbologies");
    ASSERT_EQ(blocks.GetDataFormatList(1).size(), 1u);
    EXPECT_EQ(blocks.GetDataFormatList(1)[0].GetTerminal(), "RS-232");
    EXPECT_EQ(blocks.GetDataFormatList(CBlockSet::kExtraList).size(), 1u);

    settings.currentTable = 1;
    std::vector<std::string> commands;
    blocks.BuildPrefixSuffixCommands(settings, commands);
    blocks.BuildDataFormatCommands(settings, commands);
    EXPECT_EQ(commands,
        (std::vector<std::string> { "PRECA2.", "SUFCA2.", "PREBK26A41.", "PREBK26241.", "AXPCA2.", "AXSCA2.",
            "AXPBK29920.", "PRE_EN0.", "SUF_EN1.", "AIMIDX1.", "DFMCA3.", "DFMBK32000990000F10d.", "AXDCA3.",
            "AXDBK31001990000EA.", "DFM_EN2.", "DFMRQD0." }));

    // Parsing again replaces the records instead of adding to them.
    blocks.ParsePrefixSuffixBlocks(settings);
    blocks.ParseDataFormatBlocks(settings);
    EXPECT_EQ(blocks, ParsedBlocks(settings));
}

TEST(BlockSet, WithoutTheWizardFlagNothingIsCleared)
{
    FakeSettings settings;
    settings.Add("C39ENA", "1", { "1" });
    settings.Add("PREBK2", "", { "620d" });
    settings.Add("SUFBK2", "", { "" });
    CBlockSet blocks = ParsedBlocks(settings);
    EXPECT_FALSE(blocks.GetWizardFlag());
    EXPECT_FALSE(CBlockSet::HasAuxiliaryPort(settings));
    std::vector<std::string> commands;
    blocks.BuildPrefixSuffixCommands(settings, commands);
    blocks.BuildDataFormatCommands(settings, commands);
    EXPECT_EQ(commands, (std::vector<std::string> { "PREBK2620d." }));
}

TEST(BlockSet, ResetToDefaults)
{
    FakeSettings settings = ThreeTableReader();
    settings.currentTable = 2;
    CBlockSet blocks = ParsedBlocks(settings);
    blocks.ResetBlocksToDefaults(settings, false);
    // Table 2 and the extra lists now hold the defaults; the others are untouched.
    EXPECT_EQ(blocks.GetPrefixSuffixList(0).size(), 2u);
    ASSERT_EQ(blocks.GetPrefixSuffixList(2).size(), 1u);
    EXPECT_EQ(blocks.GetPrefixSuffixList(2)[0].GetData(), "[0xab]");
    ASSERT_EQ(blocks.GetDataFormatList(2).size(), 1u);
    EXPECT_EQ(blocks.GetDataFormatList(2)[0].GetCommands(), "{F7}");
    EXPECT_EQ(blocks.GetDataFormatList(1).size(), 1u);
    EXPECT_TRUE(blocks.GetPrefixSuffixList(CBlockSet::kExtraList).empty());
    ASSERT_EQ(blocks.GetDataFormatList(CBlockSet::kExtraList).size(), 1u);

    blocks.ResetBlocksToDefaults(settings, true);
    for (int table = 0; table < 3; ++table) {
        EXPECT_EQ(blocks.GetPrefixSuffixList(table).size(), 1u);
        EXPECT_EQ(blocks.GetDataFormatList(table).size(), 1u);
    }
    EXPECT_TRUE(blocks.GetPrefixSuffixList(3).empty());
}

TEST(BlockSet, Enables)
{
    FakeSettings settings = ThreeTableReader();
    settings.currentTable = 1;
    CBlockSet blocks;
    EXPECT_EQ(blocks.GetPrefixSuffixEnables(settings),
        (std::array<std::string, 4> { "0", "1", "HIDE_BUTTON", "1" }));
    EXPECT_EQ(blocks.GetDataFormatEnables(settings), (std::array<std::string, 2> { "2", "HIDE_BUTTON" }));

    blocks.SetPrefixSuffixEnables(settings, { "1", "HIDE_BUTTON", "1", "0" });
    blocks.SetDataFormatEnables(settings, { "0", "1" });
    EXPECT_EQ(settings.GetSettingValue("PRE_EN", 1), "1");
    EXPECT_EQ(settings.GetSettingValue("SUF_EN", 1), "1"); // the marker is never written
    EXPECT_EQ(settings.GetSettingValue("AIMIDX", 1), "0");
    EXPECT_EQ(settings.GetSettingValue("PRE_EN", 0), "1"); // other tables untouched
    EXPECT_EQ(settings.GetSettingValue("DFM_EN", 1), "0");
    EXPECT_FALSE(settings.HasSetting("CODIDX"));
    EXPECT_FALSE(settings.HasSetting("AXD_EN"));
}

TEST(BlockSet, CurrentTableOutOfRangeWritesNoRecords)
{
    FakeSettings settings = ThreeTableReader();
    CBlockSet blocks = ParsedBlocks(settings);
    settings.currentTable = 12;
    std::vector<std::string> commands;
    blocks.BuildPrefixSuffixCommands(settings, commands);
    EXPECT_EQ(
        commands, (std::vector<std::string> { "PRECA2.", "SUFCA2.", "AXPCA2.", "AXSCA2.", "AXPBK29920." }));
    EXPECT_EQ(blocks.GetPrefixSuffixEnables(settings)[0], "HIDE_BUTTON");
    blocks.SetPrefixSuffixEnables(settings, { "1", "1", "1", "1" });
}

TEST(StoredForms, RecordLayout)
{
    CPreSufEntry prefix(CPreSufEntry::kPrefix, "Code 39");
    prefix.SetData("[ CR]");
    CFormatKeyEntry format;
    format.SetTerminal("USB");
    format.SetSlot(3);
    format.SetLength("12");
    format.SetCommands("{F7}");
    CArchiveWriter writer;
    prefix.Write(writer);
    format.Write(writer);
    const std::string expected = std::string("\x01\x00\x00\x00", 4) + "\x05[ CR]" + "\x01[" + "\x01]"
        + "\x07"
          "Code 39"
        + "\x03USB"
        + "\x0f"
          "All Symbologies"
        + "\x02"
          "12"
        + "\x02"
          "A3"
        + "\x03" + "\x04{F7}" + "\x01[" + "\x01]";
    EXPECT_EQ(writer.Bytes(), expected);
    CArchiveReader reader(writer.Bytes());
    EXPECT_EQ(CPreSufEntry::Read(reader), prefix);
    EXPECT_EQ(CFormatKeyEntry::Read(reader), format);
    EXPECT_TRUE(reader.AtEnd());
}

TEST(StoredForms, BlockSetRoundTripsAndRejectsEveryTruncation)
{
    CBlockSet blocks = ParsedBlocks(ThreeTableReader());
    blocks.GetPrefixSuffixList(8).emplace_back(CPreSufEntry::kSuffix, "Code 128");
    CArchiveWriter writer;
    blocks.WritePrefixSuffixLists(writer);
    blocks.WriteDataFormatLists(writer);
    blocks.WriteCodeTables(writer);

    auto readAll = [](std::string_view bytes) {
        CArchiveReader reader(bytes);
        CBlockSet copy;
        copy.ReadPrefixSuffixLists(reader);
        copy.ReadDataFormatLists(reader);
        copy.ReadCodeTables(reader);
        EXPECT_TRUE(reader.AtEnd());
        return copy;
    };
    CBlockSet copy = readAll(writer.Bytes());
    copy.SetWizardFlag(blocks.GetWizardFlag()); // stored by the device, not here
    EXPECT_EQ(copy, blocks);

    const std::string& bytes = writer.Bytes();
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_THROW(readAll(std::string_view(bytes).substr(0, cut)), ArchiveError) << cut;
}

TEST(StoredForms, AbsurdListCountIsRefused)
{
    CArchiveWriter writer;
    writer.WriteInt32(0);
    writer.WriteInt32(0x7FFFFFFF);
    writer.WriteInt32(0);
    CBlockSet blocks;
    CArchiveReader reader(writer.Bytes());
    EXPECT_THROW(blocks.ReadDataFormatLists(reader), ArchiveError);
}

} // namespace
