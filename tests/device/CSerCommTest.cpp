// CSerComm over a real pseudo-terminal: the port is COM10 (a symlink to the pty slave), the
// test plays the reader on the master side.
#include "device/CSerComm.h"

#include "PtyPair.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

constexpr const char* kPort10 = "\\\\.\\COM10";

class CSerCommPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ports.Line().Ok());
        ports.Install();
        SetUserAbort(false);
    }
    void TearDown() override { SetUserAbort(false); }

    std::string Settings(const std::string& tail) { return std::string(kPort10) + ":" + tail; }

    RecordingHost host;
    PtyPortSystem ports;
    CSerComm port;
};

TEST_F(CSerCommPty, OpensWritesReadsClosesAndReopensAtAnotherRate)
{
    ASSERT_EQ(port.OpenPort(Settings("9600,N,8,1")), CSerComm::kOpenOk);
    std::string current;
    ASSERT_TRUE(port.GetCurrentSettings(current));
    EXPECT_EQ(current, Settings("9600,N,8,1"));
    EXPECT_EQ(ports.Line().SlaveRate(), 9600u);

    EXPECT_EQ(port.WriteText("\x16M\rBEPLVL?."), 11);
    EXPECT_EQ(ports.Line().ReadMaster(11, 1000), "\x16M\rBEPLVL?.");
    ports.Line().WriteMaster("BEPLVL3\x06.");
    uint8_t buffer[32] = {};
    EXPECT_EQ(port.ReadBytes(buffer, 9, 1000), 9);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 9), "BEPLVL3\x06.");

    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.GetCurrentSettings(current));
    EXPECT_EQ(port.WriteByte('x'), 0);

    ASSERT_EQ(port.OpenPort(Settings("115200,N,8,1")), CSerComm::kOpenOk);
    EXPECT_EQ(port.GetBaudRate(), 115200);
    EXPECT_EQ(ports.Line().SlaveRate(), 115200u);
    // An open port is only reconfigured, never opened a second time.
    const int opens = ports.OpenCount();
    ASSERT_EQ(port.OpenPort(Settings("38400,N,8,1")), CSerComm::kOpenOk);
    EXPECT_EQ(ports.OpenCount(), opens);
    EXPECT_EQ(ports.Line().SlaveRate(), 38400u);

    // Settings for another port close this one instead of reconfiguring it under a new name.
    EXPECT_EQ(port.OpenPort("COM3:9600,N,8,1"), CSerComm::kOpenCannotOpen);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(ports.Line().SlaveRate(), 38400u);
}

TEST_F(CSerCommPty, EveryStandardRateOpens)
{
    for (int rate : CSerComm::kStandardRates) {
        SCOPED_TRACE(rate);
        ASSERT_EQ(port.OpenPort(port.BuildSettingsString(rate, 'N', 8, 1, 10)), CSerComm::kOpenOk);
        EXPECT_EQ(port.GetBaudRate(), rate);
        EXPECT_EQ(ports.Line().SlaveRate(), static_cast<unsigned>(rate));
    }
}

TEST_F(CSerCommPty, ShortFormOfAPortAboveNineOpensTheSamePort)
{
    EXPECT_EQ(port.OpenPort("COM10:9600,N,8,1"), CSerComm::kOpenOk);
    port.WriteText("hi");
    EXPECT_EQ(ports.Line().ReadMaster(2, 1000), "hi");
}

TEST_F(CSerCommPty, FramingComesFromTheLastSixCharacters)
{
    struct Row {
        const char* tail;
        int parity;
        int dataBits;
        int stopBits;
    };
    const Row rows[] = {
        { "9600,E,7,2", 'E', 7, 2 },
        { "9600,e,7,2", 'N', 7, 2 },  // lower-case letters are not parity letters
        { "19200,O,7,1", 'O', 7, 1 },
        { "19200,M,7,1", 'M', 7, 1 },
        { "19200,S,8,1", 'S', 8, 1 },
        { "57600,N,8,1", 'N', 8, 1 },
        { "57600,X,8,3", 'N', 8, 1 },  // unknown letter: none; anything but "2": one stop bit
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tail);
        ASSERT_EQ(port.OpenPort(Settings(row.tail)), CSerComm::kOpenOk);
        EXPECT_EQ(port.GetParity(), row.parity);
        EXPECT_EQ(port.GetDataBits(), row.dataBits);
        EXPECT_EQ(port.GetStopBits(), row.stopBits);
    }
}

