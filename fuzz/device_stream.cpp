// Fuzz target for the stored device object of a document: any bytes must read as a device or
// be refused with ArchiveError, never crash, allocate beyond what the stream holds or loop.
// A device that did read must store and read back to the same bytes.
#include "device/CDevice.h"
#include "platform/Archive.h"

#include <cstdlib>
#include <string>

namespace {

void ReadOne(const std::string& bytes)
{
    CDevice device;
    bool read = false;
    try {
        CArchiveReader reader(bytes);
        read = device.Read(reader);
    } catch (const ArchiveError&) {
        return;
    }
    if (!read)
        return;
    CArchiveWriter first;
    device.Write(first);
    CDevice again;
    CArchiveReader reader(first.Bytes());
    if (!again.Read(reader)) // a stream we wrote ourselves must read (ArchiveError would escape)
        std::abort();
    CArchiveWriter second;
    again.Write(second);
    if (second.Bytes() != first.Bytes())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ReadOne(bytes);
    // Most random inputs stop at the format number; try them once more behind a valid one.
    ReadOne(std::string("\x20\0\0\0", 4) + bytes);
    return 0;
}
