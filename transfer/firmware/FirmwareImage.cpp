#include "transfer/firmware/FirmwareImage.h"

#include "platform/TextUtil.h"

#include <algorithm>

namespace {

constexpr uint8_t kApplicationSignature[24] = { 'M', 'A', 'T', 'R', 'I', 'X', 'A', 'P', 'P', 0, 0, 0,
                                                'D', 'E', 'V', 'I', 'C', 'E', 'T', 'Y', 'P', 'E', 0, 0 };
constexpr uint8_t kBootSignature[24] = { 'M', 'A', 'T', 'R', 'I', 'X', 'B', 'O', 'O', 'T', 0, 0,
                                         'D', 'E', 'V', 'I', 'C', 'E', 'T', 'Y', 'P', 'E', 0, 0 };

bool ReadU32(std::span<const uint8_t> image, std::size_t at, uint32_t& value)
{
    if (at > image.size() || image.size() - at < 4)
        return false;
    value = static_cast<uint32_t>(image[at]) | static_cast<uint32_t>(image[at + 1]) << 8
        | static_cast<uint32_t>(image[at + 2]) << 16 | static_cast<uint32_t>(image[at + 3]) << 24;
    return true;
}

// Reads the keyword block at `at`; false when it runs past the end.
bool ReadKeywords(std::span<const uint8_t> image, std::size_t at, std::vector<std::string>& keywords)
{
    uint32_t unused = 0;
    uint32_t marker = 0;
    uint32_t count = 0;
    if (!ReadU32(image, at, unused) || !ReadU32(image, at + 4, marker) || !ReadU32(image, at + 8, count))
        return false;
    // Without the marker there is no keyword block: an image of no particular kind.
    if (marker != 0xFFFFFFFFu)
        return true;
    std::size_t pos = at + 12;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t size = 0;
        if (!ReadU32(image, pos, size))
            return false;
        pos += 4;
        if (size > image.size() - pos)
            return false;
        const auto entry = image.subspan(pos, size);
        const auto end = std::find(entry.begin(), entry.end(), uint8_t { 0 });
        keywords.emplace_back(entry.begin(), end);
        pos += size;
    }
    return true;
}

} // namespace

bool FirmwareImageInfo::SupportsDeviceType(uint32_t t) const
{
    if (t == 0)
        return false;
    const uint32_t byte = (t - 1) / 8;
    return byte < mask.size() && (mask[byte] >> ((t - 1) % 8) & 1) != 0;
}

std::vector<uint32_t> FirmwareImageInfo::DeviceTypes() const
{
    std::vector<uint32_t> types;
    for (uint32_t t = 1; t <= mask.size() * 8; ++t)
        if (SupportsDeviceType(t))
            types.push_back(t);
    return types;
}

bool FirmwareImageInfo::HasKeyword(const std::string& keyword) const
{
    return std::any_of(keywords.begin(), keywords.end(), [&](const std::string& k) { return EqualNoCase(k, keyword); });
}

std::size_t FindFirmwareSignature(std::span<const uint8_t> image, FirmwareImageType type)
{
    const uint8_t* signature = type == FirmwareImageType::Application ? kApplicationSignature : kBootSignature;
    const auto found = std::search(image.begin(), image.end(), signature, signature + 24);
    return found == image.end() ? std::size_t(-1) : static_cast<std::size_t>(found - image.begin());
}

FirmwareImageStatus ParseFirmwareImage(std::span<const uint8_t> image, FirmwareImageType type, FirmwareImageInfo& info)
{
    info = {};
    info.type = type;
    const std::size_t s = FindFirmwareSignature(image, type);
    if (s == std::size_t(-1))
        return FirmwareImageStatus::NoSignature;
    info.signatureOffset = s;
    uint32_t value = 0;
    if (!ReadU32(image, s + 24, value))
        return FirmwareImageStatus::Truncated;
    if (type == FirmwareImageType::BootCode) {
        info.bootDeviceType = value;
        return FirmwareImageStatus::Ok;
    }
    info.maskLength = value;
    const std::size_t maskAt = s + 28;
    if (value > image.size() - maskAt)
        return FirmwareImageStatus::Truncated;
    info.mask.assign(image.begin() + static_cast<std::ptrdiff_t>(maskAt),
                     image.begin() + static_cast<std::ptrdiff_t>(maskAt + value));
    if (!ReadKeywords(image, s + 24 + value, info.keywords))
        return FirmwareImageStatus::Truncated;
    info.ramOnly = info.HasKeyword("RAMONLY");
    info.bootAck = info.HasKeyword("BOOTACK");
    for (const auto& kind : kFirmwareKinds) {
        if (info.HasKeyword(kind.keyword)) {
            info.kind = kind.kind;
            info.kindMask = kind.kindMask;
            break;
        }
    }
    return FirmwareImageStatus::Ok;
}
