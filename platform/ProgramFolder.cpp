#include "platform/ProgramFolder.h"

#include "platform/IniFile.h"
#include "platform/SettingsStore.h"

#include <unistd.h>

#include <array>
#include <filesystem>

namespace {

bool HoldsDataFiles(const std::string& folder)
{
    return !folder.empty() && IniFile::Exists(folder + "/TabFile.Dat");
}

} // namespace

std::string ProgramFolder::ExecutableFolder()
{
    std::array<char, 4096> buffer {};
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0)
        return {};
    const std::string path(buffer.data(), static_cast<std::size_t>(length));
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool ProgramFolder::LookupAppPath(const SettingsStore& store, const std::string& applicationPath, std::string& folder)
{
    // An explicit registration wins, as it would for any installed program.
    std::string registered;
    if (store.ReadString(Hive::LocalMachine, std::string(kAppPathsKey) + applicationPath, "Path", registered)
        && !registered.empty()) {
        folder = registered;
        return true;
    }

    const std::string exeFolder = ExecutableFolder();
    if (!exeFolder.empty() && HoldsDataFiles(exeFolder + "/../share/kestrel")) {
        // Without the "bin/.." detour, so messages name the folder the way a user would.
        std::error_code error;
        const std::filesystem::path data = std::filesystem::canonical(exeFolder + "/../share/kestrel", error);
        folder = error ? exeFolder + "/../share/kestrel" : data.string();
        return true;
    }
#ifdef KESTREL_SOURCE_DATA_DIR
    if (HoldsDataFiles(KESTREL_SOURCE_DATA_DIR)) {
        folder = KESTREL_SOURCE_DATA_DIR;
        return true;
    }
#endif
#ifdef KESTREL_INSTALLED_DATA_DIR
    if (HoldsDataFiles(KESTREL_INSTALLED_DATA_DIR)) {
        folder = KESTREL_INSTALLED_DATA_DIR;
        return true;
    }
#endif
    return false;
}

std::string ProgramFolder::WithSeparator(const std::string& folder)
{
    if (folder.empty() || folder.back() == '/')
        return folder;
    return folder + '/';
}
