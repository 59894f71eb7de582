#include "sim/PtyLink.h"

#include "platform/TrafficLog.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

struct SpeedEntry {
    speed_t code;
    uint32_t rate;
};
// termios speed codes and their rates.
constexpr SpeedEntry kSpeeds[] = {
    {B50, 50},         {B75, 75},         {B110, 110},         {B134, 134},         {B150, 150},
    {B200, 200},       {B300, 300},       {B600, 600},         {B1200, 1200},       {B1800, 1800},
    {B2400, 2400},     {B4800, 4800},     {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
    {B57600, 57600},   {B115200, 115200}, {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000},
    {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000}, {B3500000, 3500000}, {B4000000, 4000000},
};

}  // namespace

PtyLink::PtyLink(ReaderEngine& engine, Options options)
    : engine_(engine), hmodem_(HModemPeer::Install(engine)), options_(std::move(options)),
      toHostFaults_(options_.faults.toHost, options_.faults.seed),
      toReaderFaults_(options_.faults.toReader, options_.faults.seed ^ 0x5A5A5A5A5A5A5A5Aull)
{
    engine_.NakNextCommands(options_.faults.nakNext);
    engine_.SetSilent(options_.faults.silent);
}

PtyLink::~PtyLink()
{
    engine_.SetOutput(nullptr);
    if (master_ >= 0)
        ::close(master_);
}

uint32_t PtyLink::RateOfSpeed(unsigned long code)
{
    for (const SpeedEntry& entry : kSpeeds) {
        if (entry.code == code)
            return entry.rate;
    }
    return 0;
}

bool PtyLink::Open(std::string& error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        error = std::string("no slave name: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    MakeRaw();
    engine_.SetOutput(this);
    return true;
}

// Raw, without echo: until the host configures the line, nothing the reader says may come
// back to it as if the host had sent it. The kernel restores cooked mode whenever the last
// slave descriptor closes, so this is repeated after every hang-up.
void PtyLink::MakeRaw()
{
    termios tio {};
    if (::tcgetattr(master_, &tio) != 0)
        return;
    ::cfmakeraw(&tio);
    ::tcsetattr(master_, TCSANOW, &tio);
}

uint32_t PtyLink::HostRate()
{
    termios tio {};
    if (::tcgetattr(master_, &tio) != 0)
        return 0;
    return RateOfSpeed(::cfgetospeed(&tio));
}

void PtyLink::Trace(const char* direction, const uint8_t* data, size_t count)
{
    if (!options_.log)
        return;
    // The program's traffic log format, so the reader's log and the host's (kestrel-cli
    // --trace) can be laid side by side: ">" towards the reader, "<" from it.
    const char arrow = direction[0] == 'h' ? '>' : '<';
    const double now = TrafficLog::Now();
    for (size_t at = 0; at < count; at += TrafficLog::kBytesPerLine)
        std::fprintf(stderr, "%s\n",
                     TrafficLog::FormatData(now, "sim", arrow, data + at, std::min(TrafficLog::kBytesPerLine, count - at))
                         .c_str());
}

bool PtyLink::WriteFully(const uint8_t* data, size_t count)
{
    size_t done = 0;
    int stalls = 0;
    while (done < count) {
        const ssize_t n = ::write(master_, data + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            stalls = 0;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The host is not reading; give it two seconds before the answer is lost.
        pollfd out {master_, POLLOUT, 0};
        if (::poll(&out, 1, 100) <= 0 && ++stalls > 20)
            return false;
    }
    return true;
}

void PtyLink::Send(const std::string& text)
{
    if (unplugged_)
        return;
    std::vector<ByteFaultInjector::Byte> bytes =
        toHostFaults_.Apply(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (options_.faults.unplugAfter >= 0) {
        const uint64_t limit = static_cast<uint64_t>(options_.faults.unplugAfter);
        const uint64_t room = sentToHost_ >= limit ? 0 : limit - sentToHost_;
        if (bytes.size() >= room) {
            bytes.resize(room);
            unplugged_ = true;
        }
    }
    const uint64_t frame = engine_.Model().Line().FrameMicros();
    std::vector<uint8_t> sent;
    uint64_t delayed = 0;
    // Bytes go out in runs: a run ends where a delay fault holds the line, and with pacing
    // every byte is its own run, held for its frame time.
    size_t runStart = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        const bool endOfRun = i == bytes.size() || options_.pace || bytes[i].delayMicros > delayed;
        if (!endOfRun)
            continue;
        if (i > runStart) {
            std::vector<uint8_t> run;
            for (size_t k = runStart; k < i; ++k)
                run.push_back(bytes[k].value);
            if (!WriteFully(run.data(), run.size()))
                break;
            sent.insert(sent.end(), run.begin(), run.end());
            sentToHost_ += run.size();
        }
        if (i == bytes.size())
            break;
        if (bytes[i].delayMicros > delayed) {
            std::this_thread::sleep_for(std::chrono::microseconds(bytes[i].delayMicros - delayed));
            delayed = bytes[i].delayMicros;
        }
        if (options_.pace)
            std::this_thread::sleep_for(std::chrono::microseconds(frame));
        runStart = i;
    }
    Trace("sim<", sent.data(), sent.size());
}

void PtyLink::LineChanged(const LineFormat& format)
{
    if (options_.log)
        std::fprintf(stderr, "%s\n",
                     TrafficLog::FormatEvent(TrafficLog::Now(), "sim", '=', "reader line now " + format.Text()).c_str());
}

void PtyLink::Receive(const uint8_t* data, size_t count)
{
    const uint32_t hostRate = HostRate();
    const uint32_t readerRate = engine_.Model().Line().rate;
    if (hostRate != readerRate) {
        if (options_.log)
            std::fprintf(stderr, "kestrel-sim: %zu bytes at %u baud ignored (reader at %u)\n", count, hostRate,
                         readerRate);
        return;
    }
    Trace("host>", data, count);
    for (const ByteFaultInjector::Byte& byte : toReaderFaults_.Apply(data, count))
        engine_.Receive(byte.value);
}

int PtyLink::Run(const volatile std::sig_atomic_t& stop)
{
    bool hungUp = false;
    uint8_t buffer[4096];
    while (!stop && !unplugged_) {
        // A transfer in progress may have something to say that answers no byte (a retry
        // after its own time-out).
        engine_.Poll();
        pollfd in {master_, POLLIN, 0};
        const int ready = ::poll(&in, 1, 100);
        if (ready < 0 && errno != EINTR)
            return 1;
        if (ready <= 0) {
            hungUp = hungUp && ready < 0;  // quiet but not hung up: a host has the line open
            continue;
        }
        if (in.revents & POLLIN) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                hungUp = false;
                Receive(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
        }
        // No host has the slave open (hang-up, or EIO from the read). Forget any half-received
        // frame and wait for the next host.
        if (!hungUp) {
            hungUp = true;
            engine_.ResetParser();
            MakeRaw();
            if (options_.log)
                std::fprintf(stderr, "kestrel-sim: host closed the line\n");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return unplugged_ ? 3 : 0;
}
