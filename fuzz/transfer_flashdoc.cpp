// Fuzz target for description files: any bytes give four values, each within its bound and
// without leading or trailing blanks.
#include "transfer/firmware/FlashDocFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FlashDocInfo info = FlashDocFile::Parse({ data, size });
    for (const std::string* value : { &info.description, &info.product, &info.revision, &info.date }) {
        if (value->size() > FlashDocFile::kMaxValueBytes)
            std::abort();
        if (!value->empty() && (value->front() == ' ' || value->back() == ' '))
            std::abort();
    }
    return 0;
}
