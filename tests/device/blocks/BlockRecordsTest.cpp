// Records as the one truth of the block settings: block text from records, typed text into
// records (strictly), unknown codes that survive a round trip, dropped fragments that are told.
#include "device/blocks/BlockCodec.h"
#include "device/blocks/FakeBlockSettings.h"

#include <gtest/gtest.h>

namespace {

CCodeTable Symbologies()
{
    return BuildSymbologyTable({ "C39ENA", "128ENA" });
}

CCodeTable Terminals()
{
    return ReadTerminalTable("RS-232|USB Keyboard|N/A");
}

TEST(BlockNames, UnknownCodesBecomeNamesThatWriteTheSameCode)
{
    const CCodeTable symbologies = Symbologies();
    const CCodeTable terminals = Terminals();
    const auto prefixes = ParsePrefixSuffixValue("5A41|", CPreSufEntry::kPrefix, symbologies);
    ASSERT_EQ(prefixes.size(), 1u);
    EXPECT_EQ(prefixes[0].GetSymbology(), "Symbology 5A");
    EXPECT_EQ(BuildPrefixSuffixCommand("PREBK2", prefixes[0], symbologies), "PREBK25A41.");

    const auto formats = ParseDataFormatValue("0123620000F7|0099990000F7|", symbologies, terminals);
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats[0].GetTerminal(), "Terminal 123");
    EXPECT_EQ(formats[1].GetTerminal(), "Any Terminal");
    EXPECT_EQ(DataFormatValueText(formats, symbologies, terminals), "0123620000F7|0099990000F7|");
}

TEST(BlockNames, AnyTerminalUsesTheListsOwnRowWhenThereIsOne)
{
    const CCodeTable own = ReadTerminalTable("A|B|Any Terminal");
    EXPECT_EQ(TerminalCode(own, "Any Terminal"), "002");
    EXPECT_EQ(TerminalName(own, "099"), "Terminal 099");
    EXPECT_EQ(TerminalCode(Terminals(), "Any Terminal"), "099");
    EXPECT_EQ(TerminalCode(Terminals(), ""), "099"); // a new format applies to any terminal
    EXPECT_EQ(TerminalName(Terminals(), "099"), "Any Terminal");
}

TEST(BlockText, TypedTextIsCheckedWithThePosition)
{
    const CCodeTable symbologies = Symbologies();
    const CCodeTable terminals = Terminals();
    struct Row {
        const char* text;
        bool formats;
        std::size_t position; // 0: accepted
    };
    const Row rows[] = {
        { "620d0a|", false, 0 },
        { " 620D0A | 6A41 ", false, 0 },
        { "", false, 0 },
        { "620d0|", false, 5 },
        { "620x0a|", false, 4 },
        { "620d|6|", false, 6 },
        { "620d|6 41", false, 6 }, // a code is two letters or digits
        { "0000990000F10d|", true, 0 },
        { "1001620012F505F7EA", true, 0 },
        { "4000990000F7", true, 1 },
        { "00a0990000F7", true, 3 },
        { "0000990000ZZ", true, 11 },
        { "0000990000F1", true, 13 },
        { "0000990000F5x5", true, 13 },
        { "0000990000FB020d", true, 17 },
        { "000099000", true, 10 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        BlockTextError error;
        bool parsed = false;
        if (row.formats) {
            std::vector<CFormatKeyEntry> entries;
            parsed = ParseDataFormatText(row.text, symbologies, terminals, entries, error);
        } else {
            std::vector<CPreSufEntry> entries;
            parsed = ParsePrefixSuffixText(row.text, CPreSufEntry::kPrefix, symbologies, entries, error);
        }
        EXPECT_EQ(parsed, row.position == 0);
        if (!parsed) {
            EXPECT_EQ(error.position, row.position) << error.reason;
        }
    }
}

class BlockSetText : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.tableCount = 2;
        settings.currentTable = 1;
        settings.Add("C39ENA", "1");
        settings.Add("128ENA", "1");
        settings.Add("PREBK2", "", { "", "620d|" });
        settings.Add("SUFBK2", "", { "", "990a|" });
        settings.Add("AXPBK2", "", { "9941|" });
        settings.Add("DFMBK3", "", { "", "0000990000F7|" });
        settings.Add("PRE_EN", "1", { "1", "1" });
        blocks.BuildSymbologyTable(settings);
        blocks.ParsePrefixSuffixBlocks(settings);
        blocks.ParseDataFormatBlocks(settings);
    }
    FakeBlockSettings settings;
    CBlockSet blocks;
};

