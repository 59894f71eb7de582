// Finding a reader: the line-format probe against readers of every framing, the rate scan with
// its texts, CTS and abort, the presence check, identification and the compatibility rules.
#include "DeviceTestBench.h"

#include "device/CDevice.h"
#include "device/CHeronMaskDevice.h"
#include "device/CImageDevice.h"
#include "device/CMatrixDevice.h"
#include "device/DeviceFactory.h"
#include "transfer/HCOMMAND_PROCESSOR.h"

#include <algorithm>

namespace {

const std::string kSettings = "setting TST100 range=0-5 default=1 values=1\n";

class ConnectTest : public DeviceBench { };

// A reader of each framing answers the probe at the host's opening format; the probe works out
// the reader's framing from the bytes that arrive, reopens at it and identifies the reader.
TEST_F(ConnectTest, ProbeFindsEveryFramingAndReopensAtIt)
{
    struct Row {
        const char* readerLine;
        char hostParity; // the scan's opening format: 8 data bits with this parity
        char parity;
        int bits;
        const char* link = "0xCE31";
    };
    // An odd-parity reader is told apart by a parity error on the first link-code byte, so
    // its link code must have an even number of one bits there.
    const Row rows[] = {
        { "9600 7E1", 'N', 'E', 7 }, { "9600 7O1", 'N', 'O', 7 }, { "9600 7M1", 'N', 'M', 7 },
        { "9600 7S1", 'N', 'S', 7 }, { "9600 8N1", 'N', 'N', 8 }, { "9600 8E1", 'S', 'E', 8 },
        { "9600 8O1", 'S', 'O', 8, "0xCC31" }, { "9600 8M1", 'S', 'M', 8 }, { "9600 8S1", 'S', 'S', 8 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.readerLine);
        Attach(ReaderProfileText("QX80001005-012", "3800LR", row.readerLine, kSettings, 1, "none", row.link));
        // The scan opens its space-parity attempt with parity errors replaced by 0x1F.
        ASSERT_EQ(port.OpenPort(port.BuildSettingsString(9600, row.hostParity, 8, 1), true, false, row.hostParity == 'S'),
                  CSerComm::kOpenOk);
        CDevice device(&port);
        char parity = row.hostParity;
        ASSERT_TRUE(device.ProbeLine(parity));
        EXPECT_EQ(parity, row.parity);
        std::string settings;
        ASSERT_TRUE(port.GetCurrentSettings(settings));
        EXPECT_EQ(settings, std::string("COM5:9600,") + row.parity + "," + std::to_string(row.bits) + ",1");
        EXPECT_EQ(device.DeviceName().baseNumber, "80001005");
        EXPECT_EQ(device.DeviceName().revision, 12);
        EXPECT_EQ(device.GetProcessReceivedDataLockSemaphore(), 0);
        port.ClosePort();
        ports.sim.Detach("COM5");
    }
}

TEST_F(ConnectTest, ProbeBytesOfASevenBitEvenReaderAtEightNone)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "9600 7E1", kSettings));
    ASSERT_EQ(port.OpenPort("COM5:9600,N,8,1"), CSerComm::kOpenOk);
    const char probe[] = { 0x16, 'C', 0x0D };
    port.WriteBytes(reinterpret_cast<const uint8_t*>(probe), 3);
    uint8_t answer[4] = {};
    ASSERT_EQ(port.ReadBytes(answer, 4, 300), 4);
    EXPECT_EQ(answer[0], 0x06);
    EXPECT_EQ(answer[1], 0x95);
}

