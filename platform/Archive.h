// Archive: the byte stream that configuration documents are written to and read from.
//
// A document is one stream of primitives with no header of its own: 32-bit integers and
// single bytes, little-endian, and 8-bit strings with a length prefix in one of three
// forms (one byte below 255; 0xFF and a 16-bit length up to 65533; 0xFF, 0xFFFF and a
// 32-bit length beyond). The writer always picks the shortest form; the reader accepts
// all three.
//
// Documents come from users, so the reader trusts nothing: every read checks the bytes
// that remain, a length or count that the rest of the stream cannot hold is refused before
// anything is allocated, and every failure is one exception type, ArchiveError, which the
// document catches and reports. It is the only exception that leaves the stream layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CArchiveWriter {
public:
    void WriteInt32(std::int32_t value);
    void WriteByte(std::uint8_t value);
    void WriteString(std::string_view text);
    // A count as stored before a list: int32. Lists beyond 2^31-1 items cannot be stored.
    void WriteCount(std::size_t count);
    void WriteStringList(const std::vector<std::string>& items);

    const std::string& Bytes() const { return m_bytes; }
    std::string TakeBytes() { return std::move(m_bytes); }


private:
    std::string m_bytes;
};

class CArchiveReader {
public:
    // The reader does not copy: `bytes` must outlive it.
    explicit CArchiveReader(std::string_view bytes)
        : m_bytes(bytes)
    {
    }

    std::int32_t ReadInt32();
    std::uint8_t ReadByte();
    std::string ReadString();

    // Reads an int32 item count and checks it against what is left: a negative count, or one
    // whose items (each at least `minItemBytes` long when stored) could not fit in the rest of
    // the stream, is damage.
    std::size_t ReadCount(std::size_t minItemBytes);
    std::vector<std::string> ReadStringList();

    // "int32 count, then that many items", each read by `readItem`.
    template <typename T>
    std::vector<T> ReadList(std::size_t minItemBytes, const std::function<T(CArchiveReader&)>& readItem)
    {
        const std::size_t count = ReadCount(minItemBytes);
        std::vector<T> items;
        items.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            items.push_back(readItem(*this));
        return items;
    }

    std::size_t Remaining() const { return m_bytes.size() - m_position; }
    std::size_t Position() const { return m_position; }
    bool AtEnd() const { return Remaining() == 0; }

    // Reads a whole file for a reader. Files larger than `maxBytes` are refused (no document
    // comes anywhere near the default), so a wrong path cannot exhaust memory.
    static bool LoadFile(const std::string& path, std::string& bytes, std::string* error = nullptr,
        std::size_t maxBytes = 64u * 1024u * 1024u);

private:
    void Need(std::size_t count, const char* what) const;

    std::string_view m_bytes;
    std::size_t m_position = 0;
};
