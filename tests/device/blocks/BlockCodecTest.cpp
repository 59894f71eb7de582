#include "device/blocks/BlockCodec.h"

#include "wizards/FormatCommandCatalog.h"

#include <gtest/gtest.h>

namespace {

CCodeTable Symbologies()
{
    return BuildSymbologyTable({ "C39ENA", "128ENA", "I25ENA" });
}

CCodeTable Terminals()
{
    return ReadTerminalTable("RS-232|USB Keyboard|Wedge");
}

TEST(PrefixSuffixBlock, CarriageReturnLineFeedPrefixRoundTrips)
{
    const CCodeTable symbologies = Symbologies();
    const auto entries = ParsePrefixSuffixValue("620D0A|", CPreSufEntry::kPrefix, symbologies);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].IsPrefix());
    EXPECT_EQ(entries[0].GetSymbology(), "Code 39");
    EXPECT_EQ(entries[0].GetData(), "[ CR][ LF]");
    EXPECT_EQ(entries[0].GetLeftDelimiter(), "[");
    EXPECT_EQ(entries[0].GetRightDelimiter(), "]");
    EXPECT_EQ(BuildPrefixSuffixCommand("PREBK2", entries[0], symbologies), "PREBK2620d0a.");
}

TEST(PrefixSuffixBlock, RecordsAndDamage)
{
    const CCodeTable symbologies = Symbologies();
    struct Row {
        const char* value;
        std::vector<std::pair<std::string, std::string>> records; // symbology, data
    };
    const Row rows[] = {
        { "6A41|650d", { { "Code 128", "A" }, { "Inter 2/5", "[ CR]" } } },
        { "6A41|650d|", { { "Code 128", "A" }, { "Inter 2/5", "[ CR]" } } },
        { "  6A41 \r\n", { { "Code 128", "A" } } }, // trimmed
        { "62", { { "Code 39", "" } } }, // "62|": a code without data
        { "6", {} }, // shorter than 3 with its "|": nothing
        { "", {} },
        { "|", {} },
        { "7799|6|", { { "Symbology 77", "[0x99]" } } }, // unknown code keeps the record; "6" is no record
        { "62414|", { { "Code 39", "A" } } }, // odd digit dropped
        { "62zz|", { { "Code 39", "[NUL]" } } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        const auto entries = ParsePrefixSuffixValue(row.value, CPreSufEntry::kSuffix, symbologies);
        ASSERT_EQ(entries.size(), row.records.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].GetKind(), CPreSufEntry::kSuffix);
            EXPECT_EQ(entries[i].GetSymbology(), row.records[i].first);
            EXPECT_EQ(entries[i].GetData(), row.records[i].second);
        }
    }
}

TEST(PrefixSuffixBlock, UnknownSymbologyNameGivesAnEmptyCode)
{
    CPreSufEntry entry(CPreSufEntry::kSuffix, "No Such Code");
    entry.SetData("x[0x80]");
    EXPECT_EQ(BuildPrefixSuffixCommand("SUFBK2", entry, Symbologies()), "SUFBK27880.");
}

TEST(DataFormatBlock, SlotTwoRecordIsWrittenWithPaddedLength)
{
    CFormatKeyEntry entry;
    entry.SetSlot(2);
    entry.SetTerminal("RS-232");
    EXPECT_EQ(entry.GetSymbology(), "All Symbologies");
    EXPECT_EQ(entry.GetSlotName(), "A2");
    entry.SetCommands("{F1}[ CR]{E9}02");
    EXPECT_EQ(
        BuildDataFormatCommand("DFMBK3", entry, Symbologies(), Terminals()), "DFMBK32000990000F10dE902.");
    entry.SetLength("12");
    EXPECT_EQ(
        BuildDataFormatCommand("AXDBK3", entry, Symbologies(), Terminals()), "AXDBK32000990012F10dE902.");
}

TEST(DataFormatBlock, ParsesRecords)
{
    const CCodeTable symbologies = Symbologies();
    const CCodeTable terminals = Terminals();
    const auto entries = ParseDataFormatValue(
        " 2000990000F10dE902|100162ABCDF505 |0|30029C9999\r\n", symbologies, terminals);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].GetSlot(), 2);
    EXPECT_EQ(entries[0].GetSlotName(), "A2");
    EXPECT_EQ(entries[0].GetTerminal(), "RS-232");
    EXPECT_EQ(entries[0].GetSymbology(), "All Symbologies");
    EXPECT_EQ(entries[0].GetLength(), "0000");
    EXPECT_EQ(entries[0].GetCommands(), "{F1}[ CR]{E9}02");
    EXPECT_EQ(entries[1].GetSlot(), 1);
    EXPECT_EQ(entries[1].GetTerminal(), "USB Keyboard");
    EXPECT_EQ(entries[1].GetSymbology(), "Code 39");
    EXPECT_EQ(entries[1].GetLength(), "ABCD");
    EXPECT_EQ(entries[1].GetCommands(), "{F5}05"); // the odd blank is dropped
    EXPECT_EQ(entries[2].GetSlotName(), "A3");
    EXPECT_EQ(entries[2].GetTerminal(), "Wedge");
    EXPECT_EQ(entries[2].GetSymbology(), "No Read");
    EXPECT_EQ(entries[2].GetLength(), "9999");
    EXPECT_EQ(entries[2].GetCommands(), "");

    EXPECT_TRUE(ParseDataFormatValue("200099000", symbologies, terminals).empty());
    EXPECT_EQ(ParseDataFormatValue("2000990000", symbologies, terminals).size(), 1u);
}

