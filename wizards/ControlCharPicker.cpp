#include "wizards/ControlCharPicker.h"

#include "device/blocks/DisplayText.h"

#include <cstdio>

ControlCharPicker::ControlCharPicker(bool delimiterEditing)
    : m_delimiterEditing(delimiterEditing)
{
}

std::string ControlCharPicker::Row(int code)
{
    if (code == 0) return "0x00  00         NULL Null";
    if (code < 0 || code >= kRows) return {};
    const ControlCharacterName& entry = kControlCharacterNames[static_cast<std::size_t>(code)];
    const std::string name(entry.name);
    const std::string description(entry.description);
    // "0x%02x  %02d    %-5c%-5s%s": at most 10 + 5 + 5 characters before the description.
    char head[32];
    std::snprintf(head, sizeof head, "0x%02x  %02d    %-5c%-5s", code, code, static_cast<char>(code), name.c_str());
    return head + description;
}

std::vector<std::string> ControlCharPicker::Rows()
{
    std::vector<std::string> rows;
    for (int code = 0; code < kRows; ++code)
        rows.push_back(Row(code));
    return rows;
}

bool ControlCharPicker::Pick(int code)
{
    if (code < 0 || code >= kRows || m_picked.size() >= kMaxPicked) return false;
    m_picked.push_back(static_cast<unsigned char>(code));
    return true;
}

std::string ControlCharPicker::SelectedText() const
{
    const std::string bytes(m_picked.begin(), m_picked.end());
    return BytesToDisplayText(bytes, m_left, m_right);
}

void ControlCharPicker::SetLeftDelimiter(std::string_view text)
{
    if (m_delimiterEditing) m_left = text;
}

void ControlCharPicker::SetRightDelimiter(std::string_view text)
{
    if (m_delimiterEditing) m_right = text;
}
