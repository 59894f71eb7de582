// Fuzz target for KIM files: any bytes expand or are refused with one of the two texts,
// never allocating beyond the largest valid picture; a picture that expands is written
// again and reads back to the same pixels.
#include "transfer/image/CKim.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CKim kim;
    kim.SetBytes(std::vector<uint8_t>(data, data + size));
    HIMAGE image;
    std::string error;
    if (!kim.Expand(image, error)) {
        if (error != CKim::kCorruptHeader && error != CKim::kCorruptFile)
            std::abort();
        return 0;
    }
    if (!image.Valid())
        std::abort();
    CKim again;
    again.SetBytes(CKim::Encode(image));
    HIMAGE back;
    if (!again.Expand(back, error) || back.pixels != image.pixels)
        std::abort();
    return 0;
}
