#include "platform/IniFile.h"

#include "platform/TextUtil.h"

#include "platform/AtomicFile.h"

#include <sys/stat.h>

#include <cctype>
#include <climits>

namespace {

// The raw value of section/key, or false when it is not in the file. The first occurrence
// wins, as it does for every reader of these files.
bool Lookup(const std::string& path, const std::string& section, const std::string& key, std::string& value)
{
    std::string text;
    // An ini file of more than a megabyte is not a settings file.
    if (!ReadWholeFile(path, text, 1u << 20))
        return false;
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const auto close = line.find(']');
            inSection = close != std::string::npos && EqualNoCase(Trim(line.substr(1, close - 1)), Trim(section));
            continue;
        }
        if (!inSection)
            continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos || !EqualNoCase(Trim(line.substr(0, equals)), Trim(key)))
            continue;
        value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return true;
    }
    return false;
}

} // namespace

bool IniFile::Exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string IniFile::GetString(const std::string& path, const std::string& section, const std::string& key,
                               const std::string& defaultValue)
{
    std::string value;
    if (!Lookup(path, section, key, value))
        value = defaultValue;
    if (value.size() > kMaxValueLength)
        value.resize(kMaxValueLength);
    return value;
}

int IniFile::GetInt(const std::string& path, const std::string& section, const std::string& key, int defaultValue)
{
    std::string value;
    if (!Lookup(path, section, key, value))
        return defaultValue;
    std::size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        negative = value[i++] == '-';
    if (i == value.size() || !std::isdigit(static_cast<unsigned char>(value[i])))
        return defaultValue;
    long long number = 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        number = number * 10 + (value[i] - '0');
        // Saturate instead of overflowing on absurd input.
        if (number > INT_MAX)
            number = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        number = -number;
    if (number > INT_MAX)
        return INT_MAX;
    if (number < INT_MIN)
        return INT_MIN;
    return static_cast<int>(number);
}
