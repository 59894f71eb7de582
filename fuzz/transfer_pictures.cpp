// Fuzz target for the picture forms: any bytes as any form (KIM, the TIFF kinds through
// libtiff, packed bits, raw, JPEG, run code, BMP either way up, zlib rows) with any window
// decode or fail cleanly, and a decoded picture never has a side beyond 4096.
#include "transfer/image/HImageFormats.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    const int format = data[0] % HImageFormats::kFormatCount;
    HTAG window("IMGSHP");
    window.SetInt("R", data[1] | (data[2] & 7) << 8);
    window.SetInt("B", data[3] | (data[4] & 7) << 8);
    window.SetInt("S", 1 + data[5] % 10);
    HIMAGE image;
    std::string error;
    const int code = HImageFormats::Decode(format, data + 6, size - 6, window, image, error);
    if (code == 1 && (image.width > HIMAGE::kMaxSide || image.height > HIMAGE::kMaxSide
                      || image.pixels.size() != size_t(image.width) * size_t(image.height)))
        std::abort();
    HPICTURE_INFO info;
    HIMAGE other;
    HImageFormats::DecodePng(data, size, other, info);
    HImageFormats::DecodeTiff(data, size, other, info);
    HImageFormats::DecodeBmp(data, size, other);
    return 0;
}
