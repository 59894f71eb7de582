// The serial port a kestrel-cli command talks through: --device PATH (given a COM number by
// the port table, as the desktop program would list it), --port N, or the port of the
// preferences. Owns the port and, for --device, the port system that knows the path.
#pragma once

#include "device/CSerComm.h"
#include "platform/LinuxSerialPortSystem.h"

#include <memory>
#include <string>

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

class CDevice;

// Runs the rate scan and identification with `finder` on the chosen port, printing the
// status texts unless --quiet or --json; false (with the reason printed) when no reader
// answered or the user stopped it.
bool FindReader(CliContext& context, CDevice& finder, std::string& settings);
