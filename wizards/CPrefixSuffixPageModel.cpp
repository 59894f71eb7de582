#include "wizards/CPrefixSuffixPageModel.h"

#include "device/blocks/CBlockSet.h"
#include "wizards/WizardText.h"

#include <algorithm>

CPrefixSuffixPageModel::CPrefixSuffixPageModel(std::vector<std::string> symbologies,
    std::vector<CPreSufEntry>& entries, std::array<std::string, 4> values, bool auxiliary, std::string codeIdMarker)
    : m_symbologies(std::move(symbologies))
    , m_entries(entries)
    , m_values(std::move(values))
    , m_auxiliary(auxiliary)
    , m_codeIdMarker(std::move(codeIdMarker))
{
    // The auxiliary port has no enables of its own on this page: both groups stay hidden.
    if (m_auxiliary) m_values.fill(std::string(kHideButton));
}

std::vector<std::string> CPrefixSuffixPageModel::RowSymbologies() const
{
    std::vector<std::string> names;
    for (const CPreSufEntry& entry : m_entries) {
        const std::string& name = entry.GetSymbology();
        if (name.empty() || std::find(names.begin(), names.end(), name) != names.end()) continue;
        names.push_back(name);
    }
    return names;
}

int CPrefixSuffixPageModel::FindLast(const std::string& symbology, std::int32_t kind) const
{
    for (std::size_t i = m_entries.size(); i-- > 0;)
        if (m_entries[i].GetSymbology() == symbology && m_entries[i].GetKind() == kind) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> CPrefixSuffixPageModel::Rows() const
{
    std::vector<std::string> rows;
    for (const std::string& name : RowSymbologies()) {
        const int prefix = FindLast(name, CPreSufEntry::kPrefix);
        const int suffix = FindLast(name, CPreSufEntry::kSuffix);
        std::string row = FitColumn(name, kColumnWidth, kColumnCut);
        row += FitColumn(prefix >= 0 ? m_entries[static_cast<std::size_t>(prefix)].GetData() : std::string(),
            kColumnWidth, kColumnCut);
        row += FitColumn(suffix >= 0 ? m_entries[static_cast<std::size_t>(suffix)].GetData() : std::string(),
            kColumnWidth, kColumnCut);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> CPrefixSuffixPageModel::FreeSymbologies() const
{
    std::vector<std::string> free;
    for (const std::string& name : m_symbologies) {
        const bool used = std::any_of(m_entries.begin(), m_entries.end(),
            [&](const CPreSufEntry& entry) { return entry.GetSymbology() == name; });
        if (!used) free.push_back(name);
    }
    return free;
}

bool CPrefixSuffixPageModel::CanAdd() const
{
    // The auxiliary port takes a single record.
    if (m_auxiliary) return m_entries.empty();
    return !FreeSymbologies().empty();
}

bool CPrefixSuffixPageModel::IsCheckVisible(Check check) const
{
    return m_values[check] != kHideButton;
}

bool CPrefixSuffixPageModel::IsChecked(Check check) const
{
    return m_values[check] != "0";
}

void CPrefixSuffixPageModel::SetChecked(Check check, bool on)
{
    if (!IsCheckVisible(check)) return;
    m_values[check].assign(1, on ? '1' : '0');
}

bool CPrefixSuffixPageModel::IsDataEnableGroupVisible() const
{
    return IsCheckVisible(kPrefixOn) || IsCheckVisible(kSuffixOn);
}

bool CPrefixSuffixPageModel::IsTransmitGroupVisible() const
{
    return IsCheckVisible(kCodeId) || IsCheckVisible(kAimId);
}

std::optional<std::string> CPrefixSuffixPageModel::RowSymbology(int row) const
{
    const std::vector<std::string> names = RowSymbologies();
    if (row < 0 || row >= static_cast<int>(names.size())) {
        ShowWizardMessage(kSelectItemMessage);
        return std::nullopt;
    }
    return names[static_cast<std::size_t>(row)];
}

bool CPrefixSuffixPageModel::Delete(int row)
{
    const std::optional<std::string> name = RowSymbology(row);
    if (!name) return false;
    std::erase_if(m_entries, [&](const CPreSufEntry& entry) { return entry.GetSymbology() == *name; });
    return true;
}

void CPrefixSuffixPageModel::DeleteAll()
{
    m_entries.clear();
}

void CPrefixSuffixPageModel::Append(CPreSufEntry entry)
{
    m_entries.push_back(std::move(entry));
}

std::optional<CPrefixSuffixPageModel::Edit> CPrefixSuffixPageModel::BeginEdit(int row, std::int32_t kind) const
{
    const std::optional<std::string> name = RowSymbology(row);
    if (!name) return std::nullopt;
    Edit edit;
    edit.row = FindLast(*name, kind);
    if (edit.row >= 0) {
        edit.entry = m_entries[static_cast<std::size_t>(edit.row)];
    } else {
        edit.entry = CPreSufEntry(kind, *name);
        edit.created = true;
    }
    return edit;
}

void CPrefixSuffixPageModel::FinishEdit(
    const Edit& edit, std::string_view text, std::string_view left, std::string_view right)
{
    if (edit.created) {
        CPreSufEntry entry = edit.entry;
        entry.SetData(text, left, right);
        m_entries.push_back(std::move(entry));
        return;
    }
    if (edit.row >= 0 && edit.row < static_cast<int>(m_entries.size()))
        m_entries[static_cast<std::size_t>(edit.row)].SetData(text, left, right);
}
