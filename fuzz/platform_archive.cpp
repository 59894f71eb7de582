// Fuzz target: the document stream reader on arbitrary bytes. The first bytes choose which
// primitives to read; whatever reads cleanly must write back to the same bytes' meaning.
#include "platform/Archive.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const std::size_t programLength = std::min<std::size_t>(data[0] % 16 + 1, size - 1);
    const std::string_view program(reinterpret_cast<const char*>(data) + 1, programLength);
    const std::string_view stream(
        reinterpret_cast<const char*>(data) + 1 + programLength, size - 1 - programLength);

    CArchiveReader reader(stream);
    CArchiveWriter echo;
    try {
        for (const char op : program) {
            switch (static_cast<unsigned char>(op) % 5) {
            case 0:
                echo.WriteInt32(reader.ReadInt32());
                break;
            case 1:
                echo.WriteByte(reader.ReadByte());
                break;
            case 2:
                echo.WriteString(reader.ReadString());
                break;
            case 3:
                echo.WriteStringList(reader.ReadStringList());
                break;
            default: {
                const std::size_t itemBytes = static_cast<unsigned char>(op) / 5 % 9;
                const std::size_t count = reader.ReadCount(itemBytes);
                if (count * (itemBytes == 0 ? 1 : itemBytes) > reader.Remaining())
                    std::abort(); // a count the stream cannot hold was accepted
                echo.WriteCount(count);
                break;
            }
            }
        }
    } catch (const ArchiveError&) {
        return 0;
    }
    // What was read, written again in the shortest forms, reads back the same.
    CArchiveReader again(echo.Bytes());
    CArchiveWriter second;
    for (const char op : program) {
        switch (static_cast<unsigned char>(op) % 5) {
        case 0:
            second.WriteInt32(again.ReadInt32());
            break;
        case 1:
            second.WriteByte(again.ReadByte());
            break;
        case 2:
            second.WriteString(again.ReadString());
            break;
        case 3:
            second.WriteStringList(again.ReadStringList());
            break;
        default:
            second.WriteInt32(again.ReadInt32());
            break; // the echo holds the count alone
        }
    }
    if (second.Bytes() != echo.Bytes() || !again.AtEnd()) std::abort();
    return 0;
}
