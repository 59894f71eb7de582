// BlockCodec: the reader's block texts for prefix/suffix and data-formatter rules.
//
// A block setting holds every rule of one table as "|"-terminated records:
//   PREBK2 / SUFBK2 / AXPBK2 / AXSBK2   <symbology code:2><data as hex pairs>|
//   DFMBK3 / AXDBK3                     <slot:1><terminal code:3><symbology code:2><length:4><commands>|
// Rules are written back one command each ("PREBK2" "62" "0d0a" "."). Formatter commands travel
// as their two-letter code and parameters: text as hex pairs, numbers as decimal digits, and for
// FB, E4 and EF a two-digit count followed by that many hex pairs.
//
// Everything here works on text that came from a reader or a document, so it never reads past
// the end of a record and keeps whatever it can make sense of: unknown codes give empty names,
// fragments too short to be a record are skipped.
#pragma once

#include "device/blocks/CCodeTable.h"
#include "device/blocks/CFormatKeyEntry.h"
#include "device/blocks/CPreSufEntry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A symbology or terminal code the tables do not know still makes a name, so the record keeps
// its code when it is written back: "Symbology 5A", "Terminal 123". A data format for any
// terminal carries the code "099"; it reads back as "Any Terminal" unless the reader's own
// terminal list has a row with that code.
inline constexpr std::string_view kUnknownSymbologyLead = "Symbology ";
inline constexpr std::string_view kUnknownTerminalLead = "Terminal ";
inline constexpr std::string_view kAnyTerminal = "Any Terminal";
inline constexpr std::string_view kAnyTerminalCode = "099";

std::string SymbologyName(const CCodeTable& symbologies, std::string_view code);
std::string SymbologyCode(const CCodeTable& symbologies, std::string_view name);
std::string TerminalName(const CCodeTable& terminals, std::string_view code);
std::string TerminalCode(const CCodeTable& terminals, std::string_view name);

// The records of one prefix/suffix block value; every record gets `kind`. Pieces between
// "|" that are too short to be a record are skipped and, when `dropped` is given, added to it.
std::vector<CPreSufEntry> ParsePrefixSuffixValue(std::string_view value, std::int32_t kind,
    const CCodeTable& symbologies, std::vector<std::string>* dropped = nullptr);

// The records of one data-format block value.
std::vector<CFormatKeyEntry> ParseDataFormatValue(std::string_view value, const CCodeTable& symbologies,
    const CCodeTable& terminals, std::vector<std::string>* dropped = nullptr);

// Block value text of records, as a reader reports it: every record closed by "|".
std::string PrefixSuffixValueText(const std::vector<CPreSufEntry>& entries, const CCodeTable& symbologies);
std::string DataFormatValueText(
    const std::vector<CFormatKeyEntry>& entries, const CCodeTable& symbologies, const CCodeTable& terminals);

// The message for records that would not fit a block setting of `maximum` characters; ""
// when they fit or no maximum is known (0 or less).
std::string BlockSizeRefusal(std::string_view tag, std::size_t length, long long maximum);

// Where typed block text stops making sense: the 1-based character position and why.
struct BlockTextError {
    std::size_t position = 0;
    std::string reason;
    std::string Message(std::string_view tag) const;
};

// Typed block text, checked strictly: every record must be complete and every hexadecimal
// pair and formatter command well formed, since what the user typed is sent to the reader.
// False (with the error) leaves `entries` alone.
bool ParsePrefixSuffixText(std::string_view text, std::int32_t kind, const CCodeTable& symbologies,
    std::vector<CPreSufEntry>& entries, BlockTextError& error);
bool ParseDataFormatText(std::string_view text, const CCodeTable& symbologies, const CCodeTable& terminals,
    std::vector<CFormatKeyEntry>& entries, BlockTextError& error);

// The formatter commands of one record, reader form to editor form ("F10d" -> "{F1}[ CR]").
std::string DecodeFormatCommands(std::string_view encoded);

// Editor form to reader form ("{F1}[ CR]" -> "F10d"); `left` and `right` mark the
// control-character names in the text.
std::string EncodeFormatCommands(std::string_view commands, std::string_view left = kDefaultLeftDelimiter,
    std::string_view right = kDefaultRightDelimiter);

// One write command, e.g. "PREBK2620d0a.".
std::string BuildPrefixSuffixCommand(
    std::string_view tag, const CPreSufEntry& entry, const CCodeTable& symbologies);
// One write command, e.g. "DFMBK32000990000F10d.".
std::string BuildDataFormatCommand(std::string_view tag, const CFormatKeyEntry& entry,
    const CCodeTable& symbologies, const CCodeTable& terminals);

// Removes the clear commands and the enables at their default values from a command list. A
// configuration barcode leaves them out: scanning it starts from a reader at its defaults.
void DropBlockHousekeeping(std::vector<std::string>& commands);
