// Mode 8: one raw LZO1X block, compressed with the slow best-ratio LZO1X-999 coder and then
// rewritten in place by the LZO1X optimiser (which makes the block faster to decode on the
// reader without changing its size class).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class HLzoCodec {
public:
    static bool Compress(std::span<const uint8_t> input, std::vector<uint8_t>& output);
    // Bounds-checked decoding. A block that ends before its input does is accepted (the
    // transfer pads the last block with zeros). The output never exceeds `maximum`, nor
    // `expectedLength` when that is known.
    static bool Decompress(std::span<const uint8_t> input, std::size_t maximum, std::size_t expectedLength,
                           std::vector<uint8_t>& output);
};
