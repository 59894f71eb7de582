// Fuzz target for the LZSS decoder of HModem mode 1: any bytes as a stream must decode or
// be refused without touching memory outside the buffers; and any bytes as data must
// survive a round trip unchanged.
#include "transfer/compression/HLzss.h"

#include <cstdlib>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> input(data, size);
    constexpr std::size_t kMaximum = 1u << 20;

    std::vector<uint8_t> decoded;
    if (HLzss::Decompress(input, kMaximum, decoded) && decoded.size() > kMaximum)
        std::abort();

    std::vector<uint8_t> packed;
    if (!HLzss::Compress(input, packed))
        std::abort();
    std::vector<uint8_t> restored;
    if (!HLzss::Decompress(packed, size, restored) || restored != std::vector<uint8_t>(input.begin(), input.end()))
        std::abort();
    return 0;
}
