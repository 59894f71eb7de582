// A port the user has no permission to open: the open fails at every rate of a scan, and the
// user is told once why, and how to mend it, instead of only "Unable to connect".
#include "device/CSerComm.h"
#include "platform/ScriptedHost.h"

#include <gtest/gtest.h>

namespace {

class RefusingPorts final : public SerialPortSystem {
public:
    std::unique_ptr<SerialDevice> Open(const std::string&) override { return nullptr; }
    std::vector<SerialPortInfo> EnumeratePorts() override { return { { "COM3", "COM3" } }; }
    std::string OpenFailureHint(const std::string& path) override
    {
        return path == "COM3" ? "You have no permission to open /dev/ttyS2." : "";
    }
};

TEST(PortPermissionTest, TheRefusalIsExplainedOnce)
{
    ScriptedHost host;
    InstallHost(&host);
    RefusingPorts ports;
    InstallSerialPortSystem(&ports);
    {
        CSerComm port;
        EXPECT_EQ(port.OpenPort("COM3:9600,N,8,1"), CSerComm::kOpenCannotOpen);
        EXPECT_EQ(port.OpenPort("COM3:19200,N,8,1"), CSerComm::kOpenCannotOpen);
        EXPECT_EQ(port.OpenPort("COM4:9600,N,8,1"), CSerComm::kOpenCannotOpen); // nothing to explain
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text,
            "Comm port unavailable, please ensure no other devices (i.e. printers) are using it\n\n"
            "You have no permission to open /dev/ttyS2.");
    }
    InstallSerialPortSystem(nullptr);
    InstallHost(nullptr);
}

} // namespace
