#include "app/StartupModel.h"

#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "platform/Host.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/UserProfile.h"

StartupModel::StartupModel(SettingsStore& store)
    : StartupModel(store, TheDeviceCatalog(), TheTabDefinitions())
{
}

StartupModel::StartupModel(SettingsStore& store, DeviceCatalog& catalog, TabDefinitions& tabs)
    : store_(store)
    , catalog_(catalog)
    , tabs_(tabs)
{
}

void StartupModel::Configure(const StartupOptions& options)
{
    const int advanced = options.advancedUserPrivileges
        ? *options.advancedUserPrivileges
        : UserProfile::GetInt("Settings", "AdvancedUserPrivileges", 0);
    advancedUserPrivileges_ = advanced;
    vendor_.Load(store_, options.currentDirectory, advanced);

    std::string folder;
    if (options.dataFolder) {
        folder = *options.dataFolder;
    } else {
        const auto lookup = options.appPathLookup ? options.appPathLookup : ProgramFolder::LookupAppPath;
        // No registration: the data files are looked for in the current folder.
        if (!lookup(store_, vendor_.applicationPath, folder))
            folder.clear();
    }
    programFolder_ = ProgramFolder::WithSeparator(folder);
}

bool StartupModel::LoadCatalog()
{
    catalogLoaded_ = catalog_.Load(CatalogPath());
    return catalogLoaded_;
}

std::string StartupModel::TabFilePath() const { return programFolder_ + TabDefinitions::kFileName; }

bool StartupModel::LoadTabFile()
{
    TheHost().SetStatusText(kLoadingTabInfo);
    tabsLoaded_ = tabs_.Load(programFolder_, tabFailure_);
    return tabsLoaded_;
}

void StartupModel::LoadPreferences()
{
    if (BothLoaded())
        preferences_.Load(store_, vendor_.companyRegKey);
}

std::string StartupModel::FailureMessage() const
{
    if (BothLoaded())
        return {};
    if (!catalogLoaded_ && !tabsLoaded_)
        return "The following files:\n" + CatalogPath() + "\n" + TabFilePath()
            + " \nare either corrupt or not found. Please contact program vendor.";
    if (!catalogLoaded_)
        return "The device data file is corrupt or not found: " + CatalogPath() + ". Please contact program vendor.";
    return tabFailure_;
}

bool StartupModel::Run(const StartupOptions& options)
{
    Configure(options);
    LoadCatalog();
    LoadTabFile();
    LoadPreferences();
    if (BothLoaded())
        return true;
    ShowMessage(FailureMessage(), MsgButtons::Ok);
    return false;
}
