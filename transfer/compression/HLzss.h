// Mode 1: LZSS over a 4096-byte window with a binary search tree for the longest match.
//
// Stream: u32 LE uncompressed length, then MSB-first tokens:
//   1 + 8-bit byte                               a literal
//   0 + 12-bit window position + 4-bit (len-2)    a copy of 2..17 bytes from the window
//   0 + 12-bit position 0                         end of stream
// The window starts as zeros and coding starts at position 1; position 0 is never a
// match source, which is what lets it mark the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class HLzss {
public:
    static bool Compress(std::span<const uint8_t> input, std::vector<uint8_t>& output);
    // False for a truncated or inconsistent stream, or one that declares more than `maximum`.
    static bool Decompress(std::span<const uint8_t> input, std::size_t maximum, std::vector<uint8_t>& output);
};
