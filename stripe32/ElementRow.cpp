// ElementRow: element widths of a linear symbol, and the movable-block bitmap made from them.
#include "stripe32/ElementRow.h"

#include <cstring>
#include <limits>

#include "stripe32/stripe32.h"

namespace stripe32 {

bool ElementRow::Append(bool bar, std::uint32_t width)
{
    if (m_overflowed) return false;
    if (m_count > 0 && IsBar(m_count - 1) == bar) {
        if (width > std::numeric_limits<std::uint32_t>::max() - m_widths[m_count - 1]) {
            m_overflowed = true;
            return false;
        }
        m_widths[m_count - 1] += width;
        return true;
    }
    // The first element is always the leading space; a row that would start with a bar
    // gets an empty space in front so that the parity of the index stays the colour.
    if (m_count == 0 && bar) {
        m_widths[m_count++] = 0;
    }
    if (m_count >= kCapacity) {
        m_overflowed = true;
        return false;
    }
    m_widths[m_count++] = width;
    return true;
}

bool ElementRow::AppendPattern(std::string_view widths, std::uint32_t unit)
{
    bool bar = true;
    for (char digit : widths) {
        if (!Append(bar, static_cast<std::uint32_t>(digit - '0') * unit)) return false;
        bar = !bar;
    }
    return true;
}

std::uint64_t ElementRow::TotalWidth() const
{
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < m_count; ++i)
        total += m_widths[i];
    return total;
}

void ClearOutputs(std::int32_t* width, unsigned char** bits)
{
    if (width != nullptr) *width = 0;
    if (bits != nullptr) *bits = nullptr;
}

namespace {

    // Paints pixels [first, first + count) of a scanline black (0 bits); the scanline starts
    // all white.
    void PaintBar(unsigned char* line, std::uint64_t first, std::uint64_t count)
    {
        while (count > 0 && (first & 7) != 0) {
            line[first >> 3] &= static_cast<unsigned char>(~(0x80u >> (first & 7)));
            ++first;
            --count;
        }
        if (count >= 8) {
            std::memset(line + (first >> 3), 0, static_cast<std::size_t>(count >> 3));
            first += count & ~std::uint64_t { 7 };
            count &= 7;
        }
        while (count > 0) {
            line[first >> 3] &= static_cast<unsigned char>(~(0x80u >> (first & 7)));
            ++first;
            --count;
        }
    }

} // namespace

HGLOBAL BuildLinearBitmap(const ElementRow& row, std::uint32_t repeat, std::uint32_t rows,
    std::int32_t* width, unsigned char** bits)
{
    ClearOutputs(width, bits);
    if (row.Overflowed() || repeat == 0 || rows == 0) return nullptr;

    // Widths are at most 1816 elements of 32 bits and repeat is 32 bits, so none of the
    // products below can overflow 64 bits before the range checks stop them.
    const std::uint64_t pixels = row.TotalWidth() * repeat;
    if (pixels == 0 || pixels > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return nullptr;
    const std::uint64_t stride = (pixels + 15) / 16 * 2;
    const std::uint64_t scanlines = std::uint64_t { rows } * repeat;
    if (stride > STRIPE32_MAX_BITMAP_BYTES || scanlines > STRIPE32_MAX_BITMAP_BYTES / stride) return nullptr;
    const std::size_t bytes = static_cast<std::size_t>(stride * scanlines);

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (block == nullptr) return nullptr;
    auto* memory = static_cast<unsigned char*>(GlobalLock(block));
    if (memory == nullptr) {
        GlobalFree(block);
        return nullptr;
    }

    // The first scanline is drawn; the others are copies of it. White (1 bits) everywhere,
    // the padding up to 16 bits included, then the bars painted black.
    std::memset(memory, 0xFF, static_cast<std::size_t>(stride));
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < row.Count(); ++i) {
        const std::uint64_t w = std::uint64_t { row.Width(i) } * repeat;
        if (ElementRow::IsBar(i)) PaintBar(memory, x, w);
        x += w;
    }
    for (std::uint64_t line = 1; line < scanlines; ++line)
        std::memcpy(memory + line * stride, memory, static_cast<std::size_t>(stride));

    // Handed over locked exactly once, as the caller unlocks once before freeing.
    GlobalUnlock(block);
    memory = static_cast<unsigned char*>(GlobalLock(block));
    if (width != nullptr) *width = static_cast<std::int32_t>(pixels);
    if (bits != nullptr) *bits = memory;
    return block;
}

} // namespace stripe32
