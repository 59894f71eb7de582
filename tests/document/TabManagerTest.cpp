// Page layout from tab definition rows, measured with fixed text metrics (one character is
// 4 x 8 dialog units; the page is 500 x 276 units).
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "device/CDevice.h"
#include "document/CTabManager.h"
#include "document/ControlStateModel.h"
#include "platform/ScriptedHost.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

CDeviceSetting Setting(const std::string& tag, int minimum, int maximum, const std::string& value,
    std::vector<std::string> allowed = {})
{
    CDeviceSetting setting;
    setting.tag = tag;
    setting.minimum = minimum;
    setting.maximum = maximum;
    setting.defaultValue = value;
    setting.allowedValues = std::move(allowed);
    for (auto& table : setting.tableValues)
        table = value;
    return setting;
}

// A row in file form; the product list 0x1 names device id 0.
std::string Row(const std::string& command, const std::string& tab, const std::string& control,
    const std::string& type, const std::string& group, const std::string& groupList = "None",
    const std::string& secured = "N", const std::string& mask = "0x1", const std::string& help = "7")
{
    return command + "," + tab + "," + control + "," + type + "," + group + "," + mask + ",0,1,0," + groupList
        + "," + secured + ",N," + help + "\n";
}

class TabManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallHost(&host);
        device.DeviceName().deviceId = 0;
    }
    void TearDown() override { InstallHost(nullptr); }

    std::vector<PageTemplate> Build(const std::string& rows)
    {
        EXPECT_TRUE(definitions.LoadText(rows));
        CTabManager manager(measurer, 0, 0);
        auto pages = manager.BuildPages(device, definitions, nullptr, 0, bindings);
        return pages ? *pages : std::vector<PageTemplate>();
    }

    static std::vector<const PageItem*> Items(const PageTemplate& page, const std::string& type)
    {
        std::vector<const PageItem*> found;
        for (const PageItem& item : page.items)
            if (item.controlType == type) found.push_back(&item);
        return found;
    }

    ScriptedHost host;
    FixedTextMeasurer measurer;
    TabDefinitions definitions;
    CDevice device;
    std::vector<ControlBinding> bindings;
};

TEST_F(TabManagerTest, FramedGroupIsFifteenTallerAndNoneRowsStackUnframed)
{
    std::string rows;
    for (int i = 0; i < 5; ++i) {
        const std::string tag = "CHK00" + std::to_string(i);
        device.Settings().push_back(Setting(tag, 0, 1, "0"));
        rows += Row(tag, "Framed", "Check " + std::to_string(i), "CHECK", "Options");
    }
    for (int i = 0; i < 5; ++i) {
        const std::string tag = "NON00" + std::to_string(i);
        device.Settings().push_back(Setting(tag, 0, 1, "0"));
        rows += Row(tag, "Loose", "Loose " + std::to_string(i), "CHECK", i % 2 ? "none" : "None");
    }
    const auto pages = Build(rows);
    ASSERT_EQ(pages.size(), 2u);

    const auto frames = Items(pages[0], kGroupItem);
    const auto checks = Items(pages[0], "CHECK");
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(checks.size(), 5u);
    // Each check box is its caption ("Check 0", 7 characters) + 17 wide and 8 + 3 high.
    EXPECT_EQ(checks[0]->rect, (DialogRect { 20, 25, 7 * 4 + 17, 11 }));
    int controls = 0;
    for (const PageItem* check : checks)
        controls += check->rect.cy + 10;
    EXPECT_EQ(frames[0]->rect.cy, controls + 15);
    EXPECT_EQ(frames[0]->rect.y, 10);

    EXPECT_TRUE(Items(pages[1], kGroupItem).empty());
    const auto loose = Items(pages[1], "CHECK");
    ASSERT_EQ(loose.size(), 5u);
    // Each unframed block is its control plus 10, and blocks are 10 apart.
    for (size_t i = 1; i < loose.size(); ++i) {
        EXPECT_EQ(loose[i]->rect.x, 10);
        EXPECT_EQ(loose[i]->rect.y, loose[i - 1]->rect.y + loose[i - 1]->rect.cy + 10 + 10);
    }
}

TEST_F(TabManagerTest, GroupThatWouldEndNearTheBottomStartsANewColumn)
{
    // 22 framed groups of one check box: 11 + 10 + 15 = 36 units each, 46 with the gap.
    std::string rows;
    for (int i = 0; i < 22; ++i) {
        const std::string tag = "GRP" + std::string(i < 10 ? "00" : "0") + std::to_string(i);
        device.Settings().push_back(Setting(tag, 0, 1, "1"));
        rows += Row(tag, "Many", "Box", "CHECK", "Group " + std::to_string(i));
    }
    CTabManager manager(measurer, 0, 0);
    const int pageHeight = manager.PageHeight();
    EXPECT_EQ(pageHeight, 276);
    const auto pages = Build(rows);
    ASSERT_EQ(pages.size(), 1u);
    const auto frames = Items(pages[0], kGroupItem);
    ASSERT_EQ(frames.size(), 22u);
    int widest = 0;
    int columns = 1;
    for (size_t i = 0; i < frames.size(); ++i) {
        const DialogRect& r = frames[i]->rect;
        EXPECT_LE(r.y + r.cy, pageHeight - 20) << "group " << i;
        if (i > 0) {
            const DialogRect& previous = frames[i - 1]->rect;
            const bool fits = previous.y + previous.cy + 10 + r.cy <= pageHeight - 20;
            if (fits) {
                EXPECT_EQ(r.x, previous.x);
                EXPECT_EQ(r.y, previous.y + previous.cy + 10);
            } else {
                ++columns;
                EXPECT_EQ(r.y, 10);
                EXPECT_EQ(r.x, widest + 20);
            }
        }
        widest = std::max(widest, r.x + r.cx);
    }
    EXPECT_EQ(columns, 5);
    EXPECT_EQ(pages[0].cx, widest + 10);
}

