// Fuzz target for the delta + adaptive Huffman decoder of HModem mode 2: any bytes as a
// stream must decode or be refused safely; any bytes as data, with a row width taken from
// the input, must survive a round trip unchanged.
#include "transfer/compression/HDeltaHuffman.h"

#include <cstdlib>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> input(data, size);
    constexpr std::size_t kMaximum = 1u << 20;

    std::vector<uint8_t> decoded;
    if (HDeltaHuffman::Decompress(input, kMaximum, decoded) && decoded.size() > kMaximum)
        std::abort();

    // Small row widths make the delta reach most of the input.
    const uint32_t rowWidth = size > 0 ? 1u + data[0] % 64u : 640u;
    std::vector<uint8_t> packed;
    if (!HDeltaHuffman::Compress(input, rowWidth, packed))
        std::abort();
    std::vector<uint8_t> restored;
    if (!HDeltaHuffman::Decompress(packed, size, restored) || restored != std::vector<uint8_t>(input.begin(), input.end()))
        std::abort();
    return 0;
}
