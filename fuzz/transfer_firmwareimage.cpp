// Fuzz target for binary firmware images: both signature types over any bytes, with a
// signature planted at the start of the input so the mask and keyword readers are reached.
#include "transfer/firmware/FirmwareImage.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FirmwareImageInfo info;
    for (auto type : { FirmwareImageType::Application, FirmwareImageType::BootCode }) {
        ParseFirmwareImage({ data, size }, type, info);
        std::vector<uint8_t> planted(24);
        std::memcpy(planted.data(), type == FirmwareImageType::Application ? "MATRIXAPP\0\0\0DEVICETYPE\0\0"
                                                                           : "MATRIXBOOT\0\0DEVICETYPE\0\0",
                    24);
        planted.insert(planted.end(), data, data + size);
        if (ParseFirmwareImage(planted, type, info) == FirmwareImageStatus::NoSignature)
            std::abort();
        if (info.mask.size() > planted.size())
            std::abort();
        info.DeviceTypes();
    }
    return 0;
}
