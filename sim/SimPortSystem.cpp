#include "sim/SimPortSystem.h"

#include <cctype>

std::string SimPortSystem::NormalizeName(const std::string& path)
{
    std::string name = path;
    if (name.rfind("\\\\.\\", 0) == 0)
        name = name.substr(4);
    if (!name.empty() && name.back() == ':')
        name.pop_back();
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

void SimPortSystem::Attach(const std::string& portName, std::shared_ptr<SimulatedReader> reader)
{
    std::lock_guard lock(mutex_);
    ports_[NormalizeName(portName)] = std::move(reader);
}

void SimPortSystem::Detach(const std::string& portName)
{
    std::lock_guard lock(mutex_);
    ports_.erase(NormalizeName(portName));
}

std::shared_ptr<SimulatedReader> SimPortSystem::ReaderAt(const std::string& portName) const
{
    std::lock_guard lock(mutex_);
    const auto it = ports_.find(NormalizeName(portName));
    return it == ports_.end() ? nullptr : it->second;
}

std::unique_ptr<SerialDevice> SimPortSystem::Open(const std::string& path)
{
    const std::shared_ptr<SimulatedReader> reader = ReaderAt(path);
    return reader ? reader->OpenLine() : nullptr;
}

std::vector<SerialPortInfo> SimPortSystem::EnumeratePorts()
{
    std::lock_guard lock(mutex_);
    std::vector<SerialPortInfo> ports;
    for (const auto& [name, reader] : ports_) {
        if (reader->Plugged())
            ports.push_back({name, name + " (simulated " + reader->Model().Profile().name + ")"});
    }
    return ports;
}
