#include "wizards/CFormatWizardModel.h"

#include "device/blocks/BlockCodec.h"
#include "device/blocks/CCodeTable.h"
#include "device/blocks/DisplayText.h"
#include "wizards/FormatSequence.h"

#include <algorithm>

namespace {

constexpr std::string_view kNotApplicable = "N/A";
constexpr std::string_view kSlotNames[] = { "Pri", "A1", "A2", "A3" };
constexpr std::string_view kLengthMessage = "The length must be a number from 0 to 9999";

int SlotOf(std::string_view name)
{
    for (int slot = 0; slot < 4; ++slot)
        if (kSlotNames[slot] == name) return slot;
    return 0;
}

bool IsLength(std::string_view text)
{
    if (text.empty() || text.size() > 4) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

CFormatWizardModel::CFormatWizardModel(std::vector<std::string> symbologies, std::vector<std::string> terminals,
    const CFormatKeyEntry& entry, bool auxiliary, std::string title)
    : m_title(std::move(title))
    , m_symbologyChoices(std::move(symbologies))
{
    m_pages = { Page::Terminal };
    if (!auxiliary) m_pages.push_back(Page::Symbology);
    m_pages.insert(m_pages.end(), { Page::Length, Page::Alternate, Page::Data });

    for (std::string& name : terminals)
        if (name != kNotApplicable) m_terminalChoices.push_back(std::move(name));
    if (std::find(m_terminalChoices.begin(), m_terminalChoices.end(), kAnyTerminal) == m_terminalChoices.end())
        m_terminalChoices.emplace_back(kAnyTerminal);

    m_terminal = entry.GetTerminal().empty() ? std::string(kAnyTerminal) : entry.GetTerminal();
    m_symbology = std::string(kAllSymbologies);
    // The list shows the first name, then the entry's own when the list has it.
    if (!auxiliary && !m_symbologyChoices.empty()) {
        const bool listed = std::find(m_symbologyChoices.begin(), m_symbologyChoices.end(), entry.GetSymbology())
            != m_symbologyChoices.end();
        m_symbology = listed ? entry.GetSymbology() : m_symbologyChoices.front();
    }
    m_length = entry.GetLength().empty() ? std::string(kAnyLength) : entry.GetLength();
    m_slot = SlotOf(entry.GetSlotName());
    m_commands = entry.GetCommands();
}

std::string_view CFormatWizardModel::PageTitle(Page page)
{
    switch (page) {
    case Page::Terminal: return "Terminal ID Selection";
    case Page::Symbology: return "Symbology Selection";
    case Page::Length: return "Code Length Selection";
    case Page::Alternate: return "Primary/Alternate Selection";
    case Page::Data: return "Data Selection";
    }
    return {};
}

std::string_view CFormatWizardModel::PageInstruction(Page page)
{
    switch (page) {
    case Page::Terminal: return "Choose the terminal interface this format applies to.";
    case Page::Symbology: return "Choose the symbology this format applies to.";
    case Page::Length: return "Enter the length of the bar code data this format applies to.";
    case Page::Alternate:
        return "Determine if this format will be part of your primary data format, or one of three alternate "
               "formats.  Alternate formats allow you 'single shot' capability to scan one bar code using a "
               "different data format.  After the one bar code has been read, the scanner reverts to the "
               "primary data format.";
    case Page::Data: return "Build the command sequence of this format with \"Select Command...\".";
    }
    return {};
}

bool CFormatWizardModel::IsAnyTerminal() const
{
    return m_terminal == kAnyTerminal;
}

void CFormatWizardModel::SetAnyTerminal(bool on)
{
    if (on) m_terminal = std::string(kAnyTerminal);
}

int CFormatWizardModel::SymbologyIndex() const
{
    const auto found = std::find(m_symbologyChoices.begin(), m_symbologyChoices.end(), m_symbology);
    if (found != m_symbologyChoices.end()) return static_cast<int>(found - m_symbologyChoices.begin());
    return m_symbologyChoices.empty() ? -1 : 0;
}

void CFormatWizardModel::SetAnyLength(bool on)
{
    if (on) m_length = std::string(kAnyLength);
}

void CFormatWizardModel::SetSlot(int slot)
{
    if (slot >= 0 && slot <= 3) m_slot = slot;
}

bool CFormatWizardModel::Finish(CFormatKeyEntry& entry) const
{
    if (!IsLength(m_length)) {
        ShowWizardMessage(kLengthMessage);
        return false;
    }
    std::vector<FormatStep> steps;
    FormatSequenceError error;
    if (!ParseFormatSequence(m_commands, steps, error)) {
        ShowWizardMessage(error.Message());
        return false;
    }
    CFormatKeyEntry updated = entry;
    updated.SetTerminal(m_terminal);
    updated.SetSymbology(m_symbology);
    updated.SetLength(m_length);
    updated.SetSlot(static_cast<std::uint8_t>(m_slot));
    updated.SetCommands(m_commands, "[", "]");
    if (m_blockCheck) {
        const std::string refused = m_blockCheck(updated);
        if (!refused.empty()) {
            ShowWizardMessage(refused);
            return false;
        }
    }
    entry = std::move(updated);
    return true;
}

// ---- Format Commands ----------------------------------------------------------------------------

std::optional<std::string> CFormatCommandsList::CodeOf(int row)
{
    if (row < 0 || row >= static_cast<int>(kFormatCommands.size())) {
        ShowWizardMessage("Please select a command from the list");
        return std::nullopt;
    }
    return std::string(kFormatCommands[static_cast<std::size_t>(row)].title.substr(0, 2));
}

// ---- Data Formatter Command ---------------------------------------------------------------------

CFormatCommandEntry::CFormatCommandEntry(std::string_view code)
    : m_command(LookupFormatCommand(code))
{
}

bool CFormatCommandEntry::HasField(int field) const
{
    return !(field == 0 ? m_command.prompt1 : m_command.prompt2).empty();
}

bool CFormatCommandEntry::IsNumeric(int field) const
{
    return (field == 0 ? m_command.numeric1 : m_command.numeric2) != 0;
}

bool CFormatCommandEntry::ControlCharsEnabled(int focusedField) const
{
    return (focusedField == 0 || focusedField == 1) && HasField(focusedField) && !IsNumeric(focusedField);
}

std::string CFormatCommandEntry::ChangeField(int field, std::string_view text)
{
    if (field != 0 && field != 1) return std::string(text);
    std::string& value = m_values[static_cast<std::size_t>(field)];
    std::string shown(text);
    const int limit = field == 0 ? m_command.limit1 : m_command.limit2;
    if (IsNumeric(field)) {
        const int maximum = FormatNumericMaximum(limit);
        // Anything but digits can never be a count, so it is refused like a number out of
        // range instead of being read as 0.
        const bool digits = std::all_of(shown.begin(), shown.end(), [](char c) { return c >= '0' && c <= '9'; });
        const bool fits = digits && (shown.empty() || (shown.size() <= 5 && std::stoi(shown) <= maximum));
        if (!fits) {
            ShowWizardMessage("Value out of range, please enter a value between 0 - " + std::to_string(maximum));
            shown.clear();
        }
        value = shown;
        if (!value.empty() && value.size() < 2) value.insert(0, 1, '0');
        return shown;
    }
    if (CutDisplayText(shown, static_cast<std::size_t>(limit)))
        ShowWizardMessage(std::string(kTooMany) + std::to_string(limit));
    value = shown;
    return shown;
}

std::string CFormatCommandEntry::AppendPicked(int field, std::string_view fieldText, std::string_view picked)
{
    return ChangeField(field, std::string(fieldText) + std::string(picked));
}

int CFormatCommandEntry::Confirm() const
{
    for (int field = 0; field < 2; ++field) {
        if (HasField(field) && m_values[static_cast<std::size_t>(field)].empty()) {
            ShowWizardMessage(kEnterValue);
            return field;
        }
    }
    return -1;
}

std::string CFormatCommandEntry::Sequence() const
{
    return "{" + std::string(m_command.code) + "}" + m_values[0] + m_values[1];
}
