// Reading and writing settings with a simulated reader: tables, excluded tags, the LINPRI rule,
// the sorting of refused commands, serial commands sent last with a rescan, the cordless write
// order, and blocks that go to the reader and come back unchanged.
#include "DeviceTestBench.h"

#include "device/CDevice.h"
#include "device/CMatrixDevice.h"
#include "device/CMatrixRFBaseDevice.h"
#include "device/CRFBaseDevice.h"
#include "device/CRFScannerDevice.h"

#include <algorithm>

namespace {

using Strings = std::vector<std::string>;
constexpr char ACK = 0x06;

class DeviceSettingsTest : public DeviceBench {
protected:
    template <typename Device>
    void ConnectAndRead(Device& device, const Strings& excluded = {})
    {
        std::string settings;
        ASSERT_EQ(device.Connect(settings), CDevice::kConnected);
        if (device.HasTables())
            device.GetTableCount(false);
        ASSERT_TRUE(device.ReadAllSettings(TheTabDefinitions(), nullptr, excluded));
        TakeFrames();
    }
};

TEST_F(DeviceSettingsTest, ThreeTablesGiveThreeValuesInTableOrder)
{
    Attach(ReaderProfileText("QX80001017-003", "5820BS", "921600 8N1",
                             "setting C39ENA range=0-1 default=1 values=1,0,1\n"
                             "setting BEPLVL range=0-3 default=2 values=0,1,3\n"
                             "setting TERMID range=0-11 default=0 values=0 global\n",
                             3, "tables"));
    CMatrixRFBaseDevice device(&port);
    ConnectAndRead(device);
    EXPECT_EQ(device.TableCount(), 3);
    ASSERT_EQ(device.Settings().size(), 3u);
    const CDeviceSetting& level = device.Settings()[1];
    EXPECT_EQ(level.tag, "BEPLVL");
    EXPECT_EQ(Strings(level.tableValues.begin(), level.tableValues.begin() + 4), (Strings { "0", "1", "3", "" }));
    EXPECT_EQ(level.defaultValue, "2");
    EXPECT_EQ(level.minimum, 0);
    EXPECT_EQ(level.maximum, 3);
    EXPECT_EQ(device.Settings()[0].tableValues[1], "0");
    EXPECT_EQ(device.Settings()[2].tableValues[2], "0");
    // The reader is back on the table it was on.
    EXPECT_EQ(reader->Model().CurrentTable(), 0);
    EXPECT_EQ(device.GetProcessReceivedDataLockSemaphore(), 0);
}

TEST_F(DeviceSettingsTest, ExcludedTagsAreDroppedAndListsParsed)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1",
                             "setting REV_TD range=0-9 default=0 values=3\n"
                             "setting OPSMOD range=0-1 default=0 values=1\n"
                             "setting C39ENA range=0-1 default=1 values=1\n"
                             "setting opsxyz range=0-1 default=0 values=0\n"
                             "setting SCNLED range=HIGH|LOW|OFF| default=HIGH values=LOW\n"));
    CDevice device(&port);
    ConnectAndRead(device, { "REV_TD", "OPS" });
    ASSERT_EQ(device.Settings().size(), 2u);
    EXPECT_EQ(device.Settings()[0].tag, "C39ENA");
    const CDeviceSetting& led = device.Settings()[1];
    EXPECT_EQ(led.tag, "SCNLED");
    EXPECT_EQ(led.allowedValues, (Strings { "HIGH", "LOW", "OFF" }));
    EXPECT_EQ(led.tableValues[0], "LOW");
    EXPECT_EQ(led.defaultValue, "HIGH");
    // The symbology table follows the enables the reader reported.
    EXPECT_EQ(device.Blocks().SymbologyNameFromCode("62"), "Code 39");
}

TEST_F(DeviceSettingsTest, LinpriRangeBecomesAListBelowRevisionSixteen)
{
    struct LinpriCase {
        int revision;
        const char* range;
        Strings allowed;
        int maximum;
    };
    const LinpriCase cases[] = {
        { 15, "0-3", { "0", "1", "2", "3" }, 0 },
        // A list the reader reports is kept as it is, whatever the revision.
        { 15, "0|1|2|3|", { "0", "1", "2", "3" }, 0 },
        { 16, "0-3", {}, 3 },
    };
    for (const LinpriCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.revision) + " " + c.range);
        Attach(ReaderProfileText("QX80001003-0" + std::to_string(c.revision), "5600", "115200 8N1",
                                 std::string("setting LINPRI range=") + c.range + " default=0 values=2\n"));
        CMatrixDevice device(&port);
        ConnectAndRead(device);
        ASSERT_EQ(device.Settings().size(), 1u);
        const CDeviceSetting& linpri = device.Settings()[0];
        EXPECT_EQ(linpri.allowedValues, c.allowed);
        EXPECT_EQ(linpri.minimum, 0);
        EXPECT_EQ(linpri.maximum, c.maximum);
        port.ClosePort();
        ports.sim.Detach("COM5");
    }
}

