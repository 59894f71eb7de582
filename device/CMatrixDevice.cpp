#include "device/CMatrixDevice.h"

#include "transfer/HCOMMAND_PROCESSOR.h"

void CMatrixDevice::BeginSettingsWrite()
{
    // Changes are held back until the bracket closes, so a half-written table never runs.
    std::string reply;
    SendCommandAndWait("MNUUPD0!", reply, 1000);
}

void CMatrixDevice::EndSettingsWrite()
{
    std::string reply;
    SendCommandAndWait("MNUUPD1!", reply, 1000);
}

bool CMatrixDevice::ReadAllSettings(const TabDefinitions& definitions, ProgressWindow* progress,
                                    const std::vector<std::string>& excluded)
{
    if (!CDevice::ReadAllSettings(definitions, progress, excluded))
        return false;
    ApplyLinpriRule();
    return true;
}

bool CMatrixDevice::WriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors)
{
    return CDevice::WriteCommands(commandText, progress, errors);
}

bool CMatrixDevice::IsCompatible(const CDeviceName& identified) { return MatrixIsCompatible(identified); }

bool CMatrixDevice::Identify()
{
    if (!CDevice::Identify())
        return false;
    m_pCommandHandler->QueryImageSize();
    return true;
}

std::string CMatrixDevice::GetDefaultsCommand()
{
    // Readers that take linear menu symbols (or know the matrix commands but not Aztec) get
    // the linear form of the defaults command.
    const HCOMMAND_PROCESSOR& handler = *m_pCommandHandler;
    if (m_DeviceName.IsLinear() || (handler.SupportsMatrixCommands() && !handler.SupportsAztec()))
        return std::string("~DEFALT.") + static_cast<char>(kFnc3);
    return "DEFALT;";
}

// LoadFirmwareFromFile and LoadBootCodeFromFile: CMatrixFirmware.cpp.

bool CMatrixDevice::GetFlashLineSetup(std::string& enterFlash, std::string& flashSettings, std::string& afterFlash)
{
    return MatrixGetFlashLineSetup(enterFlash, flashSettings, afterFlash);
}

bool CMatrixDevice::IsCaptureModeOn() const { return m_pCommandHandler && m_pCommandHandler->IsCaptureModeOn(); }
