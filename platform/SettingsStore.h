// SettingsStore: the program's registry, kept as two INI-style files.
//
// The program remembers its preferences per user and finds installer marks per machine,
// in trees of keys ("Software\Orvane, Inc.\kestrel\Settings") holding named string and
// integer values. Each tree (hive) is one text file:
//
//   [Software\Orvane, Inc.\kestrel\Settings]
//   Com Port=dword:1
//   EOR Character=0D
//
// The user hive lives in $XDG_CONFIG_HOME/kestrel/user.hive (~/.config/kestrel/user.hive),
// the machine hive in /etc/xdg/kestrel/machine.hive; KESTREL_USER_HIVE and
// KESTREL_MACHINE_HIVE name other files (every test runs in its own). Key and value names
// compare without regard to case, as users of a registry expect. Every operation reads the
// file afresh, and every write replaces it atomically (temporary file, fsync, rename), so
// two programs sharing a hive never see half a file. A hive file is user data: damaged or
// oversized content is read as far as it makes sense and never crashes the program.
#pragma once

#include <string>
#include <utility>
#include <vector>

enum class Hive { CurrentUser, LocalMachine };

class SettingsStore {
public:
    // Hive files from the environment (see above).
    SettingsStore();
    // Explicit hive files (tests, tools).
    SettingsStore(std::string userHivePath, std::string machineHivePath);

    static std::string DefaultUserHivePath();
    static std::string DefaultMachineHivePath();
    const std::string& HivePath(Hive hive) const;

    // True when the key exists (it or a key below it was created): "opens for reading".
    bool OpenKeyForRead(Hive hive, const std::string& key) const;

    // False (value untouched) when the key or the value is absent, or an integer value does
    // not hold a decimal number that fits.
    bool ReadString(Hive hive, const std::string& key, const std::string& name, std::string& value) const;
    bool ReadInt(Hive hive, const std::string& key, const std::string& name, int& value) const;

    std::string GetString(Hive hive, const std::string& key, const std::string& name,
                          const std::string& defaultValue) const;
    int GetInt(Hive hive, const std::string& key, const std::string& name, int defaultValue) const;

    // Creates missing keys on the way. False when the hive cannot be written (its folder
    // cannot be made, the disk is full ...) or a name cannot be stored (line breaks in key or
    // value names, "=" in a value name); the file is then left as it was.
    bool WriteString(Hive hive, const std::string& key, const std::string& name, const std::string& value);
    bool WriteInt(Hive hive, const std::string& key, const std::string& name, int value);
    bool CreateKey(Hive hive, const std::string& key);
    bool DeleteValue(Hive hive, const std::string& key, const std::string& name);

    // The values of one key as stored (integers as their decimal text), in file order.
    std::vector<std::pair<std::string, std::string>> ListValues(Hive hive, const std::string& key) const;

private:
    std::string userHivePath_;
    std::string machineHivePath_;
};
