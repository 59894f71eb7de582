#include "sim/ReaderProfile.h"

#include "platform/ProgramFolder.h"
#include "platform/TextUtil.h"

#include "sim/SerialParameters.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Undoes "%XX" escapes. The status bytes ENQ, ACK and NAK may not appear in a value: a host
// splits the reader's replies at them.
bool Unescape(const std::string& in, std::string& out, std::string& error)
{
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        const int high = i + 1 < in.size() ? HexDigit(in[i + 1]) : -1;
        const int low = i + 2 < in.size() ? HexDigit(in[i + 2]) : -1;
        if (high < 0 || low < 0) {
            error = "\"%\" must be followed by two hex digits";
            return false;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    for (char c : out) {
        if (c == 0x05 || c == 0x06 || c == 0x15 || c == 0) {
            error = "values may not hold NUL, ENQ, ACK or NAK";
            return false;
        }
    }
    if (out.size() > ReaderProfile::kMaxValueBytes) {
        error = "value longer than " + std::to_string(ReaderProfile::kMaxValueBytes) + " bytes";
        return false;
    }
    return true;
}

bool ParseInt(const std::string& text, long low, long high, long& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size())
        return false;
    for (size_t i = start; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    value = std::strtol(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

bool ValidTag(const std::string& tag)
{
    if (tag.size() != 6)
        return false;
    return std::all_of(tag.begin(), tag.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

// "QX" + 8-character base number + one separator + 3-digit revision, as the catalog parses it.
bool ValidRevisionText(const std::string& text)
{
    const size_t qx = text.find("QX");
    if (qx == std::string::npos || text.find('-') == std::string::npos || qx + 14 > text.size())
        return false;
    for (size_t i = qx + 11; i < qx + 14; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return text[qx + 10] == '-';
}

bool ParseCaps(const std::vector<std::string>& words, uint32_t& caps, std::string& error)
{
    struct Name {
        const char* word;
        ReaderCapability cap;
    };
    static constexpr Name kNames[] = {{"matrix", CapMatrix}, {"aztec", CapAztec}, {"image", CapImage},
                                      {"pdf", CapPdf},       {"tables", CapTables}, {"wireless", CapWireless}};
    caps = 0;
    for (const std::string& word : words) {
        if (word == "none" && words.size() == 1)
            return true;
        bool known = false;
        for (const Name& name : kNames) {
            if (word == name.word) {
                caps |= name.cap;
                known = true;
            }
        }
        if (!known) {
            error = "unknown capability \"" + word + "\" (matrix, aztec, image, pdf, tables, wireless or none)";
            return false;
        }
    }
    return true;
}

bool ParseSetting(const std::string& rest, int tables, ProfileSetting& setting, std::string& error)
{
    const std::vector<std::string> words = Words(rest);
    if (words.empty() || !ValidTag(words[0])) {
        error = "a setting starts with a six-character tag of letters, digits and \"_\"";
        return false;
    }
    setting.tag = words[0];
    bool haveRange = false, haveDefault = false, haveValues = false;
    std::string rawValues;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "global" || word == "ro" || word == "text" || word == "action") {
            (word == "global" ? setting.global
             : word == "ro"   ? setting.readOnly
             : word == "text" ? setting.text
                              : setting.action) = true;
            continue;
        }
        const size_t eq = word.find('=');
        if (eq == std::string::npos) {
            error = "unknown word \"" + word + "\" in setting " + setting.tag;
            return false;
        }
        const std::string key = word.substr(0, eq);
        const std::string raw = word.substr(eq + 1);
        bool* seen = key == "range" ? &haveRange : key == "default" ? &haveDefault : key == "values" ? &haveValues
                                                                                                       : nullptr;
        if (seen == nullptr) {
            error = "unknown field \"" + key + "\" in setting " + setting.tag;
            return false;
        }
        if (*seen) {
            error = "field \"" + key + "\" given twice in setting " + setting.tag;
            return false;
        }
        *seen = true;
        if (key == "values") {
            rawValues = raw;
            continue;
        }
        std::string decoded;
        if (!Unescape(raw, decoded, error)) {
            error = setting.tag + " " + key + ": " + error;
            return false;
        }
        (key == "range" ? setting.range : setting.defaultValue) = decoded;
    }
    if (!haveRange || !haveDefault || !haveValues) {
        error = "setting " + setting.tag + " needs range=, default= and values=";
        return false;
    }
    // Split before unescaping, so an escaped "," stays inside its value.
    std::vector<std::string> values;
    size_t start = 0;
    while (true) {
        const size_t comma = rawValues.find(',', start);
        std::string decoded;
        if (!Unescape(rawValues.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                      decoded, error)) {
            error = setting.tag + " values: " + error;
            return false;
        }
        values.push_back(decoded);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (values.size() == 1)
        values.resize(static_cast<size_t>(tables), values[0]);
    if (values.size() != static_cast<size_t>(tables)) {
        error = "setting " + setting.tag + " has " + std::to_string(values.size()) + " values for " +
                std::to_string(tables) + " tables";
        return false;
    }
    if (setting.global && std::any_of(values.begin(), values.end(), [&](const std::string& v) { return v != values[0]; })) {
        error = "global setting " + setting.tag + " must have the same value in every table";
        return false;
    }
    setting.values = std::move(values);
    if (!SettingRange::Accepts(setting, setting.defaultValue)) {
        error = "default of " + setting.tag + " is outside its range \"" + setting.range + "\"";
        return false;
    }
    for (size_t t = 0; t < setting.values.size(); ++t) {
        if (!SettingRange::Accepts(setting, setting.values[t])) {
            error = "value of " + setting.tag + " in table " + std::to_string(t) + " is outside its range \"" +
                    setting.range + "\"";
            return false;
        }
    }
    return true;
}

}  // namespace

const ProfileSetting* ReaderProfile::Find(const std::string& tag) const
{
    const std::string upper = ToUpper(tag);
    for (const ProfileSetting& setting : settings) {
        if (ToUpper(setting.tag) == upper)
            return &setting;
    }
    return nullptr;
}

bool ReaderProfile::Parse(const std::string& text, ReaderProfile& out, std::string& error)
{
    if (text.size() > kMaxFileBytes) {
        error = "profile larger than " + std::to_string(kMaxFileBytes) + " bytes";
        return false;
    }
    ReaderProfile profile;
    std::set<std::string> seenKeys;
    std::set<std::string> seenTags;
    // Settings are parsed once "tables" is known, so keep their lines until the end.
    std::vector<std::pair<int, std::string>> settingLines;
    int lineNumber = 0;
    size_t pos = 0;
    auto fail = [&](const std::string& reason) {
        error = "line " + std::to_string(lineNumber) + ": " + reason;
        return false;
    };
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (line.size() > kMaxLineBytes)
            return fail("line longer than " + std::to_string(kMaxLineBytes) + " bytes");
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 && c != '\t') || byte > 0x7E)
                return fail("only printable ASCII is allowed (escape other bytes as %XX)");
        }
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        size_t split = 0;
        while (split < line.size() && !std::isspace(static_cast<unsigned char>(line[split])))
            ++split;
        const std::string key = line.substr(0, split);
        const std::string rest = Trim(line.substr(split));
        if (key == "setting") {
            if (settingLines.size() >= kMaxSettings)
                return fail("more than " + std::to_string(kMaxSettings) + " settings");
            settingLines.emplace_back(lineNumber, rest);
            continue;
        }
        static const std::set<std::string> kKeys = {"name", "model", "class", "rev_qx", "rev_sw", "p_name",
                                                    "link", "line", "tables", "caps", "image", "scanners",
                                                    "devicetype", "flash", "flash_rates", "msz_app",
                                                    "msz_bot", "appmsk"};
        if (!kKeys.count(key))
            return fail("unknown key \"" + key + "\"");
        if (!seenKeys.insert(key).second)
            return fail("\"" + key + "\" given twice");
        if (rest.empty() && key != "scanners")
            return fail("\"" + key + "\" needs a value");
        if (key == "name") {
            if (!std::all_of(rest.begin(), rest.end(), [](char c) {
                    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
                }))
                return fail("a name holds letters, digits, \"-\" and \"_\" only");
            profile.name = rest;
        } else if (key == "model") {
            profile.model = rest;
        } else if (key == "class") {
            profile.deviceClass = rest;
        } else if (key == "rev_qx" || key == "rev_sw" || key == "p_name") {
            std::string value;
            if (!Unescape(rest, value, error))
                return fail(error);
            if (value.size() > 64)
                return fail("\"" + key + "\" longer than 64 bytes");
            if (key == "rev_qx" && !ValidRevisionText(value))
                return fail("rev_qx must hold \"QX\", an 8-character base number, \"-\" and a 3-digit revision");
            (key == "rev_qx" ? profile.revQx : key == "rev_sw" ? profile.revSw : profile.productId) = value;
        } else if (key == "link") {
            std::string digits = rest;
            if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
                digits = digits.substr(2);
            if (digits.empty() || digits.size() > 4 ||
                !std::all_of(digits.begin(), digits.end(), [](char c) { return HexDigit(c) >= 0; }))
                return fail("link code must be hexadecimal, 0x0000 to 0xFFFF");
            profile.linkCode = static_cast<uint16_t>(std::strtoul(digits.c_str(), nullptr, 16));
        } else if (key == "line") {
            std::string reason;
            if (!LineFormat::Parse(rest, profile.line, reason))
                return fail(reason);
        } else if (key == "tables") {
            long tables = 0;
            if (!ParseInt(rest, 1, kMaxTables, tables))
                return fail("tables must be 1 to " + std::to_string(kMaxTables));
            profile.tables = static_cast<int>(tables);
        } else if (key == "caps") {
            std::string reason;
            if (!ParseCaps(Words(rest), profile.caps, reason))
                return fail(reason);
        } else if (key == "image") {
            const std::vector<std::string> words = Words(rest);
            long width = 0, height = 0;
            if (words.size() != 2 || !ParseInt(words[0], 1, 20000, width) || !ParseInt(words[1], 1, 20000, height))
                return fail("image needs a width and a height, 1 to 20000");
            profile.imageWidth = static_cast<int>(width);
            profile.imageHeight = static_cast<int>(height);
        } else if (key == "devicetype") {
            long type = 0;
            if (!ParseInt(rest, 1, 9999, type))
                return fail("devicetype must be 1 to 9999");
            profile.deviceType = static_cast<int>(type);
        } else if (key == "flash") {
            if (rest != "hex" && rest != "binary")
                return fail("flash is hex or binary");
            profile.flash = rest;
        } else if (key == "flash_rates") {
            for (const std::string& word : Words(rest)) {
                long rate = 0;
                if (!ParseInt(word, 300, 921600, rate) || profile.flashRates.size() >= 16)
                    return fail("flash_rates are up to 16 rates, 300 to 921600");
                profile.flashRates.push_back(static_cast<uint32_t>(rate));
            }
        } else if (key == "msz_app" || key == "msz_bot") {
            long size = 0;
            if (!ParseInt(rest, 1, 256L << 20, size))
                return fail(key + " must be 1 to 268435456");
            (key == "msz_app" ? profile.mszApp : profile.mszBot) = size;
        } else if (key == "appmsk") {
            if (rest.size() > 8 || !std::all_of(rest.begin(), rest.end(), [](char c) { return HexDigit(c) >= 0; }))
                return fail("appmsk is up to 8 hexadecimal digits");
            profile.appMask = rest;
        } else if (key == "scanners") {
            profile.scanners = Words(rest);
            if (profile.scanners.size() > 64)
                return fail("more than 64 scanners");
            for (const std::string& scanner : profile.scanners) {
                if (scanner.size() > 32 || scanner.find_first_of(",;.!&@") != std::string::npos)
                    return fail("scanner names are at most 32 characters, without , ; . ! & @");
            }
        }
    }
    for (const char* required : {"name", "rev_qx", "rev_sw", "p_name", "link", "line", "tables"}) {
        if (!seenKeys.count(required)) {
            error = "missing \"" + std::string(required) + "\"";
            return false;
        }
    }
    if (profile.tables > 1 && !profile.Has(CapTables)) {
        error = "a profile with several tables needs the \"tables\" capability";
        return false;
    }
    if (profile.Has(CapImage) && profile.imageWidth == 0) {
        error = "a profile with the \"image\" capability needs \"image\" width and height";
        return false;
    }
    for (const auto& [number, rest] : settingLines) {
        lineNumber = number;
        ProfileSetting setting;
        std::string reason;
        if (!ParseSetting(rest, profile.tables, setting, reason))
            return fail(reason);
        if (!seenTags.insert(ToUpper(setting.tag)).second)
            return fail("setting " + setting.tag + " given twice");
        const std::string upper = ToUpper(setting.tag);
        if (SerialParameters::IsLineTag(upper, profile.Has(CapWireless))) {
            if (!setting.global)
                return fail("line setting " + setting.tag + " must be global");
            if (setting.values[0] != SerialParameters::ValueFor(upper, profile.line))
                return fail("line setting " + setting.tag + " is \"" + setting.values[0] + "\" but the line is " +
                            profile.line.Text());
        }
        profile.settings.push_back(std::move(setting));
    }
    // A host learns the capabilities by asking these tags; a setting of that name answers
    // for the capability, so the two must agree.
    struct CapabilityTag {
        const char* tag;
        ReaderCapability cap;
        const char* word;
    };
    static constexpr CapabilityTag kCapabilityTags[] = {
        {"MATCMD", CapMatrix, "matrix"}, {"AZTENA", CapAztec, "aztec"}, {"IMGSHP", CapImage, "image"},
        {"PDFENA", CapPdf, "pdf"}};
    for (const CapabilityTag& entry : kCapabilityTags) {
        if (profile.Find(entry.tag) != nullptr && !profile.Has(entry.cap)) {
            error = std::string("setting ") + entry.tag + " needs the \"" + entry.word + "\" capability";
            return false;
        }
    }
    out = std::move(profile);
    return true;
}

