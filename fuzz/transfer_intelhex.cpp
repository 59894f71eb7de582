// Fuzz target for the Intel hex reader: any bytes are parsed or refused, and an accepted file
// keeps records that sum to zero, lie inside the buffer and end with the end-of-file record.
#include "transfer/firmware/IntelHexFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IntelHexImage image;
    if (!ParseIntelHex({ data, size }, image))
        return 0;
    if (image.RecordCount() == 0 || image.RecordType(image.RecordCount() - 1) != HexEndOfFile)
        std::abort();
    for (std::size_t i = 0; i < image.RecordCount(); ++i) {
        const auto record = image.Record(i);
        uint8_t sum = 0;
        for (std::size_t k = 1; k < record.size(); ++k)
            sum = static_cast<uint8_t>(sum + record[k]);
        if (record[0] != ':' || sum != 0)
            std::abort();
    }
    return 0;
}
