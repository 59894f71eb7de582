// CFormatKeyEntry: one data-formatter rule of a reader.
//
// A rule applies to one terminal interface, one symbology (or all), one data length and one
// of four slots (the primary format or alternates 1 to 3), and holds a command sequence in the
// editor's form: "{F1}[ CR]{F5}05" - a braced two-letter code followed by its parameters,
// control characters as delimited names.
#pragma once

#include "device/blocks/CCodeTable.h"
#include "device/blocks/DisplayText.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class CArchiveReader;
class CArchiveWriter;

class CFormatKeyEntry {
public:
    const std::string& GetTerminal() const { return m_terminal; }
    void SetTerminal(std::string terminal) { m_terminal = std::move(terminal); }
    const std::string& GetSymbology() const { return m_symbology; }
    void SetSymbology(std::string symbology) { m_symbology = std::move(symbology); }
    const std::string& GetLength() const { return m_length; }
    void SetLength(std::string length) { m_length = std::move(length); }

    // Slot 0 is the primary format, 1 to 3 the alternates; setting it also sets the slot name
    // ("Pri", "A1", "A2", "A3"; a slot outside that range has no name).
    std::uint8_t GetSlot() const { return m_slot; }
    const std::string& GetSlotName() const { return m_slotName; }
    void SetSlot(std::uint8_t slot);

    const std::string& GetCommands() const { return m_commands; }
    const std::string& GetLeftDelimiter() const { return m_left; }
    const std::string& GetRightDelimiter() const { return m_right; }
    // The command text always comes with the delimiters that mark control-character names in it.
    void SetCommands(std::string_view text, std::string_view left = kDefaultLeftDelimiter,
        std::string_view right = kDefaultRightDelimiter);

    // Stored form: terminal, symbology, length, slot name, slot (byte), commands, left and right
    // delimiter.
    void Write(CArchiveWriter& archive) const;
    static CFormatKeyEntry Read(CArchiveReader& archive);
    static constexpr std::size_t kMinStoredBytes = 4 + 1 + 3;

    bool operator==(const CFormatKeyEntry&) const = default;

private:
    std::string m_terminal;
    std::string m_symbology { kAllSymbologies };
    std::string m_length;
    std::string m_slotName { "Pri" };
    std::uint8_t m_slot = 0;
    std::string m_commands;
    std::string m_left { kDefaultLeftDelimiter };
    std::string m_right { kDefaultRightDelimiter };
};
