// kestrel-cli: the settings editor without windows, for scripts, fleets and tests.
//
//   kestrel-cli [global options] COMMAND [arguments] [options]
//
// Global options may stand anywhere on the line; options a command does not know are an
// error of that command.

#include "app/StartupModel.h"
#include "app/VersionInfo.h"
#include "cli/CliCommands.h"
#include "cli/ConsoleHost.h"
#include "platform/SettingsStore.h"
#include "platform/TrafficLog.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

void PrintUsage(std::ostream& out)
{
    out << "usage: kestrel-cli [options] COMMAND [arguments]\n\ncommands:\n";
    for (const auto& command : kCliCommands)
        out << "  " << command.name << ' ' << command.arguments << "\n      " << command.summary << '\n';
    out << "\noptions:\n"
           "  --data DIR          take TabFile.Dat and the device catalog from DIR\n"
           "  --port N            serial port number (COMN)\n"
           "  --device PATH       serial device path\n"
           "                      (flash takes --port and --device more than once: every reader at the same\n"
           "                      time, a summary line each, exit 1 when any failed)\n"
           "  --json              print results as JSON\n"
           "  --trace FILE        log every byte on the reader's line, and each change of line settings, into FILE\n"
           "  --yes, --no         answer questions with the positive or negative button\n"
           "  --choose-device ROW answer \"Choose a Device\" with catalog row ROW\n"
           "  --quiet             do not print progress\n"
           "  --help, --version\n"
           "\nexit status: 0 done, 1 failed, 2 a data file is missing or corrupt, 3 wrong command line\n";
}

bool ParseInt(const std::string& text, int& value)
{
    try {
        std::size_t used = 0;
        value = std::stoi(text, &used);
        return used == text.size();
    } catch (const std::exception&) {
        return false;
    }
}

// Parses the command line into options and host presets; false on a usage error (printed).
bool Parse(int argc, char** argv, CliOptions& options, ConsoleHost& host)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (arg.rfind("--", 0) == 0) {
            const auto equals = arg.find('=');
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
                arg = arg.substr(0, equals);
                hasValue = true;
            }
        }
        auto needValue = [&](const char* name) {
            if (hasValue)
                return true;
            if (i + 1 >= argc) {
                std::cerr << "kestrel-cli: " << name << " needs a value\n";
                return false;
            }
            value = argv[++i];
            return true;
        };
        if (arg == "--data") {
            if (!needValue("--data"))
                return false;
            options.dataFolder = value;
        } else if (arg == "--port") {
            int port = 0;
            if (!needValue("--port"))
                return false;
            if (!ParseInt(value, port) || port < 1) {
                std::cerr << "kestrel-cli: --port needs a port number from 1\n";
                return false;
            }
            options.port = port;
            options.readers.emplace_back("--port", value);
        } else if (arg == "--device") {
            if (!needValue("--device"))
                return false;
            options.devicePath = value;
            options.readers.emplace_back("--device", value);
        } else if (arg == "--choose-device") {
            int row = 0;
            if (!needValue("--choose-device"))
                return false;
            if (!ParseInt(value, row)) {
                std::cerr << "kestrel-cli: --choose-device needs a catalog row number\n";
                return false;
            }
            host.deviceChoice = row;
        } else if (arg == "--trace") {
            if (!needValue("--trace"))
                return false;
            options.tracePath = value;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--yes") {
            host.preset = ConsoleHost::Preset::Yes;
        } else if (arg == "--no") {
            host.preset = ConsoleHost::Preset::No;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg.rfind("--", 0) == 0) {
            options.commandOptions.push_back(hasValue ? arg + "=" + value : arg);
        } else if (options.command.empty()) {
            options.command = arg;
        } else {
            options.arguments.push_back(arg);
        }
    }
    // flash writes one file into many readers at once; every other command talks to one.
    if (options.command != "flash") {
        if (options.port && options.devicePath) {
            std::cerr << "kestrel-cli: give --port or --device, not both\n";
            return false;
        }
        if (options.readers.size() > 1) {
            std::cerr << "kestrel-cli: give one --port or --device (only flash takes several)\n";
            return false;
        }
    }
    host.quiet = options.quiet;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    CliOptions options;
    ConsoleHost host;
    if (!Parse(argc, argv, options, host)) {
        PrintUsage(std::cerr);
        return ExitUsage;
    }
    if (options.version) {
        std::cout << "kestrel-cli " << VersionInfo::VersionLine() << " (" << VersionInfo::BuildLine() << ")\n";
        return ExitOk;
    }
    if (options.help || options.command.empty()) {
        PrintUsage(options.help ? std::cout : std::cerr);
        return options.help ? ExitOk : ExitUsage;
    }
    for (const auto& command : kCliCommands) {
        if (options.command != command.name)
            continue;
        std::string error;
        if (options.tracePath && !TrafficLog::Instance().OpenFile(*options.tracePath, error)) {
            std::cerr << "kestrel-cli: --trace: " << error << '\n';
            return ExitFailed;
        }
        InstallHost(&host);
        ConsoleHost::InstallInterruptHandler();
        SettingsStore store;
        StartupModel startup(store);
        CliContext context { options, host, store, startup };
        const int status = command.run(context);
        InstallHost(nullptr);
        TrafficLog::Instance().CloseFile();
        return status;
    }
    std::cerr << "kestrel-cli: unknown command '" << options.command << "'\n";
    PrintUsage(std::cerr);
    return ExitUsage;
}
