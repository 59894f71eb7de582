#include "device/blocks/BlockCodec.h"

#include "platform/TextUtil.h"

#include "wizards/FormatCommandCatalog.h"

#include <array>

namespace {

constexpr char kRecordEnd = '|';

// Header of a data-format record: slot, terminal code, symbology code, length.
constexpr std::size_t kSlotWidth = 1;
constexpr std::size_t kTerminalWidth = 3;
constexpr std::size_t kSymbologyWidth = 2;
constexpr std::size_t kLengthWidth = 4;
constexpr std::size_t kFormatHeaderWidth = kSlotWidth + kTerminalWidth + kSymbologyWidth + kLengthWidth;

// Formatter commands whose text parameter is sent with a count in front of it.
constexpr std::array<std::string_view, 3> kCountedCommands { "FB", "E4", "EF" };

// Commands a configuration barcode leaves out.
constexpr std::array<std::string_view, 15> kHousekeepingCommands { "PRECA2", "SUFCA2", "AXPCA2", "AXSCA2",
    "DFMCA3", "AXDCA3", "PRE_EN1", "SUF_EN1", "AXP_EN1", "AXS_EN1", "DFM_EN1", "AXD_EN1", "DFMRQD1",
    "AIMIDX0", "CODIDX0" };

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex pairs to bytes. A pair that is not two hex digits stands for the value of its leading
// digits (none: 0), the way a reader's own parser treats it; an odd last digit is dropped.
std::string HexPairsToBytes(std::string_view hex)
{
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i + 2 <= hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        int value = 0;
        if (high >= 0) value = low >= 0 ? high * 16 + low : high;
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

int LeadingDecimal(std::string_view digits)
{
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Splits a block value into its records: trimmed, a missing final "|" supplied, and a value
// shorter than `minimum` (final "|" included) taken as empty.
std::vector<std::string_view> SplitRecords(
    std::string_view value, std::size_t minimum, std::string& storage, std::vector<std::string>* dropped)
{
    storage = Trim(value);
    if (!storage.empty() && storage.back() != kRecordEnd) storage.push_back(kRecordEnd);
    std::vector<std::string_view> records;
    if (storage.size() < minimum) {
        if (dropped && storage.size() > 1) dropped->push_back(storage.substr(0, storage.size() - 1));
        return records;
    }
    std::string_view rest = storage;
    while (!rest.empty()) {
        const std::size_t end = rest.find(kRecordEnd);
        records.push_back(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    return records;
}

bool IsCountedCommand(std::string_view upperCode)
{
    for (const std::string_view code : kCountedCommands)
        if (code == upperCode) return true;
    return false;
}

bool IsMarker(std::string_view text, std::size_t position)
{
    return position + 4 <= text.size() && text[position] == '{' && text[position + 3] == '}';
}

std::size_t NextMarker(std::string_view text, std::size_t from)
{
    for (std::size_t i = from; i < text.size(); ++i)
        if (IsMarker(text, i)) return i;
    return text.size();
}

std::string EncodeParameter(
    std::string_view code, std::string_view parameter, std::string_view left, std::string_view right)
{
    auto hex = [&](std::string_view text) { return BytesToHex(DisplayTextToBytes(text, left, right)); };
    const std::string upper = ToUpper(code);
    if (IsCountedCommand(upper)) {
        const std::string bytes = DisplayTextToBytes(parameter, left, right);
        std::string count = std::to_string(bytes.size());
        if (count.size() < 2) count.insert(0, 1, '0');
        return count + BytesToHex(bytes);
    }
    const FormatCommand command = LookupFormatCommand(upper);
    const bool one1 = command.limit1 == 1;
    const bool one2 = command.limit2 == 1;
    const bool numeric1 = command.numeric1 != 0;
    const bool numeric2 = command.numeric2 != 0;
    if (one1 && one2) {
        if (numeric1 && numeric2) return std::string(parameter);
        if (numeric1) {
            const std::size_t cut = std::min<std::size_t>(2, parameter.size());
            return std::string(parameter.substr(0, cut)) + hex(parameter.substr(cut));
        }
        if (numeric2) {
            const std::size_t cut = parameter.size() < 2 ? 0 : parameter.size() - 2;
            return hex(parameter.substr(0, cut)) + std::string(parameter.substr(cut));
        }
        return hex(parameter);
    }
    if (one1) return numeric1 ? std::string(parameter) : hex(parameter);
    if (one2) return numeric2 ? std::string(parameter) : hex(parameter);
    return std::string(parameter);
}


// Symbology codes are two letters or digits; anything else cannot be written back as the
// same record, so it is no record.
bool IsCode(std::string_view code)
{
    auto alnum = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return code.size() == 2 && alnum(code[0]) && alnum(code[1]);
}

// A piece of typed block text between two "|", with its offset in the whole text.
struct TypedRecord {
    std::string_view text;
    std::size_t offset;
};

std::vector<TypedRecord> SplitTyped(std::string_view text)
{
    std::vector<TypedRecord> records;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(kRecordEnd, start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view piece = text.substr(start, end - start);
        // Blanks around a record are layout, not data.
        std::size_t lead = 0;
        while (lead < piece.size() && (piece[lead] == ' ' || piece[lead] == '\t')) ++lead;
        piece.remove_prefix(lead);
        while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t')) piece.remove_suffix(1);
        if (!piece.empty()) records.push_back({ piece, start + lead });
        start = end + 1;
    }
    return records;
}

CFormatKeyEntry ParseFormatRecord(
    std::string_view record, const CCodeTable& symbologies, const CCodeTable& terminals)
{
    CFormatKeyEntry entry;
    entry.SetSlot(static_cast<std::uint8_t>(LeadingDecimal(record.substr(0, kSlotWidth))));
    std::size_t position = kSlotWidth;
    entry.SetTerminal(TerminalName(terminals, record.substr(position, kTerminalWidth)));
    position += kTerminalWidth;
    entry.SetSymbology(SymbologyName(symbologies, record.substr(position, kSymbologyWidth)));
    position += kSymbologyWidth;
    entry.SetLength(std::string(record.substr(position, kLengthWidth)));
    position += kLengthWidth;
    entry.SetCommands(DecodeFormatCommands(record.substr(position)));
    return entry;
}

std::string FormatRecordText(
    const CFormatKeyEntry& entry, const CCodeTable& symbologies, const CCodeTable& terminals)
{
    std::string length = entry.GetLength();
    if (length.size() < kLengthWidth) length.insert(0, kLengthWidth - length.size(), '0');
    std::string text = std::to_string(entry.GetSlot());
    text += TerminalCode(terminals, entry.GetTerminal());
    text += SymbologyCode(symbologies, entry.GetSymbology());
    text += length;
    text += EncodeFormatCommands(entry.GetCommands(), entry.GetLeftDelimiter(), entry.GetRightDelimiter());
    return text;
}

// Checks the reader form of a command sequence: known codes, every parameter complete, text
// as hexadecimal pairs and numbers as digits. The offset of the first fault, or npos.
std::size_t CheckEncodedCommands(std::string_view encoded, std::string& reason)
{
    std::size_t position = 0;
    auto units = [&](std::size_t count, bool numeric) {
        for (std::size_t i = 0; i < count * 2; ++i, ++position) {
            if (position >= encoded.size()) {
                reason = "a formatter command is missing its parameter";
                return false;
            }
            const char c = encoded[position];
            if (numeric ? (c < '0' || c > '9') : HexDigit(c) < 0) {
                reason = numeric ? "a number parameter has a character that is not a digit"
                                 : "a text parameter is not hexadecimal";
                return false;
            }
        }
        return true;
    };
    while (position < encoded.size()) {
        if (encoded.size() - position < 2) {
            reason = "half a formatter command";
            return position;
        }
        const std::string code = ToUpper(encoded.substr(position, 2));
        const FormatCommand* command = FindFormatCommand(code);
        if (!command) {
            reason = "unknown formatter command " + code;
            return position;
        }
        position += 2;
        if (IsCountedCommand(code)) {
            const std::size_t countAt = position;
            if (!units(1, true)) return position;
            const int count = LeadingDecimal(encoded.substr(countAt, 2));
            if (!units(static_cast<std::size_t>(count), false)) return position;
            continue;
        }
        if (!units(static_cast<std::size_t>(command->limit1), command->numeric1 != 0)) return position;
        if (!units(static_cast<std::size_t>(command->limit2), command->numeric2 != 0)) return position;
    }
    return std::string_view::npos;
}

} // namespace

std::string SymbologyName(const CCodeTable& symbologies, std::string_view code)
{
    std::string name = symbologies.NameFromCode(code);
    if (name.empty()) name = std::string(kUnknownSymbologyLead) + std::string(code);
    return name;
}

std::string SymbologyCode(const CCodeTable& symbologies, std::string_view name)
{
    std::string code = symbologies.CodeFromName(name);
    if (code.empty() && name.starts_with(kUnknownSymbologyLead))
        code = name.substr(kUnknownSymbologyLead.size());
    return code;
}

std::string TerminalName(const CCodeTable& terminals, std::string_view code)
{
    const std::string padded = PadTerminalCode(code);
    std::string name = terminals.NameFromCode(padded);
    if (!name.empty()) return name;
    // "099" stands for any terminal only while the list has no row of that name.
    if (padded == kAnyTerminalCode && terminals.CodeFromName(kAnyTerminal).empty()) return std::string(kAnyTerminal);
    return std::string(kUnknownTerminalLead) + padded;
}

std::string TerminalCode(const CCodeTable& terminals, std::string_view name)
{
    std::string code = terminals.CodeFromName(name);
    if (!code.empty()) return code;
    // A new format has no terminal yet: it applies to any.
    if (name.empty() || EqualNoCase(name, kAnyTerminal)) return std::string(kAnyTerminalCode);
    if (name.starts_with(kUnknownTerminalLead)) return PadTerminalCode(name.substr(kUnknownTerminalLead.size()));
    return code;
}

std::vector<CPreSufEntry> ParsePrefixSuffixValue(std::string_view value, std::int32_t kind,
    const CCodeTable& symbologies, std::vector<std::string>* dropped)
{
    // Shortest record: a two-character code and the "|".
    std::string storage;
    std::vector<CPreSufEntry> entries;
    for (const std::string_view record : SplitRecords(value, 3, storage, dropped)) {
        if (record.size() < 2 || !IsCode(record.substr(0, 2))) {
            if (dropped && !record.empty()) dropped->emplace_back(record);
            continue;
        }
        CPreSufEntry entry(kind, SymbologyName(symbologies, record.substr(0, 2)));
        entry.SetData(BytesToDisplayText(HexPairsToBytes(record.substr(2))));
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<CFormatKeyEntry> ParseDataFormatValue(std::string_view value, const CCodeTable& symbologies,
    const CCodeTable& terminals, std::vector<std::string>* dropped)
{
    std::string storage;
    std::vector<CFormatKeyEntry> entries;
    for (const std::string_view record : SplitRecords(value, kFormatHeaderWidth + 1, storage, dropped)) {
        if (record.size() < kFormatHeaderWidth) {
            if (dropped && !record.empty()) dropped->emplace_back(record);
            continue;
        }
        entries.push_back(ParseFormatRecord(record, symbologies, terminals));
    }
    return entries;
}

std::string PrefixSuffixValueText(const std::vector<CPreSufEntry>& entries, const CCodeTable& symbologies)
{
    std::string text;
    for (const CPreSufEntry& entry : entries) {
        text += SymbologyCode(symbologies, entry.GetSymbology());
        text += BytesToHex(entry.GetDataBytes());
        text += kRecordEnd;
    }
    return text;
}

std::string DataFormatValueText(
    const std::vector<CFormatKeyEntry>& entries, const CCodeTable& symbologies, const CCodeTable& terminals)
{
    std::string text;
    for (const CFormatKeyEntry& entry : entries) {
        text += FormatRecordText(entry, symbologies, terminals);
        text += kRecordEnd;
    }
    return text;
}

std::string BlockSizeRefusal(std::string_view tag, std::size_t length, long long maximum)
{
    if (maximum <= 0 || static_cast<long long>(length) <= maximum) return {};
    return std::string(tag) + " would hold " + std::to_string(length) + " characters, "
        + std::to_string(static_cast<long long>(length) - maximum) + " more than the reader's maximum of "
        + std::to_string(maximum) + ".";
}

std::string BlockTextError::Message(std::string_view tag) const
{
    return std::string(tag) + ": " + reason + " at character " + std::to_string(position) + ".";
}

bool ParsePrefixSuffixText(std::string_view text, std::int32_t kind, const CCodeTable& symbologies,
    std::vector<CPreSufEntry>& entries, BlockTextError& error)
{
    std::vector<CPreSufEntry> parsed;
    for (const TypedRecord& record : SplitTyped(text)) {
        if (record.text.size() < 2 || !IsCode(record.text.substr(0, 2))) {
            error = { record.offset + 1, "a record needs a symbology code of two letters or digits" };
            return false;
        }
        const std::string_view data = record.text.substr(2);
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (HexDigit(data[i]) < 0) {
                error = { record.offset + 3 + i, "the data is not hexadecimal" };
                return false;
            }
        }
        if (data.size() % 2 != 0) {
            error = { record.offset + 2 + data.size(), "the data ends in half a hexadecimal pair" };
            return false;
        }
        CPreSufEntry entry(kind, SymbologyName(symbologies, record.text.substr(0, 2)));
        entry.SetData(BytesToDisplayText(HexPairsToBytes(data)));
        parsed.push_back(std::move(entry));
    }
    entries = std::move(parsed);
    return true;
}

bool ParseDataFormatText(std::string_view text, const CCodeTable& symbologies, const CCodeTable& terminals,
    std::vector<CFormatKeyEntry>& entries, BlockTextError& error)
{
    std::vector<CFormatKeyEntry> parsed;
    for (const TypedRecord& record : SplitTyped(text)) {
        const std::string_view r = record.text;
        auto fail = [&](std::size_t at, const char* reason) {
            error = { record.offset + at + 1, reason };
            return false;
        };
        if (r.size() < kFormatHeaderWidth)
            return fail(r.size(), "a data format needs slot, terminal, symbology and length (10 characters)");
        if (r[0] < '0' || r[0] > '3') return fail(0, "the slot must be 0 to 3");
        for (std::size_t i = 1; i < 1 + kTerminalWidth; ++i)
            if (r[i] < '0' || r[i] > '9') return fail(i, "the terminal code must be three digits");
        for (std::size_t i = 6; i < kFormatHeaderWidth; ++i)
            if (r[i] < '0' || r[i] > '9') return fail(i, "the length must be four digits");
        std::string reason;
        const std::size_t bad = CheckEncodedCommands(r.substr(kFormatHeaderWidth), reason);
        if (bad != std::string_view::npos) return fail(kFormatHeaderWidth + bad, reason.c_str());
        parsed.push_back(ParseFormatRecord(r, symbologies, terminals));
    }
    entries = std::move(parsed);
    return true;
}

std::string DecodeFormatCommands(std::string_view encoded)
{
    // Only the record itself: a "|" ends it.
    encoded = encoded.substr(0, encoded.find(kRecordEnd));
    std::size_t position = 0;
    auto take = [&](std::size_t units) {
        const std::size_t length = std::min(units * 2, (encoded.size() - position) & ~std::size_t { 1 });
        const std::string_view part = encoded.substr(position, length);
        position += length;
        return part;
    };
    // A brace in a parameter is written in its hexadecimal form: as itself it could read as
    // the start of a command marker when the text is encoded again.
    auto display = [](std::string_view hex) {
        std::string text;
        for (const char c : BytesToDisplayText(HexPairsToBytes(hex))) {
            if (c == '{') text += "[0x7b]";
            else if (c == '}') text += "[0x7d]";
            else text += c;
        }
        return text;
    };

    std::string text;
    while (encoded.size() - position >= 2) {
        const std::string code = ToUpper(encoded.substr(position, 2));
        position += 2;
        text += '{';
        text += code;
        text += '}';
        if (IsCountedCommand(code)) {
            // EF is counted like FB and E4: that is how it is written, so that is how a
            // reader hands it back.
            const int count = LeadingDecimal(take(1));
            text += display(take(static_cast<std::size_t>(count)));
            continue;
        }
        if (code[0] != 'E' && code[0] != 'F') continue;
        const FormatCommand command = LookupFormatCommand(code);
        const std::string_view first = take(static_cast<std::size_t>(command.limit1));
        const std::string_view second = take(static_cast<std::size_t>(command.limit2));
        const bool one1 = command.limit1 == 1;
        const bool one2 = command.limit2 == 1;
        if (one1) text += command.numeric1 ? std::string(first) : display(first);
        if (one2) text += command.numeric2 ? std::string(second) : display(second);
        if (!one1 && !one2) {
            text += first;
            text += second;
        }
    }
    return text;
}

std::string EncodeFormatCommands(std::string_view commands, std::string_view left, std::string_view right)
{
    std::string encoded;
    std::size_t position = NextMarker(commands, 0);
    // Text before the first command has no code to go with; it is passed on as it stands,
    // except blanks and line breaks, which the sequence's reader takes as layout only (sent
    // on, they made the record one the reader refuses).
    const std::string_view lead = commands.substr(0, position);
    if (!Trim(lead).empty())
        encoded += lead;
    while (position < commands.size()) {
        const std::string_view code = commands.substr(position + 1, 2);
        const std::size_t parameterStart = position + 4;
        position = NextMarker(commands, parameterStart);
        encoded += code;
        encoded
            += EncodeParameter(code, commands.substr(parameterStart, position - parameterStart), left, right);
    }
    // Text parameters went out as hex, so braces left over can only be stray ones.
    std::erase(encoded, '{');
    std::erase(encoded, '}');
    return encoded;
}

std::string BuildPrefixSuffixCommand(
    std::string_view tag, const CPreSufEntry& entry, const CCodeTable& symbologies)
{
    std::string command(tag);
    command += SymbologyCode(symbologies, entry.GetSymbology());
    command += BytesToHex(entry.GetDataBytes());
    command += '.';
    return command;
}

std::string BuildDataFormatCommand(std::string_view tag, const CFormatKeyEntry& entry,
    const CCodeTable& symbologies, const CCodeTable& terminals)
{
    return std::string(tag) + FormatRecordText(entry, symbologies, terminals) + ".";
}

void DropBlockHousekeeping(std::vector<std::string>& commands)
{
    std::erase_if(commands, [](const std::string& command) {
        for (const std::string_view prefix : kHousekeepingCommands)
            if (command.starts_with(prefix)) return true;
        return false;
    });
}
