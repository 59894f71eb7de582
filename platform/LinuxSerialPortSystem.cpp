#include "platform/LinuxSerialPortSystem.h"

#include "platform/LinuxSerialDevice.h"
#include "platform/SerialPortMemory.h"

SerialPortTable::Sources MachineSerialSources()
{
    SerialPortTable::Sources sources;
    sources.extraPortsFromEnvironment = true;
    sources.registryFromEnvironment = true;
    return sources;
}

LinuxSerialPortSystem::LinuxSerialPortSystem(SerialPortTable::Memory* memory, SerialPortTable::Sources sources)
    : ownMemory_(memory ? nullptr : std::make_unique<SerialPortMemory>())
    , table_(memory ? memory : ownMemory_.get(), std::move(sources))
{
}

LinuxSerialPortSystem::LinuxSerialPortSystem()
    : LinuxSerialPortSystem(nullptr, MachineSerialSources())
{
}

LinuxSerialPortSystem::~LinuxSerialPortSystem() = default;

std::unique_ptr<SerialDevice> LinuxSerialPortSystem::Open(const std::string& path)
{
    const int number = PortNumberFromName(path);
    if (number <= 0)
        return nullptr;
    std::string devicePath;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        devicePath = table_.DevicePathFor(number);
    }
    if (devicePath.empty())
        return nullptr;
    SerialError error = SerialError::None;
    std::unique_ptr<SerialDevice> device = LinuxSerialDevice::Open(devicePath, &error);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!device && error == SerialError::NoPermission)
        refused_[path] = devicePath;
    else
        refused_.erase(path);
    return device;
}

std::string LinuxSerialPortSystem::OpenFailureHint(const std::string& path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto refused = refused_.find(path);
    if (refused == refused_.end())
        return {};
    // Serial devices belong to the "dialout" group on Debian and its relatives; the package
    // installs no rule that would change that.
    return "You have no permission to open " + refused->second
        + ". Serial ports belong to the \"dialout\" group: join it with \"sudo adduser $USER dialout\", then log in "
          "again.";
}

std::vector<SerialPortInfo> LinuxSerialPortSystem::EnumeratePorts()
{
    std::lock_guard<std::mutex> lock(mutex_);
    table_.Rescan();
    std::vector<SerialPortInfo> ports;
    for (const SerialPortEntry& entry : table_.Ports()) {
        const std::string name = "COM" + std::to_string(entry.number);
        ports.push_back({ name, name + " (" + table_.ShortName(entry.devicePath) + ")" });
    }
    return ports;
}

std::string LinuxSerialPortSystem::PortNameForDevice(const std::string& devicePath)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int number = table_.NumberForDevicePath(devicePath);
    return number > 0 ? "COM" + std::to_string(number) : std::string();
}

void LinuxSerialPortSystem::Rescan()
{
    std::lock_guard<std::mutex> lock(mutex_);
    table_.Rescan();
}

namespace {

SerialPortSystem* installedSystem = nullptr;

} // namespace

SerialPortSystem& TheSerialPortSystem()
{
    if (installedSystem)
        return *installedSystem;
    static LinuxSerialPortSystem machine;
    return machine;
}

void InstallSerialPortSystem(SerialPortSystem* system) { installedSystem = system; }
