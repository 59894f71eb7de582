#include "platform/UserProfile.h"

#include "platform/IniFile.h"

#include <cstdlib>

std::string UserProfile::Path()
{
    if (const char* path = std::getenv("KESTREL_USER_PROFILE"); path && *path)
        return path;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        config = std::string(home) + "/.config";
    else
        config = "./.config";
    return config + "/kestrel/profile.ini";
}

int UserProfile::GetInt(const std::string& section, const std::string& key, int defaultValue)
{
    return IniFile::GetInt(Path(), section, key, defaultValue);
}

std::string UserProfile::GetString(const std::string& section, const std::string& key, const std::string& defaultValue)
{
    return IniFile::GetString(Path(), section, key, defaultValue);
}
