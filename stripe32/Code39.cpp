// Full ASCII Code 39 encoder (qxCode39Encode): every byte 0-127 as one or two characters of
// the 43-character alphabet, with an optional modulo 43 check character and optional "*"
// start/stop characters.
#include <array>
#include <cstdint>
#include <string_view>

#include "stripe32/ElementRow.h"
#include "stripe32/stripe32.h"

namespace stripe32 {
namespace {

    // The alphabet; a character's value is its position. The start/stop character "*" has
    // no value and follows the alphabet in the pattern table.
    constexpr std::string_view kAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
    constexpr std::size_t kStartStopIndex = 43;

    // Bar/space elements of each alphabet character and of "*", bar first, n = narrow,
    // w = wide (ISO/IEC 16388 Table 1).
    // clang-format off
    constexpr std::array<std::string_view, 44> kPatterns = {
        /*  0 '0' */ "nnnwwnwnn", "wnnwnnnnw", "nnwwnnnnw", "wnwwnnnnn", "nnnwwnnnw",
        /*  5 '5' */ "wnnwwnnnn", "nnwwwnnnn", "nnnwnnwnw", "wnnwnnwnn", "nnwwnnwnn",
        /* 10 'A' */ "wnnnnwnnw", "nnwnnwnnw", "wnwnnwnnn", "nnnnwwnnw", "wnnnwwnnn",
        /* 15 'F' */ "nnwnwwnnn", "nnnnnwwnw", "wnnnnwwnn", "nnwnnwwnn", "nnnnwwwnn",
        /* 20 'K' */ "wnnnnnnww", "nnwnnnnww", "wnwnnnnwn", "nnnnwnnww", "wnnnwnnwn",
        /* 25 'P' */ "nnwnwnnwn", "nnnnnnwww", "wnnnnnwwn", "nnwnnnwwn", "nnnnwnwwn",
        /* 30 'U' */ "wwnnnnnnw", "nwwnnnnnw", "wwwnnnnnn", "nwnnwnnnw", "wwnnwnnnn",
        /* 35 'Z' */ "nwwnwnnnn", "nwnnnnwnw", "wwnnnnwnn", "nwwnnnwnn", "nwnwnwnnn",
        /* 40 '/' */ "nwnwnnnwn", "nwnnnwnwn", "nnnwnwnwn",
        /* 43 '*' */ "nwnnwnwnn",
    };
    // clang-format on

    constexpr bool PatternsAreWellFormed()
    {
        for (std::size_t i = 0; i < kPatterns.size(); ++i) {
            int wide = 0;
            for (char element : kPatterns[i]) {
                if (element != 'n' && element != 'w') return false;
                wide += element == 'w';
            }
            if (kPatterns[i].size() != 9 || wide != 3) return false;
            for (std::size_t other = 0; other < i; ++other) {
                if (kPatterns[other] == kPatterns[i]) return false;
            }
        }
        return true;
    }
    static_assert(kAlphabet.size() == 43 && kPatterns.size() == kAlphabet.size() + 1,
        "one pattern per alphabet character and the start/stop character");
    static_assert(PatternsAreWellFormed(), "a Code 39 pattern is mistyped");

    // Full ASCII Code 39: the alphabet characters standing for each byte 0-127.
    // clang-format off
    constexpr std::array<std::string_view, 128> kFullAscii = {
        /*   0 */ "%U", "$A", "$B", "$C", "$D", "$E", "$F", "$G",
        /*   8 */ "$H", "$I", "$J", "$K", "$L", "$M", "$N", "$O",
        /*  16 */ "$P", "$Q", "$R", "$S", "$T", "$U", "$V", "$W",
        /*  24 */ "$X", "$Y", "$Z", "%A", "%B", "%C", "%D", "%E",
        /*  32 */ " ", "/A", "/B", "/C", "/D", "/E", "/F", "/G",
        /*  40 */ "/H", "/I", "/J", "/K", "/L", "-", ".", "/O",
        /*  48 */ "0", "1", "2", "3", "4", "5", "6", "7",
        /*  56 */ "8", "9", "/Z", "%F", "%G", "%H", "%I", "%J",
        /*  64 */ "%V", "A", "B", "C", "D", "E", "F", "G",
        /*  72 */ "H", "I", "J", "K", "L", "M", "N", "O",
        /*  80 */ "P", "Q", "R", "S", "T", "U", "V", "W",
        /*  88 */ "X", "Y", "Z", "%K", "%L", "%M", "%N", "%O",
        /*  96 */ "%W", "+A", "+B", "+C", "+D", "+E", "+F", "+G",
        /* 104 */ "+H", "+I", "+J", "+K", "+L", "+M", "+N", "+O",
        /* 112 */ "+P", "+Q", "+R", "+S", "+T", "+U", "+V", "+W",
        /* 120 */ "+X", "+Y", "+Z", "%P", "%Q", "%R", "%S", "%T",
    };
    // clang-format on

