#include "transfer/HSTRING.h"

#include "transfer/BufferGrowth.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Later growths add at least this much, adapted to how often room is asked for, but never
// more than this cap at once so a long transfer does not balloon the buffer.

// Storage keeps two bytes beyond the capacity so a NUL always fits after the last byte.
unsigned char* AllocateStorage(uint32_t capacity)
{
    auto* data = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(capacity) + 2, 1));
    if (!data)
        std::abort();
    return data;
}

// Names of the control characters below 32, in the bracketed printable form.
constexpr const char* kControlNames[32] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
    "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",
};

unsigned char FoldCase(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

int HexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

void HSTRING::Allocate(unsigned capacity, bool autoResize)
{
    m_AutoResize = autoResize;
    m_Capacity = capacity;
    m_Data = AllocateStorage(capacity);
}

HSTRING::HSTRING(const char* text, bool autoResize, bool locked, bool borrowed)
    : HSTRING(reinterpret_cast<const unsigned char*>(text ? text : ""),
              text ? static_cast<unsigned>(std::strlen(text)) : 0, autoResize, locked, borrowed)
{
}

HSTRING::HSTRING(const unsigned char* bytes, unsigned length, bool autoResize, bool locked, bool borrowed)
    : m_AutoResize(autoResize), m_Locked(locked), m_Borrowed(borrowed && bytes), m_Capacity(length),
      m_Length(length)
{
    if (m_Borrowed) {
        // The caller's bytes are used in place; a borrowed buffer only writes into them when
        // the caller left it unlocked.
        m_Data = const_cast<unsigned char*>(bytes);
        return;
    }
    m_Data = AllocateStorage(length);
    if (bytes && length)
        std::memcpy(m_Data, bytes, length);
    else
        m_Length = 0;
}

HSTRING::HSTRING(const HSTRING& other)
    : m_GrowthStep(other.m_GrowthStep), m_AutoResize(other.m_AutoResize), m_Locked(other.m_Locked),
      m_HexStyle(other.m_HexStyle), m_Capacity(other.m_Length), m_Data(AllocateStorage(other.m_Length)),
      m_Length(other.m_Length)
{
    if (m_Length)
        std::memcpy(m_Data, other.m_Data, m_Length);
}

HSTRING& HSTRING::operator=(const HSTRING& other)
{
    if (this == &other)
        return *this;
    // Assignment copies the contents only; this buffer keeps its own rules (fixed, locked,
    // borrowed), so a fixed buffer refuses contents it has no room for.
    Copy(other);
    m_HexStyle = other.m_HexStyle;
    return *this;
}

HSTRING::~HSTRING()
{
    if (!m_Borrowed)
        std::free(m_Data);
}

void HSTRING::Terminate()
{
    // A borrowed buffer has no spare byte beyond its capacity.
    if (!m_Borrowed || m_Length < m_Capacity)
        m_Data[m_Length] = 0;
}

bool HSTRING::Reserve(unsigned n)
{
    ++m_CallsSinceGrowth;
    // Room for exactly the capacity is enough: that is what "capacity" means for a borrowed
    // or fixed buffer that is filled to the brim.
    if (n <= m_Capacity)
        return true;
    if (m_Locked || !m_AutoResize || m_Borrowed)
        return false;
    uint32_t newCapacity = 0;
    if (!NextBufferCapacity(n, m_CallsSinceGrowth, std::numeric_limits<uint32_t>::max() - 2, m_GrowthStep,
                            m_FirstGrowth, newCapacity))
        return false;
    auto* grown = static_cast<unsigned char*>(std::realloc(m_Data, static_cast<size_t>(newCapacity) + 2));
    if (!grown)
        return false;
    std::memset(grown + m_Length, 0, static_cast<size_t>(newCapacity) + 2 - m_Length);
    m_Data = grown;
    m_Capacity = newCapacity;
    m_CallsSinceGrowth = 0;
    return true;
}

bool HSTRING::SetLength(unsigned length)
{
    if (!Modifiable() || !Reserve(length))
        return false;
    m_Length = length;
    Terminate();
    return true;
}

bool HSTRING::Copy(const unsigned char* bytes, unsigned length)
{
    if (!Modifiable() || !Reserve(length))
        return false;
    if (length)
        std::memmove(m_Data, bytes, length);
    m_Length = length;
    Terminate();
    return true;
}

bool HSTRING::Copy(const char* text)
{
    return Copy(reinterpret_cast<const unsigned char*>(text ? text : ""),
                text ? static_cast<unsigned>(std::strlen(text)) : 0);
}

bool HSTRING::Copy(const HSTRING& other)
{
    if (this == &other)
        return Modifiable();
    return Copy(other.m_Data, other.m_Length);
}

bool HSTRING::CopyRange(const HSTRING& source, unsigned first, unsigned last)
{
    if (first >= source.m_Length || last >= source.m_Length)
        return false;
    HSTRING range(first <= last ? last - first + 1 : first - last + 1);
    if (first <= last) {
        range.Copy(source.m_Data + first, last - first + 1);
    } else {
        for (unsigned i = first + 1; i-- > last;)
            range.AppendByte(source.m_Data[i]);
    }
    return Copy(range);
}

bool HSTRING::CopyByte(unsigned char byte) { return Copy(&byte, 1); }

bool HSTRING::Append(const unsigned char* bytes, unsigned length)
{
    if (!Modifiable())
        return false;
    if (length > std::numeric_limits<uint32_t>::max() - 2 - m_Length)
        return false;
    // The bytes may lie inside this buffer; keep their offset across a reallocation.
    const bool inside = bytes >= m_Data && bytes < m_Data + m_Capacity + 2;
    const size_t offset = inside ? static_cast<size_t>(bytes - m_Data) : 0;
    if (!Reserve(m_Length + length))
        return false;
    if (inside)
        bytes = m_Data + offset;
    if (length)
        std::memmove(m_Data + m_Length, bytes, length);
    m_Length += length;
    Terminate();
    return true;
}

bool HSTRING::Append(const char* text)
{
    return Append(reinterpret_cast<const unsigned char*>(text ? text : ""),
                  text ? static_cast<unsigned>(std::strlen(text)) : 0);
}

bool HSTRING::Append(const HSTRING& other)
{
    if (this == &other) {
        const HSTRING copy(other);
        return Append(copy.m_Data, copy.m_Length);
    }
    return Append(other.m_Data, other.m_Length);
}

bool HSTRING::AppendRepeated(unsigned char byte, unsigned count)
{
    if (!Modifiable() || count > std::numeric_limits<uint32_t>::max() - 2 - m_Length ||
        !Reserve(m_Length + count))
        return false;
    std::memset(m_Data + m_Length, byte, count);
    m_Length += count;
    Terminate();
    return true;
}

namespace {

bool FormatInto(HSTRING& target, bool append, const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(nullptr, 0, format, args);
    if (needed < 0) {
        va_end(again);
        return false;
    }
    HSTRING text(static_cast<unsigned>(needed));
    std::vsnprintf(reinterpret_cast<char*>(text.Data()), static_cast<size_t>(needed) + 1, format, again);
    va_end(again);
    text.SetLength(static_cast<unsigned>(needed));
    return append ? target.Append(text) : target.Copy(text);
}

} // namespace

bool HSTRING::AppendFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const bool ok = FormatInto(*this, true, format, args);
    va_end(args);
    return ok;
}

