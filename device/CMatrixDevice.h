// CMatrixDevice: matrix imagers. They take settings in an update bracket (MNUUPD), know the
// matrix command set, report their picture size, read binary firmware, and have their own
// compatibility and LINPRI rules.
#pragma once

#include "device/CDevice.h"

class CMatrixDevice : public CDevice {
public:
    using CDevice::CDevice;

    void BeginSettingsWrite() override;
    void EndSettingsWrite() override;
    bool ReadAllSettings(const TabDefinitions& definitions, ProgressWindow* progress,
                         const std::vector<std::string>& excluded) override;
    bool WriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors) override;
    bool IsCompatible(const CDeviceName& identified) override;
    bool Identify() override;
    std::string GetDefaultsCommand() override;
    bool LoadFirmwareFromFile(std::string& resultText, int compressionMode, bool* hexPath, bool optionA,
                              bool optionB) override;
    bool LoadBootCodeFromFile(std::string& resultText, int compressionMode, bool waitForReader) override;
    bool GetFlashLineSetup(std::string& enterFlash, std::string& flashSettings, std::string& afterFlash) override;
    bool IsImageCapable() const override { return true; }
    // While a capture runs in capture mode the small image window stays away.
    bool IsCaptureModeOn() const override;

private:
    // Binary firmware (CMatrixFirmware.cpp): the file dialog, the window, the file read, then
    // the download on the command processor.
    bool DownloadBinaryFile(std::string& resultText, bool bootCode, int compressionMode, bool optionA, bool optionB,
                            bool waitForReader);
};
