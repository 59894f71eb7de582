// CRFBaseDevice: the cordless base station (see CRFDevice.h). It has up to nine settings
// tables, selected by command.
#pragma once

#include "device/CRFDevice.h"

class CRFBaseDevice : public CDevice {
public:
    static constexpr int kDefaultTables = 9;
    using CDevice::CDevice;

    bool WriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors) override
    {
        return WirelessWriteCommands(commandText, progress, errors);
    }
    int GetTableCount(bool offline) override;
    bool SelectTable(int table, bool offline) override;
    bool HasTables() override { return true; }
    std::string GetDefaultsCommand() override { return WirelessDefaultsCommand(); }
    std::string GetClosingCommands() override { return WirelessClosingCommands(); }
    // Saving and restoring base id and country code around a flash comes with firmware loading.
    bool FlashHexFile(const std::string& path, std::string& resultText) override
    {
        return CDevice::FlashHexFile(path, resultText);
    }
    bool SplitSerialCommands(std::string& commandText, std::string& serialCommands, std::string& terminalCommand,
                             std::array<std::string, 4>& lineValues) override
    {
        return WirelessSplitSerialCommands(commandText, serialCommands, terminalCommand, lineValues);
    }
    virtual bool LoadFirmwareFromFileDefault(std::string& resultText)
    {
        return LoadFirmwareFromFile(resultText, 0, nullptr, false, true);
    }
    virtual bool ReleaseReceivedDataLock()
    {
        DecrementProcessReceivedDataLockSemaphore();
        return true;
    }
};
