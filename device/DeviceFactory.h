// Makes the device object of the class a catalog row names.
#pragma once

#include "catalog/DeviceClassKind.h"
#include "device/CDevice.h"

#include <memory>

// nullptr for DeviceClassKind::None.
std::unique_ptr<CDevice> CreateDevice(DeviceClassKind kind, CSerComm* port);
