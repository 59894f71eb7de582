#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <vector>

namespace {

std::string ParentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void SetError(std::string* error, const std::string& what)
{
    if (error)
        *error = what + ": " + std::strerror(errno);
}

} // namespace

bool MakeFolders(const std::string& path)
{
    if (path.empty())
        return false;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const std::string parent = ParentOf(path);
    if (parent != path && !MakeFolders(parent))
        return false;
    if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST)
        return true;
    return false;
}

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error)
{
    const std::string folder = ParentOf(path);
    if (!MakeFolders(folder)) {
        SetError(error, "cannot create folder " + folder);
        return false;
    }
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        SetError(error, "cannot create a temporary file beside " + path);
        return false;
    }
    const std::string tempPath(name.data());
    // mkstemp makes the file private; hives and documents are ordinary user files.
    ::fchmod(fd, 0644);
    bool ok = WriteAll(fd, content.data(), content.size());
    if (!ok)
        SetError(error, "cannot write " + tempPath);
    if (ok && ::fsync(fd) != 0) {
        SetError(error, "cannot flush " + tempPath);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        SetError(error, "cannot close " + tempPath);
        ok = false;
    }
    if (ok && ::rename(tempPath.c_str(), path.c_str()) != 0) {
        SetError(error, "cannot replace " + path);
        ok = false;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& content, std::size_t limit)
{
    content.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    char buffer[8192];
    while (in) {
        in.read(buffer, sizeof buffer);
        const auto got = static_cast<std::size_t>(in.gcount());
        if (content.size() + got > limit) {
            content.clear();
            return false;
        }
        content.append(buffer, got);
    }
    return !in.bad();
}
