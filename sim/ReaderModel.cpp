#include "sim/ReaderModel.h"

#include "platform/TextUtil.h"

#include "sim/SerialParameters.h"

#include <cctype>

namespace {

}  // namespace

ReaderModel::ReaderModel(ReaderProfile profile) : profile_(std::move(profile))
{
    Reset();
}

void ReaderModel::Reset()
{
    settings_.clear();
    for (const ProfileSetting& setting : profile_.settings)
        settings_.push_back(SettingState{setting, ToUpper(setting.tag), setting.values});
    line_ = profile_.line;
    pendingLine.reset();
    currentTable_ = 0;
    beeperOn = true;
    updatesOn = true;
    radioUnlocked = false;
}

bool ReaderModel::SelectTable(int table)
{
    if (table < 0 || table >= profile_.tables)
        return false;
    currentTable_ = table;
    return true;
}

SettingState* ReaderModel::Find(const std::string& tag)
{
    const std::string upper = ToUpper(tag);
    for (SettingState& setting : settings_) {
        if (setting.upperTag == upper)
            return &setting;
    }
    return nullptr;
}

const SettingState* ReaderModel::Find(const std::string& tag) const
{
    return const_cast<ReaderModel*>(this)->Find(tag);
}

const std::string& ReaderModel::Value(const SettingState& setting) const
{
    return setting.values[static_cast<size_t>(setting.profile.global ? 0 : currentTable_)];
}

void ReaderModel::SetValue(SettingState& setting, const std::string& value)
{
    if (setting.profile.global) {
        for (std::string& v : setting.values)
            v = value;
        return;
    }
    setting.values[static_cast<size_t>(currentTable_)] = value;
}

LineFormat ReaderModel::RestoreDefaults(bool allTables)
{
    LineFormat line = LineAfterReply();
    for (SettingState& setting : settings_) {
        if (allTables || setting.profile.global) {
            for (std::string& v : setting.values)
                v = setting.profile.defaultValue;
        } else {
            setting.values[static_cast<size_t>(currentTable_)] = setting.profile.defaultValue;
        }
        if (SerialParameters::IsLineTag(setting.upperTag, Has(CapWireless)))
            SerialParameters::Apply(setting.upperTag, setting.profile.defaultValue, line);
    }
    return line;
}

bool ReaderModel::MoveLine(const LineFormat& line)
{
    for (const SettingState& setting : settings_) {
        if (SerialParameters::IsLineTag(setting.upperTag, Has(CapWireless)) &&
            !SettingRange::Accepts(setting.profile, SerialParameters::ValueFor(setting.upperTag, line)))
            return false;
    }
    line_ = line;
    pendingLine.reset();
    for (SettingState& setting : settings_) {
        if (!SerialParameters::IsLineTag(setting.upperTag, Has(CapWireless)))
            continue;
        const std::string value = SerialParameters::ValueFor(setting.upperTag, line);
        for (std::string& v : setting.values)
            v = value;
    }
    return true;
}
