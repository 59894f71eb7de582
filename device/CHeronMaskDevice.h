// CHeronMaskDevice: mask readers. Only the compatibility rule differs: a configuration
// made for one revision also takes the part numbers that revision was built from.
#pragma once

#include "device/CDevice.h"

class CHeronMaskDevice : public CDevice {
public:
    using CDevice::CDevice;
    bool IsCompatible(const CDeviceName& identified) override;
};
