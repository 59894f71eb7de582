// The run code of 1-bit pictures (`1bT`, format 7), shared by the program and the simulated
// reader so both sides agree on it.
//
// Pixels are taken row after row as one stream; runs alternate between white (255) and
// black (0), starting with white. Each byte is one run: n (1..255) pixels of the current
// colour, after which the colour changes. The byte 0 stands for 255 pixels after which the
// colour stays, so a run longer than 255 is written as 0 bytes and then its remainder (a run
// of exactly 255 is the byte 255, and 510 is 0, 255). An empty run cannot be written: the
// first run is white, so a picture whose first pixel is black has that one pixel sent white
// (readers frame their pictures with a light margin, so it never matters in practice).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class HRunDecoder {
public:
    HRunDecoder(std::vector<uint8_t>& pixels, size_t count) : m_Pixels(pixels), m_Count(count)
    {
        m_Pixels.clear();
        m_Pixels.reserve(count);
    }
    void Feed(uint8_t byte)
    {
        const size_t run = byte == 0 ? 255 : byte;
        for (size_t i = 0; i < run && m_Pixels.size() < m_Count; ++i)
            m_Pixels.push_back(m_White ? 255 : 0);
        if (byte != 0)
            m_White = !m_White;
    }
    bool Done() const { return m_Pixels.size() >= m_Count; }

private:
    std::vector<uint8_t>& m_Pixels;
    size_t m_Count;
    bool m_White = true;
};

// Pixels at or above `threshold` are white.
inline std::vector<uint8_t> EncodeRuns(const uint8_t* pixels, size_t count, int threshold = 128)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    bool white = true;
    while (i < count) {
        size_t run = 0;
        while (i + run < count && (pixels[i + run] >= threshold) == white)
            ++run;
        if (run == 0)
            run = 1;  // the black first pixel, sent white (see above)
        i += run;
        while (run > 255) {
            out.push_back(0);
            run -= 255;
        }
        out.push_back(static_cast<uint8_t>(run));
        white = !white;
    }
    return out;
}
