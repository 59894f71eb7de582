// CPreSufEntry: one prefix or suffix rule of a reader, for one symbology.
//
// The data is kept as display text (control characters as delimited names, see
// DisplayText.h) because that is what the editors show and what documents store; the bytes
// are worked out from it whenever a block command is built.
#pragma once

#include "device/blocks/DisplayText.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class CArchiveReader;
class CArchiveWriter;

class CPreSufEntry {
public:
    static constexpr std::int32_t kSuffix = 0;
    static constexpr std::int32_t kPrefix = 1;

    CPreSufEntry() = default;
    CPreSufEntry(std::int32_t kind, std::string symbology)
        : m_kind(kind)
        , m_symbology(std::move(symbology))
    {
    }

    std::int32_t GetKind() const { return m_kind; }
    void SetKind(std::int32_t kind) { m_kind = kind; }
    bool IsPrefix() const { return m_kind == kPrefix; }

    const std::string& GetSymbology() const { return m_symbology; }
    void SetSymbology(std::string symbology) { m_symbology = std::move(symbology); }

    const std::string& GetData() const { return m_data; }
    const std::string& GetLeftDelimiter() const { return m_left; }
    const std::string& GetRightDelimiter() const { return m_right; }
    // The data always comes with the delimiters that mark control-character names in it.
    void SetData(std::string_view text, std::string_view left = kDefaultLeftDelimiter,
        std::string_view right = kDefaultRightDelimiter);
    // The bytes the reader is sent.
    std::string GetDataBytes() const;

    // Stored form: kind (int32), data, left delimiter, right delimiter, symbology.
    void Write(CArchiveWriter& archive) const;
    static CPreSufEntry Read(CArchiveReader& archive);
    static constexpr std::size_t kMinStoredBytes = 4 + 4;

    bool operator==(const CPreSufEntry&) const = default;

private:
    std::int32_t m_kind = kPrefix;
    std::string m_data;
    std::string m_left { kDefaultLeftDelimiter };
    std::string m_right { kDefaultRightDelimiter };
    std::string m_symbology;
};
