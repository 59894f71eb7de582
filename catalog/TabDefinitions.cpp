#include "catalog/TabDefinitions.h"

#include "platform/TextUtil.h"

#include "catalog/CDeviceName.h"
#include "catalog/DeviceCatalog.h"

#include <cctype>
#include <cstdio>

std::vector<std::string> SplitGroupList(const std::string& groupList)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const auto bar = groupList.find('|', start);
        pieces.push_back(Trim(groupList.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return pieces;
}

bool TabDefinitionRow::IsListControl() const
{
    return type == ControlType::Radio1 || type == ControlType::Radio2 || type == ControlType::ComboBox;
}

bool TabDefinitionRow::IsButton() const
{
    return type == ControlType::Command || type == ControlType::MsgCmd || type == ControlType::DefCmd;
}

bool TabDefinitionRow::IsShownBySecurity() const
{
    const std::string value = ToUpper(secured);
    return value == "Y" || value == "N";
}

bool TabDefinitionRow::IsSameAllTables() const { return ToUpper(sameAllTables) == "Y"; }

bool TabDefinitionRow::HasNoGroup() const { return ToUpper(group) == "NONE"; }

std::vector<int> TabDefinitionRow::HelpIds() const
{
    std::vector<int> ids;
    for (const auto& piece : SplitGroupList(helpId))
        ids.push_back(LeadingInt(piece));
    return ids;
}

void TabDefinitions::SetUp(const std::string& path)
{
    file_.SetUp(path, { TabColumn::Command, TabColumn::Tab, TabColumn::Control, TabColumn::Type, TabColumn::Group,
                        TabColumn::ProductList, TabColumn::Min, TabColumn::Max, TabColumn::Default,
                        TabColumn::GroupList, TabColumn::Secured, TabColumn::SameAllTables, TabColumn::HelpID });
}

bool TabDefinitions::Load(const std::string& programFolder, std::string& failureMessage)
{
    const std::string path = programFolder + kFileName;
    SetUp(path);
    failureMessage.clear();
    switch (file_.Load()) {
    case DelimitedDataFile::Loaded:
        loaded_ = true;
        return true;
    case DelimitedDataFile::NoValidRow:
        failureMessage = "There is no data in the tab data file: " + path + ". Please contact program vendor";
        break;
    case DelimitedDataFile::MalformedRow:
        failureMessage = "The data file: " + path + " is corrupt. Please contact program vendor";
        break;
    default:
        failureMessage = "Cannot open tab data file: " + path + ". Please contact program vendor";
        break;
    }
    loaded_ = false;
    return false;
}

bool TabDefinitions::LoadText(const std::string& text)
{
    SetUp("");
    loaded_ = file_.LoadText(text) == DelimitedDataFile::Loaded;
    return loaded_;
}

TabDefinitionRow TabDefinitions::Row(int row) const
{
    TabDefinitionRow r;
    r.command = Field(row, TabColumn::Command);
    r.tab = Field(row, TabColumn::Tab);
    r.control = Field(row, TabColumn::Control);
    r.type = Field(row, TabColumn::Type);
    r.group = Field(row, TabColumn::Group);
    r.productList = Field(row, TabColumn::ProductList);
    r.min = Field(row, TabColumn::Min);
    r.max = Field(row, TabColumn::Max);
    r.defaultValue = Field(row, TabColumn::Default);
    r.groupList = Field(row, TabColumn::GroupList);
    r.secured = Field(row, TabColumn::Secured);
    r.sameAllTables = Field(row, TabColumn::SameAllTables);
    r.helpId = Field(row, TabColumn::HelpID);
    return r;
}

int TabDefinitions::FindRowFor(const std::string& tag, int deviceId) const
{
    std::string wanted = tag;
    while (!wanted.empty() && wanted.back() == ' ')
        wanted.pop_back();
    wanted = ToUpper(wanted);
    for (int row = 0; row < RowCount(); ++row) {
        if (ToUpper(Field(row, TabColumn::Command)) != wanted)
            continue;
        if (ProductListApplies(Field(row, TabColumn::ProductList), deviceId))
            return row;
    }
    return -1;
}

std::vector<TerminalInterface> TabDefinitions::TerminalInterfaces() const
{
    std::vector<TerminalInterface> terminals;
    for (int row = 0; row < RowCount(); ++row) {
        if (ToUpper(Field(row, TabColumn::Command)) != "TERMID")
            continue;
        const auto names = SplitGroupList(Field(row, TabColumn::GroupList));
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string& name = names[i];
            // A list ending in "|" has no name after it.
            if (name.empty() && i + 1 == names.size())
                break;
            char code[8];
            std::snprintf(code, sizeof code, "%03d", static_cast<int>(terminals.size()) % 1000);
            terminals.push_back({ code, name });
        }
        break;
    }
    return terminals;
}

TabDefinitions& TheTabDefinitions()
{
    static TabDefinitions definitions;
    return definitions;
}
