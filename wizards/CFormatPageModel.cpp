#include "wizards/CFormatPageModel.h"

#include "device/blocks/CBlockSet.h"
#include "wizards/WizardText.h"

#include <utility>

CFormatPageModel::CFormatPageModel(std::vector<std::string> symbologies, std::vector<std::string> terminals,
    std::vector<CFormatKeyEntry>& entries, std::string state, bool auxiliary)
    : m_symbologies(std::move(symbologies))
    , m_terminals(std::move(terminals))
    , m_entries(entries)
    , m_state(std::move(state))
    , m_auxiliary(auxiliary)
{
}

std::string CFormatPageModel::Row(const CFormatKeyEntry& entry)
{
    std::string row = FitColumn(entry.GetSlotName(), 4, 0);
    row += FitColumn(entry.GetTerminal(), 25, 21);
    row += FitColumn(entry.GetSymbology(), 16, 12);
    row += FitColumn(entry.GetLength(), 5, 0);
    row += FitColumn(entry.GetCommands(), 20, 16);
    return row;
}

std::vector<std::string> CFormatPageModel::Rows() const
{
    std::vector<std::string> rows;
    for (const CFormatKeyEntry& entry : m_entries)
        rows.push_back(Row(entry));
    return rows;
}

bool CFormatPageModel::IsStateGroupVisible() const
{
    return m_state != kHideButton;
}

int CFormatPageModel::CheckedState() const
{
    if (m_state == "0") return 0;
    if (m_state == "1") return 1;
    if (m_state == "2") return 2;
    return -1;
}

void CFormatPageModel::SetState(int radio)
{
    if (radio >= 0 && radio <= 2 && IsStateGroupVisible()) m_state = std::to_string(radio);
}

bool CFormatPageModel::CheckSelection(int row) const
{
    if (row >= 0 && row < static_cast<int>(m_entries.size())) return true;
    ShowWizardMessage(kSelectItemMessage);
    return false;
}

bool CFormatPageModel::Delete(int row)
{
    if (!CheckSelection(row)) return false;
    m_entries.erase(m_entries.begin() + row);
    return true;
}

int CFormatPageModel::MoveUp(int row)
{
    if (!CheckSelection(row)) return -1;
    if (row == 0) return row;
    std::swap(m_entries[static_cast<std::size_t>(row)], m_entries[static_cast<std::size_t>(row - 1)]);
    return row - 1;
}

int CFormatPageModel::MoveDown(int row)
{
    if (!CheckSelection(row)) return -1;
    if (row + 1 >= static_cast<int>(m_entries.size())) return row;
    std::swap(m_entries[static_cast<std::size_t>(row)], m_entries[static_cast<std::size_t>(row + 1)]);
    return row + 1;
}
