// Modes 6 and 7: zlib streams (deflate level 9, 15-bit window, memory level 8), with the
// default strategy or Huffman coding only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class HDeflateCodec {
public:
    static bool Compress(std::span<const uint8_t> input, bool huffmanOnly, std::vector<uint8_t>& output);
    // Output starts at `expectedLength` (when known) and grows up to `maximum`; bytes after
    // the end of the zlib stream are ignored.
    static bool Decompress(std::span<const uint8_t> input, std::size_t maximum, std::size_t expectedLength,
                           std::vector<uint8_t>& output);
};
