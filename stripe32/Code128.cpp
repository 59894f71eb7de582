// Code 128 encoders: automatic code sets (qxCode128Encode) and the fixed "menu" layout with
// its own start character (qxMenu128Encode).
//
// The automatic encoder keeps a few deliberate rules, so that a given text always prints as
// the same symbol as in earlier releases:
//   - it starts in code set C only for two or more leading units (a unit is a digit pair
//     or FNC1), so exactly two digits at the start are encoded in B;
//   - in the middle of the data it changes to C only in front of three or more units, and
//     leaves C as soon as neither a digit pair nor FNC1 follows;
//   - it changes between A and B only when a byte needs the other set, and never uses
//     SHIFT.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "stripe32/ElementRow.h"
#include "stripe32/stripe32.h"

namespace stripe32 {
namespace {

    // Symbol characters 0-105 as bar/space widths, bar first (ISO/IEC 15417 Table 1); 106 is
    // our menu start character (modules 11100010100).
    // clang-format off
    constexpr std::array<std::string_view, 107> kPatterns = {
        /*   0 */ "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
        /*  10 */ "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
        /*  20 */ "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
        /*  30 */ "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
        /*  40 */ "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
        /*  50 */ "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
        /*  60 */ "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
        /*  70 */ "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
        /*  80 */ "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
        /*  90 */ "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
        /* 100 */ "114131", "311141", "411131", "211412", "211214", "211232", "331112",
    };
    // clang-format on
    // The stop character with its terminating 2-module bar: 13 modules.
    constexpr std::string_view kStopPattern = "2331112";

    constexpr int PatternModules(std::string_view widths)
    {
        int modules = 0;
        for (char digit : widths)
            modules += digit - '0';
        return modules;
    }

    constexpr int BarModules(std::string_view widths)
    {
        int modules = 0;
        for (std::size_t i = 0; i < widths.size(); i += 2)
            modules += widths[i] - '0';
        return modules;
    }

    // Every symbol character is 6 elements and 11 modules; the standard ones have an even
    // number of bar modules (the parity a reader checks), our menu start character an odd one.
    constexpr bool PatternsAreWellFormed()
    {
        for (std::size_t value = 0; value < kPatterns.size(); ++value) {
            const std::string_view p = kPatterns[value];
            if (p.size() != 6 || PatternModules(p) != 11) return false;
            if ((BarModules(p) % 2 == 0) != (value != 106)) return false;
            for (std::size_t other = 0; other < value; ++other) {
                if (kPatterns[other] == p) return false;
            }
        }
        return true;
    }
    static_assert(PatternsAreWellFormed(), "a Code 128 pattern is mistyped");
    static_assert(kStopPattern.size() == 7 && PatternModules(kStopPattern) == 13, "the stop is 13 modules");

    constexpr int kFnc3 = 96;
    constexpr int kFnc2 = 97;
    constexpr int kCodeC = 99;
    constexpr int kCodeB = 100; // FNC4 while in code set B
    constexpr int kCodeA = 101; // FNC4 while in code set A
    constexpr int kFnc1 = 102;
    constexpr int kStartA = 103;
    constexpr int kStartB = 104;
    constexpr int kStartC = 105;
    constexpr int kMenuStart = 106;
    constexpr std::uint8_t kEndMarker = 107;

    constexpr unsigned char kByteFnc1 = STRIPE32_FNC1;
    constexpr unsigned char kByteFnc2 = STRIPE32_FNC2;
    constexpr unsigned char kByteFnc3 = STRIPE32_FNC3;
    constexpr unsigned char kByteFnc4 = STRIPE32_FNC4;

    constexpr std::size_t kMaxDataBytes = 256;
    // Symbol characters from the start to the check character. The longest data gives far
    // more (256 bytes alternating between A and B need 513), so the limit is checked.
    constexpr std::size_t kMaxSymbolValues = 300;
    constexpr int kQuietModules = 10;

    // The symbol characters of one symbol, ended by kEndMarker. Lives on the caller's stack
    // for one call, so a refused call leaves nothing behind for the next.
    class SymbolValues {
    public:
        bool Put(int value)
        {
            if (m_count >= kMaxSymbolValues || value < 0 || value > kMenuStart) {
                m_failed = true;
                return false;
            }
            m_values[m_count++] = static_cast<std::uint8_t>(value);
            m_values[m_count] = kEndMarker;
            return true;
        }
        // s0 + sum of i * si over everything written so far, modulo 103.
        bool PutCheckCharacter()
        {
            if (m_count == 0) return false;
            unsigned long sum = m_values[0];
            for (std::size_t i = 1; i < m_count; ++i)
                sum += i * m_values[i];
            return Put(static_cast<int>(sum % 103));
        }
        bool Failed() const { return m_failed; }

