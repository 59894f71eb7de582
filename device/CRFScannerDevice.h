// CRFScannerDevice: a cordless scanner attached directly (see CRFDevice.h).
#pragma once

#include "device/CRFDevice.h"

class CRFScannerDevice : public CDevice {
public:
    using CDevice::CDevice;

    bool WriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors) override
    {
        return WirelessWriteCommands(commandText, progress, errors);
    }
    std::string GetDefaultsCommand() override { return WirelessDefaultsCommand(); }
    std::string GetClosingCommands() override { return WirelessClosingCommands(); }
    // Saving and restoring the radio country code around a flash comes with firmware loading.
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
