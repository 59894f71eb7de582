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

// The records of one prefix/suffix block value; every record gets `kind`.
std::vector<CPreSufEntry> ParsePrefixSuffixValue(
    std::string_view value, std::int32_t kind, const CCodeTable& symbologies);

// The records of one data-format block value.
std::vector<CFormatKeyEntry> ParseDataFormatValue(
    std::string_view value, const CCodeTable& symbologies, const CCodeTable& terminals);

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
