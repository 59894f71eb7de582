// HWSTRING: the wide-character twin of HSTRING, used for the texts handed to the progress
// reporting (PrepareDownloadStatus, UpdateDownloadStatus). Same rules of growth, fixed size,
// locking and borrowing; characters are 16 bits.
#pragma once

#include <cstdint>

class HSTRING;

class HWSTRING {
public:
    explicit HWSTRING(unsigned capacity = 0, bool autoResize = true);
    HWSTRING(const char16_t* text, bool autoResize = true, bool locked = false, bool borrowed = false);
    HWSTRING(const char16_t* characters, unsigned length, bool autoResize = true, bool locked = false,
             bool borrowed = false);
    // Widening of a byte buffer: every byte becomes one character.
    explicit HWSTRING(const HSTRING& bytes);
    HWSTRING(const HWSTRING& other);
    HWSTRING& operator=(const HWSTRING& other);
    ~HWSTRING();

    char16_t* Data() { return m_Data; }
    const char16_t* Data() const { return m_Data; }
    unsigned Length() const { return m_Length; }
    unsigned Capacity() const { return m_Capacity; }
    bool AutoResize() const { return m_AutoResize; }
    void SetAutoResize(bool autoResize) { m_AutoResize = autoResize; }
    bool Locked() const { return m_Locked; }
    void Lock(bool locked) { m_Locked = locked; }
    bool Borrowed() const { return m_Borrowed; }

    bool Reserve(unsigned n);
    bool SetLength(unsigned length);
    bool Copy(const char16_t* characters, unsigned length);
    bool Copy(const HWSTRING& other);
    bool Append(const char16_t* characters, unsigned length);
    bool Append(const HWSTRING& other);
    bool AppendCharacter(char16_t c) { return Append(&c, 1); }

    // Conversions with byte buffers: widening copies each byte, narrowing keeps the low byte.
    bool CopyFrom(const HSTRING& bytes);
    bool CopyTo(HSTRING& bytes) const;

private:
    void Terminate();

    uint32_t m_GrowthStep = 200;
    uint32_t m_CallsSinceGrowth = 0;
    bool m_FirstGrowth = true;
    bool m_AutoResize = true;
    bool m_Locked = false;
    bool m_Borrowed = false;
    bool m_HexStyle = false;
    uint32_t m_Capacity = 0;
    char16_t* m_Data = nullptr;
    uint32_t m_Length = 0;
};