TEST_F(TabManagerTest, RadioButtonsSkipNotAvailableAndSplitIntoTwoColumns)
{
    device.Settings().push_back(Setting("RADONE", 0, 2, "2", { "0", "1", "2" }));
    device.Settings().push_back(Setting("RADTWO", 0, 4, "0", { "0", "1", "2", "3", "4" }));
    const auto pages
        = Build(Row("RADONE", "Radios", "Power", "RADIO1", "None", "Off|N/A|On", "N", "0x1", "11|12|13")
            + Row("RADTWO", "Radios", "Mode", "RADIO2", "None", "A|B|C|D|E"));
    ASSERT_EQ(pages.size(), 1u);

    const auto one = Items(pages[0], "RADIO1");
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[0]->caption, "Off");
    EXPECT_EQ(one[1]->caption, "On");
    std::vector<int> options, helps;
    for (const ControlBinding& b : bindings)
        if (b.controlType == "RADIO1") {
            options.push_back(b.optionIndex);
            helps.push_back(b.helpId);
        }
    EXPECT_EQ(options, (std::vector<int> { 0, 2 }));
    EXPECT_EQ(helps, (std::vector<int> { 11, 13 }));

    const auto two = Items(pages[0], "RADIO2");
    ASSERT_EQ(two.size(), 5u);
    const int firstX = two[0]->rect.x;
    EXPECT_EQ(two[1]->rect.x, firstX);
    EXPECT_EQ(two[2]->rect.x, firstX);
    EXPECT_EQ(two[3]->rect.x, firstX + 4 + 37); // widest first-column caption is one character
    EXPECT_EQ(two[4]->rect.x, two[3]->rect.x);
    EXPECT_EQ(two[3]->rect.y, two[0]->rect.y);
    EXPECT_EQ(two[1]->rect.y - two[0]->rect.y, 8 + 3 + 5);
    EXPECT_TRUE(two[0]->style & ItemStyle::Group);

    // Refresh checks the button of the current value, without regard to case.
    ControlStateModel controls;
    CTabManager::RefreshControls(bindings, device, controls);
    EXPECT_FALSE(controls.GetCheck(one[0]->id));
    EXPECT_TRUE(controls.GetCheck(one[1]->id));
}

TEST_F(TabManagerTest, RowFilterDropsPagesAndSameCaptionTwiceMakesTwoPages)
{
    device.Settings().push_back(Setting("KEEP01", 0, 1, "1"));
    device.Settings().push_back(Setting("KEEP02", 0, 1, "1"));
    device.Settings().push_back(Setting("HIDDEN", 0, 1, "1"));
    const auto pages = Build(Row("KEEP01", "First", "A", "CHECK", "None")
        // every row of this tab fails: wrong mask, bad "Secured", unknown tag, unused
        + Row("HIDDEN", "Gone", "B", "CHECK", "None", "None", "N", "0x2")
        + Row("HIDDEN", "Gone", "B", "CHECK", "None", "None", "X")
        + Row("NOSUCH", "Gone", "C", "CHECK", "None") + Row("KEEP02", "First", "D", "CHECK", "None"));
    // HIDDEN is described (by the hidden row), so it is on no page at all, not on the extra one.
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].caption, "First");
    EXPECT_EQ(pages[1].caption, "First");
    ASSERT_EQ(bindings.size(), 2u);
    EXPECT_EQ(bindings[1].pageIndex, 1);
    EXPECT_EQ(bindings[0].controlId, CTabManager::kFirstControlId);
    EXPECT_EQ(bindings[0].helpId, 7);
}

