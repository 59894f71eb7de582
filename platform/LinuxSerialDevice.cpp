#include "platform/LinuxSerialDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

SerialError SerialErrorFromErrno(int err)
{
    switch (err) {
    case 0: return SerialError::None;
    case ENOENT:
    case ENXIO: return SerialError::NotFound;
    case EBUSY:
    case EWOULDBLOCK: return SerialError::Busy;  // EAGAIN from flock/TIOCEXCL: someone holds it
    case EACCES:
    case EPERM: return SerialError::NoPermission;
    case EIO:
    case ENODEV:
    case EBADF: return SerialError::Gone;
    case ENOTTY:
    case EINVAL:
    case ENOSYS:
    case EOPNOTSUPP: return SerialError::NotSupported;
    default: return SerialError::Other;
    }
}

const char* SerialErrorText(SerialError error)
{
    switch (error) {
    case SerialError::None: return "no error";
    case SerialError::NotFound: return "no such serial device";
    case SerialError::Busy: return "the serial device is in use";
    case SerialError::NoPermission: return "no permission to open the serial device";
    case SerialError::Gone: return "the serial device has gone away";
    case SerialError::NotSupported: return "not supported by this serial device";
    case SerialError::WouldBlock: return "the serial device is not ready";
    case SerialError::Other: return "serial device error";
    }
    return "serial device error";
}

namespace {

struct RateCode {
    uint32_t rate;
    speed_t code;
};

// The rates termios can name. Anything else is refused rather than silently rounded, so a
// reader is never talked to at a speed other than the one shown.
constexpr RateCode kRates[] = {
    { 50, B50 }, { 75, B75 }, { 110, B110 }, { 134, B134 }, { 150, B150 }, { 200, B200 },
    { 300, B300 }, { 600, B600 }, { 1200, B1200 }, { 1800, B1800 }, { 2400, B2400 },
    { 4800, B4800 }, { 9600, B9600 }, { 19200, B19200 }, { 38400, B38400 }, { 57600, B57600 },
    { 115200, B115200 }, { 230400, B230400 }, { 460800, B460800 }, { 500000, B500000 },
    { 576000, B576000 }, { 921600, B921600 }, { 1000000, B1000000 }, { 1152000, B1152000 },
    { 1500000, B1500000 }, { 2000000, B2000000 }, { 2500000, B2500000 }, { 3000000, B3000000 },
    { 3500000, B3500000 }, { 4000000, B4000000 },
};

bool RateToCode(uint32_t rate, speed_t& code)
{
    for (const RateCode& entry : kRates) {
        if (entry.rate == rate) {
            code = entry.code;
            return true;
        }
    }
    return false;
}

uint32_t CodeToRate(speed_t code)
{
    for (const RateCode& entry : kRates) {
        if (entry.code == code)
            return entry.rate;
    }
    return 0;
}

bool SetDataBits(termios& tio, int bits)
{
    tio.c_cflag &= ~CSIZE;
    switch (bits) {
    case 5: tio.c_cflag |= CS5; return true;
    case 6: tio.c_cflag |= CS6; return true;
    case 7: tio.c_cflag |= CS7; return true;
    case 8: tio.c_cflag |= CS8; return true;
    default: return false;
    }
}

int GetDataBits(const termios& tio)
{
    switch (tio.c_cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

bool SetParity(termios& tio, char parity)
{
    tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case 'N': return true;
    case 'O': tio.c_cflag |= PARENB | PARODD; return true;
    case 'E': tio.c_cflag |= PARENB; return true;
    // Mark and space are "stick" parity: the parity bit is always 1 (odd flag) or 0.
    case 'M': tio.c_cflag |= PARENB | CMSPAR | PARODD; return true;
    case 'S': tio.c_cflag |= PARENB | CMSPAR; return true;
    default: return false;
    }
}

char GetParity(const termios& tio)
{
    if (!(tio.c_cflag & PARENB))
        return 'N';
    if (tio.c_cflag & CMSPAR)
        return (tio.c_cflag & PARODD) ? 'M' : 'S';
    return (tio.c_cflag & PARODD) ? 'O' : 'E';
}

} // namespace

std::unique_ptr<LinuxSerialDevice> LinuxSerialDevice::Open(const std::string& devicePath, SerialError* error)
{
    auto fail = [error](int err) -> std::unique_ptr<LinuxSerialDevice> {
        if (error)
            *error = SerialErrorFromErrno(err);
        return nullptr;
    };
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(errno);
    // flock keeps out other Kestrel instances even where TIOCEXCL does not (root ignores it).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(err);
    }
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(err == EINVAL ? ENOTTY : err);
    }
    if (::ioctl(fd, TIOCEXCL) != 0 && SerialErrorFromErrno(errno) != SerialError::NotSupported) {
        const int err = errno;
        ::close(fd);
        return fail(err);
    }
    // Raw bytes both ways; the modem lines are not waited for (CLOCAL).
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(err);
    }
    if (error)
        *error = SerialError::None;
    auto device = std::unique_ptr<LinuxSerialDevice>(new LinuxSerialDevice(fd, devicePath));
    SerialLineState current;
    if (device->GetLineState(current))
        device->requested_ = current;
    return device;
}