    constexpr bool FullAsciiIsWellFormed()
    {
        for (std::string_view sequence : kFullAscii) {
            if (sequence.empty() || sequence.size() > 2) return false;
            for (char c : sequence) {
                if (kAlphabet.find(c) == std::string_view::npos) return false;
            }
        }
        return true;
    }
    static_assert(FullAsciiIsWellFormed(), "a Full ASCII sequence uses a character outside the alphabet");

    // Start, data, check and stop characters together.
    constexpr std::size_t kMaxCharacters = 99;

    class Code39Text {
    public:
        bool Put(std::size_t index)
        {
            if (m_count >= kMaxCharacters) return false;
            m_indices[m_count++] = static_cast<std::uint8_t>(index);
            return true;
        }
        std::size_t Count() const { return m_count; }
        std::size_t At(std::size_t i) const { return m_indices[i]; }

    private:
        std::array<std::uint8_t, kMaxCharacters> m_indices {};
        std::size_t m_count = 0;
    };

} // namespace
} // namespace stripe32

using namespace stripe32;

extern "C" HGLOBAL qxCode39Encode(const char* data, std::int32_t length, std::int32_t wideWidth,
    std::int32_t narrowWidth, std::int32_t height, std::int32_t* width, std::int32_t addCheck,
    std::int32_t omitStartStop, unsigned char** bits)
{
    ClearOutputs(width, bits);
    if (length < 0 || (length > 0 && data == nullptr)) return nullptr;

    const std::uint32_t narrow = narrowWidth < 1 ? 1u : static_cast<std::uint32_t>(narrowWidth);
    // Compared as 64 bits so that a huge narrow width cannot wrap narrow + 1.
    const std::uint64_t wide64 = wideWidth < 0 || static_cast<std::uint64_t>(wideWidth) < narrow
        ? std::uint64_t { narrow } + 1
        : static_cast<std::uint64_t>(wideWidth);
    // Quiet zones of 10 narrow widths; anything wider than a scanline can hold is refused.
    const std::uint64_t quiet = std::uint64_t { narrow } * 10;
    if (wide64 > INT32_MAX || quiet > INT32_MAX) return nullptr;
    const auto wide = static_cast<std::uint32_t>(wide64);
    const std::uint32_t rows = height < 1 ? 1u : static_cast<std::uint32_t>(height);

    Code39Text text;
    const bool startStop = omitStartStop == 0;
    if (startStop) text.Put(kStartStopIndex);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    unsigned checkSum = 0;
    for (std::int32_t i = 0; i < length; ++i) {
        if (bytes[i] > 0x7F) return nullptr;
        for (char c : kFullAscii[bytes[i]]) {
            const std::size_t index = kAlphabet.find(c);
            if (!text.Put(index)) return nullptr;
            checkSum += static_cast<unsigned>(index);
        }
    }
    if (addCheck != 0 && !text.Put(checkSum % 43)) return nullptr;
    if (startStop && !text.Put(kStartStopIndex)) return nullptr;

    // Quiet zone, each character's nine elements and a narrow gap after it, quiet zone; all
    // in pixels, so the bitmap repeats nothing.
    ElementRow row;
    row.Append(false, static_cast<std::uint32_t>(quiet));
    for (std::size_t i = 0; i < text.Count(); ++i) {
        bool bar = true;
        for (char element : kPatterns[text.At(i)]) {
            row.Append(bar, element == 'w' ? wide : narrow);
            bar = !bar;
        }
        row.Append(false, narrow);
    }
    row.Append(false, static_cast<std::uint32_t>(quiet));
    return BuildLinearBitmap(row, 1, rows, width, bits);
}
