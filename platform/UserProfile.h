// The per-user initialization profile: a small ini file of the user's own, apart from the
// settings store, that holds switches an administrator sets per user (such as
// "AdvancedUserPrivileges" in section "Settings").
//
// It is $XDG_CONFIG_HOME/kestrel/profile.ini (~/.config/kestrel/profile.ini), or the file
// named by KESTREL_USER_PROFILE.
#pragma once

#include <string>

class UserProfile {
public:
    static std::string Path();
    static int GetInt(const std::string& section, const std::string& key, int defaultValue);
    static std::string GetString(const std::string& section, const std::string& key, const std::string& defaultValue);
};