bool HSTRING::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const bool ok = FormatInto(*this, false, format, args);
    va_end(args);
    return ok;
}

bool HSTRING::Insert(unsigned position, const unsigned char* bytes, unsigned length)
{
    if (!Modifiable() || position > m_Length)
        return false;
    if (position == m_Length)
        return Append(bytes, length);
    const HSTRING copy(bytes, length);   // the bytes may come from this buffer
    if (length > std::numeric_limits<uint32_t>::max() - 2 - m_Length || !Reserve(m_Length + length))
        return false;
    std::memmove(m_Data + position + length, m_Data + position, m_Length - position);
    if (length)
        std::memcpy(m_Data + position, copy.m_Data, length);
    m_Length += length;
    Terminate();
    return true;
}

bool HSTRING::AppendNumber(uint32_t value, unsigned valueBytes, unsigned width)
{
    return WriteNumber(m_Length, value, valueBytes, width);
}

bool HSTRING::WriteNumber(unsigned position, uint32_t value, unsigned valueBytes, unsigned width)
{
    if (valueBytes != 2 && valueBytes != 4)
        return false;
    if (!Modifiable() || position > m_Length)
        return false;
    const unsigned field = std::max(width, valueBytes);
    if (field > 0x10000)
        return false;
    const unsigned end = position + field;
    if (end > m_Length && !Reserve(end))
        return false;
    for (unsigned i = 0; i < field; ++i)
        m_Data[position + i] = i < valueBytes ? static_cast<unsigned char>(value >> (8 * i)) : 0;
    m_Length = std::max<uint32_t>(m_Length, end);
    Terminate();
    return true;
}

