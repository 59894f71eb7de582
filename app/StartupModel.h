// StartupModel: the program's start-up as far as it needs no window — vendor settings,
// program folder, the two data files and the serial preferences — shared by the desktop
// program and kestrel-cli.
//
// The desktop program calls the steps one by one around its own (splash window, document,
// main window); programs without windows call Run. Either way a missing or corrupt data
// file ends start-up with exactly one message.
#pragma once

#include "app/UserPreferences.h"
#include "app/VendorSettings.h"

#include <functional>
#include <optional>
#include <string>

class DeviceCatalog;
class SettingsStore;
class TabDefinitions;

struct StartupOptions {
    std::string currentDirectory = ".";
    // Data files from this folder instead of the registered one (kestrel-cli --data).
    std::optional<std::string> dataFolder;
    // The per-user profile's "AdvancedUserPrivileges"; read from the profile when unset.
    std::optional<int> advancedUserPrivileges;
    // Answers the program folder registered for an executable name; the platform's lookup
    // when unset.
    std::function<bool(const SettingsStore&, const std::string& applicationPath, std::string& folder)> appPathLookup;
};

class StartupModel {
public:
    static constexpr const char* kLoadingTabInfo = "Loading Tab Info";

    explicit StartupModel(SettingsStore& store);
    StartupModel(SettingsStore& store, DeviceCatalog& catalog, TabDefinitions& tabs);

    // Vendor settings and program folder.
    void Configure(const StartupOptions& options);
    // The catalog (the document loads it when it is created).
    bool LoadCatalog();
    // The tab definitions, after putting "Loading Tab Info" into the status text.
    bool LoadTabFile();
    // Port, its baud limits, compression, DTR: only once both files are in.
    void LoadPreferences();

    bool BothLoaded() const { return catalogLoaded_ && tabsLoaded_; }
    // The one message for a failed start-up ("" when both files loaded).
    std::string FailureMessage() const;

    // All of the above; on failure shows the message through the host and returns false.
    bool Run(const StartupOptions& options);

    const VendorSettings& Vendor() const { return vendor_; }
    // The per-user "AdvancedUserPrivileges" start-up used (1: the dangerous entries are shown).
    int AdvancedUserPrivileges() const { return advancedUserPrivileges_; }
    const UserPreferences& Preferences() const { return preferences_; }
    // "" (current folder) or a folder ending in a separator.
    const std::string& ProgramFolderPath() const { return programFolder_; }
    std::string CatalogPath() const { return programFolder_ + vendor_.deviceFile; }
    std::string TabFilePath() const;

private:
    SettingsStore& store_;
    DeviceCatalog& catalog_;
    TabDefinitions& tabs_;
    VendorSettings vendor_;
    int advancedUserPrivileges_ = 0;
    UserPreferences preferences_;
    std::string programFolder_;
    bool catalogLoaded_ = false;
    bool tabsLoaded_ = false;
    std::string tabFailure_;
};
