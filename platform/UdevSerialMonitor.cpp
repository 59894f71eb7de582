#include "platform/UdevSerialMonitor.h"

#include "platform/LinuxSerialPortSystem.h"

#include <libudev.h>

UdevSerialMonitor::UdevSerialMonitor(LinuxSerialPortSystem& ports)
    : ports_(ports)
{
    udev_ = udev_new();
    if (!udev_)
        return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0
        || udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return;
    }
    // Learn the numbers of the devices already present, so a removal can be named even when
    // nothing listed the ports before.
    ports_.Rescan();
}

UdevSerialMonitor::~UdevSerialMonitor()
{
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

int UdevSerialMonitor::Fd() const { return monitor_ ? udev_monitor_get_fd(monitor_) : -1; }

std::vector<SerialPortNotice> UdevSerialMonitor::NoticeFor(const std::string& action, const std::string& devicePath)
{
    if (devicePath.empty())
        return {};
    if (action == "add") {
        // The new node must be numbered first; its number comes from the table (and is the
        // remembered one when the adapter was here before).
        ports_.Rescan();
        const std::string name = ports_.PortNameForDevice(devicePath);
        if (name.empty())
            return {};
        return { { SerialPortNotice::Kind::Arrived, name, devicePath } };
    }
    if (action == "remove") {
        // The by-id link is already gone; the name is the one the node had when last seen.
        const std::string name = ports_.PortNameForDevice(devicePath);
        ports_.Rescan();
        if (name.empty())
            return {};
        return { { SerialPortNotice::Kind::Removed, name, devicePath } };
    }
    return {};
}

std::vector<SerialPortNotice> UdevSerialMonitor::ProcessEvents()
{
    std::vector<SerialPortNotice> notices;
    if (!monitor_)
        return notices;
    // The monitor socket is non-blocking: receive_device returns nullptr once it is empty.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        const char* node = udev_device_get_devnode(device);
        if (action && node) {
            std::vector<SerialPortNotice> some = NoticeFor(action, node);
            notices.insert(notices.end(), some.begin(), some.end());
        }
        udev_device_unref(device);
    }
    return notices;
}
