// Small text helpers shared by every reader of our data files, hives and reader replies.
//
// Tags, keys and section names are compared without regard to case in the ASCII sense only:
// a reader's vocabulary is ASCII, and a locale must never change which tag matches.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::string_view kTrimmedBlanks = " \t\r\n\v\f";

inline std::string Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(kTrimmedBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kTrimmedBlanks);
    return std::string(text.substr(first, last - first + 1));
}

inline char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string ToUpper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = ToUpperAscii(c);
    return upper;
}

inline bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i]))
            return false;
    return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return prefix.size() <= text.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}
