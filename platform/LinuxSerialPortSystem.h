// The serial ports of a Linux machine, opened by their system names.
//
// "COM3" and "\\.\COM12" are looked up in the port table (SerialPortTable) and the device
// behind the number is opened through termios. TheSerialPortSystem() is this unless a test
// or the simulator installs another.
#pragma once

#include "platform/SerialDevice.h"
#include "platform/SerialPortTable.h"

#include <memory>
#include <map>
#include <mutex>

class LinuxSerialPortSystem final : public SerialPortSystem {
public:
    // memory: where assigned port numbers are kept (nullptr: the user hive).
    LinuxSerialPortSystem(SerialPortTable::Memory* memory, SerialPortTable::Sources sources);
    // The machine's real ports, with numbers kept in the user hive and KESTREL_EXTRA_PORTS read.
    LinuxSerialPortSystem();
    ~LinuxSerialPortSystem() override;

    std::unique_ptr<SerialDevice> Open(const std::string& path) override;
    std::vector<SerialPortInfo> EnumeratePorts() override;
    std::string OpenFailureHint(const std::string& path) override;

    // For the hot-plug monitor: the system name ("COM12") of a device node, now or when it was
    // last seen; empty when it never had a number.
    std::string PortNameForDevice(const std::string& devicePath);
    void Rescan();

private:
    std::unique_ptr<SerialPortTable::Memory> ownMemory_;
    std::mutex mutex_;  // the table is read by the UI thread only, but cheap insurance for tools
    SerialPortTable table_;
    std::map<std::string, std::string> refused_;  // port name -> device path opened without permission
};

// The table sources of this machine: KESTREL_EXTRA_PORTS and the simulators' port registry are
// read at each scan.
SerialPortTable::Sources MachineSerialSources();
