// Any bytes as a sheet picture (PNG or PBM; PDF is left to its own library's fuzzing): read
// or refused with a message, and a picture read is as large as it says.
#include "barcode/SheetImage.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.substr(0, 5) == "%PDF-")
        return 0;
    std::vector<GrayImage> pages;
    std::string error;
    if (!DecodeSheetBytes(bytes, pages, error)) {
        if (error.empty() || !pages.empty())
            std::abort();
        return 0;
    }
    for (const GrayImage& page : pages)
        if (page.width <= 0 || page.height <= 0 || page.width > kMaxSheetSide || page.height > kMaxSheetSide
            || page.pixels.size() != static_cast<size_t>(page.width) * static_cast<size_t>(page.height))
            std::abort();
    return 0;
}