TEST_F(DeviceSettingsTest, RefusedAndUnansweredCommandsAreSorted)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1",
                             "setting BEPLVL range=0-3 default=2 values=2\n"
                             "setting C39ENA range=0-1 default=1 values=1\n"));
    CDevice device(&port);
    ConnectAndRead(device);
    CommandErrors errors;
    EXPECT_TRUE(device.WriteCommands("BEPLVL3;NOSUCH1;C39ENA7.", nullptr, errors));
    EXPECT_EQ(errors.notPresent, Strings { "NOSUCH" });
    EXPECT_EQ(errors.outOfRange, Strings { "C39ENA" });
    EXPECT_TRUE(errors.noResponse.empty());
    EXPECT_EQ(reader->Model().Value(*reader->Model().Find("BEPLVL")), "3");
    const Strings frames = TakeFrames();
    EXPECT_EQ(frames, (Strings { "mnubep0!", "BEPLVL3;NOSUCH1;C39ENA7.", "mnubep1!" }));

    reader->Engine().SetSilent(true);
    EXPECT_FALSE(device.WriteCommands("BEPLVL1;C39ENA0.", nullptr, errors));
    EXPECT_EQ(errors.noResponse, (Strings { "BEPLVL", "C39ENA" }));
    EXPECT_TRUE(errors.notPresent.empty());
    EXPECT_EQ(device.GetProcessReceivedDataLockSemaphore(), 0);
}

TEST_F(DeviceSettingsTest, SerialCommandsGoLastAndTheReaderIsFoundAgain)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1",
                             "setting 232BAD range=0-9 default=9 values=9 global\n"
                             "setting BEPLVL range=0-3 default=2 values=2\n"
                             "setting C39ENA range=0-1 default=1 values=1\n"));
    CDevice device(&port);
    ConnectAndRead(device);
    CommandErrors errors;
    ASSERT_TRUE(device.WriteCommands("BEPLVL3;232BAD6;C39ENA0.", nullptr, errors));
    EXPECT_TRUE(errors.Empty());
    const Strings frames = TakeFrames();
    const auto rateChange = std::find(frames.begin(), frames.end(), "232BAD6.");
    ASSERT_NE(rateChange, frames.end());
    EXPECT_EQ(frames[1], "BEPLVL3;C39ENA0.");
    EXPECT_GT(rateChange - frames.begin(), 1); // after the ordinary batch
    EXPECT_EQ(frames.back(), "mnubep1!");
    std::string current;
    ASSERT_TRUE(port.GetCurrentSettings(current));
    EXPECT_EQ(current, "COM5:19200,N,8,1");
}

TEST(SerialSplit, TakesLineCommandsOutOfTheText)
{
    struct Row {
        const char* text;
        const char* rest;
        const char* serial;
        const char* terminal;
        bool split;
    };
    const Row rows[] = {
        { "BEPLVL3;232BAD6;C39ENA0.", "BEPLVL3;C39ENA0.", "232BAD6;", "", true },
        { "232PAR0;BEPLVL3.", "BEPLVL3.", "232PAR0;", "", true },
        { "BEPLVL3;TERMID5.", "BEPLVL3.", "", "TERMID5.", true },
        { "TERMID5.", "", "", "TERMID5.", true },
        { "232BDR9600;232STP0;BEPLVL1;232LEN8.", "BEPLVL1.", "232BDR9600;232STP0;232LEN8;", "", true },
        { "BEPLVL3;C39ENA0.", "BEPLVL3;C39ENA0.", "", "", false },
    };
    CDevice device;
    for (const Row& row : rows) {
        std::string text = row.text, serial, terminal;
        std::array<std::string, 4> line;
        EXPECT_EQ(device.SplitSerialCommands(text, serial, terminal, line), row.split) << row.text;
        EXPECT_EQ(text, row.rest) << row.text;
        EXPECT_EQ(serial, row.serial) << row.text;
        EXPECT_EQ(terminal, row.terminal) << row.text;
    }
    CRFBaseDevice base;
    std::string text = "AUXBDR5;232BAD6;TERMID1.", serial, terminal;
    std::array<std::string, 4> line;
    EXPECT_TRUE(base.SplitSerialCommands(text, serial, terminal, line));
    EXPECT_EQ(text, "232BAD6.");
    EXPECT_EQ(serial, "AUXBDR5;");
    EXPECT_EQ(terminal, "TERMID1.");
    EXPECT_EQ(line[0], "5");
}

const std::string kCordlessSettings = "setting AAAONE range=0-9 default=0 values=0\n"
                                      "setting BBBTWO range=0-9 default=0 values=0\n"
                                      "setting CCCTRI range=0-9 default=0 values=0\n"
                                      "setting RADCOD range=0-127 default=1 values=1 global\n"
                                      "setting BASEID range=0-9999 default=0 values=42 global\n";

