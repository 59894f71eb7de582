// One open serial line on Linux: a tty device driven through termios.
//
// The file descriptor is opened non-blocking and exclusive (TIOCEXCL plus an advisory
// flock, so a second Kestrel — even one running as root — cannot steal the line). Every
// ioctl that only controls modem lines is allowed to fail with "not a modem" (pseudo-
// terminals, some USB bridges): the line keeps working without it.
#pragma once

#include "platform/ParityMarkDecoder.h"
#include "platform/SerialDevice.h"

#include <string>

// The few ways a serial call can fail that callers act on; errno is mapped to these in one
// place (SerialErrorFromErrno) so the rest of the layer never looks at raw errno values.
enum class SerialError { None, NotFound, Busy, NoPermission, Gone, NotSupported, WouldBlock, Other };

SerialError SerialErrorFromErrno(int err);
const char* SerialErrorText(SerialError error);

class LinuxSerialDevice final : public SerialDevice {
public:
    // Opens devicePath exclusively; nullptr (and error set) when that fails.
    static std::unique_ptr<LinuxSerialDevice> Open(const std::string& devicePath, SerialError* error = nullptr);
    // Takes over a descriptor that is already open, such as one end of a socket pair that
    // stands in for a UART line. A descriptor that is not a terminal has no termios: its
    // line state is kept as set, and with parity marking asked for, the stream is expected
    // to carry the marks a terminal driver would insert.
    static std::unique_ptr<LinuxSerialDevice> Adopt(int fd, std::string path);
    ~LinuxSerialDevice() override;

    LinuxSerialDevice(const LinuxSerialDevice&) = delete;
    LinuxSerialDevice& operator=(const LinuxSerialDevice&) = delete;

    bool GetLineState(SerialLineState& state) override;
    bool SetLineState(const SerialLineState& state) override;
    bool SetBufferSizes(size_t inBytes, size_t outBytes) override;
    long Write(const uint8_t* data, size_t count) override;
    bool WaitUntilSent(unsigned timeoutMs) override;
    long InputCount() override;
    long Read(uint8_t* data, size_t count) override;
    long OutputCount() override;
    void PurgeInput() override;
    void PurgeOutput() override;
    void ClearErrors() override;

    const std::string& DevicePath() const { return path_; }
    // True when the driver refused part of the framing we asked for (a pseudo-terminal keeps
    // 8 data bits without parity); the line state then reports what was asked.
    bool FramingForced() const { return framingForced_; }

private:
    LinuxSerialDevice(int fd, std::string path);
    void SetModemLine(int bit, bool on);
    // While parity errors are marked: moves everything the driver holds into the decoder,
    // so counts and reads both speak of decoded bytes. False when the line is gone.
    bool PullMarked();

    int fd_ = -1;
    std::string path_;
    bool terminal_ = true;
    SerialLineState requested_;  // what was last set: termios cannot report every field
    bool framingForced_ = false;
    bool markParity_ = false;
    // Active while error replacement is on: parity-error marks (0xFF 0x00 x) become the
    // error character, a doubled 0xFF one 0xFF.
    ParityMarkDecoder unmarked_;
};
