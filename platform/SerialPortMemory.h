// Remembers the COM numbers given to serial adapters in the user hive, so an adapter keeps
// its number across unplugging and restarts. One value per device under the key below:
// the name is the device's stable path (/dev/serial/by-id/... where it has one), the value
// its number.
#pragma once

#include "platform/SerialPortTable.h"
#include "platform/SettingsStore.h"

class SerialPortMemory final : public SerialPortTable::Memory {
public:
    static constexpr const char* kKey = "Software\\Orvane, Inc.\\kestrel\\Serial Ports";

    SerialPortMemory() = default;
    explicit SerialPortMemory(SettingsStore store) : store_(std::move(store)) { }

    std::map<std::string, int> Load() override;
    void Remember(const std::string& key, int number) override;

private:
    SettingsStore store_;
};
