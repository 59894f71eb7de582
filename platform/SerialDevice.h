// The serial line as the operating system offers it, behind a small interface.
//
// CSerComm (device/) keeps all of the port logic: settings strings, limits, retries,
// the watcher, re-attaching. It reaches an actual line only through SerialDevice, which a
// SerialPortSystem opens by the system's port path ("COM3", "\\.\COM12"). The Linux
// implementation maps those to /dev/tty* over termios; the reader simulator supplies a
// virtual line for in-process tests. Pseudo-terminals refuse modem-control requests:
// implementations report such a refusal as success, never as a failure to open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The line state CSerComm reads, edits and writes back, field by field.
struct SerialLineState {
    uint32_t baudRate = 9600;
    char parity = 'N';          // 'N', 'O', 'E', 'M' (mark) or 'S' (space)
    int dataBits = 8;           // 7 or 8
    int stopBits = 1;           // 1 or 2
    bool parityCheck = true;
    bool ctsOutputFlow = false;
    int dtrControl = 0;         // 0 off, 1 on, 2 handshake
    bool rtsHandshake = false;  // false: RTS off
    bool errorReplace = false;
    uint8_t errorChar = 0x1F;
};

class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    virtual bool GetLineState(SerialLineState& state) = 0;
    virtual bool SetLineState(const SerialLineState& state) = 0;
    virtual bool SetBufferSizes(size_t inBytes, size_t outBytes) = 0;

    // Non-blocking: the number of bytes taken (0 when the line cannot take more now),
    // or -1 when the line is gone.
    virtual long Write(const uint8_t* data, size_t count) = 0;
    // Blocks until the bytes written so far have left, at most timeoutMs.
    virtual bool WaitUntilSent(unsigned timeoutMs) = 0;
    // Bytes received and not yet read, -1 when the line is gone.
    virtual long InputCount() = 0;
    // Non-blocking: reads at most count received bytes, -1 when the line is gone.
    virtual long Read(uint8_t* data, size_t count) = 0;
    // Bytes written and not yet sent.
    virtual long OutputCount() = 0;

    virtual void PurgeInput() = 0;
    virtual void PurgeOutput() = 0;
    virtual void ClearErrors() = 0;
};

struct SerialPortInfo {
    std::string name;         // "COM3": what users and settings strings call the port
    std::string displayName;  // "COM12 (ttyUSB0)": shown in lists; the number still follows "COM"
};

class SerialPortSystem {
public:
    virtual ~SerialPortSystem() = default;
    // Opens a port exclusively by its system path ("COM3" or "\\.\COM12"); nullptr when it
    // cannot be opened.
    virtual std::unique_ptr<SerialDevice> Open(const std::string& path) = 0;
    // The ports the system knows now, unsorted (CSerComm sorts them).
    virtual std::vector<SerialPortInfo> EnumeratePorts() = 0;
    // When the last Open of `path` failed for a reason the user can mend (no permission to
    // use the device), a sentence that says how; "" otherwise.
    virtual std::string OpenFailureHint(const std::string& path)
    {
        (void)path;
        return {};
    }
};

// The port system for the process: the Linux one unless a test or the simulator installs
// another. Installing nullptr restores the Linux one.
SerialPortSystem& TheSerialPortSystem();
void InstallSerialPortSystem(SerialPortSystem* system);