TEST_F(ConnectTest, ScanFindsSevenEvenReaderAtNineThousandSixHundred)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "9600 7E1", kSettings));
    auto record = std::make_shared<std::vector<std::string>>();
    CDevice device(&port);
    std::string settings;
    const int result = device.Connect(settings, [record](const std::string& text) { record->push_back(text); });
    ASSERT_EQ(result, CDevice::kConnected);
    EXPECT_EQ(settings, "COM5:9600,E,7,1");
    ASSERT_FALSE(record->empty());
    EXPECT_EQ(record->front(), "Checking COM5 at 921600 Baud");
    EXPECT_EQ(record->back(), "Connected at COM5:9600,E,7,1");
    // Two attempts a rate until 9600 answers on the first.
    const long checks = std::count_if(record->begin(), record->end(),
                                      [](const std::string& t) { return t.rfind("Checking", 0) == 0; });
    EXPECT_EQ(checks, 2 * 7 + 1);
    EXPECT_EQ(device.DeviceName().productId, "3800LR");
    EXPECT_EQ(device.DeviceName().ProductName(), "Kestrel 3800 Linear Imager");
    EXPECT_EQ(device.GetProcessReceivedDataLockSemaphore(), 0);
    EXPECT_EQ(host.waitCursorDepth, 0);
}

TEST_F(ConnectTest, ScanFindsEightBitOddReaderOnTheSecondAttempt)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "921600 8O1", kSettings, 1, "none", "0xCC31"));
    CDevice device(&port);
    std::string settings;
    ASSERT_EQ(device.Connect(settings), CDevice::kConnected);
    EXPECT_EQ(settings, "COM5:921600,O,8,1");
}

TEST_F(ConnectTest, CtsReaderIsReopenedWithFlowControlAndSaysSo)
{
    // The 3900 row of the catalog asks for CTS flow control.
    Attach(ReaderProfileText("QX80001012-003", "3900SR", "921600 8N1", kSettings));
    CDevice device(&port);
    std::string settings;
    ASSERT_EQ(device.Connect(settings), CDevice::kConnected);
    EXPECT_EQ(settings, "COM5:921600,N,8,1 CTS");
    EXPECT_TRUE(device.UsesCts());
    EXPECT_EQ(device.LastStatusText(), "Connected at COM5:921600,N,8,1 CTS");
}

TEST_F(ConnectTest, EscapeDuringTheScanRestoresThePreviousLine)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "300 8N1", kSettings));
    ASSERT_EQ(port.OpenPort("COM5:19200,O,8,1"), CSerComm::kOpenOk);
    host.abortOnPump = 4;
    CDevice device(&port);
    std::string settings;
    auto record = std::make_shared<std::vector<std::string>>();
    EXPECT_EQ(device.Connect(settings, [record](const std::string& text) { record->push_back(text); }),
              CDevice::kConnectCancelled);
    ASSERT_GE(record->size(), 2u);
    EXPECT_EQ(record->back(), "Ready");
    EXPECT_EQ((*record)[record->size() - 2], "Connected at COM5:19200,O,8,1");
    std::string current;
    ASSERT_TRUE(port.GetCurrentSettings(current));
    EXPECT_EQ(current, "COM5:19200,O,8,1");
}

TEST_F(ConnectTest, EscapeWithNothingToGoBackToClosesThePort)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "300 8N1", kSettings));
    ASSERT_FALSE(port.IsOpen());
    host.abortOnPump = 4;
    CDevice device(&port);
    std::string settings;
    EXPECT_EQ(device.Connect(settings), CDevice::kConnectCancelled);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(ConnectTest, AnAbortLeftFromEarlierDoesNotCancelTheNextScan)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "921600 8N1", kSettings));
    SetUserAbort(true);  // an Escape that closed some dialog before
    CDevice device(&port);
    std::string settings;
    EXPECT_EQ(device.Connect(settings), CDevice::kConnected);
}

TEST_F(ConnectTest, PresenceCheckShowsItsWindowAndHidesItAfter)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1", kSettings));
    ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
    CDevice device(&port);
    device.DeviceName().baseNumber = "80001005";
    EXPECT_TRUE(device.VerifyDevicePresent());
    ASSERT_EQ(host.progressWindows.size(), 1u);
    EXPECT_EQ(host.progressWindows[0]->steps[0], "Verifying device present...");
    EXPECT_FALSE(host.progressWindows[0]->shown);
}