// Reader form and editor form of every kind of catalog entry.
TEST(FormatCommands, EncodeAndDecode)
{
    struct Row {
        const char* editor;
        const char* reader;
    };
    const Row rows[] = {
        { "{F1}[ CR]", "F10d" }, // one character
        { "{F2}05[ HT]", "F20509" }, // number, character
        { "{F3}A[ CR]", "F3410d" }, // character, character
        { "{F4}*10", "F42a10" }, // character, number
        { "{F5}05{F6}99", "F505F699" }, // number only
        { "{F7}{FC}{E5}{EA}{EB}{EC}{ED}", "F7FCE5EAEBECED" },
        { "{F8}[ESC]{F9}z{FE}[0x80]", "F81bF97aFE80" },
        { "{FB}[ CR]ab", "FB030d6162" }, // counted text, a name counts as one
        { "{E4}aAbB[ LF][ CR]", "E406614162420a0d" },
        { "{E6}A{E7}[NUL]{E9}03", "E641E700E903" },
        { "{EF}0100", "EF0430313030" }, // counted like FB
        { "{FB}", "FB00" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.editor);
        EXPECT_EQ(EncodeFormatCommands(row.editor), row.reader);
        EXPECT_EQ(DecodeFormatCommands(row.reader), row.editor);
    }
}

TEST(FormatCommands, EveryCatalogEntryRoundTrips)
{
    for (const FormatCommand& command : kFormatCommands) {
        SCOPED_TRACE(std::string(command.code));
        auto sample = [](int limit, int numeric, const char* text) -> std::string {
            if (limit == 0) return "";
            if (numeric) return limit == 2 ? "9999" : "42";
            return limit == 1 ? std::string(text) : std::string("[ CR]x[0x80]");
        };
        const std::string editor = "{" + std::string(command.code) + "}"
            + sample(command.limit1, command.numeric1, "[ CR]")
            + sample(command.limit2, command.numeric2, "y") + "{F7}";
        const std::string reader = EncodeFormatCommands(editor);
        EXPECT_TRUE(reader.starts_with(command.code));
        EXPECT_TRUE(reader.ends_with("F7"));
        EXPECT_EQ(DecodeFormatCommands(reader), editor);
    }
}

TEST(FormatCommands, DecodingNeverReadsPastTheRecord)
{
    EXPECT_EQ(DecodeFormatCommands("f10d"), "{F1}[ CR]");
    EXPECT_EQ(DecodeFormatCommands("F1|0d"), "{F1}");
    EXPECT_EQ(DecodeFormatCommands("F20"), "{F2}");
    EXPECT_EQ(DecodeFormatCommands("FB050d61"), "{FB}[ CR]a");
    EXPECT_EQ(DecodeFormatCommands("FB9"), "{FB}");
    EXPECT_EQ(DecodeFormatCommands("F"), "");
    EXPECT_EQ(DecodeFormatCommands("A1F10d"), "{A1}{F1}[ CR]"); // other codes carry no parameter
    EXPECT_EQ(DecodeFormatCommands("E0F10d"), "{E0}{F1}[ CR]"); // unknown E code: none either
}

TEST(FormatCommands, BracesInParametersSurvive)
{
    // A reader may hand back "{" or "}" as a parameter; they are not command markers.
    for (const char* reader : { "F17bF17d", "F87bF7", "F37b7dFB027b7d" }) {
        SCOPED_TRACE(reader);
        EXPECT_EQ(EncodeFormatCommands(DecodeFormatCommands(reader)), reader);
    }
    EXPECT_EQ(DecodeFormatCommands("F17b"), "{F1}[0x7b]"); // shown so that it cannot read as a marker
    EXPECT_EQ(EncodeFormatCommands("junk{F7}"), "junkF7");
    EXPECT_EQ(EncodeFormatCommands("{f1}<< CR>", "<<", ">"), "f10d");
}

TEST(Housekeeping, DropsClearCommandsAndDefaultEnables)
{
    std::vector<std::string> commands { "PRECA2.", "SUFCA2.", "PREBK2620d.", "PRE_EN1.", "PRE_EN0.",
        "SUF_EN1.", "CODIDX0.", "CODIDX1.", "AIMIDX0.", "DFMCA3.", "DFMBK32000990000F7.", "DFM_EN1.",
        "DFMRQD1.", "DFMRQD0.", "AXPCA2.", "AXSCA2.", "AXDCA3.", "AXP_EN1.", "AXS_EN1.", "AXD_EN1.",
        "AXD_EN2." };
    DropBlockHousekeeping(commands);
    EXPECT_EQ(commands,
        (std::vector<std::string> {
            "PREBK2620d.", "PRE_EN0.", "CODIDX1.", "DFMBK32000990000F7.", "DFMRQD0.", "AXD_EN2." }));
}

} // namespace
