// The command processor's framings, wake-up and capability probes as the device object uses
// them, and the identification paths that do not come from a plain answer: the device chooser,
// the table count fallback and the flash line set-up by link code.
#include "DeviceTestBench.h"

#include "device/CDevice.h"
#include "device/CImageDevice.h"
#include "device/CMatrixDevice.h"
#include "device/CMatrixRFBaseDevice.h"
#include "transfer/HCOMMAND_PROCESSOR.h"

namespace {

using Strings = std::vector<std::string>;
const std::string kSettings = "setting TST100 range=0-5 default=1 values=1\n";

HSTRING Bytes(const std::string& text) { return HSTRING(reinterpret_cast<const unsigned char*>(text.data()), static_cast<unsigned>(text.size())); }

TEST(Framings, CompletionRules)
{
    struct Row {
        bool (*rule)(const HSTRING&, const HSTRING&);
        std::string command;
        std::string reply;
        bool complete;
    };
    const Row rows[] = {
        { HCOMMAND_PROCESSOR::SynNReplyComplete, "DEVICETYPE", "APP,5\r", true },
        { HCOMMAND_PROCESSOR::SynNReplyComplete, "DEVICETYPE", "APP,5", false },
        { HCOMMAND_PROCESSOR::SynYReplyComplete, "IQEPRO?.", "IQEPRO1\x06.", true },
        { HCOMMAND_PROCESSOR::SynYReplyComplete, "IQEPRO?.", "IQEPRO1\x15!", true },
        { HCOMMAND_PROCESSOR::SynYReplyComplete, "IQEPRO?.", "IQEPRO1\x06&", false },
        { HCOMMAND_PROCESSOR::SynYReplyComplete, "IQEPRO?.", "IQEPRO1.", false },
        { HCOMMAND_PROCESSOR::SynYReplyComplete, "IQEPRO$.", "IQEPRO1.", true },
        { HCOMMAND_PROCESSOR::MenuReplyComplete, "BEPLVL?.", "BEPLVL1\x05@", true },
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.rule(Bytes(row.command), Bytes(row.reply)), row.complete) << row.command << " " << row.reply.size();
}

class DeviceProcessorTest : public DeviceBench { };

TEST_F(DeviceProcessorTest, FramingsOnTheLine)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1", kSettings));
    ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
    CDevice device(&port);
    HCOMMAND_PROCESSOR& handler = device.CommandHandler();
    HSTRING reply(64);
    EXPECT_TRUE(handler.SendSynYCommand(HSTRING("TST100?."), &reply));
    EXPECT_EQ(std::string(reply.Text(), reply.Length()), "TST1001\x06.");
    EXPECT_TRUE(handler.SendMenuCommandNoReply(HSTRING("TST1003.")));
    port.DrainInput(100); // its echo is nobody's reply
    EXPECT_TRUE(handler.SendMenuCommand(HSTRING("TST100?."), &reply));
    EXPECT_EQ(std::string(reply.Text(), reply.Length()), "TST1003\x06.");
    handler.SetAddress("SCAN1");
    handler.SetAddressing(true);
    handler.SendMenuCommandNoReply(HSTRING("TST1002."));
    handler.SendSynYCommand(HSTRING("TST100?."), &reply, 1000);
    const std::string& written = ports.written;
    EXPECT_NE(written.find("\x16M\r:SCAN1:TST1002."), std::string::npos);
    EXPECT_NE(written.find("\x16Y\rTST100?."), std::string::npos); // never address-prefixed
    EXPECT_TRUE(handler.WakeupDevice());
    EXPECT_FALSE(handler.ProbeRunning());
    EXPECT_EQ(device.GetProcessReceivedDataLockSemaphore(), 0);
}

TEST_F(DeviceProcessorTest, WakeupFailsOnASilentReaderAfterItsAttempts)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1", kSettings));
    ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
    reader->Engine().SetSilent(true);
    CDevice device(&port);
    ports.written.clear();
    EXPECT_FALSE(device.CommandHandler().WakeupDevice());
    size_t probes = 0;
    for (size_t at = ports.written.find("\x16" "C\r"); at != std::string::npos; at = ports.written.find("\x16" "C\r", at + 1))
        ++probes;
    EXPECT_EQ(probes, 5u);
}