bool HSTRING::ReadNumber(unsigned position, uint32_t& value, unsigned valueBytes) const
{
    value = 0;
    if ((valueBytes != 2 && valueBytes != 4) || position > m_Length || m_Length - position < valueBytes)
        return false;
    for (unsigned i = 0; i < valueBytes; ++i)
        value |= static_cast<uint32_t>(m_Data[position + i]) << (8 * i);
    return true;
}

bool HSTRING::RemoveThroughByte(unsigned char byte)
{
    if (!Modifiable())
        return false;
    const void* hit = m_Length ? std::memchr(m_Data, byte, m_Length) : nullptr;
    if (!hit)
        return false;
    const unsigned position = static_cast<unsigned>(static_cast<const unsigned char*>(hit) - m_Data);
    return Remove(0, position + 1);
}

bool HSTRING::Remove(unsigned position, unsigned count)
{
    if (!Modifiable() || position > m_Length)
        return false;
    count = std::min(count, m_Length - position);
    std::memmove(m_Data + position, m_Data + position + count, m_Length - position - count);
    m_Length -= count;
    Terminate();
    return true;
}

bool HSTRING::StripLeadingWhitespace()
{
    if (!Modifiable())
        return false;
    unsigned skip = 0;
    while (skip < m_Length) {
        const unsigned char c = m_Data[skip];
        if (c != 0 && c != '\t' && c != '\n' && c != '\r' && c != ' ')
            break;
        ++skip;
    }
    return Remove(0, skip);
}