        // Quiet zone, every symbol character, the stop and the quiet zone, in modules.
        bool ToElements(ElementRow& row) const
        {
            row.Append(false, kQuietModules);
            for (std::size_t i = 0; i < m_count; ++i)
                row.AppendPattern(kPatterns[m_values[i]], 1);
            row.AppendPattern(kStopPattern, 1);
            row.Append(false, kQuietModules);
            return !row.Overflowed();
        }

    private:
        std::array<std::uint8_t, kMaxSymbolValues + 1> m_values {};
        std::size_t m_count = 0;
        bool m_failed = false;
    };

    enum class CodeSet { Undecided, A, B, C };

    bool IsDigit(unsigned char byte)
    {
        return byte >= '0' && byte <= '9';
    }

    // Number of code set C units from `pos` on: an FNC1 byte, or two digits both inside
    // the data.
    int CountUnits(const unsigned char* data, std::size_t length, std::size_t pos)
    {
        int units = 0;
        while (pos < length) {
            if (data[pos] == kByteFnc1) {
                ++pos;
            } else if (pos + 1 < length && IsDigit(data[pos]) && IsDigit(data[pos + 1])) {
                pos += 2;
            } else {
                break;
            }
            ++units;
        }
        return units;
    }

    // Value of a function byte in code set A or B.
    int FunctionValue(unsigned char byte, CodeSet set)
    {
        switch (byte) {
        case kByteFnc1:
            return kFnc1;
        case kByteFnc2:
            return kFnc2;
        case kByteFnc3:
            return kFnc3;
        default:
            return set == CodeSet::A ? kCodeA : kCodeB;
        }
    }

    // Keeps A or B unless the byte needs the other one; after leaving C (undecided) bytes
    // that fit both go to B.
    void ApplyAbRule(unsigned char byte, CodeSet& set, SymbolValues& out)
    {
        if (byte < 0x20) {
            if (set != CodeSet::A) out.Put(kCodeA);
            set = CodeSet::A;
        } else if (byte >= 0x60 && byte <= 0x7F) {
            if (set != CodeSet::B) out.Put(kCodeB);
            set = CodeSet::B;
        } else if (set == CodeSet::Undecided) {
            out.Put(kCodeB);
            set = CodeSet::B;
        }
    }

    bool EncodeAutomatic(const unsigned char* data, std::size_t length, SymbolValues& out)
    {
        CodeSet set = CodeSet::Undecided;
        if (CountUnits(data, length, 0) >= 2) {
            out.Put(kStartC);
            set = CodeSet::C;
        } else if (data[0] < 0x20) {
            out.Put(kStartA);
            set = CodeSet::A;
        } else {
            out.Put(kStartB);
            set = CodeSet::B;
        }

        std::size_t pos = 0;
        while (pos < length && !out.Failed()) {
            const unsigned char byte = data[pos];
            const bool function = byte >= kByteFnc1;
            switch (set) {
            case CodeSet::A:
                if (function)
                    out.Put(FunctionValue(byte, set));
                else if (byte < 0x60)
                    out.Put((byte + 64) % 96);
                else
                    return false; // the A/B rule never leaves such a byte in code set A
                ++pos;
                break;
            case CodeSet::B:
                if (function)
                    out.Put(FunctionValue(byte, set));
                else if (byte >= 0x20)
                    out.Put(byte - 32);
                else
                    return false;
                ++pos;
                break;
            case CodeSet::C:
                if (byte == kByteFnc1) {
                    out.Put(kFnc1);
                    ++pos;
                } else if (pos + 1 < length && IsDigit(byte) && IsDigit(data[pos + 1])) {
                    out.Put((byte - '0') * 10 + (data[pos + 1] - '0'));
                    pos += 2;
                } else {
                    return false; // code set C is only entered in front of a unit
                }
                break;
            case CodeSet::Undecided:
                return false; // the A/B rule always decides before the next byte
            }
            if (pos >= length) break;

            const int units = CountUnits(data, length, pos);
            if (set == CodeSet::C) {
                if (units == 0) set = CodeSet::Undecided;
            } else if (units >= 3) {
                out.Put(kCodeC);
                set = CodeSet::C;
            }
            if (set != CodeSet::C) ApplyAbRule(data[pos], set, out);
        }
        return !out.Failed() && out.PutCheckCharacter();
    }