std::unique_ptr<LinuxSerialDevice> LinuxSerialDevice::Adopt(int fd, std::string path)
{
    if (fd < 0)
        return nullptr;
    auto device = std::unique_ptr<LinuxSerialDevice>(new LinuxSerialDevice(fd, std::move(path)));
    termios tio {};
    device->terminal_ = ::tcgetattr(fd, &tio) == 0;
    SerialLineState current;
    if (device->GetLineState(current))
        device->requested_ = current;
    return device;
}

LinuxSerialDevice::LinuxSerialDevice(int fd, std::string path)
    : fd_(fd)
    , path_(std::move(path))
{
}

LinuxSerialDevice::~LinuxSerialDevice()
{
    if (fd_ >= 0) {
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
    }
}

bool LinuxSerialDevice::GetLineState(SerialLineState& state)
{
    if (!terminal_) {
        state = requested_;
        return true;
    }
    termios tio {};
    if (::tcgetattr(fd_, &tio) != 0)
        return false;
    state = requested_;
    state.baudRate = CodeToRate(::cfgetospeed(&tio));
    state.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    state.ctsOutputFlow = (tio.c_cflag & CRTSCTS) != 0;
    if (!framingForced_) {
        state.dataBits = GetDataBits(tio);
        state.parity = GetParity(tio);
    }
    // DTR, RTS and error replacement are reported as last set: the modem lines may read
    // differently (a driver raises DTR on open), and writing back what was read would then
    // change a setting nobody asked to change.
    return true;
}

void LinuxSerialDevice::SetModemLine(int bit, bool on)
{
    // Refusals are expected on pseudo-terminals and bridges without modem lines.
    ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit);
}

bool LinuxSerialDevice::SetLineState(const SerialLineState& state)
{
    const bool markParity = state.parityCheck && state.errorReplace && state.parity != 'N';
    unmarked_.SetErrorChar(state.errorChar);
    if (!terminal_) {
        requested_ = state;
        markParity_ = markParity;
        return true;
    }
    termios tio {};
    if (::tcgetattr(fd_, &tio) != 0)
        return false;
    speed_t code = 0;
    if (!RateToCode(state.baudRate, code) || !SetDataBits(tio, state.dataBits) || !SetParity(tio, state.parity))
        return false;
    if (state.stopBits != 1 && state.stopBits != 2)
        return false;
    ::cfsetispeed(&tio, code);
    ::cfsetospeed(&tio, code);
    if (state.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    else
        tio.c_cflag &= ~CSTOPB;
    // CRTSCTS makes the driver wait for CTS before sending and drive RTS from its buffer
    // fill: the closest termios has to "CTS output flow".
    if (state.ctsOutputFlow)
        tio.c_cflag |= CRTSCTS;
    else
        tio.c_cflag &= ~CRTSCTS;
    // Without replacement a byte with a parity error is delivered as it arrived (no INPCK);
    // with it the driver marks the byte and Read swaps in the error character.
    tio.c_iflag &= ~(INPCK | PARMRK | IGNPAR | ISTRIP | IXON | IXOFF | IXANY);
    markParity_ = markParity;
    if (markParity_)
        tio.c_iflag |= INPCK | PARMRK;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
        // A pseudo-terminal may refuse framing it cannot keep (it stays 8 bits, no parity);
        // retry with the framing it has, so rate and stop bits still take effect.
        if (errno != EINVAL)
            return false;
        termios kept {};
        if (::tcgetattr(fd_, &kept) != 0)
            return false;
        tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR))
            | (kept.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR));
        if (::tcsetattr(fd_, TCSANOW, &tio) != 0)
            return false;
    }

    // DTR: off, on, or on for "handshake" (termios has no DTR flow control; keeping it raised
    // is what a reader waiting for DTR needs). RTS follows the handshake flag unless the
    // driver already drives it for CTS flow.
    SetModemLine(TIOCM_DTR, state.dtrControl != 0);
    if (!state.ctsOutputFlow)
        SetModemLine(TIOCM_RTS, state.rtsHandshake);

    requested_ = state;
    termios check {};
    framingForced_ = false;
    if (::tcgetattr(fd_, &check) == 0)
        framingForced_ = GetDataBits(check) != state.dataBits || GetParity(check) != state.parity;
    return true;
}