int HSTRING::Compare(const unsigned char* bytes, unsigned length, bool exact) const
{
    const unsigned common = std::min(m_Length, length);
    for (unsigned i = 0; i < common; ++i) {
        const unsigned char a = exact ? m_Data[i] : FoldCase(m_Data[i]);
        const unsigned char b = exact ? bytes[i] : FoldCase(bytes[i]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    if (m_Length == length)
        return 0;
    return m_Length < length ? -1 : 1;
}

int HSTRING::Compare(const char* text, bool exact) const
{
    return Compare(reinterpret_cast<const unsigned char*>(text ? text : ""),
                   text ? static_cast<unsigned>(std::strlen(text)) : 0, exact);
}

int HSTRING::Compare(const HSTRING& other, bool exact) const { return Compare(other.m_Data, other.m_Length, exact); }

int HSTRING::Find(const unsigned char* pattern, unsigned length, int occurrence) const
{
    if (occurrence == 0 || length == 0 || length > m_Length)
        return -1;
    const unsigned last = m_Length - length;
    int seen = 0;
    if (occurrence > 0) {
        for (unsigned i = 0; i <= last;) {
            if (std::memcmp(m_Data + i, pattern, length) == 0) {
                if (++seen == occurrence)
                    return static_cast<int>(i);
                i += length;
            } else {
                ++i;
            }
        }
        return -1;
    }
    for (int64_t i = last; i >= 0;) {
        if (std::memcmp(m_Data + i, pattern, length) == 0) {
            if (--seen == occurrence)
                return static_cast<int>(i);
            i -= length;
        } else {
            --i;
        }
    }
    return -1;
}

int HSTRING::Find(const char* text, int occurrence) const
{
    return Find(reinterpret_cast<const unsigned char*>(text ? text : ""),
                text ? static_cast<unsigned>(std::strlen(text)) : 0, occurrence);
}

namespace {

// Parses an optional sign and at least one decimal digit, nothing after them.
bool ParseDecimal(const unsigned char* data, unsigned length, bool& negative, uint64_t& magnitude)
{
    unsigned i = 0;
    negative = false;
    magnitude = 0;
    if (i < length && (data[i] == '+' || data[i] == '-'))
        negative = data[i++] == '-';
    if (i == length)
        return false;
    for (; i < length; ++i) {
        if (data[i] < '0' || data[i] > '9')
            return false;
        magnitude = magnitude * 10 + (data[i] - '0');
        if (magnitude > 0x1'0000'0000ULL)
            return false;
    }
    return true;
}

} // namespace

bool HSTRING::ToInt(int& value) const
{
    bool negative = false;
    uint64_t magnitude = 0;
    value = 0;
    if (!ParseDecimal(m_Data, m_Length, negative, magnitude))
        return false;
    if (negative ? magnitude > 0x8000'0000ULL : magnitude > 0x7FFF'FFFFULL)
        return false;
    value = negative ? static_cast<int>(-static_cast<int64_t>(magnitude)) : static_cast<int>(magnitude);
    return true;
}

bool HSTRING::ToUnsigned(unsigned& value) const
{
    bool negative = false;
    uint64_t magnitude = 0;
    value = 0;
    if (!ParseDecimal(m_Data, m_Length, negative, magnitude))
        return false;
    if (magnitude > 0xFFFF'FFFFULL || (negative && magnitude != 0))
        return false;
    value = static_cast<unsigned>(magnitude);
    return true;
}

bool HSTRING::ToPrintable(HSTRING& out, unsigned options) const
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    HSTRING text(m_Length * 2 + 16);
    for (unsigned i = 0; i < m_Length; ++i) {
        const unsigned char c = m_Data[i];
        if ((options & HSTRING_PRINTABLE_KEEP_CRLF) && c == '\r' && i + 1 < m_Length && m_Data[i + 1] == '\n') {
            text.Append("\r\n");
            ++i;
            continue;
        }
        if (c == '\\') {
            text.Append("\\\\");
            continue;
        }
        const bool escape = c < 32 || c == 127 || (c >= 128 && (options & HSTRING_PRINTABLE_ESCAPE_HIGH));
        if (!escape) {
            text.AppendByte(c);
            continue;
        }
        if ((options & HSTRING_PRINTABLE_CONTROL_NAMES) && c < 32) {
            // Two-letter names get a leading blank so every name takes three columns.
            text.AppendFormat("[%s%s]", kControlNames[c][2] ? "" : " ", kControlNames[c]);
        } else if (options & (HSTRING_PRINTABLE_BRACKET_HEX | HSTRING_PRINTABLE_CONTROL_NAMES)) {
            const char form[] = { '[', '0', 'x', kHex[c >> 4], kHex[c & 15], ']' };
            text.Append(reinterpret_cast<const unsigned char*>(form), sizeof form);
        } else {
            text.AppendByte('\\');
            if (m_HexStyle)
                text.AppendByte('x');
            text.AppendByte(static_cast<unsigned char>(kHex[c >> 4]));
            text.AppendByte(static_cast<unsigned char>(kHex[c & 15]));
        }
    }
    return out.Copy(text);
}

bool HSTRING::FromPrintable(HSTRING& out) const
{
    HSTRING bytes(m_Length);
    bool wellFormed = true;
    for (unsigned i = 0; i < m_Length; ++i) {
        const unsigned char c = m_Data[i];
        if (c != '\\') {
            bytes.AppendByte(c);
            continue;
        }
        if (i + 1 < m_Length && m_Data[i + 1] == '\\') {
            bytes.AppendByte('\\');
            ++i;
            continue;
        }
        unsigned digits = i + 1;
        if (digits < m_Length && (m_Data[digits] == 'x' || m_Data[digits] == 'X'))
            ++digits;
        const int high = digits < m_Length ? HexValue(m_Data[digits]) : -1;
        const int low = digits + 1 < m_Length ? HexValue(m_Data[digits + 1]) : -1;
        if (high < 0 || low < 0) {
            // Keep the backslash as it stands and carry on with what follows it.
            wellFormed = false;
            bytes.AppendByte(c);
            continue;
        }
        bytes.AppendByte(static_cast<unsigned char>(high * 16 + low));
        i = digits + 1;
    }
    return out.Copy(bytes) && wellFormed;
}

bool HSTRING::ConvertToPrintable(unsigned options)
{
    if (!Modifiable())
        return false;
    HSTRING text;
    ToPrintable(text, options);
    return Copy(text);
}

bool HSTRING::ConvertFromPrintable()
{
    if (!Modifiable())
        return false;
    HSTRING bytes;
    const bool wellFormed = FromPrintable(bytes);
    return Copy(bytes) && wellFormed;
}
