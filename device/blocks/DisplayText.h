// DisplayText: how prefix/suffix data and formatter parameters are shown and typed.
//
// Readers take raw bytes, users edit text. A byte below 0x20 is shown as a three-character
// name between two delimiters ("[ CR]" with the usual "[" and "]"; two-letter names carry a
// leading blank so every name is three characters wide), printable ASCII stands for itself,
// and a byte from 0x7F up is shown as its hexadecimal value ("[0x80]"). Reading text back
// accepts the names in any case and "0x" forms for any byte.
//
// The name table below is the only copy in the program: the control-character picker of the
// editors uses it as well.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct ControlCharacterName {
    std::string_view name; // always three characters
    std::string_view description; // shown by the picker
};

// Indexed by the byte value 0x00..0x1F.
inline constexpr std::array<ControlCharacterName, 32> kControlCharacterNames { {
    /* 0x00 */ { "NUL", "Null" },
    { "SOH", "Start of Heading" },
    { "STX", "Start of Text" },
    { "ETX", "End of Text" },
    /* 0x04 */ { "EOT", "End of Transmission" },
    { "ENQ", "Enquiry" },
    { "ACK", "Acknowledge" },
    { "BEL", "Bell" },
    /* 0x08 */ { " BS", "Backspace" },
    { " HT", "Horizontal Tab" },
    { " LF", "Linefeed" },
    { " VT", "Vertical Tab" },
    /* 0x0C */ { " FF", "Formfeed" },
    { " CR", "Carriage Return" },
    { " SO", "Shift Out" },
    { " SI", "Shift In" },
    /* 0x10 */ { "DLE", "Data Link Escape" },
    { "DC1", "Device Control 1" },
    { "DC2", "Device Control 2" },
    { "DC3", "Device Control 3" },
    /* 0x14 */ { "DC4", "Device Control 4" },
    { "NAK", "Negative Acknowledge" },
    { "SYN", "Synchonous Idle" },
    { "ETB", "End Transmission Block" },
    /* 0x18 */ { "CAN", "Cancel" },
    { " EM", "End of Medium" },
    { "SUB", "Substitute" },
    { "ESC", "Escape" },
    /* 0x1C */ { " FS", "File Separator" },
    { " GS", "Group Separator" },
    { " RS", "Record Separator" },
    { " US", "Unit Separator" },
} };

inline constexpr std::string_view kDefaultLeftDelimiter = "[";
inline constexpr std::string_view kDefaultRightDelimiter = "]";

// Bytes to display text. A left delimiter in the data that would otherwise read back as a name
// or a hexadecimal form (the bytes "[ CR]" typed literally, say) is itself written in the
// hexadecimal form, so that every byte string survives the trip through the editor. (That
// guarantee holds for one-character left delimiters, the only kind the editors use.)
std::string BytesToDisplayText(std::string_view bytes, std::string_view left = kDefaultLeftDelimiter,
    std::string_view right = kDefaultRightDelimiter);

// Display text to bytes. Anything that is not a complete delimited name or "0x" form is taken
// literally. With an empty left delimiter nothing is treated as a name.
std::string DisplayTextToBytes(std::string_view text, std::string_view left = kDefaultLeftDelimiter,
    std::string_view right = kDefaultRightDelimiter);

// `text` cut into the pieces that stand for one byte each: a delimited name or "0x" form, or
// one character. Cutting a text to a number of units never splits a name.
std::vector<std::string_view> DisplayTextUnits(std::string_view text, std::string_view left = kDefaultLeftDelimiter,
    std::string_view right = kDefaultRightDelimiter);

// The number of bytes `text` stands for: a delimited name or "0x" form counts as one.
std::size_t DisplayTextLength(std::string_view text, std::string_view left = kDefaultLeftDelimiter,
    std::string_view right = kDefaultRightDelimiter);

// Each byte as two lower-case hexadecimal digits, as the reader's block commands carry data.
std::string BytesToHex(std::string_view bytes);
