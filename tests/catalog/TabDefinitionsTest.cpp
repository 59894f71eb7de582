#include "catalog/CDeviceName.h"
#include "catalog/CDeviceSetting.h"
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"

#include "../platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

// Columns: Command, Tab, Control, Type, Group, Product List, Min, Max, Default, Group List,
// Secured, Same All Tables, Help ID
const char* kTabs =
    "SPEED1,Comm,Speed,COMBOBOX,None,0x1,0,0,9600,A|B|C,N,Y,1\n"         // 0: device 0 only
    "speed1,Comm,Speed,EDIT,None,0x2,0,9,5,None,N,n,2\n"                 // 1: device 1
    "BEEPER,Beep,Volume,RADIO1,None,0xFF,0,3,Low,Off| Low |High,Y,y,3|4|5\n" // 2
    "ONLYB0,Other,Mode,CHECK,None,0x2,0,1,1,None,N,N,6\n"               // 3: device 1 only
    "TERMID,Comm,Terminal,COMBOBOX,None,0xFF,0,0,RS232,RS232|Wand||USB|,Y,Y,7\n"; // 4

CDeviceSetting Setting(const std::string& tag, std::vector<std::string> allowed = {})
{
    CDeviceSetting setting;
    setting.tag = tag;
    setting.allowedValues = std::move(allowed);
    return setting;
}

TEST(TabDefinitions, StartUpMessagesNameTheFile)
{
    TempFolder folder;
    const std::string prefix = folder.Path() + "/";
    TabDefinitions tabs;
    std::string message;

    EXPECT_FALSE(tabs.Load(prefix, message));
    EXPECT_EQ(message, "Cannot open tab data file: " + prefix + "TabFile.Dat. Please contact program vendor");

    folder.Write("TabFile.Dat", "// only comments\n");
    EXPECT_FALSE(tabs.Load(prefix, message));
    EXPECT_EQ(message, "There is no data in the tab data file: " + prefix + "TabFile.Dat. Please contact program vendor");

    folder.Write("TabFile.Dat", std::string(kTabs) + "BROKEN,Comm,,CHECK,None,0x1,0,1,0,None,N,N,1\n");
    EXPECT_FALSE(tabs.Load(prefix, message));
    EXPECT_EQ(message, "The data file: " + prefix + "TabFile.Dat is corrupt. Please contact program vendor");
    EXPECT_FALSE(tabs.IsLoaded());

    folder.Write("TabFile.Dat", kTabs);
    EXPECT_TRUE(tabs.Load(prefix, message));
    EXPECT_EQ(message, "");
    EXPECT_EQ(tabs.RowCount(), 5);
}

TEST(TabDefinitions, EachDeviceTakesTheFirstRowThatIncludesIt)
{
    TabDefinitions tabs;
    ASSERT_TRUE(tabs.LoadText(kTabs));
    EXPECT_EQ(tabs.FindRowFor("SPEED1", 0), 0);
    EXPECT_EQ(tabs.FindRowFor("SPEED1", 1), 1);
    EXPECT_EQ(tabs.FindRowFor("Speed1  ", 1), 1); // any case, trailing blanks ignored
    EXPECT_EQ(tabs.FindRowFor("SPEED1", 2), -1);
    EXPECT_EQ(tabs.FindRowFor("ONLYB0", 0), -1);
    EXPECT_EQ(tabs.FindRowFor("NOSUCH", 0), -1);
}

TEST(TabDefinitions, CheckRowsFlagsDescribedSettingsAndTakesTheirFlags)
{
    TabDefinitions tabs;
    ASSERT_TRUE(tabs.LoadText(kTabs));
    std::vector<CDeviceSetting> settings { Setting("SPEED1", { "0", "2", "7", "x" }), Setting("BEEPER", { "0", "1", "2" }),
                                           Setting("ONLYB0"), Setting("EXTRA1") };
    settings[2].optionCaptions = { "stale" };
    settings[2].sameAllTables = 1;

    std::vector<int> described;
    EXPECT_TRUE(CheckRows(tabs, settings, 0, described));
    EXPECT_EQ(described, (std::vector<int> { 1, 1, 0, 0 }));
    EXPECT_EQ(settings[0].sameAllTables, 1);
    // Value v takes caption v; values without a caption are not offered.
    EXPECT_EQ(settings[0].optionCaptions, (std::vector<std::string> { "A", "C", "N/A", "N/A" }));
    EXPECT_EQ(settings[1].sameAllTables, 1); // "y" counts as "Y"
    EXPECT_EQ(settings[1].optionCaptions, (std::vector<std::string> { "Off", "Low", "High" }));
    // Undescribed settings are left alone.
    EXPECT_EQ(settings[2].optionCaptions, std::vector<std::string> { "stale" });

    // The same settings on device 1: SPEED1 is an edit field there, ONLYB0 is described.
    EXPECT_TRUE(CheckRows(tabs, settings, 1, described));
    EXPECT_EQ(described, (std::vector<int> { 1, 1, 1, 0 }));
    EXPECT_EQ(settings[0].sameAllTables, 0);
    EXPECT_TRUE(settings[0].optionCaptions.empty());
    EXPECT_EQ(settings[2].sameAllTables, 0);

    settings.pop_back();
    EXPECT_FALSE(CheckRows(tabs, settings, 1, described));
}

