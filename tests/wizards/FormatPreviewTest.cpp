// The rule preview: every formatter command on the example data "1234AA5678", with outputs
// worked out by hand from the command descriptions, and how prefix, suffix, code ID and the
// formatter state put the host's output together.
#include "wizards/FormatPreview.h"

#include "device/blocks/BlockCodec.h"

#include <gtest/gtest.h>

namespace {

// One primary format for any terminal, all symbologies and any length.
std::string AnyFormat(std::string_view commands, std::string_view head = "0099999999")
{
    return std::string(head) + EncodeFormatCommands(commands) + "|";
}

PreviewResult Scan(const ReaderRules& rules, std::string data, std::string code = "62")
{
    return RunFormatPreview(rules, PreviewSample { std::move(code), std::move(data), "", 0 });
}

TEST(FormatPreviewGolden, EachCommandOnTheExampleData)
{
    struct Row {
        const char* command;
        const char* commands;
        const char* host;
        const char* aux;
    };
    const Row rows[] = {
        { "F1", "{F1}[ CR]", "1234AA5678\r", "" },
        { "F2", "{F2}04-", "1234-", "" },
        { "F3", "{F3}A-{F1}.", "1234-AA5678.", "" },
        { "F4", "{F4}*03", "***", "" },
        { "F5", "{F5}04{F1}.", "AA5678.", "" },
        { "F6", "{EA}{F6}03{F1}.", "678.", "" },
        { "F7", "{F5}05{F7}{F1}.", "1234AA5678.", "" },
        { "F8", "{F8}5{F1}.", "5678.", "" },
        { "F9", "{EA}{F9}A{F1}.", "A5678.", "" },
        { "FB", "{FB}A{F1}.", "12345678.", "" },
        { "FC", "{FB}A{F2}05-{FC}{F1}.", "1234-A5678.", "" },
        { "FE", "{F5}04{FE}A{F1}.", "A5678.", "" },
        { "E4", "{E4}A-5+{F1}.", "1234--+678.", "" },
        { "E5", "{E4}AB{F2}05.{E5}{F1}.", "1234B.A5678.", "" },
        { "E6", "{E6}A{F1}.", "5678.", "" },
        { "E7", "{EA}{E7}A{F1}.", "4AA5678.", "" },
        { "E9", "{E9}04", "1234AA", "" },
        { "EA", "{EA}{F1}.", ".", "" },
        { "EB", "{F2}04.{EB}{F1}!{EB}", "1234.", "AA5678!" },
        { "EC", "{EC}{F2}01.", "1.", "" },
        { "ED", "{F5}04{ED}{F2}02.", "AA.", "" },
        { "EF", "{EF}0200{F2}01.", "{delay 1000 ms}1.", "" },
    };
    static_assert(std::size(rows) == 22);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        ReaderRules rules;
        rules.formats = AnyFormat(row.commands);
        const PreviewResult result = Scan(rules, "1234AA5678");
        ASSERT_TRUE(result.sent);
        EXPECT_EQ(result.format, 0) << (result.failures.empty() ? "" : result.failures[0]);
        EXPECT_EQ(result.host, row.host);
        EXPECT_EQ(result.aux, row.aux);
    }
}

TEST(FormatPreviewGolden, FailingFormatsAreSkippedAndSaySo)
{
    ReaderRules rules;
    rules.formats = AnyFormat("{F5}04{EC}{F1}.") + AnyFormat("{F8}Z") + AnyFormat("{F5}11")
        + AnyFormat("{F1}#");
    const PreviewResult result = Scan(rules, "1234AA5678");
    EXPECT_EQ(result.format, 3);
    EXPECT_EQ(result.host, "1234AA5678#");
    EXPECT_EQ(result.failures,
        (std::vector<std::string> { "format 1: {EC} no digit at the cursor", "format 2: {F8}Z found nothing",
            "format 3: {F5}11 the cursor would leave the data" }));
    EXPECT_EQ(result.trace, (std::vector<std::string> { "{F1}#  cursor 0 -> 10" }));
}

