// The document's flows against the in-process simulated reader: connect and build the pages,
// change values through the controls, write, report, and the checks around them.
#include "DocumentBench.h"

#include "catalog/TabDefinitions.h"
#include "device/CDevice.h"
#include "sim/ReaderModel.h"

#include <algorithm>

namespace {

const char* kAllWritten = "Changes successfully written to the device.";

class DocumentFlowTest : public DocumentBench {
protected:
    std::string ReaderValue(SimulatedReader& reader, const std::string& tag, int table = -1)
    {
        ReaderModel& model = reader.Model();
        const SettingState* setting = model.Find(tag);
        if (!setting) return "<none>";
        if (table < 0) return model.Value(*setting);
        return setting->values.at(static_cast<size_t>(table));
    }
};

// A small reader and the rows that show its settings: a check box, a ranged field, a field
// whose range is a single value, a radio group, a drop-down list, a second control on the
// ranged field's setting, and two buttons.
const char* kReader = "name test\nmodel Test reader\nclass CDevice\nrev_qx QX80001005-012\nrev_sw SW1.00\n"
                      "p_name 3800LR\nlink 0xCE31\nline 115200 8N1\ntables 1\ncaps none\n"
                      "setting CHKONE range=0-1 default=0 values=0\n"
                      "setting EDTONE range=0-100 default=10 values=10\n"
                      "setting FIXEDV range=5-5 default=5 values=5\n"
                      "setting RADONE range=0|1|2| default=0 values=0\n"
                      "setting CMBONE range=0|1|2| default=1 values=1\n"
                      "setting ASKONE range=0-0 default=0 values=0 action\n"
                      "setting DEFALT range=0-0 default=0 values=0 action\n";

const char* kRows = "CHKONE,Main,Check One,CHECK,Options,0x7FFFF,0,1,0,None,N,N,100\n"
                    "EDTONE,Main,Edit One,EDIT,Options,0x7FFFF,0,100,10,None,N,N,101\n"
                    "FIXEDV,Main,Fixed,EDIT,Options,0x7FFFF,5,5,5,None,N,N,102\n"
                    "RADONE,Main,Mode,RADIO1,None,0x7FFFF,0,2,Off,Off|Low|High,N,N,103|104|105\n"
                    "CMBONE,Main,Speed,COMBOBOX,None,0x7FFFF,0,2,Mid,Slow|Mid|Fast,N,N,106\n"
                    "ASKONE,Main,Ask,COMMAND,None,0x7FFFF,0,0,0,None,N,N,107\n"
                    "DEFALT,Main,Defaults,DEFCMD,None,0x7FFFF,0,0,0,None,N,N,108\n"
                    "EDTONE,More,Edit Again,EDIT,None,0x7FFFF,0,100,10,None,N,N,109\n";

class SmallReaderTest : public DocumentFlowTest {
protected:
    void SetUp() override
    {
        DocumentFlowTest::SetUp();
        ASSERT_TRUE(definitions.LoadText(kRows));
        document = MakeDocument(&definitions);
        reader = AttachText(kReader);
        ASSERT_TRUE(document->Connect())
            << (document->Device() ? document->Device()->LastStatusText() : "none")
            << " open=" << port.IsOpen();
        host.messages.clear();
        ports.written.clear();
    }
    int Id(const std::string& tag, int option = 0)
    {
        for (const ControlBinding& b : document->Bindings())
            if (document->Device()->Settings()[static_cast<size_t>(b.settingIndex)].tag == tag
                && b.optionIndex == option)
                return b.controlId;
        ADD_FAILURE() << "no control for " << tag;
        return 0;
    }
    TabDefinitions definitions;
    std::shared_ptr<SimulatedReader> reader;
};

TEST_F(SmallReaderTest, ChangedValuesAreWrittenAndReported)
{
    ASSERT_EQ(document->Pages().size(), 2u);
    EXPECT_EQ(controls.GetText(Id("EDTONE")), "10");
    EXPECT_EQ(controls.GetComboSelection(Id("CMBONE")), "Mid");
    EXPECT_TRUE(controls.GetCheck(Id("RADONE", 0)));

    controls.SetCheck(Id("CHKONE"), true);
    controls.SetText(Id("EDTONE"), "42");
    controls.SetCheck(Id("RADONE", 0), false);
    controls.SetCheck(Id("RADONE", 2), true);
    ASSERT_TRUE(controls.SelectComboItem(Id("CMBONE"), "Fast"));
    document->OnComboSelChange(Id("CMBONE"));

    EXPECT_TRUE(document->WriteCurrentTable());
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string> { kAllWritten }));
    EXPECT_EQ(ReaderValue(*reader, "CHKONE"), "1");
    EXPECT_EQ(ReaderValue(*reader, "EDTONE"), "42");
    EXPECT_EQ(ReaderValue(*reader, "RADONE"), "2");
    EXPECT_EQ(ReaderValue(*reader, "CMBONE"), "2");
    // A field whose range is one value is never written; the radio group is written once.
    EXPECT_EQ(TakeCount("FIXEDV"), 0u);
    const std::string command = document->BuildWriteCommand();
    EXPECT_EQ(command, "CHKONE1;EDTONE42;RADONE2;CMBONE2;EDTONE42;");
    // The pages were read again from the reader.
    EXPECT_EQ(controls.GetText(Id("EDTONE")), "42");
}

