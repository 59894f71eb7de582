// VendorSettings: what the vendor who ships the program configures in "Kestrel.ini"
// (section "Vendor Specific Settings"), plus the list of commands that are never read from a
// reader on this machine.
#pragma once

#include <string>
#include <vector>

class SettingsStore;

class VendorSettings {
public:
    static constexpr const char* kIniFileName = "Kestrel.ini";
    static constexpr const char* kSection = "Vendor Specific Settings";
    // Where the installer records the install folder (user hive, value "InstallDir").
    static constexpr const char* kInstallKey = "Software\\Orvane\\Kestrel 2003";
    // Installer marks of the point-of-sale scanner controls (machine hive).
    static constexpr const char* kOrvOposKey = "Software\\ORV\\ORV RS232 OPOS Scanner Control Install\\";
    static constexpr const char* kOrvJavaPosKey = "Software\\ORV\\ORV RS232 JavaPOS Scanner Control Install\\";
    static constexpr const char* kOrvaneOposKey = "Software\\Orvane\\Orvane RS232 OPOS Scanner Control Install\\";
    static constexpr const char* kOrvaneJavaPosKey
        = "Software\\Orvane\\Orvane RS232 JavaPOS Scanner Control Install\\";

    std::string splashFile;
    std::string companyName = "Orvane.";
    std::string companyRegKey = "Orvane, Inc.";
    std::string applicationPath = "QXKestrel2003.exe";
    std::string deviceFile = "QXDevFil.dat";
    std::string partNumber;
    int orvApplication = 1;
    std::vector<std::string> excludedCommands;

    // Where the values came from ("" when no ini file was found), for diagnostics.
    std::string iniPath;
    std::string installDir;

    // Reads the install folder, picks the ini file, reads the seven values in order and
    // builds the excluded command list. Missing keys, files and values leave the defaults.
    void Load(const SettingsStore& store, const std::string& currentDirectory, int advancedUserPrivileges);

    // "Kestrel.ini" in the current folder when it exists, else in the install folder.
    static std::string ChooseIniPath(const std::string& currentDirectory, const std::string& installDir);
    // "REV_TD" unless the user has advanced privileges; "OPS" and "PAPOPS" unless the
    // point-of-sale controls of the matching maker are installed.
    static std::vector<std::string> BuildExcludedCommands(const SettingsStore& store, int advancedUserPrivileges);

    // A tag is excluded when it begins with an entry of the list, without regard to case.
    bool IsExcluded(const std::string& tag) const;
};