TEST_F(BlockSetText, TypedPrefixesReplaceOnlyThePrefixRecordsOfTheTable)
{
    BlockTextError error;
    ASSERT_TRUE(blocks.SetBlockText("PREBK2", 1, "6241|6a42", error));
    const auto& list = blocks.GetPrefixSuffixList(1);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].GetData(), "A");
    EXPECT_EQ(list[1].GetSymbology(), "Code 128");
    EXPECT_FALSE(list[2].IsPrefix());
    EXPECT_EQ(blocks.GetBlockText("PREBK2", 1), "6241|6A42|");
    EXPECT_EQ(blocks.GetBlockText("SUFBK2", 1), "990a|");
    EXPECT_TRUE(blocks.GetPrefixSuffixList(0).empty());

    // What the write sends is what was typed, after the clear commands.
    std::vector<std::string> commands;
    blocks.SetWizardFlag(true);
    blocks.BuildPrefixSuffixCommands(settings, commands);
    EXPECT_EQ(commands, (std::vector<std::string> { "PRECA2.", "SUFCA2.", "PREBK26241.", "PREBK26A42.",
                            "SUFBK2990a.", "AXPCA2.", "AXSCA2.", "AXPBK29941.", "PRE_EN1." }));
}

TEST_F(BlockSetText, TextThatDoesNotParseChangesNothing)
{
    const CBlockSet before = blocks;
    BlockTextError error;
    EXPECT_FALSE(blocks.SetBlockText("DFMBK3", 1, "0000990000F1", error));
    EXPECT_EQ(error.Message("DFMBK3"), "DFMBK3: a formatter command is missing its parameter at character 13.");
    EXPECT_FALSE(blocks.SetBlockText("C39ENA", 1, "1", error));
    EXPECT_TRUE(blocks == before);
}

TEST_F(BlockSetText, StoredValuesFollowTheRecords)
{
    blocks.GetPrefixSuffixList(1).clear();
    blocks.GetDataFormatList(CBlockSet::kExtraList).clear();
    BlockTextError error;
    ASSERT_TRUE(blocks.SetBlockText("AXPBK2", 1, "6242", error));
    blocks.StoreBlockValues(settings);
    EXPECT_EQ(settings.GetSettingValue("PREBK2", 1), "");
    EXPECT_EQ(settings.GetSettingValue("SUFBK2", 1), "");
    EXPECT_EQ(settings.GetSettingValue("DFMBK3", 1), "0000990000F7|");
    EXPECT_EQ(settings.GetSettingValue("AXPBK2", 0), "6242|");
    EXPECT_EQ(settings.GetSettingValue("PREBK2", 0), ""); // other tables are left alone
}

TEST(BlockFragments, PiecesThatAreNoRecordsAreReported)
{
    FakeBlockSettings settings;
    settings.Add("PREBK2", "", { "6|620d|x|\t241" });
    settings.Add("DFMBK3", "", { "0000990000F7|12345|" });
    CBlockSet blocks;
    blocks.BuildSymbologyTable(settings);
    blocks.ParsePrefixSuffixBlocks(settings);
    blocks.ParseDataFormatBlocks(settings);
    EXPECT_EQ(blocks.GetDroppedFragments(),
        (std::vector<std::string> { "PREBK2 (table 0): \"6\"", "PREBK2 (table 0): \"x\"",
            "PREBK2 (table 0): \"\t241\"",
            "DFMBK3 (table 0): \"12345\"" }));
    EXPECT_EQ(blocks.GetPrefixSuffixList(0).size(), 1u);
    // A second read replaces the notes of its own kind only.
    blocks.ParsePrefixSuffixBlocks(settings);
    EXPECT_EQ(blocks.GetDroppedFragments().size(), 4u);
}

TEST(BlockText, BracesInParametersSurviveTheEditor)
{
    // Shown as themselves they would read as a command marker when encoded again.
    EXPECT_EQ(DecodeFormatCommands("FB047b46317d"), "{FB}[0x7b]F1[0x7d]");
    EXPECT_EQ(EncodeFormatCommands("{FB}[0x7b]F1[0x7d]"), "FB047b46317d");
}

TEST(DisplayUnits, NamesAreNeverSplit)
{
    EXPECT_EQ(DisplayTextUnits("a[ CR][0x80][xx]"),
        (std::vector<std::string_view> { "a", "[ CR]", "[0x80]", "[", "x", "x", "]" }));
}

} // namespace
