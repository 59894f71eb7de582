// Serial adapter arrival and removal, from udev.
//
// The desktop program puts Fd() into a socket notifier and calls ProcessEvents() when it is
// readable; each notice names the port the way the serial port's arrival and removal
// operations expect ("COM12"). After handling a batch of notices the program calls the
// port's retry so an adapter that was not ready at its first notice gets another chance.
// Qt-free, so kestrel-cli and tests can use it too.
#pragma once

#include <memory>
#include <string>
#include <vector>

class LinuxSerialPortSystem;
struct udev;
struct udev_monitor;

struct SerialPortNotice {
    enum class Kind { Arrived, Removed };
    Kind kind = Kind::Arrived;
    std::string portName;    // "COM12"
    std::string devicePath;  // "/dev/ttyUSB0"
};

class UdevSerialMonitor {
public:
    // ports: where device nodes are turned into port names (the machine's port system).
    explicit UdevSerialMonitor(LinuxSerialPortSystem& ports);
    ~UdevSerialMonitor();
    UdevSerialMonitor(const UdevSerialMonitor&) = delete;
    UdevSerialMonitor& operator=(const UdevSerialMonitor&) = delete;

    // False when udev is not available (containers without /run/udev): no notices then.
    bool IsActive() const { return monitor_ != nullptr; }
    // Readable when notices are waiting; -1 when inactive.
    int Fd() const;
    // Takes every waiting udev event (never blocks) and returns the tty ones as notices.
    std::vector<SerialPortNotice> ProcessEvents();
    // The notice for one event (also used by tests, which cannot make udev events).
    std::vector<SerialPortNotice> NoticeFor(const std::string& action, const std::string& devicePath);

private:
    LinuxSerialPortSystem& ports_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};