TEST_F(CSerCommPty, LineAccessorsValidateAndChangeOneField)
{
    EXPECT_EQ(port.GetParity(), -1);
    EXPECT_FALSE(port.SetBaudRate(9600));
    ASSERT_EQ(port.OpenPort(Settings("9600,E,7,2")), CSerComm::kOpenOk);
    EXPECT_FALSE(port.SetBaudRate(0));
    EXPECT_FALSE(port.SetParity('x'));
    EXPECT_FALSE(port.SetStopBits(3));
    EXPECT_TRUE(port.SetParity('m'));
    EXPECT_EQ(port.GetParity(), 'M');
    EXPECT_EQ(port.GetDataBits(), 7);
    EXPECT_TRUE(port.SetStopBits(1));
    EXPECT_EQ(port.GetStopBits(), 1);
    EXPECT_TRUE(port.SetBaudRate(4800));
    EXPECT_EQ(ports.Line().SlaveRate(), 4800u);
    EXPECT_EQ(port.GetParity(), 'M');
}

TEST_F(CSerCommPty, BadStringsAndRatesOutsideTheLimitsNeverTouchThePort)
{
    port.SetBaudLimits(57600, 1200);
    const int opens = ports.OpenCount();
    EXPECT_EQ(port.OpenPort(Settings("115200,N,8,1")), CSerComm::kOpenBadRate);
    EXPECT_EQ(port.OpenPort(Settings("600,N,8,1")), CSerComm::kOpenBadRate);
    EXPECT_EQ(port.OpenPort(Settings("0,N,8,1")), CSerComm::kOpenBadRate);
    EXPECT_EQ(port.OpenPort(std::string(kPort10) + ":,N,8"), CSerComm::kOpenBadRate);  // too short to hold a rate
    EXPECT_EQ(port.OpenPort("COM10 9600,N,8,1"), CSerComm::kOpenCannotOpen);
    EXPECT_EQ(port.OpenPort(""), CSerComm::kOpenCannotOpen);
    EXPECT_EQ(ports.OpenCount(), opens);
    EXPECT_FALSE(port.IsOpen());

    EXPECT_EQ(port.OpenPort(Settings("57600,N,8,1")), CSerComm::kOpenOk);
    EXPECT_EQ(port.OpenPort(Settings("1200,N,8,1")), CSerComm::kOpenOk);
    port.SetBaudLimits(-1, -1);
    EXPECT_EQ(port.OpenPort(Settings("921600,N,8,1")), CSerComm::kOpenOk);

    port.ClosePort();
    EXPECT_EQ(port.OpenPort("\\\\.\\COM77:9600,N,8,1"), CSerComm::kOpenCannotOpen);
    EXPECT_FALSE(port.IsOpen());

    // Limits that leave out 9600 restrict the scan, not whether the port is there; they
    // survive the test.
    port.SetBaudLimits(115200, 19200);
    EXPECT_TRUE(port.TestPort(10));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetMaxBaud(), 115200);
    EXPECT_EQ(port.GetMinBaud(), 19200);
}

TEST_F(CSerCommPty, SecondOpenOfAPortInUseFails)
{
    ASSERT_EQ(port.OpenPort(Settings("9600,N,8,1")), CSerComm::kOpenOk);
    CSerComm other;
    EXPECT_EQ(other.OpenPort(Settings("9600,N,8,1")), CSerComm::kOpenCannotOpen);
    EXPECT_FALSE(other.TestPort(10));
    port.ClosePort();
    EXPECT_TRUE(other.TestPort(10));
    EXPECT_FALSE(other.IsOpen());
}

TEST_F(CSerCommPty, ReadBytesNeverWaitsLongerThanTheCap)
{
    ASSERT_EQ(port.OpenPort(Settings("9600,N,8,1")), CSerComm::kOpenOk);
    uint8_t buffer[8];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.ReadBytes(buffer, 4, 5000), 0);
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(waited, 590);
    EXPECT_LE(waited, 1000);  // far below the 5000 asked for, with room for a loaded machine

    // Fewer bytes than wanted: what is there after the wait, and no more than asked for. The
    // waits leave a loaded machine time to move the bytes through the pseudo-terminal.
    ports.Line().WriteMaster("AB");
    EXPECT_EQ(port.ReadBytes(buffer, 4, 1000), 2);
    ports.Line().WriteMaster("CDEFGH");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(port.ReadBytes(buffer, 3, 1000), 3);
    EXPECT_EQ(port.ReadAvailable(buffer, 2), 2);  // capacity bounds it
    EXPECT_EQ(port.ReadAvailable(buffer, sizeof buffer), 1);
    EXPECT_EQ(buffer[0], 'H');
}

