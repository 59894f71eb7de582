#include "platform/SerialPortTable.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace fs = std::filesystem;

int PortNumberFromName(const std::string& name)
{
    std::string rest = name;
    if (rest.rfind("\\\\.\\", 0) == 0)
        rest.erase(0, 4);
    if (rest.size() < 4 || rest.size() > 3 + 6)
        return 0;
    for (size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(rest[i])) != "COM"[i])
            return 0;
    }
    int number = 0;
    for (size_t i = 3; i < rest.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(rest[i])))
            return 0;
        number = number * 10 + (rest[i] - '0');
    }
    return number;
}

namespace {

// ttyS<k> -> k, or -1.
int UartIndex(const std::string& name)
{
    if (name.rfind("ttyS", 0) != 0 || name.size() == 4 || name.size() > 8)
        return -1;
    int index = 0;
    for (size_t i = 4; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return -1;
        index = index * 10 + (name[i] - '0');
    }
    return index;
}

bool HasPrefix(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Whether a ttyS node has a UART behind it. The 8250 driver registers a node for every
// possible port; only the ones where it found a chip report a known type.
bool UartIsReal(const std::string& devicePath)
{
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // In use (exclusive) or not ours to open: something real is there.
        return errno == EBUSY || errno == EACCES || errno == EPERM;
    }
    serial_struct info {};
    const bool real = ::ioctl(fd, TIOCGSERIAL, &info) != 0 || info.type != PORT_UNKNOWN;
    ::close(fd);
    return real;
}

} // namespace

SerialPortTable::SerialPortTable(Memory* memory, Sources sources)
    : memory_(memory)
    , sources_(std::move(sources))
{
}

std::vector<std::string> SerialPortTable::RealUartPaths() const
{
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sources_.sysTtyDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (UartIndex(name) < 0)
            continue;
        // A node without a device link is a console alias, not a port.
        if (!fs::exists(entry.path() / "device" / "driver", ec))
            continue;
        const std::string devicePath = sources_.devDir + "/" + name;
        if (!fs::exists(devicePath, ec))
            continue;
        if (sources_.probeUarts && !UartIsReal(devicePath))
            continue;
        paths.push_back(devicePath);
    }
    return paths;
}

std::vector<std::string> SerialPortTable::OtherSerialPaths() const
{
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sources_.sysTtyDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!HasPrefix(name, "ttyUSB") && !HasPrefix(name, "ttyACM") && !HasPrefix(name, "rfcomm"))
            continue;
        const std::string devicePath = sources_.devDir + "/" + name;
        if (fs::exists(devicePath, ec))
            paths.push_back(devicePath);
    }
    std::sort(paths.begin(), paths.end());
    size_t start = 0;
    for (const std::string& path : RegisteredPaths()) {
        if (fs::exists(path, ec) && std::find(paths.begin(), paths.end(), path) == paths.end())
            paths.push_back(path);
    }
    std::string extra = sources_.extraPorts;
    if (sources_.extraPortsFromEnvironment) {
        if (const char* fromEnvironment = std::getenv("KESTREL_EXTRA_PORTS"))
            extra = fromEnvironment;
    }
    while (start <= extra.size()) {
        size_t end = extra.find(':', start);
        if (end == std::string::npos)
            end = extra.size();
        const std::string path = extra.substr(start, end - start);
        if (!path.empty() && fs::exists(path, ec) && std::find(paths.begin(), paths.end(), path) == paths.end())
            paths.push_back(path);
        start = end + 1;
    }
    return paths;
}

std::string DefaultPortRegistryPath()
{
    if (const char* path = std::getenv("KESTREL_PORT_REGISTRY"); path && *path)
        return path;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/kestrel/ports";
    return "/tmp/kestrel-" + std::to_string(::getuid()) + "/ports";
}

std::vector<std::string> SerialPortTable::RegisteredPaths() const
{
    const std::string file = sources_.registryFromEnvironment ? DefaultPortRegistryPath() : sources_.registryFile;
    std::vector<std::string> paths;
    if (file.empty())
        return paths;
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec || size > 1024 * 1024)
        return paths;
    std::ifstream in(file, std::ios::binary);
    // Anyone on the machine may have written this file: take absolute paths of sane length
    // and a bounded number of them, ignore everything else.
    constexpr size_t kMaxEntries = 64;
    constexpr size_t kMaxPathBytes = 4096;
    std::string line;
    while (paths.size() < kMaxEntries && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '/' && line.size() <= kMaxPathBytes
            && line.find('\0') == std::string::npos)
            paths.push_back(line);
    }
    return paths;
}

std::map<std::string, std::string> SerialPortTable::ByIdLinks() const
{
    std::map<std::string, std::string> links;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sources_.byIdDir, ec)) {
        const fs::path target = fs::canonical(entry.path(), ec);
        if (!ec)
            links[target.string()] = entry.path().string();
    }
    return links;
}

void SerialPortTable::Rescan()
{
    std::vector<SerialPortEntry> ports;
    std::set<int> taken;
    for (const std::string& path : RealUartPaths()) {
        const int number = UartIndex(fs::path(path).filename().string()) + 1;
        ports.push_back({ number, path, path });
        taken.insert(number);
    }

    // Numbers already given to adapters stay theirs even while unplugged.
    std::map<std::string, int> remembered = memory_ ? memory_->Load() : std::map<std::string, int> {};
    std::set<int> reserved(taken);
    for (const auto& [key, number] : remembered) {
        if (number > 0)
            reserved.insert(number);
    }

    const std::map<std::string, std::string> byId = ByIdLinks();
    for (const std::string& path : OtherSerialPaths()) {
        std::error_code ec;
        const fs::path canonical = fs::canonical(path, ec);
        const auto link = byId.find(ec ? path : canonical.string());
        const std::string key = link != byId.end() ? link->second : path;
        int number = 0;
        const auto known = remembered.find(key);
        if (known != remembered.end() && known->second > 0 && !taken.count(known->second)) {
            number = known->second;
        } else {
            number = kFirstAssignedNumber;
            while (reserved.count(number))
                ++number;
            remembered[key] = number;
            if (memory_)
                memory_->Remember(key, number);
        }
        reserved.insert(number);
        taken.insert(number);
        ports.push_back({ number, path, key });
    }

    std::sort(ports.begin(), ports.end(),
              [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.number < b.number; });
    for (const SerialPortEntry& entry : ports)
        lastSeen_[entry.devicePath] = entry.number;
    ports_ = std::move(ports);
}

std::string SerialPortTable::DevicePathFor(int number)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (const SerialPortEntry& entry : ports_) {
            if (entry.number == number)
                return entry.devicePath;
        }
        if (attempt == 0)
            Rescan();
    }
    return {};
}

int SerialPortTable::NumberForDevicePath(const std::string& devicePath) const
{
    const auto found = lastSeen_.find(devicePath);
    return found == lastSeen_.end() ? 0 : found->second;
}

std::string SerialPortTable::ShortName(const std::string& devicePath) const
{
    const std::string prefix = sources_.devDir + "/";
    if (devicePath.rfind(prefix, 0) == 0)
        return devicePath.substr(prefix.size());
    return devicePath;
}
