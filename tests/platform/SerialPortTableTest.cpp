// Port numbers for Linux serial devices, over a fake /dev and /sys/class/tty.
#include "platform/LinuxSerialPortSystem.h"
#include "platform/SerialPortMemory.h"
#include "platform/SerialPortTable.h"
#include "platform/UdevSerialMonitor.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

class MapMemory final : public SerialPortTable::Memory {
public:
    std::map<std::string, int> Load() override { return numbers; }
    void Remember(const std::string& key, int number) override { numbers[key] = number; }
    std::map<std::string, int> numbers;
};

class FakeMachine {
public:
    FakeMachine()
    {
        fs::create_directories(Dev());
        fs::create_directories(Sys());
        fs::create_directories(ById());
    }
    std::string Dev() const { return folder.File("dev"); }
    std::string Sys() const { return folder.File("sys"); }
    std::string ById() const { return folder.File("by-id"); }

    // A tty the kernel lists; `withDevice`: it has hardware (a device/driver link) behind it.
    void AddTty(const std::string& name, bool withDevice = true, bool withNode = true)
    {
        fs::create_directories(Sys() + "/" + name);
        if (withDevice)
            fs::create_directories(Sys() + "/" + name + "/device/driver");
        if (withNode)
            folder.Write("dev/" + name, "");
    }
    void RemoveTty(const std::string& name)
    {
        fs::remove_all(Sys() + "/" + name);
        fs::remove(Dev() + "/" + name);
    }
    void LinkById(const std::string& id, const std::string& name)
    {
        std::error_code ec;
        fs::remove(ById() + "/" + id, ec);
        fs::create_symlink(Dev() + "/" + name, ById() + "/" + id);
    }
    SerialPortTable::Sources Sources(const std::string& extra = "") const
    {
        SerialPortTable::Sources sources;
        sources.devDir = Dev();
        sources.sysTtyDir = Sys();
        sources.byIdDir = ById();
        sources.extraPorts = extra;
        sources.probeUarts = false;
        return sources;
    }

    TempFolder folder;
};

std::map<int, std::string> Numbers(const SerialPortTable& table)
{
    std::map<int, std::string> numbers;
    for (const SerialPortEntry& entry : table.Ports())
        numbers[entry.number] = fs::path(entry.devicePath).filename().string();
    return numbers;
}

TEST(SerialPortTable, UartsKeepTheirNumberAndOthersCountFromTen)
{
    FakeMachine machine;
    machine.AddTty("ttyS0");
    machine.AddTty("ttyS3");
    machine.AddTty("ttyS5", false);        // a console alias, no hardware
    machine.AddTty("ttyUSB0");
    machine.AddTty("ttyACM0");
    machine.AddTty("rfcomm0", true, false);  // listed by the kernel but no node: not a port
    machine.AddTty("tty0");
    machine.LinkById("usb-Maker_Cable_A1-if00-port0", "ttyUSB0");
    const std::string extra = machine.folder.Write("dev/simulated", "");

    MapMemory memory;
    SerialPortTable table(&memory, machine.Sources(extra + ":" + machine.folder.File("dev/missing") + "::"));
    table.Rescan();
    const std::map<int, std::string> expected = {
        { 1, "ttyS0" }, { 4, "ttyS3" }, { 10, "ttyACM0" }, { 11, "ttyUSB0" }, { 12, "simulated" } };
    EXPECT_EQ(Numbers(table), expected);
    EXPECT_EQ(memory.numbers[machine.ById() + "/usb-Maker_Cable_A1-if00-port0"], 11);
    EXPECT_EQ(memory.numbers[extra], 12);
    EXPECT_EQ(table.DevicePathFor(11), machine.Dev() + "/ttyUSB0");
    EXPECT_EQ(table.DevicePathFor(2), "");
}

TEST(SerialPortTable, SimulatorsAnnouncedInTheRegistryAreListed)
{
    FakeMachine machine;
    const std::string first = machine.folder.Write("pts/3", "");
    const std::string second = machine.folder.Write("pts/4", "");
    const std::string registry = machine.folder.Write(
        "ports", first + "\r\nrelative/path\n" + machine.folder.File("pts/gone") + "\n\n" + second + "\n" + first + "\n");
    MapMemory memory;
    SerialPortTable::Sources sources = machine.Sources(first);
    sources.registryFile = registry;
    SerialPortTable table(&memory, sources);
    table.Rescan();
    EXPECT_EQ(Numbers(table), (std::map<int, std::string> { { 10, "3" }, { 11, "4" } }));
}

