// The framing of one side of a serial line: rate, parity, data bits, stop bits.
//
// A reader has one line format; the host chooses its own. The simulator keeps both so that
// a byte sent with one format can be received as the other side samples it.
#pragma once

#include <cstdint>
#include <string>

struct LineFormat {
    uint32_t rate = 9600;
    char parity = 'N';  // 'N', 'O', 'E', 'M' (mark) or 'S' (space)
    int dataBits = 8;   // 7 or 8
    int stopBits = 1;   // 1 or 2

    bool HasParity() const { return parity != 'N'; }
    // Start bit, data bits, parity bit when there is one, stop bits.
    int FrameBits() const { return 1 + dataBits + (HasParity() ? 1 : 0) + stopBits; }
    // The time one frame occupies on the line, in microseconds.
    uint64_t FrameMicros() const { return rate == 0 ? 0 : uint64_t(FrameBits()) * 1000000u / rate; }

    // "9600 7E1".
    std::string Text() const;
    // Parses "9600 7E1" (rate, then data bits, parity letter and stop bits in one word).
    static bool Parse(const std::string& text, LineFormat& out, std::string& error);
    static bool ValidParity(char parity);

    bool operator==(const LineFormat&) const = default;
};