TEST_F(DeviceProcessorTest, UnansweredRevisionLeadsToTheChooser)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1", kSettings));
    ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
    int row3900 = -1;
    for (int row = 0; row < TheDeviceCatalog().RowCount(); ++row)
        if (TheDeviceCatalog().Field(row, CatalogColumn::ProdID) == "3900SR")
            row3900 = row;
    ASSERT_GE(row3900, 0);

    // The reader refuses the beeper, table and revision queries of identification.
    reader->Engine().NakNextCommands(3);
    host.deviceChoices = { row3900 };
    CDevice device(&port);
    ASSERT_TRUE(device.Identify());
    EXPECT_EQ(host.deviceChooserCalls.size(), 1u);
    EXPECT_EQ(device.DeviceName().catalogRow, row3900);
    EXPECT_EQ(device.DeviceName().revision, CDeviceName::kChosenByHand);

    reader->Engine().NakNextCommands(3);
    CDevice cancelled(&port);
    EXPECT_FALSE(cancelled.Identify()); // the chooser's queue is empty: cancel

    reader->Engine().NakNextCommands(3);
    SetUserAbort(true);
    CDevice aborted(&port);
    EXPECT_FALSE(aborted.Identify());
    EXPECT_EQ(host.deviceChooserCalls.size(), 2u); // not asked after Escape
    SetUserAbort(false);
}

TEST_F(DeviceProcessorTest, MatrixBaseTableCountFallsBackToSeven)
{
    Attach(ReaderProfileText("QX80001017-003", "5820BS", "115200 8N1", kSettings, 4, "tables"));
    ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
    CMatrixRFBaseDevice device(&port);
    EXPECT_EQ(device.GetTableCount(true), 7);
    EXPECT_EQ(device.GetTableCount(false), 4);
    reader->Engine().SetSilent(true);
    EXPECT_EQ(device.GetTableCount(false), 7);
    EXPECT_EQ(device.TableCount(), 7);
}

TEST_F(DeviceProcessorTest, FlashLineSetupFollowsTheLinkCode)
{
    const std::string syn(1, '\x16');
    struct Row {
        const char* link;
        bool matrix;
        std::string enter;
        const char* settings;
        std::string after;
    };
    const Row rows[] = {
        { "0xFEFF", false, syn + "A\r", "COM5:38400,N,8,1", "" },
        { "0xFEFF", true, syn + "A\r", "COM5:115200,N,8,1", "" },
        { "0xEEEF", true, syn + "A\r", "COM5:115200,N,8,1", "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.link);
        Attach(ReaderProfileText("QX80001003-002", "5600", "115200 8N1", kSettings, 1, "none", row.link));
        ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
        std::unique_ptr<CDevice> device = row.matrix ? std::make_unique<CMatrixDevice>(&port) : std::make_unique<CDevice>(&port);
        char parity = 'N';
        ASSERT_TRUE(device->ProbeLine(parity));
        std::string enter, settings, after;
        ASSERT_TRUE(device->GetFlashLineSetup(enter, settings, after));
        EXPECT_EQ(enter, row.enter);
        EXPECT_EQ(settings, row.settings);
        EXPECT_EQ(after, row.after);
        port.ClosePort();
        ports.sim.Detach("COM5");
    }
    // Other link codes ask for a rate with SYN "G"; a reader that accepts none gives no set-up.
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1", kSettings));
    ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
    CDevice device(&port);
    char parity = 'N';
    ASSERT_TRUE(device.ProbeLine(parity));
    std::string enter, settings, after;
    EXPECT_FALSE(device.GetFlashLineSetup(enter, settings, after));
    EXPECT_EQ(after, syn + "I\r");
    EXPECT_NE(ports.written.find(syn + "G921600\r"), std::string::npos);
    EXPECT_NE(ports.written.find(syn + "G300\r"), std::string::npos);
}

} // namespace

namespace {

class FamilyBracketsTest : public DeviceBench { };

TEST_F(FamilyBracketsTest, MatrixUpdateBracketAndImagerBeeperPair)
{
    Attach(ReaderProfileText("QX80001004-015", "5620SR", "115200 8N1", kSettings, 1, "matrix"));
    ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
    CMatrixDevice matrix(&port);
    matrix.BeginSettingsWrite();
    matrix.EndSettingsWrite();
    EXPECT_EQ(TakeFrames(), (Strings { "MNUUPD0!", "MNUUPD1!" }));

    CImageDevice imager(&port);
    CommandErrors errors;
    EXPECT_TRUE(imager.WriteCommands("TST1002.", nullptr, errors));
    EXPECT_EQ(TakeFrames(), (Strings { "mnubep0!", "mnubep0!", "TST1002.", "mnubep1!", "mnubep1!" }));
    CDevice plain(&port);
    plain.BeginSettingsWrite();
    EXPECT_TRUE(TakeFrames().empty());
}

} // namespace
