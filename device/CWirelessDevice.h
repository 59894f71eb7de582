// What the three wireless classes share: CRFDevice (cordless readers in general),
// CRFScannerDevice (a cordless scanner attached directly) and CRFBaseDevice (the base
// station, with settings tables). They write settings one command at a time with the radio
// settings held back, use their own serial tags, carry the base id through barcode
// configuration texts, and add two operations of their own at the end of the device's.
#pragma once

#include "device/CDevice.h"

class CWirelessDevice : public CDevice {
public:
    using CDevice::CDevice;

    bool WriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors) override
    {
        return WirelessWriteCommands(commandText, progress, errors);
    }
    std::string GetDefaultsCommand() override { return WirelessDefaultsCommand(); }
    std::string GetClosingCommands() override { return WirelessClosingCommands(); }
    bool SplitSerialCommands(std::string& commandText, std::string& serialCommands, std::string& terminalCommand,
                             std::array<std::string, 4>& lineValues) override
    {
        return WirelessSplitSerialCommands(commandText, serialCommands, terminalCommand, lineValues);
    }
    // Added by the wireless classes.
    virtual bool LoadFirmwareFromFileDefault(std::string& resultText)
    {
        return LoadFirmwareFromFile(resultText, 0, nullptr, false, true);
    }
    virtual bool ReleaseReceivedDataLock()
    {
        DecrementProcessReceivedDataLockSemaphore();
        return true;
    }

protected:
    // Around a flash (CWirelessFirmware.cpp): reads "BASEID?." or "RADCOD?." (true with a
    // complete reply), and writes such a reply back after "QxRcCd." (false when refused).
    bool ReadRadioSetting(const char* query, std::string& reply);
    bool WriteBackRadioSetting(const std::string& savedReply);
};
