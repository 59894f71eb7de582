// A device's settings as the block code sees them: tag, default and one value per
// table. Shared by the block tests and the editor tests.
#pragma once

#include "device/blocks/CBlockSet.h"

#include <array>
#include <string>
#include <vector>

class FakeBlockSettings : public IBlockSettings {
public:
    struct Setting {
        std::string tag;
        std::string defaultValue;
        std::array<std::string, 9> values;
    };

    void Add(std::string tag, std::string defaultValue, std::vector<std::string> values = {})
    {
        Setting setting { std::move(tag), std::move(defaultValue), {} };
        for (std::size_t i = 0; i < values.size(); ++i)
            setting.values[i] = values[i];
        m_settings.push_back(std::move(setting));
    }
    std::vector<std::string> GetSettingTags() const override
    {
        std::vector<std::string> tags;
        for (const Setting& s : m_settings)
            tags.push_back(s.tag);
        return tags;
    }
    std::string GetSettingValue(std::string_view tag, int table) const override
    {
        const Setting* s = Find(tag);
        return s ? s->values.at(static_cast<std::size_t>(table)) : std::string();
    }
    void SetSettingValue(std::string_view tag, int table, std::string_view value) override
    {
        for (Setting& s : m_settings)
            if (s.tag == tag) s.values.at(static_cast<std::size_t>(table)) = value;
    }
    std::string GetSettingDefault(std::string_view tag) const override
    {
        const Setting* s = Find(tag);
        return s ? s->defaultValue : std::string();
    }
    int GetTableCount() const override { return tableCount; }
    int GetCurrentTable() const override { return currentTable; }

    int tableCount = 1;
    int currentTable = 0;

private:
    const Setting* Find(std::string_view tag) const
    {
        for (const Setting& s : m_settings)
            if (s.tag == tag) return &s;
        return nullptr;
    }
    std::vector<Setting> m_settings;
};

