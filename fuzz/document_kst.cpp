// Fuzz target: configuration documents as a user might hand them to us. The first byte picks
// whether the input is the whole file or the part after a well-formed head (description,
// catalog entry of a known model, format number), so the device's settings, blocks and
// tables are reached too. A document that loads must save, load again and save to the same
// bytes; a damaged one must be refused without a crash or a leak.
#include "catalog/CDeviceName.h"
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "device/CDevice.h"
#include "document/CQLMenuDoc.h"
#include "platform/Archive.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool LoadDataFiles()
{
    const std::string data = KESTREL_SOURCE_DATA_DIR;
    std::string message;
    return TheDeviceCatalog().Load(data + "/QXDevFil.dat") && TheTabDefinitions().Load(data + "/", message);
}

std::string WellFormedHead()
{
    CArchiveWriter head;
    head.WriteString("fuzz");
    CDeviceName name;
    name.baseNumber = "80001005";
    name.revision = 12;
    name.productId = "3800LR";
    WriteDeviceName(head, name);
    head.WriteInt32(CDevice::kStoredFormat);
    return head.TakeBytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool loaded = LoadDataFiles();
    if (!loaded || size < 1) return 0;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) bytes = WellFormedHead() + bytes;

    CQLMenuDoc document({});
    if (!document.LoadFromBytes(bytes)) return 0;
    const std::string first = document.SaveToBytes();
    CQLMenuDoc again({});
    if (!again.LoadFromBytes(first)) std::abort(); // what we wrote ourselves must load
    const std::string second = again.SaveToBytes();
    CQLMenuDoc third({});
    if (!third.LoadFromBytes(second) || third.SaveToBytes() != second)
        std::abort(); // a saved document must be stable
    return 0;
}