TEST_F(DeviceSettingsTest, CordlessWriteHoldsBackRadioSettings)
{
    Attach(ReaderProfileText("QX80001013-004", "2020BS", "115200 8N1", kCordlessSettings, 1, "wireless"));
    CRFBaseDevice device(&port);
    ConnectAndRead(device);
    CommandErrors errors;
    ASSERT_TRUE(device.WriteCommands("AAAONE1;RADCOD5;BBBTWO2;BASEID1234;CCCTRI3.", nullptr, errors));
    EXPECT_TRUE(errors.Empty());
    EXPECT_EQ(TakeFrames(), (Strings { "AAAONE1.", "BBBTWO2.", "CCCTRI3.", "QxRcCd.", "RADCOD5.", "QxRcCd.", "BASEID1234." }));
    EXPECT_EQ(reader->Model().Value(*reader->Model().Find("RADCOD")), "5");
    EXPECT_EQ(reader->Model().Value(*reader->Model().Find("BASEID")), "1234");

    reader->Engine().SetSilent(true);
    EXPECT_FALSE(device.WriteCommands("AAAONE2;RADCOD6;BBBTWO3;CCCTRI4.", nullptr, errors));
    EXPECT_EQ(host.MessageTexts(), Strings { "Aborting write, communication problem." });
    EXPECT_EQ(TakeFrames(), (Strings { "AAAONE2.", "BBBTWO3." }));
    EXPECT_EQ(errors.noResponse, (Strings { "AAAONE", "BBBTWO" }));
}

TEST(CordlessTexts, DefaultsAndClosingCommands)
{
    CRFScannerDevice scanner;
    scanner.SetCurrentTable(2);
    const std::string fnc3(1, '\x82');
    EXPECT_EQ(scanner.GetDefaultsCommand(), "~DEFALT." + fnc3 + "~GRPSEL2." + fnc3);
    EXPECT_EQ(scanner.GetClosingCommands(), "~BASEID." + fnc3 + "~REMOVE." + fnc3);
    CDeviceSetting base;
    base.tag = "BASEID";
    base.tableValues[2] = "77";
    scanner.Settings().push_back(base);
    EXPECT_EQ(scanner.GetClosingCommands(), "~BASEID77." + fnc3 + "~REMOVE." + fnc3);
    CDevice plain;
    EXPECT_EQ(plain.GetDefaultsCommand(), "~DEFALT." + fnc3);
    EXPECT_EQ(plain.GetClosingCommands(), "");
    EXPECT_EQ(plain.GetBarcodeLead(), "\\[0x80]");
    // A class without boot downloads refuses once the reader is found (the search comes first).
    std::string result;
    EXPECT_FALSE(plain.LoadBootCodeFromFile(result, 0, false));
    EXPECT_EQ(result, "Device does not support boot downloads");
}

TEST_F(DeviceSettingsTest, BlocksGoToTheReaderAndComeBackUnchanged)
{
    const std::string prefix = "620d0a|";
    const std::string format = "2000990000F141E9|";
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1",
                             "setting C39ENA range=0-1 default=1 values=1\n"
                             "setting PREBK2 range=0-400 default=%20 values=" + prefix + " text\n"
                             "setting SUFBK2 range=0-400 default=%20 values=%20 text\n"
                             "setting DFMBK3 range=0-400 default=%20 values=" + format + " text\n"
                             "setting PRE_EN range=0-1 default=1 values=1\n"));
    CDevice device(&port);
    ConnectAndRead(device);
    ASSERT_TRUE(device.GetWizardFlag());
    const auto& prefixes = device.Blocks().GetPrefixSuffixList(0);
    ASSERT_EQ(prefixes.size(), 1u);
    EXPECT_EQ(prefixes[0].GetSymbology(), "Code 39");
    EXPECT_EQ(prefixes[0].GetData(), "[ CR][ LF]");
    ASSERT_EQ(device.Blocks().GetDataFormatList(0).size(), 1u);
    EXPECT_EQ(device.Blocks().GetDataFormatList(0)[0].GetSlot(), 2);

    const Strings commands = device.BuildBlockCommands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "PREBK2620d0a."), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "DFMBK3" + format.substr(0, format.size() - 1) + "."),
              commands.end());

    // Write them: the reader's blocks are cleared and rebuilt from the records.
    CommandErrors errors;
    ASSERT_TRUE(device.WriteCommands("C39ENA1.", nullptr, errors));
    EXPECT_TRUE(errors.Empty());
    EXPECT_EQ(reader->Model().Value(*reader->Model().Find("PREBK2")), prefix);
    EXPECT_EQ(reader->Model().Value(*reader->Model().Find("DFMBK3")), format);
}

TEST_F(DeviceSettingsTest, ReadBackTakesTheCurrentTable)
{
    Attach(ReaderProfileText("QX80001013-004", "2020BS", "115200 8N1",
                             "setting BEPLVL range=0-3 default=2 values=0,1,2\n", 3, "tables wireless"));
    CRFBaseDevice device(&port);
    ConnectAndRead(device);
    ASSERT_TRUE(device.SelectTable(1, false));
    reader->Model().SetValue(*reader->Model().Find("BEPLVL"), "3");
    ASSERT_TRUE(device.ReadBackCurrentTable(nullptr));
    EXPECT_EQ(device.Settings()[0].tableValues[1], "3");
    EXPECT_EQ(device.Settings()[0].tableValues[0], "0");
}

} // namespace
