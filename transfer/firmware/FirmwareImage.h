// Binary firmware images for the matrix readers: the signature block that says what the
// image is and which readers take it, and the keyword block that says how to load it.
//
// Signature block, found by searching the image (the first match counts):
//   s + 0   12 bytes  "MATRIXAPP" 0 0 0 (application) or "MATRIXBOOT" 0 0 (boot code)
//   s + 12  12 bytes  "DEVICETYPE" 0 0
//   s + 24  u32 LE    application: length L of the device-type mask; boot code: its device type
//   s + 28  L bytes   application only: the mask, bit (t-1)%8 of byte (t-1)/8 for device type t
// Keyword block of an application, at s + 24 + L:
//   u32 (unused), u32 0xFFFFFFFF, u32 entry count, then per entry a u32 LE size and that many
//   bytes that begin with a NUL-terminated keyword.
//
// Images come from users, so nothing here reads past the end: a mask or keyword block that
// would run past it makes the image refused (Truncated) instead of read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class FirmwareImageType { Application, BootCode };

enum class FirmwareImageStatus {
    Ok,
    NoSignature, // no signature of the asked type
    Truncated,   // the mask or the keyword block runs past the end of the image
};

// Application kinds the keyword block can name (0: none named).
struct FirmwareKind {
    const char* keyword;
    int kind;
    uint32_t kindMask; // 0: never rejected on the kind
};

// In the order they are tested: the first keyword the image carries decides.
inline constexpr FirmwareKind kFirmwareKinds[] = {
    { "CORDED", 1, 17 },   { "RFBASE", 2, 34 },   { "RFSCAN", 3, 68 },   { "PRODCFG", 4, 0 },
    { "AFCORDED", 5, 17 }, { "AFRFBASE", 6, 34 }, { "AFRFSCAN", 7, 68 },
};

struct FirmwareImageInfo {
    FirmwareImageType type = FirmwareImageType::Application;
    std::size_t signatureOffset = 0;
    uint32_t maskLength = 0;   // application
    std::vector<uint8_t> mask; // application
    uint32_t bootDeviceType = 0; // boot code
    std::vector<std::string> keywords;
    bool ramOnly = false;
    bool bootAck = false;
    int kind = 0;
    uint32_t kindMask = 0;

    // Whether the mask names device type t (t > 0).
    bool SupportsDeviceType(uint32_t t) const;
    // The device types the mask names, for display.
    std::vector<uint32_t> DeviceTypes() const;
    bool HasKeyword(const std::string& keyword) const;
};

// The 24-byte signature of the given type, or npos.
std::size_t FindFirmwareSignature(std::span<const uint8_t> image, FirmwareImageType type);

FirmwareImageStatus ParseFirmwareImage(std::span<const uint8_t> image, FirmwareImageType type,
                                       FirmwareImageInfo& info);
