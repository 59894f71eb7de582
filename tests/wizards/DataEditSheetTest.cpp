// The sheet's OK and Cancel: edits reach the device only through Apply.
#include "wizards/CDataEditSheetModel.h"

#include "device/blocks/FakeBlockSettings.h"

#include <gtest/gtest.h>

namespace {

class DataEditSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.tableCount = 2;
        settings.currentTable = 1;
        settings.Add("C39ENA", "1", { "1", "1" });
        settings.Add("PREBK2", "", { "", "620d0a|" });
        settings.Add("SUFBK2", "", { "", "" });
        settings.Add("DFMBK3", "", { "", "0000990000F7|1000990000EA|" });
        settings.Add("PRE_EN", "1", { "1", "1" });
        settings.Add("CODIDX", "0", { "0", "0" });
        settings.Add("DFM_EN", "1", { "1", "3" });
        blocks.BuildSymbologyTable(settings);
        blocks.ParsePrefixSuffixBlocks(settings);
        blocks.ParseDataFormatBlocks(settings);
        blocks.UpdateWizardFlag(settings);
    }
    FakeBlockSettings settings;
    CBlockSet blocks;
};

TEST_F(DataEditSheet, PagesOfAReaderWithoutAuxiliaryPort)
{
    CDataEditSheetModel sheet(blocks, settings, "\\[0x80]");
    EXPECT_EQ(sheet.PageCount(), 2);
    EXPECT_EQ(sheet.PageOfBlock("DFMBK3"), 1);
    EXPECT_EQ(sheet.PageOfBlock("AXDBK3"), -1);
    EXPECT_EQ(CDataEditSheetModel::HelpTopic(0), 1501);
    EXPECT_EQ(CDataEditSheetModel::HelpTopic(3), 1503);
    const auto& values = sheet.PrefixSuffixPage(false).Values();
    EXPECT_EQ(values, (std::array<std::string, 4> { "1", "HIDE_BUTTON", "0", "HIDE_BUTTON" }));
    EXPECT_EQ(sheet.FormatPage(false).CheckedState(), -1); // DFM_EN 3: no radio
    EXPECT_EQ(sheet.FormatPage(false).Rows().size(), 2u);
}

TEST_F(DataEditSheet, CancelAfterDeleteAllChangesNothing)
{
    const CBlockSet before = blocks;
    {
        CDataEditSheetModel sheet(blocks, settings, "");
        sheet.PrefixSuffixPage(false).DeleteAll();
        sheet.FormatPage(false).DeleteAll();
        sheet.FormatPage(false).SetState(0);
    }
    EXPECT_TRUE(blocks == before);
    EXPECT_EQ(settings.GetSettingValue("DFM_EN", 1), "3");
}

TEST_F(DataEditSheet, OkWritesListsEnablesAndFieldValues)
{
    CDataEditSheetModel sheet(blocks, settings, "");
    sheet.PrefixSuffixPage(false).SetChecked(CPrefixSuffixPageModel::kCodeId, true);
    CFormatPageModel& formats = sheet.FormatPage(false);
    formats.MoveDown(0);
    CPreSufEntry suffix(CPreSufEntry::kSuffix, "Code 39");
    suffix.SetData("[ CR]");
    sheet.PrefixSuffixPage(false).Append(suffix);
    ASSERT_TRUE(sheet.Apply(blocks, settings));
    EXPECT_EQ(settings.GetSettingValue("CODIDX", 1), "1");
    EXPECT_EQ(settings.GetSettingValue("DFM_EN", 1), "3"); // kept: no radio was clicked
    EXPECT_EQ(settings.GetSettingValue("SUFBK2", 1), "620d|");
    EXPECT_EQ(settings.GetSettingValue("DFMBK3", 1), "1000990000EA|0000990000F7|");
    EXPECT_EQ(blocks.GetPrefixSuffixList(1).size(), 2u);
    EXPECT_TRUE(blocks.GetPrefixSuffixList(0).empty());
    EXPECT_FALSE(sheet.Apply(blocks, settings)); // the same again changes nothing
}

TEST_F(DataEditSheet, AuxiliaryPagesEditTheExtraList)
{
    settings.Add("AXPBK2", "", { "9941|" });
    settings.Add("AXDBK3", "", { "" });
    settings.Add("AXD_EN", "0", { "2", "0" });
    blocks.ParsePrefixSuffixBlocks(settings);
    CDataEditSheetModel sheet(blocks, settings, "");
    ASSERT_EQ(sheet.PageCount(), 4);
    EXPECT_EQ(CDataEditSheetModel::PageTitle(2), "Aux Prefix/Suffix");
    CPrefixSuffixPageModel& aux = sheet.PrefixSuffixPage(true);
    EXPECT_FALSE(aux.IsDataEnableGroupVisible());
    EXPECT_FALSE(aux.CanAdd());
    EXPECT_EQ(sheet.FormatPage(true).State(), "0"); // AXD_EN of the current table
    aux.DeleteAll();
    sheet.FormatPage(true).Append(CFormatKeyEntry());
    ASSERT_TRUE(sheet.Apply(blocks, settings));
    EXPECT_TRUE(blocks.GetPrefixSuffixList(CBlockSet::kExtraList).empty());
    EXPECT_EQ(settings.GetSettingValue("AXDBK3", 0), "0099990000|");
    EXPECT_EQ(settings.GetSettingValue("AXPBK2", 0), "");
}

TEST_F(DataEditSheet, TryItRunsThePagesRulesBeforeOk)
{
    CDataEditSheetModel sheet(blocks, settings, "");
    // DFM_EN 3: the first format (length 0) applies and prefix and suffix are dropped.
    EXPECT_EQ(sheet.TryIt(false, "Code 39="),
        (std::vector<std::string> { "Sent: ", "Format 1 applies", "  {F7}  cursor 0 -> 0" }));
    sheet.FormatPage(false).DeleteAll();
    EXPECT_EQ(sheet.TryIt(false, "Code 39=AB"),
        (std::vector<std::string> { "Sent: [ CR][ LF]AB", "No format applies" }));
    EXPECT_EQ(sheet.TryIt(false, "AB").front(), "Sample: a sample is SYMBOLOGY=DATA (for example: Code 39=ABC[ CR])");
    EXPECT_TRUE(blocks.GetDataFormatList(1).size() == 2); // nothing applied
}

TEST_F(DataEditSheet, BlocksPastTheReadersMaximumAreRefused)
{
    CDataEditSheetModel sheet(blocks, settings, "", [](std::string_view tag) { return tag == "DFMBK3" ? 30 : 0; });
    EXPECT_EQ(sheet.Gauge(1), "26 of 30 characters");
    EXPECT_EQ(sheet.Gauge(0), "Prefixes: 7 characters   Suffixes: 0 characters");
    CFormatKeyEntry extra;
    extra.SetCommands("{F1}[ CR]");
    EXPECT_EQ(sheet.FormatCheck(false, -1)(extra),
        "DFMBK3 would hold 41 characters, 11 more than the reader's maximum of 30.");
    EXPECT_EQ(sheet.FormatCheck(false, 0)(extra), "");
}

} // namespace