TEST(SerialPortTable, AnAdapterKeepsItsNumberAcrossUnplugAndANewNode)
{
    FakeMachine machine;
    machine.AddTty("ttyACM0");
    machine.AddTty("ttyUSB0");
    machine.LinkById("usb-Maker_Cable_A1-if00-port0", "ttyUSB0");
    MapMemory memory;
    {
        SerialPortTable table(&memory, machine.Sources());
        table.Rescan();
        ASSERT_EQ(Numbers(table), (std::map<int, std::string> { { 10, "ttyACM0" }, { 11, "ttyUSB0" } }));
    }

    // Unplugged; another adapter arrives and must not take the absent ones' numbers.
    machine.RemoveTty("ttyUSB0");
    machine.RemoveTty("ttyACM0");
    machine.AddTty("ttyUSB1");
    SerialPortTable table(&memory, machine.Sources());
    table.Rescan();
    EXPECT_EQ(Numbers(table), (std::map<int, std::string> { { 12, "ttyUSB1" } }));

    // The first adapter comes back under a new node name: its by-id path finds its number.
    machine.AddTty("ttyUSB2");
    machine.LinkById("usb-Maker_Cable_A1-if00-port0", "ttyUSB2");
    table.Rescan();
    EXPECT_EQ(Numbers(table), (std::map<int, std::string> { { 11, "ttyUSB2" }, { 12, "ttyUSB1" } }));
    // A node that has gone is still known by the number it had.
    machine.RemoveTty("ttyUSB1");
    table.Rescan();
    EXPECT_EQ(table.NumberForDevicePath(machine.Dev() + "/ttyUSB1"), 12);
    EXPECT_EQ(table.NumberForDevicePath(machine.Dev() + "/ttyUSB9"), 0);
}

TEST(SerialPortTable, DamagedMemoryNeverGivesTwoPortsOneNumber)
{
    FakeMachine machine;
    machine.AddTty("ttyS9");  // COM10, a UART
    machine.AddTty("ttyUSB0");
    machine.AddTty("ttyUSB1");
    MapMemory memory;
    memory.numbers[machine.Dev() + "/ttyUSB0"] = 10;  // collides with the UART
    memory.numbers[machine.Dev() + "/ttyUSB1"] = 10;
    SerialPortTable table(&memory, machine.Sources());
    table.Rescan();
    std::set<int> numbers;
    for (const SerialPortEntry& entry : table.Ports())
        EXPECT_TRUE(numbers.insert(entry.number).second) << entry.number;
    EXPECT_EQ(numbers.size(), 3u);
    EXPECT_TRUE(numbers.count(10));
}

TEST(SerialPortTable, PortNumbersFromNames)
{
    struct Row {
        const char* name;
        int number;
    };
    const Row rows[] = { { "COM1", 1 }, { "com12", 12 }, { "\\\\.\\COM12", 12 }, { "COM", 0 }, { "COMX", 0 },
                         { "LPT1", 0 }, { "COM1 ", 0 }, { "COM1234567", 0 }, { "", 0 } };
    for (const Row& row : rows)
        EXPECT_EQ(PortNumberFromName(row.name), row.number) << row.name;
}

TEST(SerialPortMemory, KeepsNumbersInTheUserHiveAndIgnoresJunk)
{
    TempFolder folder;
    SettingsStore store(folder.File("user.hive"), folder.File("machine.hive"));
    {
        SerialPortMemory memory(store);
        memory.Remember("/dev/serial/by-id/usb-Maker_Cable_A1-if00-port0", 11);
        memory.Remember("/dev/pts/3", 12);
    }
    store.WriteString(Hive::CurrentUser, SerialPortMemory::kKey, "/dev/ttyUSB7", "eleven");
    store.WriteString(Hive::CurrentUser, SerialPortMemory::kKey, "/dev/ttyUSB8", "-4");
    SerialPortMemory memory(store);
    const std::map<std::string, int> numbers = memory.Load();
    EXPECT_EQ(numbers, (std::map<std::string, int> { { "/dev/pts/3", 12 },
                                                     { "/dev/serial/by-id/usb-Maker_Cable_A1-if00-port0", 11 } }));
}

TEST(SerialPortSystem, ListsDisplayNamesAndNamesHotPlugNotices)
{
    FakeMachine machine;
    machine.AddTty("ttyS0");
    machine.AddTty("ttyUSB0");
    MapMemory memory;
    LinuxSerialPortSystem system(&memory, machine.Sources());
    const std::vector<SerialPortInfo> ports = system.EnumeratePorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].name, "COM1");
    EXPECT_EQ(ports[0].displayName, "COM1 (ttyS0)");
    EXPECT_EQ(ports[1].name, "COM10");
    EXPECT_EQ(ports[1].displayName, "COM10 (ttyUSB0)");
    EXPECT_EQ(system.Open("COM2"), nullptr);
    EXPECT_EQ(system.Open("PRN"), nullptr);

    UdevSerialMonitor monitor(system);
    machine.AddTty("ttyUSB1");
    std::vector<SerialPortNotice> notices = monitor.NoticeFor("add", machine.Dev() + "/ttyUSB1");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, SerialPortNotice::Kind::Arrived);
    EXPECT_EQ(notices[0].portName, "COM11");

    machine.RemoveTty("ttyUSB0");
    notices = monitor.NoticeFor("remove", machine.Dev() + "/ttyUSB0");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, SerialPortNotice::Kind::Removed);
    EXPECT_EQ(notices[0].portName, "COM10");

    EXPECT_TRUE(monitor.NoticeFor("change", machine.Dev() + "/ttyUSB1").empty());
    EXPECT_TRUE(monitor.NoticeFor("add", machine.Dev() + "/console").empty());
    if (!monitor.IsActive()) {
        EXPECT_EQ(monitor.Fd(), -1);
        EXPECT_TRUE(monitor.ProcessEvents().empty());
    }
}

} // namespace
