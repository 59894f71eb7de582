// CRFScannerDevice: a cordless scanner attached directly (see CWirelessDevice.h).
#pragma once

#include "device/CWirelessDevice.h"

class CRFScannerDevice : public CWirelessDevice {
public:
    using CWirelessDevice::CWirelessDevice;

    // The hex flash with the radio country code saved before and written back after the
    // reconnect (CWirelessFirmware.cpp).
    bool FlashHexFile(const std::string& path, std::string& resultText) override;
};