TEST_F(TabManagerTest, ExtraPageChoosesControlsFromTheSettingsOwnRanges)
{
    device.Settings().push_back(Setting("XCHECK", 0, 1, "1"));
    device.Settings().push_back(Setting("XRADIO", 0, 0, "A", { "A", "B" }));
    device.Settings().push_back(Setting("XBUTTN", 0, 0, ""));
    device.Settings().push_back(Setting("XFIELD", 0, 99, "5"));
    const auto pages = Build(Row("OTHERS", "Unused", "X", "CHECK", "None"));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].caption, "Extra Settings");
    std::vector<std::string> types;
    for (const ControlBinding& b : bindings)
        types.push_back(b.controlType);
    EXPECT_EQ(types, (std::vector<std::string> { "CHECK", "RADIO1", "RADIO1", "COMMAND", "EDIT" }));
    const auto radios = Items(pages[0], "RADIO1");
    ASSERT_EQ(radios.size(), 2u);
    EXPECT_EQ(radios[0]->caption, "A");
    EXPECT_EQ(radios[1]->caption, "B");
    // The extra page puts a field 5 units right of its label; it is writable with a range.
    const auto field = Items(pages[0], "EDIT");
    const auto labels = Items(pages[0], kLabelItem);
    ASSERT_EQ(field.size(), 1u);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(field[0]->rect.x, labels[0]->rect.x + labels[0]->rect.cx + 5);
    EXPECT_FALSE(field[0]->style & ItemStyle::ReadOnly);
}

TEST_F(TabManagerTest, TooManyTabsBuildsThirtyAndSaysSo)
{
    std::string rows;
    for (int i = 0; i < 32; ++i) {
        const std::string tag = "TAB" + std::string(i < 10 ? "00" : "0") + std::to_string(i);
        device.Settings().push_back(Setting(tag, 0, 1, "0"));
        rows += Row(tag, "Tab " + std::to_string(i), "Box", "CHECK", "None");
    }
    const auto pages = Build(rows);
    ASSERT_EQ(pages.size(), 30u);
    EXPECT_EQ(pages[29].caption, "Tab 29");
    EXPECT_EQ(
        host.MessageTexts(), (std::vector<std::string> { "Too many tabs to build, only building first 30" }));
}

TEST_F(TabManagerTest, UnknownTypeIsReportedAndTheRestIsBuilt)
{
    device.Settings().push_back(Setting("ODDONE", 0, 1, "0"));
    device.Settings().push_back(Setting("GOODIE", 0, 1, "0"));
    const auto pages = Build(
        Row("ODDONE", "Page", "Odd", "SLIDER", "None") + Row("GOODIE", "Page", "Good", "CHECK", "None"));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Items(pages[0], "CHECK").size(), 1u);
    EXPECT_EQ(host.MessageTexts(),
        (std::vector<std::string> {
            "CTabManager::DetermineSize unknown control type. Please contact program vendor.",
            "CTabManager::AddControl unknown control type. Please contact program vendor." }));
}

// Every visible model, prepared offline from the shipped data files: the layout rules hold on
// every page, and every control carries its own identifier.
TEST(ShippedPagesTest, EveryModelLaysOutWithinItsPages)
{
    ScriptedHost host;
    ScopedHost scoped(host);
    const std::string data = KESTREL_SOURCE_DATA_DIR;
    DeviceCatalog& catalog = TheDeviceCatalog();
    ASSERT_TRUE(catalog.IsLoaded() || catalog.Load(data + "/QXDevFil.dat"));
    TabDefinitions definitions;
    std::string message;
    ASSERT_TRUE(definitions.Load(data + "/", message)) << message;
    FixedTextMeasurer measurer;
    int models = 0;
    for (int row = 0; row < catalog.RowCount(); ++row) {
        if (!catalog.IsVisible(row)) continue;
        SCOPED_TRACE(catalog.Field(row, CatalogColumn::ProductName));
        ++models;
        CDevice device;
        device.DeviceName().catalogRow = row;
        device.DeviceName().UpdateDeviceId();
        ASSERT_TRUE(device.BuildOfflineSettings(definitions, nullptr, {}));
        CTabManager manager(measurer, 0, 0);
        std::vector<ControlBinding> bindings;
        const auto pages = manager.BuildPages(device, definitions, nullptr, 0, bindings);
        ASSERT_TRUE(pages.has_value());
        int expectedId = CTabManager::kFirstControlId;
        for (const PageTemplate& page : *pages) {
            SCOPED_TRACE(page.caption);
            EXPECT_FALSE(page.items.empty());
            for (const PageItem& item : page.items) {
                EXPECT_EQ(item.id, expectedId++);
                EXPECT_GE(item.rect.x, 10);
                EXPECT_GE(item.rect.y, 9);
                EXPECT_LE(item.rect.x + item.rect.cx, page.cx);
                // A drop-down's rectangle includes its opened list, which may hang below.
                if (item.itemClass != ItemClass::ComboBox) {
                    EXPECT_LE(item.rect.y + item.rect.cy, page.cy);
                }
                // A group ends 20 units above the bottom unless it heads a column of its own.
                if (item.style & ItemStyle::GroupBox && item.rect.y > 10) {
                    EXPECT_LE(item.rect.y + item.rect.cy, manager.PageHeight() - 20) << item.caption;
                }
            }
        }
        for (const ControlBinding& binding : bindings) {
            ASSERT_LT(binding.pageIndex, static_cast<int>(pages->size()));
            EXPECT_NE((*pages)[static_cast<size_t>(binding.pageIndex)].FindItem(binding.controlId), nullptr);
        }
    }
    EXPECT_GT(models, 10);
    EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
}

} // namespace