TEST_F(ConnectTest, FirmwareRevisionOfAReaderWithoutSoftwareRevision)
{
    struct Row {
        const char* revSw;
        const char* expected;
    };
    for (const Row& row : { Row { "SW1.00", "SW1.00QX80001005-012" }, Row { "-", "QX80001005-012" } }) {
        SCOPED_TRACE(row.revSw);
        std::string profile = ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1", kSettings);
        profile.replace(profile.find("SW1.00"), 6, row.revSw);
        Attach(profile);
        ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
        CDevice device(&port);
        device.DeviceName().baseNumber = "80001005";
        device.DeviceName().productId = "3800LR";
        std::string revision;
        std::string shown;
        EXPECT_TRUE(device.GetFirmwareRevision(revision, [&shown](const std::string& text) { shown = text; }));
        EXPECT_EQ(revision, row.expected);
        EXPECT_EQ(shown, std::string("Firmware Rev: ") + row.expected);
        port.ClosePort();
        ports.sim.Detach("COM5");
    }
}

TEST_F(ConnectTest, PresenceCheckWantsTheSameModel)
{
    Attach(ReaderProfileText("QX80001014-020", "3800IN", "115200 8N1", kSettings));
    ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
    CDevice device(&port);
    device.DeviceName().baseNumber = "80001005"; // a 3800 configuration takes a 3800i reader
    device.DeviceName().productId = "3800??";
    EXPECT_TRUE(device.VerifyDevicePresent());
    device.DeviceName().productId = "3900SR";
    EXPECT_FALSE(device.VerifyDevicePresent());
    device.DeviceName().productId = "3800IN";
    device.DeviceName().baseNumber = "80001012";
    EXPECT_FALSE(device.VerifyDevicePresent());
    port.ClosePort();
    EXPECT_FALSE(device.VerifyDevicePresent());
    EXPECT_EQ(device.GetProcessReceivedDataLockSemaphore(), 0);
}

TEST_F(ConnectTest, FirmwareRevisionJoinsBothTexts)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "38400 8N1", kSettings));
    ASSERT_EQ(port.OpenPort("COM5:38400,N,8,1"), CSerComm::kOpenOk);
    CDevice device(&port);
    ASSERT_TRUE(device.Identify());
    std::string revision;
    ASSERT_TRUE(device.GetFirmwareRevision(revision));
    EXPECT_EQ(revision, "SW1.00QX80001005-012");
    EXPECT_EQ(device.LastStatusText(), "Firmware Rev: SW1.00QX80001005-012");
}

TEST_F(ConnectTest, CapabilityProbeReadsWhatTheReaderKnows)
{
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1", kSettings, 3, "tables aztec pdf"));
    ASSERT_EQ(port.OpenPort("COM5:115200,N,8,1"), CSerComm::kOpenOk);
    CDevice device(&port);
    HCOMMAND_PROCESSOR& handler = device.CommandHandler();
    ASSERT_TRUE(handler.ProbeCapabilities());
    EXPECT_FALSE(handler.SupportsMatrixCommands());
    EXPECT_TRUE(handler.SupportsAztec());
    EXPECT_TRUE(handler.SupportsPdf());
    EXPECT_FALSE(handler.SupportsImageShip());
    EXPECT_TRUE(handler.ScannerList().empty());
    const auto frames = TakeFrames();
    EXPECT_EQ(frames.front(), "MNUBEP0!");
    EXPECT_EQ(frames.back(), "MNUBEP1!");
    EXPECT_EQ(device.GetProcessReceivedDataLockSemaphore(), 0);
}

