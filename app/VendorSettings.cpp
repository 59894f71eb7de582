#include "app/VendorSettings.h"

#include "platform/TextUtil.h"

#include "platform/IniFile.h"
#include "platform/SettingsStore.h"

#include <cctype>

namespace {

// The installer's registry values are read into 500-byte buffers.
constexpr std::size_t kInstallDirLimit = 499;

} // namespace

std::string VendorSettings::ChooseIniPath(const std::string& currentDirectory, const std::string& installDir)
{
    const std::string local = (currentDirectory.empty() ? std::string(".") : currentDirectory) + "/" + kIniFileName;
    if (IniFile::Exists(local))
        return local;
    // Without an install folder there is nowhere else to look (the bare separator would
    // point at the root folder, which is never ours).
    if (installDir.empty())
        return {};
    return installDir + "/" + kIniFileName;
}

std::vector<std::string> VendorSettings::BuildExcludedCommands(const SettingsStore& store, int advancedUserPrivileges)
{
    std::vector<std::string> excluded;
    if (advancedUserPrivileges == 0)
        excluded.push_back("REV_TD");
    const bool orvOpos = store.OpenKeyForRead(Hive::LocalMachine, kOrvOposKey);
    const bool orvJavaPos = store.OpenKeyForRead(Hive::LocalMachine, kOrvJavaPosKey);
    const bool orvaneOpos = store.OpenKeyForRead(Hive::LocalMachine, kOrvaneOposKey);
    const bool orvaneJavaPos = store.OpenKeyForRead(Hive::LocalMachine, kOrvaneJavaPosKey);
    // The OPOS commands are only offered where a point-of-sale control that uses them is
    // installed: without the ORV OPOS control, the ORV JavaPOS one decides; with it, one of
    // the Orvane controls must be there too.
    const bool exclude = orvOpos ? !(orvaneOpos || orvaneJavaPos) : !orvJavaPos;
    if (exclude) {
        excluded.push_back("OPS");
        excluded.push_back("PAPOPS");
    }
    return excluded;
}

void VendorSettings::Load(const SettingsStore& store, const std::string& currentDirectory, int advancedUserPrivileges)
{
    installDir.clear();
    if (store.ReadString(Hive::CurrentUser, kInstallKey, "InstallDir", installDir) && installDir.size() > kInstallDirLimit)
        installDir.resize(kInstallDirLimit);
    iniPath = ChooseIniPath(currentDirectory, installDir);

    const VendorSettings defaults;
    auto read = [this](const char* key, const std::string& fallback) {
        return iniPath.empty() ? fallback : IniFile::GetString(iniPath, kSection, key, fallback);
    };
    splashFile = read("SplashScreen", defaults.splashFile);
    companyName = read("CompanyName", defaults.companyName);
    companyRegKey = read("CompanyRegKey", defaults.companyRegKey);
    applicationPath = read("ApplicationPath", defaults.applicationPath);
    deviceFile = read("DeviceFile", defaults.deviceFile);
    partNumber = read("PartNumber", defaults.partNumber);
    orvApplication = iniPath.empty() ? defaults.orvApplication
                                     : IniFile::GetInt(iniPath, kSection, "ORVApplication", defaults.orvApplication);
    excludedCommands = BuildExcludedCommands(store, advancedUserPrivileges);
}

bool VendorSettings::IsExcluded(const std::string& tag) const
{
    for (const auto& entry : excludedCommands)
        if (StartsWithNoCase(tag, entry))
            return true;
    return false;
}
