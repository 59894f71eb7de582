#include "document/ControlStateModel.h"

bool ControlStateModel::GetCheck(int id)
{
    const auto found = checks_.find(id);
    return found != checks_.end() && found->second;
}

void ControlStateModel::SetCheck(int id, bool checked)
{
    checks_[id] = checked;
}

std::string ControlStateModel::GetText(int id)
{
    const auto found = texts_.find(id);
    return found == texts_.end() ? std::string() : found->second;
}

void ControlStateModel::SetText(int id, const std::string& text)
{
    texts_[id] = text;
}

void ControlStateModel::FillCombo(int id, const std::vector<std::string>& items)
{
    Combo& combo = combos_[id];
    combo.items = items;
    combo.selected = -1;
}

void ControlStateModel::SelectCombo(int id, int index)
{
    Combo& combo = combos_[id];
    combo.selected = (index >= 0 && index < static_cast<int>(combo.items.size())) ? index : -1;
}

std::string ControlStateModel::GetComboSelection(int id)
{
    const Combo& combo = combos_[id];
    if (combo.selected < 0) return {};
    return combo.items[static_cast<size_t>(combo.selected)];
}

bool ControlStateModel::SelectComboItem(int id, const std::string& caption)
{
    Combo& combo = combos_[id];
    for (size_t i = 0; i < combo.items.size(); ++i) {
        if (combo.items[i] == caption) {
            combo.selected = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

void ControlStateModel::Clear()
{
    checks_.clear();
    texts_.clear();
    combos_.clear();
    focus_ = 0;
    frontPage_ = -1;
}
