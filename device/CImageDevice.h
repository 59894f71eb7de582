// CImageDevice: area imagers. Matrix-like rules for compatibility, LINPRI and the flash line;
// a settings write is wrapped in one more beeper-off/beeper-on pair.
#pragma once

#include "device/CDevice.h"

class CImageDevice : public CDevice {
public:
    using CDevice::CDevice;

    bool ReadAllSettings(const TabDefinitions& definitions, ProgressWindow* progress,
                         const std::vector<std::string>& excluded) override;
    bool WriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors) override;
    bool IsCompatible(const CDeviceName& identified) override;
    bool Identify() override;
    std::string GetDefaultsCommand() override { return "DEFALT;"; }
    bool GetFlashLineSetup(std::string& enterFlash, std::string& flashSettings, std::string& afterFlash) override;
    bool IsImageCapable() const override { return true; }
    // While a capture runs in capture mode the small image window stays away.
    bool IsCaptureModeOn() const override;
};