TEST(EorByte, ParsesTheHexadecimalText)
{
    struct Row {
        const char* text;
        unsigned char byte;
    };
    const Row rows[] = { { "0D", 0x0D }, { "0x0a", 0x0A }, { "x1B", 0x1B }, { "ff", 0xFF }, { "", 0x00 },
                         { "1G", 0x01 }, { "zz", 0x00 }, { "0X0D junk", 0x0D } };
    for (const Row& row : rows)
        EXPECT_EQ(CDevice::ParseEorByte(row.text), row.byte) << row.text;
}

TEST(ProbeTimeout, FollowsTheRate)
{
    EXPECT_EQ(CDevice::ProbeTimeoutMs(9600), 100u);
    EXPECT_EQ(CDevice::ProbeTimeoutMs(600), 300u);
    EXPECT_EQ(CDevice::ProbeTimeoutMs(300), 600u);
}

CDeviceName Entry(const char* base, int revision)
{
    CDeviceName name;
    name.baseNumber = base;
    name.revision = revision;
    return name;
}

TEST(Compatibility, PartNumberPairsAndFamilyRules)
{
    struct Row {
        DeviceClassKind kind;
        const char* own;
        int ownRevision;
        const char* identified;
        int identifiedRevision;
        bool compatible;
    };
    const Row rows[] = {
        { DeviceClassKind::CDevice, "80001005", 1, "80001005", 1, true },
        { DeviceClassKind::CDevice, "80001005", 1, "80001014", 1, true },
        { DeviceClassKind::CDevice, "80001014", 1, "80001005", 1, false },
        { DeviceClassKind::CDevice, "80001011", 1, "80001014", 1, true },
        { DeviceClassKind::CDevice, "80001012", 1, "80001015", 1, true },
        { DeviceClassKind::CDevice, "80001013", 1, "80001016", 1, true },
        { DeviceClassKind::CDevice, "80001013", 1, "80001012", 1, false },
        { DeviceClassKind::CRFBaseDevice, "80001016", 1, "80001013", 1, true },
        { DeviceClassKind::CHeronMaskDevice, "80001006", 3, "80001009", 1, true },
        { DeviceClassKind::CHeronMaskDevice, "80001006", 4, "80001010", 1, true },
        { DeviceClassKind::CHeronMaskDevice, "80001006", 6, "80001008", 1, true },
        { DeviceClassKind::CHeronMaskDevice, "80001006", 6, "80001009", 1, false },
        { DeviceClassKind::CHeronMaskDevice, "80001008", 9, "80001007", 1, true },
        { DeviceClassKind::CMatrixDevice, "80001003", 1, "80001003", 1, true },
        { DeviceClassKind::CMatrixDevice, "80001003", 1, "80001003", 2, false },
        { DeviceClassKind::CMatrixDevice, "80001003", 2, "80001003", 3, true },
        { DeviceClassKind::CImageDevice, "80001001", 5, "80001001", 12, true },
        { DeviceClassKind::CImageDevice, "80001001", 7, "80001001", 5, false },
        { DeviceClassKind::CImageDevice, "80001001", 7, "80001001", 9, true },
        { DeviceClassKind::CImageDevice, "80001001", 7, "80001002", 9, false },
        { DeviceClassKind::CMatrixDevice, "80001003", 1, "80001004", 9, true },
        { DeviceClassKind::CMatrixRFBaseDevice, "80001017", 1, "zk000100", 9, true },
        { DeviceClassKind::CMatrixDevice, "80001017", 1, "80001003", 1, false },
    };
    for (const Row& row : rows) {
        auto device = CreateDevice(row.kind, nullptr);
        ASSERT_TRUE(device);
        device->DeviceName() = Entry(row.own, row.ownRevision);
        EXPECT_EQ(device->IsCompatible(Entry(row.identified, row.identifiedRevision)), row.compatible)
            << DeviceClassName(row.kind) << " " << row.own << "-" << row.ownRevision << " / " << row.identified << "-"
            << row.identifiedRevision;
    }
}

} // namespace
