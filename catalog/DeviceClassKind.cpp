#include "catalog/DeviceClassKind.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<const char*, DeviceClassKind>, 7> kClasses { {
    { "CImageDevice", DeviceClassKind::CImageDevice },
    { "CDevice", DeviceClassKind::CDevice },
    { "CRFScannerDevice", DeviceClassKind::CRFScannerDevice },
    { "CRFBaseDevice", DeviceClassKind::CRFBaseDevice },
    { "CHeronMaskDevice", DeviceClassKind::CHeronMaskDevice },
    { "CMatrixDevice", DeviceClassKind::CMatrixDevice },
    { "CMatrixRFBaseDevice", DeviceClassKind::CMatrixRFBaseDevice },
} };

} // namespace

DeviceClassKind DeviceClassFromName(const std::string& name)
{
    for (const auto& [className, kind] : kClasses)
        if (name == className)
            return kind;
    return DeviceClassKind::None;
}

const char* DeviceClassName(DeviceClassKind kind)
{
    for (const auto& [className, candidate] : kClasses)
        if (candidate == kind)
            return className;
    return "";
}
