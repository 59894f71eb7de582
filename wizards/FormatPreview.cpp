#include "wizards/FormatPreview.h"

#include "device/blocks/BlockCodec.h"
#include "device/blocks/DisplayText.h"
#include "platform/TextUtil.h"
#include "wizards/FormatSequence.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr std::string_view kAllCode = "99";
constexpr std::string_view kAnyLength = "9999";

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = ToUpperAscii(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string HexToBytes(std::string_view hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0) break;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

std::vector<std::string_view> Records(std::string_view block)
{
    std::vector<std::string_view> records;
    while (!block.empty()) {
        const std::size_t end = block.find('|');
        const std::string_view record = Trim(block.substr(0, end)).empty() ? std::string_view {} : block.substr(0, end);
        if (!record.empty()) records.push_back(record);
        if (end == std::string_view::npos) break;
        block.remove_prefix(end + 1);
    }
    return records;
}

// The bytes of the prefix or suffix for `code`: its own record beats the one for all.
std::string PrefixSuffixFor(std::string_view block, std::string_view code)
{
    std::string own, all;
    bool hasOwn = false;
    for (const std::string_view record : Records(block)) {
        if (record.size() < 2) continue;
        const std::string_view recordCode = record.substr(0, 2);
        if (EqualNoCase(recordCode, code)) {
            own += HexToBytes(record.substr(2));
            hasOwn = true;
        } else if (recordCode == kAllCode) {
            all += HexToBytes(record.substr(2));
        }
    }
    return hasOwn ? own : all;
}

// A backslash and 0x80 stand for the code ID.
std::string InsertCodeId(std::string bytes, char codeId)
{
    const std::string marker { '\\', '\x80' };
    for (std::size_t at = bytes.find(marker); at != std::string::npos; at = bytes.find(marker, at + 1))
        bytes.replace(at, 2, 1, codeId);
    return bytes;
}

// AIM identifiers of the common symbologies, by code ID; others are "]X0".
std::string AimId(std::string_view code)
{
    static const std::map<std::string, std::string> kAim {
        { "61", "]F0" }, { "62", "]A0" }, { "63", "]E0" }, { "64", "]E0" }, { "65", "]I0" }, { "6A", "]C0" },
        { "69", "]G0" }, { "72", "]L0" }, { "73", "]Q1" }, { "77", "]d1" }, { "7A", "]z0" }, { "68", "]H0" },
    };
    const auto found = kAim.find(ToUpper(code));
    return found != kAim.end() ? found->second : "]X0";
}

struct Machine {
    explicit Machine(const std::string& bytes)
        : data(bytes)
    {
    }
    const std::string& data;
    std::size_t cursor = 0;
    std::string host;
    std::string aux;
    bool toAux = false;
    std::set<char> suppressed;
    std::map<char, char> replaced;

    void Send(std::string_view bytes)
    {
        std::string& out = toAux ? aux : host;
        for (char c : bytes) {
            if (suppressed.count(c)) continue;
            const auto swap = replaced.find(c);
            out.push_back(swap != replaced.end() ? swap->second : c);
        }
    }
    // Extra characters are sent as they are: suppression and replacement act on data only.
    void SendExtra(std::string_view bytes) { (toAux ? aux : host) += bytes; }
};

// A length field as a number; -1 when it is not four digits.
long LengthOf(std::string_view field)
{
    long value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Runs one step; "" when it worked, else why it failed.
std::string Step(Machine& m, const FormatStep& step)
{
    const std::string& d = m.data;
    const std::size_t size = d.size();
    const std::string& code = step.code;
    auto find = [&](char c, std::size_t from) { return from <= size ? d.find(c, from) : std::string::npos; };
    if (code == "F1") {
        m.Send(std::string_view(d).substr(m.cursor));
        m.SendExtra(step.text2.empty() ? step.text1 : step.text2);
        m.cursor = size;
    } else if (code == "F2") {
        const auto n = static_cast<std::size_t>(step.number1);
        if (m.cursor + n > size) return "the cursor would leave the data";
        m.Send(std::string_view(d).substr(m.cursor, n));
        m.SendExtra(step.text2);
        m.cursor += n;
    } else if (code == "F3") {
        const std::size_t at = find(step.text1.empty() ? '\0' : step.text1[0], m.cursor);
        if (at == std::string::npos) return "found nothing";
        m.Send(std::string_view(d).substr(m.cursor, at - m.cursor));
        m.SendExtra(step.text2);
        m.cursor = at;
    } else if (code == "F4") {
        for (int i = 0; i < step.number2; ++i)
            m.SendExtra(step.text1);
    } else if (code == "F5") {
        if (m.cursor + static_cast<std::size_t>(step.number1) > size) return "the cursor would leave the data";
        m.cursor += static_cast<std::size_t>(step.number1);
    } else if (code == "F6") {
        if (static_cast<std::size_t>(step.number1) > m.cursor) return "the cursor would leave the data";
        m.cursor -= static_cast<std::size_t>(step.number1);
    } else if (code == "F7") {
        m.cursor = 0;
    } else if (code == "EA") {
        m.cursor = size;
    } else if (code == "F8") {
        const std::size_t at = find(step.text1[0], m.cursor);
        if (at == std::string::npos) return "found nothing";
        m.cursor = at;
    } else if (code == "F9") {
        if (m.cursor == 0) return "found nothing";
        const std::size_t at = d.rfind(step.text1[0], m.cursor - 1);
        if (at == std::string::npos) return "found nothing";
        m.cursor = at;
    } else if (code == "FB") {
        m.suppressed.insert(step.text1.begin(), step.text1.end());
    } else if (code == "FC") {
        m.suppressed.clear();
    } else if (code == "FE") {
        if (m.cursor < size && d[m.cursor] == step.text1[0]) ++m.cursor;
    } else if (code == "E4") {
        for (std::size_t i = 0; i + 1 < step.text1.size(); i += 2)
            m.replaced[step.text1[i]] = step.text1[i + 1];
    } else if (code == "E5") {
        m.replaced.clear();
    } else if (code == "E6") {
        std::size_t at = find(step.text1[0], m.cursor);
        if (at == std::string::npos) return "found nothing";
        while (at < size && d[at] == step.text1[0])
            ++at;
        m.cursor = at;
    } else if (code == "E7") {
        if (m.cursor == 0) return "found nothing";
        const std::size_t found = d.rfind(step.text1[0], m.cursor - 1);
        if (found == std::string::npos) return "found nothing";
        std::size_t at = found;
        while (at > 0 && d[at - 1] == step.text1[0])
            --at;
        if (at == 0) return "the cursor would leave the data";
        m.cursor = at - 1;
    } else if (code == "E9") {
        const auto n = static_cast<std::size_t>(step.number1);
        if (n > size || size - n < m.cursor) return "the cursor would leave the data";
        m.Send(std::string_view(d).substr(m.cursor, size - n - m.cursor));
        m.cursor = size - n;
    } else if (code == "EB") {
        m.toAux = !m.toAux;
    } else if (code == "EC") {
        if (m.cursor >= size || !IsDigit(d[m.cursor])) return "no digit at the cursor";
    } else if (code == "ED") {
        if (m.cursor >= size || IsDigit(d[m.cursor])) return "a digit at the cursor";
    } else if (code == "EF") {
        m.SendExtra("{delay " + std::to_string(step.number1 * 5) + " ms}");
    }
    return {};
}

std::string StepText(const FormatStep& step, std::string_view sequence, std::size_t end)
{
    return std::string(sequence.substr(step.offset, end - step.offset));
}

} // namespace

PreviewResult RunFormatPreview(const ReaderRules& rules, const PreviewSample& sample)
{
    PreviewResult result;
    const std::string code = ToUpper(sample.symbology);
    const std::string terminal = PadTerminalCode(sample.terminal.empty() ? rules.terminal : sample.terminal);
    const char codeIdChar = static_cast<char>(HexToBytes(code).empty() ? '?' : HexToBytes(code)[0]);
    std::string data = sample.data;
    bool formatted = false;
    const bool formatting = rules.dfmEn != "0";

    if (formatting) {
        int index = -1;
        for (const std::string_view record : Records(rules.formats)) {
            ++index;
            if (record.size() < 10) continue;
            const int slot = record[0] - '0';
            const std::string_view recordTerminal = record.substr(1, 3);
            const std::string_view recordCode = record.substr(4, 2);
            const std::string_view length = record.substr(6, 4);
            if (slot != sample.slot) continue;
            if (recordTerminal != "099" && recordTerminal != terminal) continue;
            if (recordCode != kAllCode && !EqualNoCase(recordCode, code)) continue;
            if (length != kAnyLength && LengthOf(length) != static_cast<long>(data.size())) continue;
            const std::string sequence = DecodeFormatCommands(record.substr(10));
            std::vector<FormatStep> steps;
            FormatSequenceError error;
            const std::string label = "format " + std::to_string(index + 1);
            if (!ParseFormatSequence(sequence, steps, error)) {
                result.failures.push_back(label + ": " + error.Message());
                continue;
            }
            Machine machine(data);
            std::vector<std::string> trace;
            std::string failed;
            for (std::size_t i = 0; i < steps.size() && failed.empty(); ++i) {
                const std::size_t end = i + 1 < steps.size() ? steps[i + 1].offset : sequence.size();
                const std::size_t before = machine.cursor;
                failed = Step(machine, steps[i]);
                const std::string text = StepText(steps[i], sequence, end);
                if (!failed.empty()) {
                    failed = text + " " + failed;
                    break;
                }
                trace.push_back(text + "  cursor " + std::to_string(before) + " -> " + std::to_string(machine.cursor));
            }
            if (!failed.empty()) {
                result.failures.push_back(label + ": " + failed);
                continue;
            }
            result.format = index;
            result.trace = std::move(trace);
            data = machine.host;
            result.aux = machine.aux;
            formatted = true;
            break;
        }
    }
    const bool required = rules.dfmEn == "2" || rules.dfmEn == "4" || rules.dfmRqd == "1";
    if (formatting && !formatted && required) return result;

    const bool dropAffixes = formatted && (rules.dfmEn == "3" || rules.dfmEn == "4");
    std::string host;
    if (rules.preEn != "0" && !dropAffixes) host += InsertCodeId(PrefixSuffixFor(rules.prefixes, code), codeIdChar);
    if (rules.codeId == "1") host += codeIdChar;
    if (rules.aimId == "1") host += AimId(code);
    host += data;
    if (rules.sufEn != "0" && !dropAffixes) host += InsertCodeId(PrefixSuffixFor(rules.suffixes, code), codeIdChar);
    result.sent = true;
    result.host = std::move(host);
    return result;
}

bool ParsePreviewSample(std::string_view line, const std::vector<std::string>& names,
    const std::vector<std::string>& codes, PreviewSample& sample, std::string& error)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        error = "a sample is SYMBOLOGY=DATA";
        return false;
    }
    const std::string symbology = Trim(line.substr(0, equals));
    sample.symbology.clear();
    for (std::size_t i = 0; i < names.size() && i < codes.size(); ++i)
        if (EqualNoCase(names[i], symbology) || EqualNoCase(codes[i], symbology)) sample.symbology = codes[i];
    if (sample.symbology.empty() && symbology.size() == 2 && HexValue(symbology[0]) >= 0 && HexValue(symbology[1]) >= 0)
        sample.symbology = symbology;
    if (sample.symbology.empty()) {
        error = "unknown symbology \"" + symbology + "\"";
        return false;
    }
    sample.data = DisplayTextToBytes(line.substr(equals + 1));
    return true;
}
