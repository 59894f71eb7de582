// CRFDevice: cordless readers that are neither a base nor a directly attached scanner; all
// of its behaviour is the wireless classes' shared one (CWirelessDevice.h).
#pragma once

#include "device/CWirelessDevice.h"

class CRFDevice : public CWirelessDevice {
public:
    using CWirelessDevice::CWirelessDevice;
};
