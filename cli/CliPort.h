// The serial port a kestrel-cli command talks through: --device PATH (given a COM number by
// the port table, as the desktop program would list it), --port N, or the port of the
// preferences. Owns the port and, for --device, the port system that knows the path.
#pragma once

#include "device/CSerComm.h"
#include "platform/LinuxSerialPortSystem.h"

#include <memory>

struct CliContext;

class CliPort {
public:
    CliPort() = default;
    ~CliPort();
    CliPort(const CliPort&) = delete;
    CliPort& operator=(const CliPort&) = delete;

    // Sets the port number; false (with a message) when --device names no serial port.
    bool Choose(CliContext& context);

    CSerComm port;

private:
    std::unique_ptr<LinuxSerialPortSystem> system_;
};
