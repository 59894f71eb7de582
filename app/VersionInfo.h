// The program's version texts: the revision strings it carries and the two lines derived
// from them for the splash window and the About box.
#pragma once

#include <string>

namespace VersionInfo {

inline constexpr const char* kProjectRevision = "$ProjectRevision: Last Checkpoint: 4.7.1.1 $";
inline constexpr const char* kUserRevision = "User Revision: 4.2.7";

// "Version: 4.2.7"
std::string VersionLine(const std::string& userRevision = kUserRevision);
// "WIN32 Release Build 4711": the build platform word is part of the text users quote to
// support, so it stays as it always was.
std::string BuildLine(const std::string& projectRevision = kProjectRevision);

} // namespace VersionInfo