bool ReaderProfile::LoadFile(const std::string& path, ReaderProfile& out, std::string& error)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec) {
        error = path + ": cannot be read";
        return false;
    }
    if (size > kMaxFileBytes) {
        error = path + ": larger than " + std::to_string(kMaxFileBytes) + " bytes";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be opened";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!Parse(text.str(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string ReaderProfile::ProfileDirectory()
{
    if (const char* dir = std::getenv("KESTREL_SIM_PROFILES"); dir != nullptr && *dir != '\0')
        return dir;
    // An installed kestrel-sim keeps its profiles under its prefix's data folder.
    if (const std::string exe = ProgramFolder::ExecutableFolder(); !exe.empty()) {
        std::error_code error;
        const fs::path installed = fs::canonical(exe + "/../share/kestrel/profiles", error);
        if (!error && fs::is_directory(installed, error))
            return installed.string();
    }
#ifdef KESTREL_SIM_PROFILE_DIR
    return KESTREL_SIM_PROFILE_DIR;
#else
    return "sim/profiles";
#endif
}

bool ReaderProfile::LoadByName(const std::string& nameOrPath, ReaderProfile& out, std::string& error)
{
    if (nameOrPath.find('/') != std::string::npos)
        return LoadFile(nameOrPath, out, error);
    if (nameOrPath.empty() || !std::all_of(nameOrPath.begin(), nameOrPath.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
        })) {
        error = "\"" + nameOrPath + "\" is not a profile name";
        return false;
    }
    return LoadFile(ProfileDirectory() + "/" + nameOrPath + ".profile", out, error);
}

