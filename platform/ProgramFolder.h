// Where the program's data files (TabFile.Dat, the device catalog, the splash bitmap) live.
//
// The program asks the platform for the folder registered for its executable name. An
// installer may register one in the machine hive (key
// "Software\Microsoft\Windows\CurrentVersion\App Paths\<executable>", value "Path"); without
// that, the platform answers with the folder that holds the data files: share/kestrel under
// the prefix the binary was installed to, or the source tree's data/ folder when the program
// runs from a build tree. When nothing answers, the caller falls back to the current folder.
#pragma once

#include <string>

class SettingsStore;

class ProgramFolder {
public:
    static constexpr const char* kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

    // The folder registered for `applicationPath`, without a trailing separator. False when
    // there is none.
    static bool LookupAppPath(const SettingsStore& store, const std::string& applicationPath, std::string& folder);

    // The folder of the running executable ("" when it cannot be told).
    static std::string ExecutableFolder();

    // Appends the native separator to a non-empty folder, so that folder + file name is a path.
    static std::string WithSeparator(const std::string& folder);
};