TEST(TabDefinitions, RangeSettingsOfferTheirNumbersAndTheDeviceMayCaptionThemItself)
{
    TabDefinitions tabs;
    ASSERT_TRUE(tabs.LoadText(kTabs));
    CDeviceSetting beeper = Setting("BEEPER");
    beeper.minimum = 1;
    beeper.maximum = 3;
    ASSERT_TRUE(CheckRow(tabs, beeper, 0));
    EXPECT_EQ(beeper.optionCaptions, (std::vector<std::string> { "Low", "High", "N/A" }));

    std::string seenList;
    const OptionCaptionBuilder own = [&seenList](CDeviceSetting& setting, const std::string& groupList) {
        seenList = groupList;
        setting.optionCaptions = { "own" };
    };
    ASSERT_TRUE(CheckRow(tabs, beeper, 0, own));
    EXPECT_EQ(seenList, "Off| Low |High");
    EXPECT_EQ(beeper.optionCaptions, std::vector<std::string> { "own" });
}

TEST(TabDefinitions, RowFieldsAndTheTerminalList)
{
    TabDefinitions tabs;
    ASSERT_TRUE(tabs.LoadText(kTabs));
    const TabDefinitionRow beeper = tabs.Row(2);
    EXPECT_TRUE(beeper.IsListControl());
    EXPECT_TRUE(beeper.IsSameAllTables());
    EXPECT_TRUE(beeper.IsShownBySecurity());
    EXPECT_TRUE(beeper.HasNoGroup());
    EXPECT_EQ(beeper.HelpIds(), (std::vector<int> { 3, 4, 5 }));

    TabDefinitionRow hidden = beeper;
    for (const char* secured : { "y", "n", "Y", "N" }) {
        hidden.secured = secured;
        EXPECT_TRUE(hidden.IsShownBySecurity()) << secured;
    }
    for (const char* secured : { "H", "YES", "0", "X" }) {
        hidden.secured = secured;
        EXPECT_FALSE(hidden.IsShownBySecurity()) << secured;
    }

    // Empty names keep their number; nothing follows the final "|".
    std::vector<std::pair<std::string, std::string>> terminals;
    for (const auto& terminal : tabs.TerminalInterfaces())
        terminals.emplace_back(terminal.code, terminal.name);
    EXPECT_EQ(terminals, (std::vector<std::pair<std::string, std::string>> {
                             { "000", "RS232" }, { "001", "Wand" }, { "002", "" }, { "003", "USB" } }));
}

TEST(CDeviceSetting, ValuesPerTable)
{
    CDeviceSetting setting;
    setting.defaultValue = "D";
    setting.tableValues = { "0", "1", "2", "3", "4", "5", "6", "7", "8" };

    setting.SetValue(4, 2, "x"); // only the current table
    EXPECT_EQ(setting.tableValues, (std::vector<std::string> { "0", "1", "x", "3", "4", "5", "6", "7", "8" }));
    EXPECT_EQ(setting.ValueForDevice(2), "x");

    setting.sameAllTables = 1; // every table the device has, the rest untouched
    setting.SetValue(4, 2, "y");
    EXPECT_EQ(setting.tableValues, (std::vector<std::string> { "y", "y", "y", "y", "4", "5", "6", "7", "8" }));

    setting.ResetAllTablesToDefault(2);
    EXPECT_EQ(setting.tableValues, (std::vector<std::string> { "D", "D", "y", "y", "4", "5", "6", "7", "8" }));

    // Table numbers outside the record are ignored, never written past its end.
    setting.ResetAllTablesToDefault(50);
    EXPECT_EQ(setting.tableValues, std::vector<std::string>(9, "D"));
    setting.sameAllTables = 0;
    setting.SetValue(1, 12, "z");
    setting.SetValue(1, -1, "z");
    EXPECT_EQ(setting.tableValues, std::vector<std::string>(9, "D"));
    EXPECT_EQ(setting.ValueForDevice(9), "");
    EXPECT_EQ(setting.ValueForDevice(-1), "");
}

