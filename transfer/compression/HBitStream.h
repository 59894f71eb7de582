// Bit-level writer and reader shared by the LZSS and adaptive Huffman coders.
//
// Readers' firmware expects the most significant bit of each byte first, values of n
// bits from their highest bit down, and the final byte padded with zero bits. The reader
// side is the untrusted one: it reports running out of input instead of inventing bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class HBitWriter {
public:
    explicit HBitWriter(std::vector<uint8_t>& out) : m_out(out) {}

    void PutBit(unsigned bit)
    {
        if (bit)
            m_accumulator |= m_mask;
        m_mask >>= 1;
        if (m_mask == 0)
            Emit();
    }

    // Writes the low `count` bits of `value` (count <= 32), highest first.
    void PutBits(uint32_t value, unsigned count)
    {
        for (unsigned i = count; i-- > 0;)
            PutBit((value >> i) & 1u);
    }

    // Pads the last partial byte with zero bits.
    void Flush()
    {
        if (m_mask != 0x80)
            Emit();
    }

private:
    void Emit()
    {
        m_out.push_back(m_accumulator);
        m_accumulator = 0;
        m_mask = 0x80;
    }

    std::vector<uint8_t>& m_out;
    uint8_t m_accumulator = 0;
    uint8_t m_mask = 0x80;
};

class HBitReader {
public:
    explicit HBitReader(std::span<const uint8_t> in) : m_in(in) {}

    // False once the input is exhausted; `bit` is then left untouched.
    bool GetBit(unsigned& bit)
    {
        if (m_byte >= m_in.size())
            return false;
        bit = (m_in[m_byte] & m_mask) ? 1u : 0u;
        m_mask >>= 1;
        if (m_mask == 0) {
            m_mask = 0x80;
            ++m_byte;
        }
        return true;
    }

    bool GetBits(unsigned count, uint32_t& value)
    {
        uint32_t result = 0;
        for (unsigned i = 0; i < count; ++i) {
            unsigned bit = 0;
            if (!GetBit(bit))
                return false;
            result = (result << 1) | bit;
        }
        value = result;
        return true;
    }

private:
    std::span<const uint8_t> m_in;
    std::size_t m_byte = 0;
    uint8_t m_mask = 0x80;
};

// Both bit-stream modes start with little-endian 32-bit fields.
inline void HPutLittleEndian32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline uint32_t HGetLittleEndian32(std::span<const uint8_t> in, std::size_t offset)
{
    return static_cast<uint32_t>(in[offset]) | static_cast<uint32_t>(in[offset + 1]) << 8 |
           static_cast<uint32_t>(in[offset + 2]) << 16 | static_cast<uint32_t>(in[offset + 3]) << 24;
}