TEST_F(SmallReaderTest, RefusedCommandIsShownUnderItsFirstControlsCaption)
{
    // The pages allow more than the reader does, so the reader refuses the value.
    document->Device()->FindSetting("EDTONE")->maximum = 1000;
    controls.SetText(Id("EDTONE"), "500");
    EXPECT_FALSE(document->WriteCurrentTable());
    ASSERT_FALSE(host.MessageTexts().empty());
    EXPECT_EQ(
        host.MessageTexts().front().rfind("ERROR - Not all changes were written to the device.", 0), 0u);
    ASSERT_EQ(frame.errorDialogs.size(), 1u);
    EXPECT_TRUE(frame.errorDialogs[0][0].empty());
    EXPECT_EQ(frame.errorDialogs[0][1],
        (std::vector<std::string> { "Group Table 0", "----------------", "Edit One" }));
    EXPECT_TRUE(frame.errorDialogs[0][2].empty());
    EXPECT_TRUE(document->NotKnownCommands().empty() && document->OutOfRangeCommands().empty());
}

TEST_F(SmallReaderTest, RangeCheckStopsTheCommandAndKeepsTheFocus)
{
    const struct {
        const char* text;
        bool accepted;
    } cases[] = { { "100", true }, { "0", true }, { "101", false }, { "-1", false },
        { "99999999999999999999", false }, { "4294967338", false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        host.messages.clear();
        controls.SetText(Id("EDTONE"), c.text);
        controls.SetFocus(Id("EDTONE"));
        EXPECT_EQ(document->ValidationGate(), c.accepted);
        EXPECT_TRUE(document->InputValid()); // the gate sets it again for the next try
        if (!c.accepted) {
            EXPECT_EQ(
                host.MessageTexts(), (std::vector<std::string> { "Please enter a value between 0 and 100" }));
            EXPECT_EQ(controls.FocusedControl(), Id("EDTONE"));
        }
    }
    // A single-value range is never checked.
    host.messages.clear();
    controls.SetText(Id("FIXEDV"), "77");
    controls.SetFocus(Id("FIXEDV"));
    EXPECT_TRUE(document->ValidationGate());
    EXPECT_TRUE(host.messages.empty());
    // A failed check stops the write before anything is sent.
    controls.SetText(Id("EDTONE"), "500");
    controls.SetFocus(Id("EDTONE"));
    EXPECT_FALSE(document->WriteCurrentTable());
    EXPECT_EQ(TakeCount("EDTONE"), 0u);
}

TEST_F(SmallReaderTest, ButtonsSendTheirCommandAndRestoreDefaults)
{
    document->OnButton(Id("ASKONE"));
    EXPECT_TRUE(host.messages.empty());
    ASSERT_FALSE(host.statusTexts.empty());
    EXPECT_EQ(host.statusTexts.back(), "Command successfully sent to the device.");
    EXPECT_EQ(TakeCount("ASKONE."), 1u);

    controls.SetText(Id("EDTONE"), "77");
    document->OnButton(Id("DEFALT"));
    EXPECT_EQ(document->Device()->FindSetting("EDTONE")->ValueForDevice(0), "10");
    EXPECT_EQ(controls.GetText(Id("EDTONE")), "10");
}

TEST_F(DocumentFlowTest, SameAllTablesValueGoesIntoEveryTableAndEveryWrite)
{
    auto reader = AttachProfile("5820bs");
    ASSERT_TRUE(document->Connect());
    EXPECT_TRUE(frame.tableEnabled);
    EXPECT_EQ(frame.tableItems,
        (std::vector<std::string> { "Group Table 0", "Group Table 1", "Group Table 2", "Group Table 3" }));
    document->OnTableChosen(2);
    ASSERT_EQ(document->Device()->CurrentTable(), 2);
    const ControlBinding* delay = BindingOf("232DLK");
    ASSERT_NE(delay, nullptr);
    controls.SetText(delay->controlId, "250");
    document->CollectValues();
    const CDeviceSetting* setting = document->Device()->FindSetting("232DLK");
    for (int table = 0; table < 4; ++table)
        EXPECT_EQ(setting->ValueForDevice(table), "250") << table;
    EXPECT_EQ(setting->ValueForDevice(4), "");

    ports.written.clear();
    document->WriteAllTables();
    EXPECT_EQ(TakeCount("232DLK250"), 4u);
    EXPECT_EQ(ReaderValue(*reader, "232DLK", 0), "250");
    // The document was read again afterwards and shows the new value.
    const ControlBinding* reread = BindingOf("232DLK");
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(controls.GetText(reread->controlId), "250");
}

TEST_F(DocumentFlowTest, WriteCurrentTableSwitchesTheReaderAndReadsTheTableBack)
{
    auto reader = AttachProfile("5820bs");
    ASSERT_TRUE(document->Connect());
    document->OnTableChosen(1);
    const ControlBinding* minimum = BindingOf("C39MIN");
    ASSERT_NE(minimum, nullptr);
    controls.SetText(minimum->controlId, "7");
    const int connectsBefore
        = static_cast<int>(std::count_if(host.progressWindows.begin(), host.progressWindows.end(),
            [](const auto& window) { return window->title == "Connecting To Device"; }));

    document->WriteCurrentTable();
    EXPECT_EQ(ReaderValue(*reader, "C39MIN", 1), "7");
    EXPECT_EQ(ReaderValue(*reader, "C39MIN", 0), "0");
    // Several tables: the table is read back, not the whole reader.
    const auto write = std::find_if(host.progressWindows.rbegin(), host.progressWindows.rend(),
        [](const auto& window) { return window->title == "Writing New Settings to Device"; });
    ASSERT_NE(write, host.progressWindows.rend());
    EXPECT_EQ((*write)->currentSteps, (std::vector<int> { 0, 1, 2 }));
    const int connectsAfter
        = static_cast<int>(std::count_if(host.progressWindows.begin(), host.progressWindows.end(),
            [](const auto& window) { return window->title == "Connecting To Device"; }));
    EXPECT_EQ(connectsAfter, connectsBefore);
    EXPECT_EQ(document->Device()->CurrentTable(), 1);
    EXPECT_EQ(controls.GetText(BindingOf("C39MIN")->controlId), "7");
}

TEST_F(DocumentFlowTest, OfflineConfigurationOfAModelWithTables)
{
    int row = -1;
    for (int r = 0; r < TheDeviceCatalog().RowCount(); ++r)
        if (TheDeviceCatalog().BaseNumber(r) == "80001017" && TheDeviceCatalog().IsVisible(r)) row = r;
    ASSERT_GE(row, 0);
    host.deviceChoices.push_back(row);
    ASSERT_TRUE(document->OfflineConfigure());
    EXPECT_TRUE(document->IsOffline());
    EXPECT_FALSE(document->Pages().empty());
    EXPECT_EQ(frame.tableItems.size(), 7u);
    EXPECT_EQ(host.statusPanes[1], TheDeviceCatalog().Field(row, CatalogColumn::ProductName));
    EXPECT_EQ(host.statusPanes[2], "Tabs Built Offline");
    EXPECT_EQ(host.progressWindows.front()->title, "Preparing for Offline Configuration");
    // Nothing went out on the line.
    EXPECT_TRUE(ports.written.empty());
    // A cancelled chooser changes nothing.
    const CDevice* before = document->Device();
    EXPECT_FALSE(document->OfflineConfigure());
    EXPECT_EQ(document->Device(), before);
}

} // namespace
