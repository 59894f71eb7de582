// Reading a firmware or description file the user picked, whole, with the refusals that keep
// a careless choice (a folder, a device node, a pipe, a disk image) from hanging or
// exhausting the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FirmwareFileRead {
    Ok,
    OpenError, // the file cannot be opened ("Error opening ")
    ReadError, // not a regular file, larger than allowed, or reading failed ("Error reading ")
};

// Files larger than any reader's flash are refused before they are read.
inline constexpr std::size_t kMaxFirmwareFileBytes = 64u << 20;

FirmwareFileRead ReadFirmwareFile(const std::string& path, std::vector<uint8_t>& bytes,
                                  std::size_t maxBytes = kMaxFirmwareFileBytes);

// "hex" or "bin"/"axf" without regard to case.
bool HasExtensionNoCase(const std::string& path, const char* extension);
// Just the file name of a path (what the hex flow's texts name).
std::string FileNameOf(const std::string& path);
