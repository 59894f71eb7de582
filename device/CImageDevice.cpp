#include "device/CImageDevice.h"

#include "transfer/HCOMMAND_PROCESSOR.h"

bool CImageDevice::ReadAllSettings(const TabDefinitions& definitions, ProgressWindow* progress,
                                   const std::vector<std::string>& excluded)
{
    if (!CDevice::ReadAllSettings(definitions, progress, excluded))
        return false;
    ApplyLinpriRule();
    return true;
}

bool CImageDevice::WriteCommands(const std::string& commandText, ProgressWindow* progress, CommandErrors& errors)
{
    std::string reply;
    SendCommandAndWait("mnubep0!", reply, 1000);
    const bool result = CDevice::WriteCommands(commandText, progress, errors);
    SendCommandAndWait("mnubep1!", reply, 1000);
    return result;
}

bool CImageDevice::IsCompatible(const CDeviceName& identified) { return MatrixIsCompatible(identified); }

bool CImageDevice::Identify()
{
    if (!CDevice::Identify())
        return false;
    m_pCommandHandler->QueryImageSize();
    return true;
}

bool CImageDevice::GetFlashLineSetup(std::string& enterFlash, std::string& flashSettings, std::string& afterFlash)
{
    return MatrixGetFlashLineSetup(enterFlash, flashSettings, afterFlash);
}

bool CImageDevice::IsCaptureModeOn() const { return m_pCommandHandler && m_pCommandHandler->IsCaptureModeOn(); }
