#include "PtyPair.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0)
        return;
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        ::close(master_);
        master_ = -1;
        return;
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        ::close(master_);
        master_ = -1;
        return;
    }
    slavePath_ = name;
    // The master must not echo or translate what the program sends; raw both ways.
    termios tio {};
    if (::tcgetattr(master_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(master_, TCSANOW, &tio);
    }
}

PtyPair::~PtyPair() { CloseMaster(); }

void PtyPair::CloseMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

std::string PtyPair::ReadMaster(size_t wanted, unsigned timeoutMs)
{
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < wanted && master_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p { master_, POLLIN, 0 };
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[256];
        const ssize_t got = ::read(master_, buffer, std::min(sizeof buffer, wanted - out.size()));
        if (got > 0)
            out.append(buffer, static_cast<size_t>(got));
        else if (got < 0 && errno != EAGAIN)
            break;
    }
    return out;
}

void PtyPair::WriteMaster(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size() && master_ >= 0) {
        const ssize_t put = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (put > 0)
            done += static_cast<size_t>(put);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

unsigned PtyPair::SlaveRate() const
{
    termios tio {};
    if (master_ < 0 || ::tcgetattr(master_, &tio) != 0)
        return 0;
    switch (::cfgetospeed(&tio)) {
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    case B460800: return 460800;
    case B921600: return 921600;
    default: return 0;
    }
}

class PtyPortSystem::Counting final : public SerialPortSystem {
public:
    explicit Counting(SerialPortSystem& inner) : inner_(inner) { }
    std::unique_ptr<SerialDevice> Open(const std::string& path) override
    {
        ++opens;
        return inner_.Open(path);
    }
    std::vector<SerialPortInfo> EnumeratePorts() override { return inner_.EnumeratePorts(); }
    int opens = 0;

private:
    SerialPortSystem& inner_;
};

PtyPortSystem::PtyPortSystem()
{
    char pattern[] = "/tmp/kestrel-pty-XXXXXX";
    if (::mkdtemp(pattern))
        dir_ = pattern;
    link_ = dir_ + "/reader";
    std::filesystem::create_directories(dir_ + "/sys");
    SerialPortTable::Sources sources;
    // An empty tty class folder: no real ttyS or USB ports take part in these tests.
    sources.sysTtyDir = dir_ + "/sys";
    sources.byIdDir = dir_ + "/by-id";
    sources.extraPorts = link_;
    sources.probeUarts = false;
    system_ = std::make_unique<LinuxSerialPortSystem>(&memory_, sources);
    counting_ = std::make_unique<Counting>(*system_);
    Plug();
}

PtyPortSystem::~PtyPortSystem()
{
    InstallSerialPortSystem(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void PtyPortSystem::Install() { InstallSerialPortSystem(counting_.get()); }

bool PtyPortSystem::Plug()
{
    pty_ = std::make_unique<PtyPair>();
    std::error_code ec;
    std::filesystem::remove(link_, ec);
    std::filesystem::create_symlink(pty_->SlavePath(), link_, ec);
    system_->Rescan();
    return pty_->Ok() && !ec;
}

void PtyPortSystem::Unplug()
{
    pty_->CloseMaster();
    std::error_code ec;
    std::filesystem::remove(link_, ec);
    system_->Rescan();
}

int PtyPortSystem::OpenCount() const { return counting_->opens; }
