// The device classes a catalog row can name in its "Runtime Class" column. The classes
// themselves live with the device link; the catalog only decides which one a model needs.
#pragma once

#include <string>

enum class DeviceClassKind {
    None, // no row, or a class name this program does not know
    CImageDevice,
    CDevice,
    CRFScannerDevice,
    CRFBaseDevice,
    CHeronMaskDevice,
    CMatrixDevice,
    CMatrixRFBaseDevice,
};

// Exact comparison, as the catalog has always been read: "cdevice" is not a class.
DeviceClassKind DeviceClassFromName(const std::string& name);
// The class name as written in the catalog ("" for None).
const char* DeviceClassName(DeviceClassKind kind);