std::vector<std::string> ReaderProfile::ListProfiles()
{
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ProfileDirectory(), ec)) {
        if (entry.path().extension() == ".profile")
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool SettingRange::ParseNumeric(const std::string& range, long& min, long& max)
{
    if (range.size() < 3 || range.find('|') != std::string::npos)
        return false;
    const size_t dash = range.find('-', 1);
    if (dash == std::string::npos)
        return false;
    return ParseInt(range.substr(0, dash), -99999999, 999999999, min) &&
           ParseInt(range.substr(dash + 1), -99999999, 999999999, max) && min <= max;
}

std::vector<std::string> SettingRange::ListItems(const std::string& range)
{
    std::vector<std::string> items;
    if (range.find('|') == std::string::npos)
        return items;
    size_t start = 0;
    while (start < range.size()) {
        size_t bar = range.find('|', start);
        if (bar == std::string::npos)
            bar = range.size();
        items.push_back(range.substr(start, bar - start));
        start = bar + 1;
    }
    return items;
}

bool SettingRange::Accepts(const ProfileSetting& setting, const std::string& value)
{
    if (value.size() > ReaderProfile::kMaxValueBytes)
        return false;
    long min = 0, max = 0;
    const bool numeric = ParseNumeric(setting.range, min, max);
    if (setting.text)
        return !numeric || static_cast<long>(value.size()) <= max;
    const std::vector<std::string> items = ListItems(setting.range);
    if (!items.empty())
        return std::find(items.begin(), items.end(), value) != items.end();
    if (numeric) {
        long number = 0;
        return ParseInt(value, min, max, number);
    }
    // A range the reader cannot check (empty or free-form): any value goes.
    return true;
}
