// Settings strings, port-name normalisation and the port list order: no line needed.
#include "device/CSerComm.h"

#include "RecordingHost.h"

#include <gtest/gtest.h>

namespace {

TEST(CSerCommSettings, BuildsBothFormsOfTheSettingsString)
{
    CSerComm port;
    port.SetPortNumber(3);
    struct Row {
        int baud;
        char parity;
        int dataBits;
        int stopBits;
        int portNumber;
        const char* expected;
    };
    const Row rows[] = {
        { 9600, 'N', 8, 1, -1, "COM3:9600,N,8,1" },
        { 9600, 'E', 7, 2, 1, "COM1:9600,E,7,2" },
        { 38400, 'S', 8, 1, 9, "COM9:38400,S,8,1" },
        { 115200, 'N', 8, 1, 10, "\\\\.\\COM10:115200,N,8,1" },
        { 115200, 'N', 8, 1, 12, "\\\\.\\COM12:115200,N,8,1" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(port.BuildSettingsString(row.baud, row.parity, row.dataBits, row.stopBits, row.portNumber),
                  row.expected);
}

TEST(CSerCommSettings, NormalisesNoticeNamesAgainstTheSettings)
{
    struct Row {
        const char* notice;
        const char* settings;
        const char* expected;
    };
    const Row rows[] = {
        { "COM5", "COM5:9600,N,8,1", "COM5" },
        { "USB Serial Port (COM5)", "COM5:9600,N,8,1", "COM5" },
        { "Prolific (v2) (COM12)", "\\\\.\\COM12:9600,N,8,1", "\\\\.\\v2) (COM12" },
        { "COM12", "\\\\.\\COM12:9600,N,8,1", "\\\\.\\COM12" },
        { "\\\\.\\COM12", "\\\\.\\COM12:9600,N,8,1", "\\\\.\\COM12" },
        { "odd ) name (", "COM1:9600,N,8,1", "odd ) name (" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(CSerComm::NormalisePortName(row.notice, row.settings), row.expected) << row.notice;
}

class ListedPorts final : public SerialPortSystem {
public:
    std::unique_ptr<SerialDevice> Open(const std::string&) override { return nullptr; }
    std::vector<SerialPortInfo> EnumeratePorts() override
    {
        return { { "COM10", "COM10 (ttyUSB0)" }, { "COM2", "COM2 (ttyS1)" }, { "com1", "" },
                 { "COM11", "COM11 (pts/4)" }, { "COM9", "COM9 (ttyS8)" } };
    }
};

TEST(CSerCommPorts, ListsShorterNamesFirstThenWithoutRegardToCase)
{
    ListedPorts listed;
    InstallSerialPortSystem(&listed);
    CSerComm port;
    port.EnumeratePorts();
    InstallSerialPortSystem(nullptr);

    ASSERT_EQ(port.GetPortCount(), 5);
    const char* names[] = { "com1", "COM2", "COM9", "COM10", "COM11" };
    const char* paths[] = { "com1", "COM2", "COM9", "\\\\.\\COM10", "\\\\.\\COM11" };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(port.GetPortName(i), names[i]);
        EXPECT_EQ(port.GetPortPath(i), paths[i]);
    }
    EXPECT_EQ(port.GetPortDisplayName(3), "COM10 (ttyUSB0)");
    EXPECT_EQ(port.GetPortDisplayName(0), "com1");
    EXPECT_EQ(port.GetPortName(5), "");
    EXPECT_EQ(port.GetPortName(-1), "");
}

// A line whose state cannot be read or written, as when another program holds the port.
class StubbornLine final : public SerialDevice {
public:
    explicit StubbornLine(bool readable) : readable_(readable) { }
    bool GetLineState(SerialLineState&) override { return readable_; }
    bool SetLineState(const SerialLineState&) override { return false; }
    bool SetBufferSizes(size_t, size_t) override { return true; }
    long Write(const uint8_t*, size_t) override { return 0; }
    bool WaitUntilSent(unsigned) override { return true; }
    long InputCount() override { return 0; }
    long Read(uint8_t*, size_t) override { return 0; }
    long OutputCount() override { return 0; }
    void PurgeInput() override { }
    void PurgeOutput() override { }
    void ClearErrors() override { }

private:
    bool readable_;
};

class StubbornPorts final : public SerialPortSystem {
public:
    std::unique_ptr<SerialDevice> Open(const std::string& path) override
    {
        return std::make_unique<StubbornLine>(path == "COM2");
    }
    std::vector<SerialPortInfo> EnumeratePorts() override { return {}; }
};

TEST(CSerCommOpen, UnreadableLineTellsTheUserAndRefusedSettingsFailTheOpen)
{
    RecordingHost host;
    StubbornPorts ports;
    InstallSerialPortSystem(&ports);
    CSerComm port;
    EXPECT_EQ(port.OpenPort("COM1:9600,N,8,1"), CSerComm::kOpenLineStateUnreadable);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Comm port unavailable, please ensure no other devices (i.e. printers) are using it");
    EXPECT_TRUE(port.IsOpen());  // the handle stays; the caller decides
    std::string settings;
    EXPECT_TRUE(port.GetCurrentSettings(settings));
    EXPECT_EQ(settings, "");
    port.ClosePort();

    EXPECT_EQ(port.OpenPort("COM2:9600,N,8,1"), CSerComm::kOpenLineStateFailed);
    EXPECT_EQ(host.messages.size(), 1u);
    InstallSerialPortSystem(nullptr);
}

} // namespace