TEST_F(CSerCommPty, DrainInputPumpsAndDiscardsAndStopsOnEscape)
{
    ASSERT_EQ(port.OpenPort(Settings("9600,N,8,1")), CSerComm::kOpenOk);
    ports.Line().WriteMaster("stale bytes");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const long pumps = host.pumps;
    port.DrainInput(0);
    EXPECT_GE(host.pumps, pumps + 1);
    uint8_t buffer[16];
    EXPECT_EQ(port.ReadAvailable(buffer, sizeof buffer), 0);

    host.onPump = [] { SetUserAbort(true); };
    const auto start = std::chrono::steady_clock::now();
    port.DrainInput(3000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(CSerCommPty, RemovedPortComesBackWithTheSameSettings)
{
    const std::string settings = Settings("19200,E,7,1");
    ASSERT_EQ(port.OpenPort(settings), CSerComm::kOpenOk);

    EXPECT_FALSE(port.OnPortRemoved("COM3"));
    EXPECT_TRUE(port.IsOpen());
    ports.Unplug();
    EXPECT_TRUE(port.OnPortRemoved("USB Serial Port (COM10)"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.RememberedSettings(), settings);

    // Not back yet: the re-attach waits for the next chance.
    EXPECT_FALSE(port.OnPortArrived("COM10"));
    EXPECT_TRUE(port.IsReattachPending());
    EXPECT_FALSE(port.RetryReattach());

    ASSERT_TRUE(ports.Plug());
    EXPECT_FALSE(port.OnPortArrived("COM11"));
    EXPECT_TRUE(port.RetryReattach());
    std::string current;
    ASSERT_TRUE(port.GetCurrentSettings(current));
    EXPECT_EQ(current, settings);
    EXPECT_EQ(port.GetParity(), 'E');
    EXPECT_EQ(port.GetDataBits(), 7);
    EXPECT_EQ(ports.Line().SlaveRate(), 19200u);
    port.WriteText("ok");
    EXPECT_EQ(ports.Line().ReadMaster(2, 1000), "ok");
}

TEST_F(CSerCommPty, ArrivalNoticeReattachesDirectly)
{
    const std::string settings = Settings("9600,N,8,1");
    ASSERT_EQ(port.OpenPort(settings), CSerComm::kOpenOk);
    ports.Unplug();
    ASSERT_TRUE(ports.Plug());
    EXPECT_TRUE(port.HandlePortNotices({ { SerialPortNotice::Kind::Removed, "COM10", "" },
                                         { SerialPortNotice::Kind::Arrived, "COM10", "" } }));
    std::string current;
    ASSERT_TRUE(port.GetCurrentSettings(current));
    EXPECT_EQ(current, settings);
}

TEST_F(CSerCommPty, GoingPortIsSuspendedUntilRemoved)
{
    ASSERT_EQ(port.OpenPort(Settings("9600,N,8,1")), CSerComm::kOpenOk);
    EXPECT_TRUE(port.OnPortGoing("COM10"));
    EXPECT_TRUE(port.IsSuspended());
    ports.Line().WriteMaster("xy");
    uint8_t buffer[4];
    EXPECT_EQ(port.ReadBytes(buffer, 2, 100), 0);
    EXPECT_EQ(port.WriteText("abc"), 0);
    EXPECT_TRUE(port.OnPortRemoved("COM10"));
    EXPECT_FALSE(port.IsSuspended());
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(CSerCommPty, WriteThatMovesNothingReopensOnceWithTheSameSettings)
{
    const std::string settings = Settings("57600,N,8,1");
    ASSERT_EQ(port.OpenPort(settings), CSerComm::kOpenOk);
    // The adapter was swapped under an open handle: the old line is dead, a new one waits.
    ports.Unplug();
    ASSERT_TRUE(ports.Plug());
    EXPECT_EQ(port.WriteText("lost"), 0);
    std::string current;
    ASSERT_TRUE(port.GetCurrentSettings(current));
    EXPECT_EQ(current, settings);
    EXPECT_EQ(port.WriteText("sent"), 4);
    EXPECT_EQ(ports.Line().ReadMaster(4, 1000), "sent");

    // Only a written single byte (or a short write) re-arms the retry: until then the next
    // dead write closes the port for good.
    ports.Unplug();
    ASSERT_TRUE(ports.Plug());
    EXPECT_EQ(port.WriteText("lost"), 0);
    EXPECT_FALSE(port.IsOpen());

    ASSERT_EQ(port.OpenPort(settings), CSerComm::kOpenOk);
    EXPECT_EQ(port.WriteByte('!'), 1);
    EXPECT_EQ(ports.Line().ReadMaster(1, 1000), "!");
    ports.Unplug();
    ASSERT_TRUE(ports.Plug());
    EXPECT_EQ(port.WriteText("lost"), 0);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(CSerCommPty, WatcherFollowsOpenCloseAndTheHold)
{
    EXPECT_TRUE(port.IsWatcherPaused());
    ASSERT_EQ(port.OpenPort(Settings("9600,N,8,1")), CSerComm::kOpenOk);
    EXPECT_FALSE(port.IsWatcherPaused());
    port.SetWatcherHeldPaused(true);
    EXPECT_TRUE(port.IsWatcherPaused());
    ASSERT_EQ(port.OpenPort(Settings("19200,N,8,1")), CSerComm::kOpenOk);
    EXPECT_TRUE(port.IsWatcherPaused());  // an open does not resume a held watcher
    port.SetWatcherHeldPaused(false);
    EXPECT_FALSE(port.IsWatcherPaused());
    port.ClosePort();
    EXPECT_TRUE(port.IsWatcherPaused());
}

} // namespace