    bool GeometryIsValid(std::int32_t moduleWidth, std::int32_t rowCount)
    {
        return moduleWidth >= 1 && rowCount >= 1;
    }

    HGLOBAL Render(const SymbolValues& values, std::int32_t moduleWidth, std::int32_t rowCount,
        std::int32_t* width, unsigned char** bits)
    {
        ElementRow row;
        if (!values.ToElements(row)) {
            ClearOutputs(width, bits);
            return nullptr;
        }
        return BuildLinearBitmap(
            row, static_cast<std::uint32_t>(moduleWidth), static_cast<std::uint32_t>(rowCount), width, bits);
    }

} // namespace
} // namespace stripe32

using namespace stripe32;

extern "C" HGLOBAL qxCode128Encode(const char* data, std::int32_t length, std::int32_t moduleWidth,
    std::int32_t rowCount, std::int32_t* width, unsigned char** bits)
{
    ClearOutputs(width, bits);
    if (data == nullptr || length < 1 || static_cast<std::size_t>(length) > kMaxDataBytes
        || !GeometryIsValid(moduleWidth, rowCount))
        return nullptr;

    // A private copy: the caller's buffer is read exactly once, and only its first `length`
    // bytes.
    std::array<unsigned char, kMaxDataBytes> work {};
    std::memcpy(work.data(), data, static_cast<std::size_t>(length));
    const std::size_t count = static_cast<std::size_t>(length);
    if (std::any_of(work.begin(), work.begin() + length, [](unsigned char byte) { return byte > kByteFnc4; }))
        return nullptr;

    SymbolValues values;
    if (!EncodeAutomatic(work.data(), count, values)) return nullptr;
    return Render(values, moduleWidth, rowCount, width, bits);
}

extern "C" HGLOBAL qxMenu128Encode(std::int32_t lead, std::int32_t group, std::int32_t number,
    const char* text, std::int32_t moduleWidth, std::int32_t rowCount, std::int32_t* width,
    unsigned char** bits)
{
    ClearOutputs(width, bits);
    if (text == nullptr || !GeometryIsValid(moduleWidth, rowCount)) return nullptr;

    const int leadValue = lead & 0xFF;
    const long long w = static_cast<long long>(group & 0xFF) * 1024 + number;
    // Every value must be a symbol character: lead at most 106, w / 96 at most 106.
    if (leadValue > kMenuStart || w < 0 || w >= 96LL * 107) return nullptr;

    SymbolValues values;
    values.Put(kMenuStart);
    values.Put(leadValue);
    values.Put(static_cast<int>(w / 96));
    values.Put(static_cast<int>(w % 96));

    // The text read as a little-endian number, cut into a low 13-bit group, a middle 13-bit
    // group and a top 6-bit group, each written as base-96 digits, most significant first.
    // Only 1 to 4 bytes are packed; the length is never looked for past the fifth byte.
    std::size_t k = 0;
    while (k < 5 && text[k] != '\0')
        ++k;
    const unsigned t0 = k > 0 ? static_cast<unsigned char>(text[0]) : 0;
    const unsigned t1 = k > 1 ? static_cast<unsigned char>(text[1]) : 0;
    const unsigned t2 = k > 2 ? static_cast<unsigned char>(text[2]) : 0;
    const unsigned t3 = k > 3 ? static_cast<unsigned char>(text[3]) : 0;
    const unsigned low = (t1 & 0x1F) * 256 + t0;
    switch (k) {
    case 1:
        values.Put(static_cast<int>(t0 / 96));
        values.Put(static_cast<int>(t0 % 96));
        break;
    case 2:
        values.Put(static_cast<int>(t1 >> 5));
        values.Put(static_cast<int>(low / 96));
        values.Put(static_cast<int>(low % 96));
        break;
    case 3: {
        const unsigned high = t2 * 8 + (t1 >> 5);
        values.Put(static_cast<int>(high / 96));
        values.Put(static_cast<int>(high % 96));
        values.Put(static_cast<int>(low / 96));
        values.Put(static_cast<int>(low % 96));
        break;
    }
    case 4: {
        const unsigned high = (t3 & 3) * 2048 + t2 * 8 + (t1 >> 5);
        values.Put(static_cast<int>(t3 >> 2));
        values.Put(static_cast<int>(high / 96));
        values.Put(static_cast<int>(high % 96));
        values.Put(static_cast<int>(low / 96));
        values.Put(static_cast<int>(low % 96));
        break;
    }
    default:
        break; // no text characters
    }
    if (values.Failed() || !values.PutCheckCharacter()) return nullptr;
    return Render(values, moduleWidth, rowCount, width, bits);
}
