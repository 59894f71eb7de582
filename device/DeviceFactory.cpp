#include "device/DeviceFactory.h"

#include "device/CHeronMaskDevice.h"
#include "device/CImageDevice.h"
#include "device/CMatrixRFBaseDevice.h"
#include "device/CRFBaseDevice.h"
#include "device/CRFScannerDevice.h"

std::unique_ptr<CDevice> CreateDevice(DeviceClassKind kind, CSerComm* port)
{
    switch (kind) {
    case DeviceClassKind::CDevice: return std::make_unique<CDevice>(port);
    case DeviceClassKind::CImageDevice: return std::make_unique<CImageDevice>(port);
    case DeviceClassKind::CRFScannerDevice: return std::make_unique<CRFScannerDevice>(port);
    case DeviceClassKind::CRFBaseDevice: return std::make_unique<CRFBaseDevice>(port);
    case DeviceClassKind::CHeronMaskDevice: return std::make_unique<CHeronMaskDevice>(port);
    case DeviceClassKind::CMatrixDevice: return std::make_unique<CMatrixDevice>(port);
    case DeviceClassKind::CMatrixRFBaseDevice: return std::make_unique<CMatrixRFBaseDevice>(port);
    case DeviceClassKind::None: break;
    }
    return nullptr;
}
