#include "app/VersionInfo.h"

namespace VersionInfo {

std::string VersionLine(const std::string& userRevision)
{
    const auto dot = userRevision.find('.');
    // The number starts one character before its first dot.
    if (dot == std::string::npos || dot == 0)
        return "Version: " + userRevision;
    return "Version: " + userRevision.substr(dot - 1);
}

std::string BuildLine(const std::string& projectRevision)
{
    std::string line = "WIN32";
    line += " Release Build";
    line += ' ';
    const auto dot = projectRevision.find('.');
    if (dot == std::string::npos || dot == 0)
        return line;
    line += projectRevision[dot - 1];
    std::string rest = projectRevision.substr(dot + 1);
    // Drop the closing " $" of the revision keyword.
    rest = rest.size() >= 2 ? rest.substr(0, rest.size() - 2) : std::string();
    for (char c : rest)
        if (c != '.')
            line += c;
    return line;
}

} // namespace VersionInfo
