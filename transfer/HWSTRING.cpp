#include "transfer/HWSTRING.h"

#include "transfer/BufferGrowth.h"

#include "transfer/HSTRING.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

char16_t* AllocateStorage(uint32_t capacity)
{
    auto* data = static_cast<char16_t*>(std::calloc(static_cast<size_t>(capacity) + 2, sizeof(char16_t)));
    if (!data)
        std::abort();
    return data;
}

unsigned TextLength(const char16_t* text)
{
    unsigned n = 0;
    while (text && text[n])
        ++n;
    return n;
}

} // namespace

HWSTRING::HWSTRING(unsigned capacity, bool autoResize)
    : m_AutoResize(autoResize), m_Capacity(capacity), m_Data(AllocateStorage(capacity))
{
}

HWSTRING::HWSTRING(const char16_t* text, bool autoResize, bool locked, bool borrowed)
    : HWSTRING(text ? text : u"", TextLength(text), autoResize, locked, borrowed)
{
}

HWSTRING::HWSTRING(const char16_t* characters, unsigned length, bool autoResize, bool locked, bool borrowed)
    : m_AutoResize(autoResize), m_Locked(locked), m_Borrowed(borrowed && characters), m_Capacity(length),
      m_Length(length)
{
    if (m_Borrowed) {
        m_Data = const_cast<char16_t*>(characters);
        return;
    }
    m_Data = AllocateStorage(length);
    if (characters && length)
        std::memcpy(m_Data, characters, length * sizeof(char16_t));
    else
        m_Length = 0;
}

HWSTRING::HWSTRING(const HSTRING& bytes) : HWSTRING(bytes.Length()) { CopyFrom(bytes); }

HWSTRING::HWSTRING(const HWSTRING& other)
    : m_GrowthStep(other.m_GrowthStep), m_AutoResize(other.m_AutoResize), m_Locked(other.m_Locked),
      m_HexStyle(other.m_HexStyle), m_Capacity(other.m_Length), m_Data(AllocateStorage(other.m_Length)),
      m_Length(other.m_Length)
{
    if (m_Length)
        std::memcpy(m_Data, other.m_Data, m_Length * sizeof(char16_t));
}

HWSTRING& HWSTRING::operator=(const HWSTRING& other)
{
    if (this != &other)
        Copy(other);
    return *this;
}

HWSTRING::~HWSTRING()
{
    if (!m_Borrowed)
        std::free(m_Data);
}

void HWSTRING::Terminate()
{
    if (!m_Borrowed || m_Length < m_Capacity)
        m_Data[m_Length] = 0;
}

// Same rule as HSTRING::Reserve: exact size on the first growth, then an adaptive step.
bool HWSTRING::Reserve(unsigned n)
{
    ++m_CallsSinceGrowth;
    if (n <= m_Capacity)
        return true;
    if (m_Locked || !m_AutoResize || m_Borrowed)
        return false;
    uint32_t newCapacity = 0;
    if (!NextBufferCapacity(n, m_CallsSinceGrowth, std::numeric_limits<uint32_t>::max() / 2 - 2, m_GrowthStep,
                            m_FirstGrowth, newCapacity))
        return false;
    auto* grown = static_cast<char16_t*>(std::realloc(m_Data, (static_cast<size_t>(newCapacity) + 2) * sizeof(char16_t)));
    if (!grown)
        return false;
    std::memset(grown + m_Length, 0, (static_cast<size_t>(newCapacity) + 2 - m_Length) * sizeof(char16_t));
    m_Data = grown;
    m_Capacity = newCapacity;
    m_CallsSinceGrowth = 0;
    return true;
}

bool HWSTRING::SetLength(unsigned length)
{
    if (m_Locked || !Reserve(length))
        return false;
    m_Length = length;
    Terminate();
    return true;
}

bool HWSTRING::Copy(const char16_t* characters, unsigned length)
{
    if (m_Locked || !Reserve(length))
        return false;
    if (length)
        std::memmove(m_Data, characters, length * sizeof(char16_t));
    m_Length = length;
    Terminate();
    return true;
}

bool HWSTRING::Copy(const HWSTRING& other)
{
    if (this == &other)
        return !m_Locked;
    return Copy(other.m_Data, other.m_Length);
}

bool HWSTRING::Append(const char16_t* characters, unsigned length)
{
    if (m_Locked || length > std::numeric_limits<uint32_t>::max() / 2 - 2 - m_Length)
        return false;
    const bool inside = characters >= m_Data && characters < m_Data + m_Capacity + 2;
    const size_t offset = inside ? static_cast<size_t>(characters - m_Data) : 0;
    if (!Reserve(m_Length + length))
        return false;
    if (inside)
        characters = m_Data + offset;
    if (length)
        std::memmove(m_Data + m_Length, characters, length * sizeof(char16_t));
    m_Length += length;
    Terminate();
    return true;
}

bool HWSTRING::Append(const HWSTRING& other)
{
    if (this == &other) {
        const HWSTRING copy(other);
        return Append(copy.m_Data, copy.m_Length);
    }
    return Append(other.m_Data, other.m_Length);
}

bool HWSTRING::CopyFrom(const HSTRING& bytes)
{
    if (m_Locked || !Reserve(bytes.Length()))
        return false;
    for (unsigned i = 0; i < bytes.Length(); ++i)
        m_Data[i] = bytes.Data()[i];
    m_Length = bytes.Length();
    Terminate();
    return true;
}

bool HWSTRING::CopyTo(HSTRING& bytes) const
{
    HSTRING narrow(m_Length);
    for (unsigned i = 0; i < m_Length; ++i)
        narrow.AppendByte(static_cast<unsigned char>(m_Data[i] & 0xFF));
    return bytes.Copy(narrow);
}
