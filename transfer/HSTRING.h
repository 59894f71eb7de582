// HSTRING: the growable byte buffer that carries every packet, reply and message of the
// transfer code.
//
// A buffer either owns its storage (capacity + 2 bytes, so a NUL can always follow the last
// byte and protocol code may treat it as text) or borrows the caller's bytes, in which case it
// never frees or reallocates them. A locked buffer refuses every change; a buffer without
// auto-resize refuses any change that needs more room than it has. Every refusal is reported
// as false and leaves the contents as they were.
#pragma once

#include <concepts>
#include <cstdint>

// Options of the printable form (ToPrintable / ConvertToPrintable).
enum HSTRING_PRINTABLE : unsigned {
    HSTRING_PRINTABLE_BACKSLASH = 0,       // control bytes as \1B (or \x1B in hex style)
    HSTRING_PRINTABLE_BRACKET_HEX = 1,     // control bytes as [0x1B]
    HSTRING_PRINTABLE_CONTROL_NAMES = 2,   // control bytes below 32 as [ESC]
    HSTRING_PRINTABLE_ESCAPE_HIGH = 4,     // bytes 128..255 are escaped like control bytes
    HSTRING_PRINTABLE_KEEP_CRLF = 8,       // a CR followed by LF stays a real line break
};

class HSTRING {
public:
    HSTRING() { Allocate(0, true); }
    // An empty buffer with room for `capacity` bytes. Any integer type, so that HSTRING(0) or
    // HSTRING(sizeof x) means a capacity, never a null text.
    template <std::integral T>
    explicit HSTRING(T capacity, bool autoResize = true)
    {
        const long long n = static_cast<long long>(capacity);
        Allocate(n < 0 ? 0u : n > 0x7FFFFFFF ? 0x7FFFFFFFu : static_cast<unsigned>(n), autoResize);
    }
    // A NUL-terminated text. Borrowed: the buffer points at the caller's text (capacity equals
    // its length) and writes, if not locked, go into the caller's bytes.
    HSTRING(const char* text, bool autoResize = true, bool locked = false, bool borrowed = false);
    HSTRING(const unsigned char* bytes, unsigned length, bool autoResize = true, bool locked = false,
            bool borrowed = false);
    HSTRING(const HSTRING& other);
    HSTRING& operator=(const HSTRING& other);
    ~HSTRING();

    unsigned char* Data() { return m_Data; }
    const unsigned char* Data() const { return m_Data; }
    // NUL-terminated for owned storage; a borrowed buffer filled to its capacity has no room
    // for the NUL, so use Length() with borrowed bytes.
    const char* Text() const { return reinterpret_cast<const char*>(m_Data); }
    unsigned Length() const { return m_Length; }
    unsigned Capacity() const { return m_Capacity; }
    unsigned char operator[](unsigned index) const { return index < m_Length ? m_Data[index] : 0; }

    bool AutoResize() const { return m_AutoResize; }
    void SetAutoResize(bool autoResize) { m_AutoResize = autoResize; }
    bool Locked() const { return m_Locked; }
    void Lock(bool locked) { m_Locked = locked; }
    bool Borrowed() const { return m_Borrowed; }
    bool HexStyle() const { return m_HexStyle; }
    void SetHexStyle(bool hexStyle) { m_HexStyle = hexStyle; }
    unsigned GrowthStep() const { return m_GrowthStep; }

    // Asks for room for n bytes, growing by the buffer's rule when allowed.
    bool Reserve(unsigned n);
    // Sets the number of bytes in use (room is reserved first; new bytes are not cleared).
    bool SetLength(unsigned length);
    bool Empty() { return SetLength(0); }

    bool Copy(const unsigned char* bytes, unsigned length);
    bool Copy(const char* text);
    bool Copy(const HSTRING& other);
    // Bytes first..last (inclusive) of source; when last < first the bytes go in reverse order.
    bool CopyRange(const HSTRING& source, unsigned first, unsigned last);
    bool CopyByte(unsigned char byte);

    bool Append(const unsigned char* bytes, unsigned length);
    bool Append(const char* text);
    bool Append(const HSTRING& other);
    bool AppendByte(unsigned char byte) { return Append(&byte, 1); }
    bool AppendRepeated(unsigned char byte, unsigned count);
    // printf-style text appended (or replacing the contents).
    bool AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    bool Insert(unsigned position, const unsigned char* bytes, unsigned length);

    // Little-endian integers of valueBytes (2 or 4) bytes; a field width above that is filled
    // with zero bytes beyond the value. Writing at a position overwrites and extends as needed.
    bool AppendNumber(uint32_t value, unsigned valueBytes, unsigned width = 0);
    bool WriteNumber(unsigned position, uint32_t value, unsigned valueBytes, unsigned width = 0);
    // False (and value 0) when not all valueBytes bytes are present.
    bool ReadNumber(unsigned position, uint32_t& value, unsigned valueBytes) const;

    // Removes everything up to and including the first occurrence of byte; false if absent.
    bool RemoveThroughByte(unsigned char byte);
    bool Remove(unsigned position, unsigned count);
    // Drops leading NUL, TAB, LF, CR and blanks.
    bool StripLeadingWhitespace();

    // <0, 0, >0. ASCII letters compare without case unless exact; a shorter equal prefix first.
    int Compare(const unsigned char* bytes, unsigned length, bool exact = false) const;
    int Compare(const char* text, bool exact = false) const;
    int Compare(const HSTRING& other, bool exact = false) const;

    // Position of the n-th occurrence counted from the start (n > 0) or from the end (n < 0),
    // or -1.
    int Find(const unsigned char* pattern, unsigned length, int occurrence = 1) const;
    int Find(const char* text, int occurrence = 1) const;
    int FindByte(unsigned char byte, int occurrence = 1) const { return Find(&byte, 1, occurrence); }

    // Optional leading '+' or '-', then decimal digits and nothing else.
    bool ToInt(int& value) const;
    bool ToUnsigned(unsigned& value) const;

    bool ToPrintable(HSTRING& out, unsigned options = HSTRING_PRINTABLE_BACKSLASH) const;
    // Undoes the backslash forms; false when an escape was malformed (the rest is still done).
    bool FromPrintable(HSTRING& out) const;
    bool ConvertToPrintable(unsigned options = HSTRING_PRINTABLE_BACKSLASH);
    bool ConvertFromPrintable();

private:
    void Allocate(unsigned capacity, bool autoResize);
    void Terminate();
    bool Modifiable() const { return !m_Locked; }

    uint32_t m_GrowthStep = 200;
    uint32_t m_CallsSinceGrowth = 0;
    bool m_FirstGrowth = true;
    bool m_AutoResize = true;
    bool m_Locked = false;
    bool m_Borrowed = false;
    bool m_HexStyle = false;
    uint32_t m_Capacity = 0;
    unsigned char* m_Data = nullptr;
    uint32_t m_Length = 0;
};
