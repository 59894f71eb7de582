#include "device/CHeronMaskDevice.h"

bool CHeronMaskDevice::IsCompatible(const CDeviceName& identified)
{
    if (CDevice::IsCompatible(identified))
        return true;
    const std::string& other = identified.baseNumber;
    switch (m_DeviceName.revision) {
    case 3: return other == "80001009";
    case 4:
    case 5: return other == "80001010";
    case 6: return other == "80001008";
    default: return other == "80001006" || other == "80001007";
    }
}
