// One open serial line on Linux: a tty device driven through termios.
//
// The file descriptor is opened non-blocking and exclusive (TIOCEXCL plus an advisory
// flock, so a second Kestrel — even one running as root — cannot steal the line). Every
// ioctl that only controls modem lines is allowed to fail with "not a modem" (pseudo-
// terminals, some USB bridges): the line keeps working without it.
#pragma once

#include "platform/SerialDevice.h"

#include <deque>
#include <string>
#include <vector>

// The few ways a serial call can fail that callers act on; errno is mapped to these in one
// place (SerialErrorFromErrno) so the rest of the layer never looks at raw errno values.
enum class SerialError { None, NotFound, Busy, NoPermission, Gone, NotSupported, WouldBlock, Other };

SerialError SerialErrorFromErrno(int err);
const char* SerialErrorText(SerialError error);

class LinuxSerialDevice final : public SerialDevice {
public:
    // Opens devicePath exclusively; nullptr (and error set) when that fails.
    static std::unique_ptr<LinuxSerialDevice> Open(const std::string& devicePath, SerialError* error = nullptr);
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
    // Turns the driver's parity-error marks (0xFF 0x00 x) into the error character and a
    // doubled 0xFF into one; only active while error replacement is on.
    size_t UnmarkParityErrors(const uint8_t* raw, size_t count, uint8_t* out);

    int fd_ = -1;
    std::string path_;
    SerialLineState requested_;  // what was last set: termios cannot report every field
    bool framingForced_ = false;
    bool markParity_ = false;
    std::vector<uint8_t> markCarry_;  // an incomplete mark sequence split across reads
    std::deque<uint8_t> unmarked_;    // decoded bytes the caller had no room for yet
};
