// ParityMarkDecoder: undoes the marks a Linux tty driver puts into the byte stream when
// parity errors are marked (PARMRK with INPCK).
//
// The driver delivers a byte that arrived with a parity error as 0xFF 0x00 x, and a real
// 0xFF as 0xFF 0xFF; everything else as it arrived. The decoder turns each mark into the
// line's error character and each doubled 0xFF into one, keeps a mark split across reads
// until its rest arrives, and holds the decoded bytes until they are taken. Callers count
// and take decoded bytes only, so a short reply is never mistaken for a whole one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class ParityMarkDecoder {
public:
    explicit ParityMarkDecoder(uint8_t errorChar = 0x1F)
        : errorChar_(errorChar)
    {
    }

    void SetErrorChar(uint8_t errorChar) { errorChar_ = errorChar; }
    // Decodes raw bytes as the driver delivered them.
    void Feed(const uint8_t* raw, size_t count);
    // Decoded bytes waiting to be taken (a mark still incomplete is not counted).
    size_t Pending() const { return decoded_.size(); }
    // Moves up to count decoded bytes to out; returns how many.
    size_t Take(uint8_t* out, size_t count);
    // Forgets everything, the incomplete mark included (a purge of the receive buffer).
    void Clear();

private:
    uint8_t errorChar_;
    std::vector<uint8_t> carry_;  // 0xFF, or 0xFF 0x00: the start of a mark
    std::deque<uint8_t> decoded_;
};
