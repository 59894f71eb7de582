// Serial ports that lead to simulated readers. A test installs it with
// InstallSerialPortSystem(), attaches a reader to "COM5", and CSerComm opens it by name like
// any port ("COM5" or the device-path form "\\.\COM12").
#pragma once

#include "platform/SerialDevice.h"
#include "sim/SimulatedReader.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

class SimPortSystem final : public SerialPortSystem {
public:
    // Port names are "COM" and a number; the reader stays attached until Detach.
    void Attach(const std::string& portName, std::shared_ptr<SimulatedReader> reader);
    void Detach(const std::string& portName);
    std::shared_ptr<SimulatedReader> ReaderAt(const std::string& portName) const;

    std::unique_ptr<SerialDevice> Open(const std::string& path) override;
    // Ports whose reader is plugged in, as "COM5" with "COM5 (simulated 3800lr)" for display.
    std::vector<SerialPortInfo> EnumeratePorts() override;

    // "\\.\COM12", "com12" and "COM12" all name the port "COM12".
    static std::string NormalizeName(const std::string& path);

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<SimulatedReader>> ports_;
};