// The shipped data files are the contract with the simulator and the device classes:
// check the promises they make, not their exact content.
TEST(ShippedDataFiles, CatalogAndTabFileHoldWhatTheProgramNeeds)
{
    DeviceCatalog catalog;
    ASSERT_TRUE(catalog.Load(std::string(KESTREL_SOURCE_DATA_DIR) + "/QXDevFil.dat"));
    TabDefinitions tabs;
    std::string message;
    ASSERT_TRUE(tabs.Load(std::string(KESTREL_SOURCE_DATA_DIR) + "/", message)) << message;

    std::set<DeviceClassKind> visibleClasses;
    std::set<int> ids;
    bool hidden = false;
    bool wildcard = false;
    for (int row = 0; row < catalog.RowCount(); ++row) {
        const auto kind = DeviceClassFromName(catalog.Field(row, CatalogColumn::RuntimeClass));
        EXPECT_NE(kind, DeviceClassKind::None) << "row " << row;
        if (catalog.IsVisible(row))
            visibleClasses.insert(kind);
        hidden = hidden || !catalog.IsVisible(row);
        wildcard = wildcard || catalog.Field(row, CatalogColumn::ProdID).find('?') != std::string::npos;
        EXPECT_TRUE(ids.insert(catalog.DeviceId(row)).second) << "duplicate device id in row " << row;
        EXPECT_EQ(catalog.BaseNumber(row).size(), 8u) << "row " << row;
    }
    EXPECT_EQ(visibleClasses.size(), 7u);
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(wildcard);
    for (const char* base : { "80001001", "80001002", "80001003", "80001004", "80001005", "80001006", "80001007",
                              "80001008", "80001009", "80001010", "80001011", "80001012", "80001013", "80001014",
                              "80001015", "80001016" }) {
        CDeviceName name;
        name.baseNumber = base;
        name.productId = "?";
        EXPECT_TRUE(name.MatchRow(catalog)) << base;
    }

    const std::set<std::string> types { "CHECK", "EDIT", "EDIT_READONLY", "BLOCK", "BLOCK_STRING", "COMBOBOX",
                                        "RADIO1", "RADIO2", "COMMAND", "MSGCMD", "DEFCMD", "UNUSED" };
    std::set<std::string> typesUsed;
    std::map<std::string, int> pages;
    for (int row = 0; row < tabs.RowCount(); ++row) {
        const TabDefinitionRow r = tabs.Row(row);
        EXPECT_EQ(r.command.size(), 6u) << r.command;
        EXPECT_TRUE(types.count(r.type)) << r.command << " " << r.type;
        typesUsed.insert(r.type);
        ++pages[r.tab];
        if (r.type == "RADIO1" || r.type == "RADIO2") {
            EXPECT_EQ(SplitGroupList(r.groupList).size(), r.HelpIds().size()) << r.command;
        }
        // Offline configurations start from the defaults: a list row's default must be one of
        // its captions, an edit row's default must lie in its range.
        if (r.IsListControl()) {
            static const std::map<std::string, std::set<std::string>> ownValues {
                { "232PAR", { "None", "Even", "Odd", "Mark", "Space" } },
                { "SCNLED", { "High", "Medium", "Low" } },
                { "232BDR", { "300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200" } },
                { "BT_LPT", { "0", "200", "400", "900", "3600", "7200" } },
            };
            const auto own = ownValues.find(r.command);
            if (own != ownValues.end()) {
                EXPECT_TRUE(own->second.count(r.defaultValue)) << r.command << " default " << r.defaultValue;
            } else {
                const auto captions = SplitGroupList(r.groupList);
                EXPECT_NE(std::find(captions.begin(), captions.end(), r.defaultValue), captions.end())
                    << r.command << " default " << r.defaultValue;
            }
        }
        if (r.type == "EDIT" && LeadingInt(r.min) < LeadingInt(r.max)) {
            EXPECT_GE(LeadingInt(r.defaultValue), LeadingInt(r.min)) << r.command;
            EXPECT_LE(LeadingInt(r.defaultValue), LeadingInt(r.max)) << r.command;
        }
        // Every row applies to at least one model of the catalog.
        bool applies = false;
        for (int id : ids)
            applies = applies || ProductListApplies(r.productList, id);
        EXPECT_TRUE(applies) << r.command;
    }
    EXPECT_EQ(typesUsed, types);
    EXPECT_GE(pages.size(), 10u);
    EXPECT_GE(tabs.TerminalInterfaces().size(), 4u);
}

} // namespace
