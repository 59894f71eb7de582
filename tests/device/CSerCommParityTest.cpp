// ReadBytes on a UART line with parity errors marked by the driver. A pseudo-terminal cannot
// carry parity errors, so a socket pair stands in for the line: the test writes the stream
// the driver would hand over, split at every byte boundary with a pause at the split.
#include "device/CSerComm.h"

#include "platform/LinuxSerialDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Hands out one end of a socket pair as every port.
class SocketPortSystem final : public SerialPortSystem {
public:
    SocketPortSystem()
    {
        int fds[2] = { -1, -1 };
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds) == 0) {
            host_ = fds[0];
            reader_ = fds[1];
        }
    }
    ~SocketPortSystem() override
    {
        for (int fd : { host_, reader_ }) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    std::unique_ptr<SerialDevice> Open(const std::string& path) override
    {
        return LinuxSerialDevice::Adopt(::dup(host_), path);
    }
    std::vector<SerialPortInfo> EnumeratePorts() override { return { { "COM1", "COM1" } }; }
    void Send(const std::string& bytes) { ASSERT_EQ(::write(reader_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    bool Ok() const { return reader_ >= 0; }

private:
    int host_ = -1;  // every open gets its own copy, so a reopen finds the line still there
    int reader_ = -1;
};

struct MarkedReply {
    const char* name;
    std::string raw;
    std::string decoded;
};

const MarkedReply kReplies[] = {
    { "even", std::string("\x06\xFF\x00\x15\xDE\xFF\x00\x21", 8), std::string("\x06\x1F\xDE\x1F", 4) },
    { "odd", std::string("\xFF\x00\x06\x15\xFF\x00\xDE\x21", 8), std::string("\x1F\x15\x1F\x21", 4) },
    { "mark", std::string("\xFF\x00\x06\xFF\x00\x15\xFF\x00\xDE\xFF\x00\x21", 12), std::string(4, '\x1F') },
    { "real FF", std::string("\x06\x15\xFE\xFF\xFF", 5), std::string("\x06\x15\xFE\xFF", 4) },
};

TEST(CSerCommParity, ReadBytesGivesTheWantedDecodedBytesAtEverySplit)
{
    SocketPortSystem ports;
    ASSERT_TRUE(ports.Ok());
    InstallSerialPortSystem(&ports);
    CSerComm port;
    // The space-parity probe opens with error replacement, so errors are marked.
    ASSERT_EQ(port.OpenPort("COM1:9600,S,8,1", true, false, true), CSerComm::kOpenOk);
    for (const MarkedReply& reply : kReplies) {
        for (size_t split = 0; split <= reply.raw.size(); ++split) {
            SCOPED_TRACE(std::string(reply.name) + " split at " + std::to_string(split));
            ports.Send(reply.raw.substr(0, split));
            std::thread rest([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(15));
                ports.Send(reply.raw.substr(split));
            });
            uint8_t buffer[8] = {};
            const int got = port.ReadBytes(buffer, 4, 300);
            rest.join();
            EXPECT_EQ(got, 4);
            EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), reply.decoded);
            port.DrainInput(0);
        }
    }
    port.ClosePort();
    InstallSerialPortSystem(nullptr);
}

} // namespace
