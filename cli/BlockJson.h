// The fields of a data-format record as kestrel-cli prints them in JSON, for every command
// that lists records ("open", "rules").
#pragma once

#include "cli/JsonWriter.h"
#include "device/blocks/CFormatKeyEntry.h"

inline JsonWriter& FormatEntryFields(JsonWriter& json, const CFormatKeyEntry& entry)
{
    return json.Key("slot")
        .String(entry.GetSlotName())
        .Key("terminal")
        .String(entry.GetTerminal())
        .Key("symbology")
        .String(entry.GetSymbology())
        .Key("length")
        .String(entry.GetLength())
        .Key("commands")
        .String(entry.GetCommands());
}
