#include "sim/UartFraming.h"

#include <bit>

int UartFraming::ParityBit(uint8_t value, int dataBits, char parity)
{
    const unsigned mask = (1u << dataBits) - 1u;
    const int ones = std::popcount(static_cast<unsigned>(value) & mask);
    switch (parity) {
    case 'E': return ones & 1;        // makes the count of ones even
    case 'O': return (ones & 1) ^ 1;  // makes it odd
    case 'M': return 1;
    case 'S': return 0;
    default: return 0;
    }
}

std::vector<uint8_t> UartFraming::EncodeBurst(const uint8_t* data, size_t count, const LineFormat& sender)
{
    std::vector<uint8_t> levels;
    levels.reserve(count * static_cast<size_t>(sender.FrameBits()));
    for (size_t i = 0; i < count; ++i) {
        levels.push_back(0);
        for (int bit = 0; bit < sender.dataBits; ++bit)
            levels.push_back((data[i] >> bit) & 1);
        if (sender.HasParity())
            levels.push_back(static_cast<uint8_t>(ParityBit(data[i], sender.dataBits, sender.parity)));
        for (int bit = 0; bit < sender.stopBits; ++bit)
            levels.push_back(1);
    }
    return levels;
}

std::vector<SampledByte> UartFraming::SampleBurst(const std::vector<uint8_t>& levels, const LineFormat& receiver)
{
    // Beyond the burst the line is idle (high).
    auto level = [&levels](size_t index) -> int { return index < levels.size() ? levels[index] : 1; };

    std::vector<SampledByte> bytes;
    size_t pos = 0;
    while (pos < levels.size()) {
        if (levels[pos] != 0) {  // idle or a stop bit: keep hunting for a start bit
            ++pos;
            continue;
        }
        SampledByte sampled;
        size_t bit = pos + 1;
        unsigned value = 0;
        for (int i = 0; i < receiver.dataBits; ++i, ++bit)
            value |= static_cast<unsigned>(level(bit)) << i;
        sampled.value = static_cast<uint8_t>(value);
        if (receiver.HasParity()) {
            sampled.parityError = level(bit) != ParityBit(sampled.value, receiver.dataBits, receiver.parity);
            ++bit;
        }
        // Only the first stop bit is checked; a second one is the sender's business.
        sampled.framingError = level(bit) != 1;
        ++bit;
        sampled.endBit = bit;
        bytes.push_back(sampled);
        pos = bit;
    }
    return bytes;
}

std::vector<SampledByte> UartFraming::Transfer(const uint8_t* data, size_t count, const LineFormat& sender,
                                               const LineFormat& receiver)
{
    if (sender.rate != receiver.rate || count == 0)
        return {};
    return SampleBurst(EncodeBurst(data, count, sender), receiver);
}
