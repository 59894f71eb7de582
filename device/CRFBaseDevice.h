// CRFBaseDevice: the cordless base station (see CWirelessDevice.h). It has up to nine
// settings tables, selected by command.
#pragma once

#include "device/CWirelessDevice.h"

class CRFBaseDevice : public CWirelessDevice {
public:
    static constexpr int kDefaultTables = 9;
    using CWirelessDevice::CWirelessDevice;

    int GetTableCount(bool offline) override;
    bool SelectTable(int table, bool offline) override;
    bool HasTables() override { return true; }
    // The hex flash with the base id and radio country code saved before and written back
    // after the reconnect (CWirelessFirmware.cpp).
    bool FlashHexFile(const std::string& path, std::string& resultText) override;
};
