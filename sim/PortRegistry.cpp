#include "sim/PortRegistry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Creates the registry's folder (private to the user) and its missing parents. The folder
// itself must be a real directory, not a link, and ours unless it is a sticky shared one such
// as /tmp: under a shared /tmp, a folder planted by someone else would let them steer our
// writes. The file itself is opened without following links.
bool EnsureFolder(const std::string& folder, bool isRegistryFolder, std::string& error)
{
    if (folder.empty())
        return true;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) == 0) {
        if (!isRegistryFolder) {
            struct stat target {};
            if (::stat(folder.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) {
                error = folder + " is not a folder";
                return false;
            }
            return true;
        }
        if (!S_ISDIR(info.st_mode) || (info.st_uid != ::getuid() && !(info.st_mode & S_ISVTX))) {
            error = folder + " is not a folder of this user";
            return false;
        }
        return true;
    }
    const size_t slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0 && !EnsureFolder(folder.substr(0, slash), false, error))
        return false;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = folder + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    ::lseek(fd, 0, SEEK_SET);
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < (1u << 20))
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

// Rewrites the file under an exclusive lock: keep = every live entry except `drop`, plus `add`.
bool Rewrite(const std::string& registry, const std::string& add, const std::string& drop, std::string& error)
{
    if (add.empty() && ::access(registry.c_str(), F_OK) != 0)
        return true;  // nothing to remove from a file that is not there
    if (!add.empty() && !EnsureFolder(FolderOf(registry), true, error))
        return false;
    const int fd = ::open(registry.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = registry + ": " + std::strerror(errno);
        return false;
    }
    ::flock(fd, LOCK_EX);
    std::string text;
    for (const std::string& line : SplitLines(ReadAll(fd))) {
        if (line == drop || line == add || ::access(line.c_str(), F_OK) != 0)
            continue;
        text += line + "\n";
    }
    if (!add.empty())
        text += add + "\n";
    bool ok = ::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
    if (!ok)
        error = registry + ": " + std::strerror(errno);
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return ok;
}

}  // namespace

std::string PortRegistry::DefaultPath()
{
    if (const char* path = std::getenv("KESTREL_PORT_REGISTRY"); path != nullptr && *path != '\0')
        return path;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0')
        return std::string(runtime) + "/kestrel/ports";
    return "/tmp/kestrel-" + std::to_string(::getuid()) + "/ports";
}

bool PortRegistry::Add(const std::string& registry, const std::string& devicePath, std::string& error)
{
    return Rewrite(registry, devicePath, {}, error);
}

bool PortRegistry::Remove(const std::string& registry, const std::string& devicePath)
{
    std::string error;
    return Rewrite(registry, {}, devicePath, error);
}

std::vector<std::string> PortRegistry::Read(const std::string& registry)
{
    const int fd = ::open(registry.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    ::flock(fd, LOCK_SH);
    std::vector<std::string> lines = SplitLines(ReadAll(fd));
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return lines;
}
