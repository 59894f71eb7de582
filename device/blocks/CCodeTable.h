// CCodeTable: the symbology table and the terminal-interface table of a device.
//
// Two parallel lists, names and the codes the reader uses for them. The editors offer the
// names; the block codec turns names into codes when writing and codes into names when
// reading. Lookups ignore case and take the last matching row, since some codes are shared
// (Code 2 of 5 and IATA 2/5 are both "66"); no match gives an empty text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The first row of every symbology table; a new data format applies to it.
inline constexpr std::string_view kAllSymbologies = "All Symbologies";

class CArchiveReader;
class CArchiveWriter;

class CCodeTable {
public:
    void Add(std::string name, std::string code);
    void Clear();

    const std::vector<std::string>& GetNames() const { return m_names; }
    const std::vector<std::string>& GetCodes() const { return m_codes; }

    std::string NameFromCode(std::string_view code) const;
    std::string CodeFromName(std::string_view name) const;

    // Stored as two string lists, codes first. The lists are read as they come; should a
    // damaged document give them different lengths, lookups use the rows both have.
    void Write(CArchiveWriter& archive) const;
    void Read(CArchiveReader& archive);

    bool operator==(const CCodeTable&) const = default;

private:
    std::vector<std::string> m_names;
    std::vector<std::string> m_codes;
};

// The symbologies a reader knows, worked out from its setting tags (in setting order): every
// enable setting (characters 4 to 6 "ENA", "EN0" or "EN1") and "EANEMU" adds its rows after the
// two fixed rows "All Symbologies" and "No Read".
CCodeTable BuildSymbologyTable(const std::vector<std::string>& settingTags);

// The terminal interfaces from the "Group List" text of the TERMID tab definition: names
// separated by "|", coded by position as three digits ("000", "001", ...).
CCodeTable ReadTerminalTable(std::string_view groupList);

// Terminal codes are three digits; a shorter code is left-padded with "0" before a lookup.
std::string PadTerminalCode(std::string_view code);
