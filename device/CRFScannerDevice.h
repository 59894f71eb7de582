// CRFScannerDevice: a cordless scanner attached directly (see CWirelessDevice.h).
#pragma once

#include "device/CWirelessDevice.h"

class CRFScannerDevice : public CWirelessDevice {
public:
    using CWirelessDevice::CWirelessDevice;

    // Saving and restoring the radio country code around a flash comes with firmware loading.
    bool FlashHexFile(const std::string& path, std::string& resultText) override
    {
        return CDevice::FlashHexFile(path, resultText);
    }
};
