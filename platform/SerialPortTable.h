// Port numbers for Linux serial devices.
//
// Users and stored settings speak of ports by number ("COM3"). The table gives every serial
// device on the machine such a number: /dev/ttyS<k> is COM<k+1> (only the UARTs that really
// exist — the kernel creates many ttyS nodes for hardware that is not there), and every other
// serial device (USB and ACM adapters, Bluetooth rfcomm, paths listed in KESTREL_EXTRA_PORTS)
// gets the next free number from 10 upward. Those numbers are remembered, keyed by the
// device's stable /dev/serial/by-id path where it has one, so an adapter comes back as the
// same COM number after unplugging or a restart.
#pragma once

#include <map>
#include <string>
#include <vector>

struct SerialPortEntry {
    int number = 0;          // the N of "COMN"
    std::string devicePath;  // /dev/ttyUSB0
    std::string key;         // what the number is remembered by (by-id path or device path)
};

class SerialPortTable {
public:
    // Where assigned numbers are kept between runs (the user hive in the program).
    class Memory {
    public:
        virtual ~Memory() = default;
        virtual std::map<std::string, int> Load() = 0;
        virtual void Remember(const std::string& key, int number) = 0;
    };

    // Where to look; tests point these at their own folders.
    struct Sources {
        std::string devDir = "/dev";
        std::string sysTtyDir = "/sys/class/tty";
        std::string byIdDir = "/dev/serial/by-id";
        std::string extraPorts;  // colon-separated device paths
        // Read KESTREL_EXTRA_PORTS at every scan instead: a simulator started after us is seen.
        bool extraPortsFromEnvironment = false;
        // A file of device paths, one a line, where running simulators announce their
        // pseudo-terminals; empty for none.
        std::string registryFile;
        // Use the registry the simulator uses: $KESTREL_PORT_REGISTRY, else
        // $XDG_RUNTIME_DIR/kestrel/ports, else /tmp/kestrel-<uid>/ports (looked up at each scan).
        bool registryFromEnvironment = false;
        bool probeUarts = true;  // ask the driver whether a ttyS port has a UART behind it
    };

    static constexpr int kFirstAssignedNumber = 10;

    SerialPortTable(Memory* memory, Sources sources);

    // Looks at the machine again; assigns and remembers numbers for new devices.
    void Rescan();
    // The present ports, ordered by number.
    const std::vector<SerialPortEntry>& Ports() const { return ports_; }
    // The device path of port number, rescanning once when it is not known; empty if absent.
    std::string DevicePathFor(int number);
    // The number a device node had when last seen (also after it has gone); 0 if never seen.
    int NumberForDevicePath(const std::string& devicePath) const;

    // "ttyUSB0", "pts/3": what display names show after the number.
    std::string ShortName(const std::string& devicePath) const;

private:
    std::vector<std::string> RealUartPaths() const;
    std::vector<std::string> OtherSerialPaths() const;
    std::map<std::string, std::string> ByIdLinks() const;  // device path -> by-id path
    std::vector<std::string> RegisteredPaths() const;

    Memory* memory_;
    Sources sources_;
    std::vector<SerialPortEntry> ports_;
    std::map<std::string, int> lastSeen_;  // device path -> number
};

// Where running simulators list their pseudo-terminals (see Sources::registryFromEnvironment).
std::string DefaultPortRegistryPath();

// The port number in a system port name: "COM12", "\\.\COM12", "com3" -> 12, 12, 3; 0 when
// the name does not name a numbered port.
int PortNumberFromName(const std::string& name);
