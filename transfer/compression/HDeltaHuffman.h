// Mode 2: vertical delta followed by adaptive Huffman coding, made for pictures whose rows
// resemble the row above.
//
// Stream: u32 LE uncompressed length, u32 LE row width, then the MSB-first Huffman bit
// stream of the delta bytes, closed by the end-of-stream code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class HDeltaHuffman {
public:
    static bool Compress(std::span<const uint8_t> input, uint32_t rowWidth, std::vector<uint8_t>& output);
    // False for a truncated or inconsistent stream, a row width of 0, or a declared length
    // above `maximum`.
    static bool Decompress(std::span<const uint8_t> input, std::size_t maximum, std::vector<uint8_t>& output);

    // Every byte from `rowWidth` on loses the original byte one row up (modulo 256), and back.
    static void ApplyDelta(std::span<uint8_t> data, uint32_t rowWidth);
    static void RemoveDelta(std::span<uint8_t> data, uint32_t rowWidth);
};
