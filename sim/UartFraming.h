// Bit-level model of an asynchronous serial line.
//
// A sender drives each byte as a frame: a start bit (0), the data bits least significant
// first, the parity bit when its format has one, and its stop bits (1); between bursts the
// line idles high. A receiver hunts for the falling edge of a start bit and then samples as
// many bits as *its own* format says, checking only the first stop bit, as UARTs do. When
// the two formats differ the receiver sees something other than what was sent: a reader at
// 7E1 answering ACK NAK to a host at 8N1 delivers 0x06 0x95 (the parity bit lands in bit 7).
// Probing readers relies on exactly that, so the simulator reproduces it bit for bit.
#pragma once

#include "sim/LineFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct SampledByte {
    uint8_t value = 0;
    bool parityError = false;
    bool framingError = false;  // the stop bit was sampled low
    size_t endBit = 0;          // bit index (from the burst start) just after the sampled stop bit
};

class UartFraming {
public:
    // The parity bit the sender puts after the data bits of value (only the low dataBits count).
    static int ParityBit(uint8_t value, int dataBits, char parity);

    // The levels (0 or 1) the sender drives for one burst of back-to-back frames.
    static std::vector<uint8_t> EncodeBurst(const uint8_t* data, size_t count, const LineFormat& sender);

    // What a receiver with the given format makes of a burst. After the burst the line idles
    // high, so a frame that runs past the end is completed with ones.
    static std::vector<SampledByte> SampleBurst(const std::vector<uint8_t>& levels, const LineFormat& receiver);

    // Both steps. Different rates deliver nothing: at the wrong speed a receiver sees noise
    // at best, and a reader does not answer noise.
    static std::vector<SampledByte> Transfer(const uint8_t* data, size_t count, const LineFormat& sender,
                                             const LineFormat& receiver);
};
