#include "cli/CliContext.h"

#include "app/StartupModel.h"
#include "device/CDevice.h"

#include <unistd.h>

#include <iostream>

bool CliOptions::TakeFlag(const std::string& name)
{
    for (auto it = commandOptions.begin(); it != commandOptions.end(); ++it)
        if (*it == name) {
            commandOptions.erase(it);
            return true;
        }
    return false;
}

std::optional<std::string> CliOptions::TakeValue(const std::string& name)
{
    const std::string prefix = name + "=";
    for (auto it = commandOptions.begin(); it != commandOptions.end(); ++it)
        if (it->compare(0, prefix.size(), prefix) == 0) {
            std::string value = it->substr(prefix.size());
            commandOptions.erase(it);
            return value;
        }
    return std::nullopt;
}

bool CliContext::Start()
{
    StartupOptions startupOptions;
    startupOptions.dataFolder = options.dataFolder;
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd))
        startupOptions.currentDirectory = cwd;
    // The start-up model shows its one failure message through the console host.
    if (!startup.Run(startupOptions))
        return false;
    SetOrvApplicationFlag(startup.Vendor().orvApplication != 0);
    return true;
}

bool CliContext::NoUnknownOptions()
{
    if (options.commandOptions.empty())
        return true;
    std::cerr << "kestrel-cli " << options.command << ": unknown option " << options.commandOptions.front() << '\n';
    return false;
}