bool LinuxSerialDevice::SetBufferSizes(size_t, size_t)
{
    // The kernel sizes tty buffers itself (4 KiB flip buffers, grown on demand); nothing to do.
    return true;
}

long LinuxSerialDevice::Write(const uint8_t* data, size_t count)
{
    if (count == 0)
        return 0;
    const ssize_t written = ::write(fd_, data, count);
    if (written >= 0)
        return static_cast<long>(written);
    if (errno == EAGAIN || errno == EINTR)
        return 0;
    return SerialErrorFromErrno(errno) == SerialError::Gone ? -1 : 0;
}

bool LinuxSerialDevice::WaitUntilSent(unsigned timeoutMs)
{
    // tcdrain could block for ever on a line held by flow control; poll the queue instead.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const long queued = OutputCount();
        if (queued <= 0)
            return queued == 0;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool LinuxSerialDevice::PullMarked()
{
    uint8_t raw[512];
    for (;;) {
        const ssize_t got = ::read(fd_, raw, sizeof raw);
        if (got > 0) {
            unmarked_.Feed(raw, static_cast<size_t>(got));
            continue;
        }
        if (got == 0 || errno == EAGAIN || errno == EINTR)
            return true;
        return SerialErrorFromErrno(errno) != SerialError::Gone;
    }
}

long LinuxSerialDevice::InputCount()
{
    // With parity marks the driver's count includes mark bytes; the caller waits for reply
    // bytes, so decode first and count what decoding gave.
    if (markParity_) {
        if (!PullMarked())
            return -1;
        return static_cast<long>(unmarked_.Pending());
    }
    int count = 0;
    if (::ioctl(fd_, FIONREAD, &count) != 0)
        return SerialErrorFromErrno(errno) == SerialError::Gone ? -1 : 0;
    return static_cast<long>(count) + static_cast<long>(unmarked_.Pending());
}

long LinuxSerialDevice::Read(uint8_t* data, size_t count)
{
    if (count == 0)
        return 0;
    if (markParity_ && !PullMarked() && unmarked_.Pending() == 0)
        return -1;
    // Bytes decoded before marking was switched off still come first.
    size_t taken = unmarked_.Take(data, count);
    if (markParity_ || taken == count)
        return static_cast<long>(taken);
    const ssize_t got = ::read(fd_, data + taken, count - taken);
    if (got >= 0)
        return static_cast<long>(taken + static_cast<size_t>(got));
    if (errno == EAGAIN || errno == EINTR || taken > 0)
        return static_cast<long>(taken);
    return SerialErrorFromErrno(errno) == SerialError::Gone ? -1 : 0;
}

long LinuxSerialDevice::OutputCount()
{
    int count = 0;
    if (::ioctl(fd_, TIOCOUTQ, &count) != 0)
        return SerialErrorFromErrno(errno) == SerialError::Gone ? -1 : 0;
    return count;
}

void LinuxSerialDevice::PurgeInput()
{
    if (terminal_) {
        ::tcflush(fd_, TCIFLUSH);
    } else {
        uint8_t discard[512];
        while (::read(fd_, discard, sizeof discard) > 0) { }
    }
    unmarked_.Clear();
}

void LinuxSerialDevice::PurgeOutput() { ::tcflush(fd_, TCOFLUSH); }

void LinuxSerialDevice::ClearErrors()
{
    // termios keeps no sticky error state that blocks the line (unlike a driver that stops
    // after an overrun until the error is read), so there is nothing to clear.
}
