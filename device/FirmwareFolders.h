// The folders the firmware file dialogs start in ("InitFlashDir", "InitBootFlashDir" of the
// user's settings). The device code does not know the settings store; the program installs
// an implementation that reads and writes it. Without one the folders live for the run.
#pragma once

#include <string>

class FirmwareFolders {
public:
    virtual ~FirmwareFolders() = default;
    virtual std::string Get(const std::string& name) = 0;
    virtual void Set(const std::string& name, const std::string& folder) = 0;
};

FirmwareFolders& TheFirmwareFolders();
// nullptr restores the in-memory store.
void InstallFirmwareFolders(FirmwareFolders* folders);

inline constexpr const char* kInitFlashDir = "InitFlashDir";
inline constexpr const char* kInitBootFlashDir = "InitBootFlashDir";
