#include "transfer/firmware/FirmwareFileReader.h"

#include "platform/TextUtil.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FirmwareFileRead ReadFirmwareFile(const std::string& path, std::vector<uint8_t>& bytes, std::size_t maxBytes)
{
    bytes.clear();
    // O_NONBLOCK so that a FIFO or a device node picked by mistake cannot block the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return FirmwareFileRead::OpenError;
    struct stat st {};
    FirmwareFileRead result = FirmwareFileRead::Ok;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > maxBytes) {
        result = FirmwareFileRead::ReadError;
    } else {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        // A file that shrank while we read it is not the file that was checked.
        if (done != bytes.size())
            result = FirmwareFileRead::ReadError;
    }
    ::close(fd);
    if (result != FirmwareFileRead::Ok)
        bytes.clear();
    return result;
}

bool HasExtensionNoCase(const std::string& path, const char* extension)
{
    const std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return dot != std::string::npos && EqualNoCase(std::string_view(name).substr(dot + 1), extension);
}

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
