// ElementRow: one scanline of a linear symbol as element widths, and the bitmap made from it.
//
// Both encoders describe their symbol as a run of elements, alternately space and bar,
// beginning with the leading quiet zone. Drawing from widths rather than from one byte per
// pixel keeps the work independent of the pixel size: a Code 39 symbol with very wide
// elements needs no pixel row at all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/MovableMemory.h"

namespace stripe32 {

class ElementRow {
public:
    // Enough for the largest symbols the encoders accept: Code 128 with 300 symbol
    // characters of 6 elements, the 7-element stop and two quiet zones (1809); Code 39 with
    // 99 characters of 9 elements and a gap (992), and its quiet zones.
    static constexpr std::size_t kCapacity = 1816;

    // Appends an element; one of the colour of the last element lengthens it instead.
    // Returns false (and remembers the failure) when the row is full.
    bool Append(bool bar, std::uint32_t width);
    // Appends bar/space widths starting with a bar, given as decimal digits ("211214").
    bool AppendPattern(std::string_view widths, std::uint32_t unit);

    bool Overflowed() const { return m_overflowed; }
    std::size_t Count() const { return m_count; }
    std::uint32_t Width(std::size_t i) const { return m_widths[i]; }
    // Element i is a bar when i is odd: element 0 is the leading quiet zone.
    static bool IsBar(std::size_t i) { return (i & 1) != 0; }
    std::uint64_t TotalWidth() const;

private:
    std::array<std::uint32_t, kCapacity> m_widths {};
    std::size_t m_count = 0;
    bool m_overflowed = false;
};

// Makes the result bitmap of the encoders: every element is `repeat` pixels per unit of
// width, each scanline is padded with white to 16 bits, and rows * repeat identical
// scanlines are written. The block is returned locked once, with its pointer in *bits and
// the width in pixels in *width. Returns nullptr (and clears the outputs) when the geometry
// is out of range or memory runs out.
HGLOBAL BuildLinearBitmap(const ElementRow& row, std::uint32_t repeat, std::uint32_t rows,
    std::int32_t* width, unsigned char** bits);

// Clears the outputs of a refused call.
void ClearOutputs(std::int32_t* width, unsigned char** bits);

} // namespace stripe32
