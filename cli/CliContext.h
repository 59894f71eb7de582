// What every kestrel-cli command gets: the parsed command line, the console host and the
// start-up model (vendor settings, program folder, catalog, tab definitions, preferences).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class ConsoleHost;
class SettingsStore;
class StartupModel;

// Exit statuses shared by all commands.
enum CliExit : int {
    ExitOk = 0,
    ExitFailed = 1,        // the operation did not succeed (the reason was printed)
    ExitStartupFailed = 2, // a data file is missing or corrupt
    ExitUsage = 3,         // the command line is wrong
};

struct CliOptions {
    std::string command;
    std::vector<std::string> arguments;            // positional, after the command
    std::vector<std::string> commandOptions;       // "--name" or "--name=value" not known globally
    std::optional<std::string> dataFolder;         // --data DIR
    std::optional<int> port;                       // --port N
    std::optional<std::string> devicePath;         // --device PATH
    // Every --port N and --device PATH in the order given, as "--port"/"--device" and the
    // value: more than one names a fleet of readers (only flash takes that).
    std::vector<std::pair<std::string, std::string>> readers;
    std::optional<std::string> tracePath;          // --trace FILE
    bool json = false;                             // --json
    bool quiet = false;                            // --quiet
    bool help = false;                             // --help
    bool version = false;                          // --version

    // Removes a command option ("--all") and tells whether it was given.
    bool TakeFlag(const std::string& name);
    // Removes "--name=value" or "--name value"-style options given as "--name=value".
    std::optional<std::string> TakeValue(const std::string& name);
};

struct CliContext {
    CliOptions& options;
    ConsoleHost& host;
    SettingsStore& store;
    StartupModel& startup;

    // Runs start-up (data files); prints the failure message and returns false when it fails.
    bool Start();
    // Fails with a usage message when command options are left that the command did not take.
    bool NoUnknownOptions();
};