TEST(FormatPreview, FormatsMatchSlotTerminalSymbologyAndLength)
{
    ReaderRules rules;
    rules.terminal = "003";
    rules.formats = AnyFormat("{F1}1", "1099999999") // alternate 1
        + AnyFormat("{F1}2", "0002999999") // another terminal
        + AnyFormat("{F1}3", "0099639999") // another symbology
        + AnyFormat("{F1}4", "0099990004") // another length
        + AnyFormat("{F1}5", "0003620010");
    EXPECT_EQ(Scan(rules, "1234AA5678").host, "1234AA56785");
    EXPECT_EQ(Scan(rules, "ABCD").host, "ABCD4");
    EXPECT_EQ(RunFormatPreview(rules, { "62", "x", "", 1 }).host, "x1");
    EXPECT_EQ(RunFormatPreview(rules, { "62", "x", "002", 0 }).host, "x2");
}

TEST(FormatPreview, FormatterStateDecidesWhatIsSentWithoutAFormat)
{
    struct Row {
        const char* dfmEn;
        const char* dfmRqd;
        bool match;
        const char* host; // nullptr: nothing sent
    };
    const Row rows[] = {
        { "0", "1", true, "<1234>" }, // formatting off: the data as it is
        { "1", "0", false, "<1234>" },
        { "1", "1", false, nullptr },
        { "2", "0", false, nullptr },
        { "3", "0", false, "<1234>" },
        { "4", "0", false, nullptr },
        { "1", "0", true, "<1234!>" },
        { "3", "0", true, "1234!" }, // prefix and suffix dropped once a format applies
        { "4", "0", true, "1234!" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.dfmEn) + row.dfmRqd + (row.match ? " match" : ""));
        ReaderRules rules;
        rules.prefixes = "993c|";
        rules.suffixes = "993e|";
        rules.dfmEn = row.dfmEn;
        rules.dfmRqd = row.dfmRqd;
        rules.formats = AnyFormat("{F1}!", row.match ? "0099999999" : "0099630000");
        const PreviewResult result = Scan(rules, "1234");
        EXPECT_EQ(result.sent, row.host != nullptr);
        if (row.host) {
            EXPECT_EQ(result.host, row.host);
        }
    }
}

TEST(FormatPreview, HostGetsPrefixCodeIdAimIdDataSuffix)
{
    ReaderRules rules;
    rules.prefixes = "995b|625c80|"; // Code 39's own prefix beats the one for all
    rules.suffixes = "990d0a|";
    rules.codeId = "1";
    rules.aimId = "1";
    EXPECT_EQ(Scan(rules, "ABC").host, "bb]A0ABC\r\n");
    EXPECT_EQ(Scan(rules, "ABC", "6A").host, "[j]C0ABC\r\n");
    rules.preEn = "0";
    rules.sufEn = "0";
    rules.codeId = "0";
    EXPECT_EQ(Scan(rules, "ABC").host, "]A0ABC");
}

TEST(FormatPreview, SamplesNameTheirSymbology)
{
    const std::vector<std::string> names { "All Symbologies", "Code 39" };
    const std::vector<std::string> codes { "99", "62" };
    PreviewSample sample;
    std::string error;
    ASSERT_TRUE(ParsePreviewSample("Code 39=ABC[ CR]", names, codes, sample, error));
    EXPECT_EQ(sample.symbology, "62");
    EXPECT_EQ(sample.data, "ABC\r");
    ASSERT_TRUE(ParsePreviewSample("5A=x", names, codes, sample, error));
    EXPECT_EQ(sample.symbology, "5A");
    EXPECT_FALSE(ParsePreviewSample("Code 93=x", names, codes, sample, error));
    EXPECT_EQ(error, "unknown symbology \"Code 93\"");
    EXPECT_FALSE(ParsePreviewSample("ABC", names, codes, sample, error));
}

} // namespace
