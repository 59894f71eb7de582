#include "catalog/CDeviceSetting.h"

#include "catalog/TabDefinitions.h"

#include <algorithm>
#include <cctype>

namespace {

// Table numbers come from readers and documents; anything outside the record is ignored
// rather than written past its end.
int TablesHeld(const CDeviceSetting& setting, int tableCount)
{
    return std::clamp(tableCount, 0, static_cast<int>(setting.tableValues.size()));
}

bool IsDecimal(const std::string& text, long& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    value = std::stol(text);
    return true;
}

} // namespace

std::string CDeviceSetting::ValueForDevice(int currentTable) const
{
    if (currentTable < 0 || currentTable >= static_cast<int>(tableValues.size()))
        return {};
    return tableValues[static_cast<std::size_t>(currentTable)];
}

void CDeviceSetting::SetValue(int tableCount, int currentTable, const std::string& text)
{
    if (sameAllTables == 1) {
        for (int table = 0; table < TablesHeld(*this, tableCount); ++table)
            tableValues[static_cast<std::size_t>(table)] = text;
        return;
    }
    if (currentTable >= 0 && currentTable < static_cast<int>(tableValues.size()))
        tableValues[static_cast<std::size_t>(currentTable)] = text;
}

void CDeviceSetting::ResetAllTablesToDefault(int tableCount)
{
    for (int table = 0; table < TablesHeld(*this, tableCount); ++table)
        tableValues[static_cast<std::size_t>(table)] = defaultValue;
}

void CDeviceSetting::DeriveOptionCaptions(const std::string& groupList)
{
    const auto pieces = SplitGroupList(groupList);
    std::vector<std::string> values = allowedValues;
    // Range settings of a few values are offered number by number.
    if (values.empty() && maximum > minimum && maximum - minimum <= 200)
        for (int v = minimum; v <= maximum; ++v)
            values.push_back(std::to_string(v));
    optionCaptions.clear();
    for (const auto& value : values) {
        long index = 0;
        if (IsDecimal(value, index) && index < static_cast<long>(pieces.size()))
            optionCaptions.push_back(pieces[static_cast<std::size_t>(index)]);
        else
            optionCaptions.push_back("N/A");
    }
}

bool CheckRow(const TabDefinitions& definitions, CDeviceSetting& setting, int deviceId,
              const OptionCaptionBuilder& captions)
{
    const int row = definitions.FindRowFor(setting.tag, deviceId);
    if (row < 0)
        return false;
    const TabDefinitionRow definition = definitions.Row(row);
    setting.sameAllTables = definition.IsSameAllTables() ? 1 : 0;
    if (!definition.IsListControl()) {
        setting.optionCaptions.clear();
        return true;
    }
    if (captions)
        captions(setting, definition.groupList);
    else
        setting.DeriveOptionCaptions(definition.groupList);
    return true;
}

bool CheckRows(const TabDefinitions& definitions, std::vector<CDeviceSetting>& settings, int deviceId,
               std::vector<int>& described, const OptionCaptionBuilder& captions)
{
    described.clear();
    bool someUndescribed = false;
    for (auto& setting : settings) {
        const bool isDescribed = CheckRow(definitions, setting, deviceId, captions);
        described.push_back(isDescribed ? 1 : 0);
        someUndescribed = someUndescribed || !isDescribed;
    }
    return someUndescribed;
}
