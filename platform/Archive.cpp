#include "platform/Archive.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// String length prefixes. A single byte carries lengths below this marker; the marker says a
// 16-bit length follows, and the 16-bit value kLongLength says a 32-bit length follows.
constexpr std::uint8_t kWideLength = 0xFF;
constexpr std::uint16_t kLongLength = 0xFFFF;
// Largest length written in the 16-bit form. 0xFFFE is left unused by the writer; the reader
// still takes it as a plain length, since nothing else could be meant by it.
constexpr std::size_t kMaxWordLength = 0xFFFD;

std::string ErrnoText(const char* what, const std::string& path)
{
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

} // namespace

void CArchiveWriter::WriteInt32(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

void CArchiveWriter::WriteByte(std::uint8_t value)
{
    m_bytes.push_back(static_cast<char>(value));
}

void CArchiveWriter::WriteString(std::string_view text)
{
    const std::size_t length = text.size();
    if (length < kWideLength) {
        WriteByte(static_cast<std::uint8_t>(length));
    } else if (length <= kMaxWordLength) {
        WriteByte(kWideLength);
        WriteByte(static_cast<std::uint8_t>(length & 0xFF));
        WriteByte(static_cast<std::uint8_t>(length >> 8));
    } else {
        if (length > std::numeric_limits<std::uint32_t>::max())
            throw ArchiveError("String too long to store");
        WriteByte(kWideLength);
        WriteByte(kLongLength & 0xFF);
        WriteByte(kLongLength >> 8);
        WriteInt32(static_cast<std::int32_t>(static_cast<std::uint32_t>(length)));
    }
    m_bytes.append(text);
}

void CArchiveWriter::WriteCount(std::size_t count)
{
    if (count > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ArchiveError("List too long to store");
    WriteInt32(static_cast<std::int32_t>(count));
}

void CArchiveWriter::WriteStringList(const std::vector<std::string>& items)
{
    WriteCount(items.size());
    for (const std::string& item : items)
        WriteString(item);
}

void CArchiveReader::Need(std::size_t count, const char* what) const
{
    if (count > Remaining()) throw ArchiveError(std::string("The file ends early (reading ") + what + ")");
}

std::int32_t CArchiveReader::ReadInt32()
{
    Need(4, "a number");
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_bytes[m_position + i])) << (8 * i);
    m_position += 4;
    return static_cast<std::int32_t>(bits);
}

std::uint8_t CArchiveReader::ReadByte()
{
    Need(1, "a byte");
    return static_cast<std::uint8_t>(m_bytes[m_position++]);
}

std::string CArchiveReader::ReadString()
{
    std::size_t length = ReadByte();
    if (length == kWideLength) {
        Need(2, "a string length");
        length = static_cast<unsigned char>(m_bytes[m_position])
            | (static_cast<std::size_t>(static_cast<unsigned char>(m_bytes[m_position + 1])) << 8);
        m_position += 2;
        if (length == kLongLength) length = static_cast<std::uint32_t>(ReadInt32());
    }
    // Checked before anything is allocated: a damaged length must not ask for gigabytes.
    Need(length, "a text");
    std::string text(m_bytes.substr(m_position, length));
    m_position += length;
    return text;
}

std::size_t CArchiveReader::ReadCount(std::size_t minItemBytes)
{
    const std::int32_t count = ReadInt32();
    if (count < 0) throw ArchiveError("The file is damaged (negative list length)");
    const std::size_t perItem = minItemBytes == 0 ? 1 : minItemBytes;
    if (static_cast<std::size_t>(count) > Remaining() / perItem)
        throw ArchiveError("The file is damaged (list longer than the file)");
    return static_cast<std::size_t>(count);
}

std::vector<std::string> CArchiveReader::ReadStringList()
{
    // A stored string takes at least its one-byte length.
    const std::size_t count = ReadCount(1);
    std::vector<std::string> items;
    items.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        items.push_back(ReadString());
    return items;
}

bool CArchiveReader::LoadFile(
    const std::string& path, std::string& bytes, std::string* error, std::size_t maxBytes)
{
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(ErrnoText("Cannot open", path));
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const std::string why = ErrnoText("Cannot read", path);
            ::close(fd);
            return fail(why);
        }
        if (n == 0) break;
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            return fail("The file " + path + " is too large");
        }
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    bytes = std::move(data);
    return true;
}
