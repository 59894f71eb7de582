// TabDefinitions: the tab definition file "TabFile.Dat", which says which setting appears on
// which generated page, with which control, for which models. Loaded once at start-up and
// kept for the whole run; the file order of rows is the order of pages and controls.
#pragma once

#include "catalog/DelimitedDataFile.h"

#include <string>
#include <vector>

namespace TabColumn {
inline constexpr const char* Command = "Command";
inline constexpr const char* Tab = "Tab";
inline constexpr const char* Control = "Control";
inline constexpr const char* Type = "Type";
inline constexpr const char* Group = "Group";
inline constexpr const char* ProductList = "Product List";
inline constexpr const char* Min = "Min";
inline constexpr const char* Max = "Max";
inline constexpr const char* Default = "Default";
inline constexpr const char* GroupList = "Group List";
inline constexpr const char* Secured = "Secured";
inline constexpr const char* SameAllTables = "Same All Tables";
inline constexpr const char* HelpID = "Help ID";
} // namespace TabColumn

// Control types, compared exactly.
namespace ControlType {
inline constexpr const char* Check = "CHECK";
inline constexpr const char* Edit = "EDIT";
inline constexpr const char* EditReadOnly = "EDIT_READONLY";
inline constexpr const char* Block = "BLOCK";
inline constexpr const char* BlockString = "BLOCK_STRING";
inline constexpr const char* ComboBox = "COMBOBOX";
inline constexpr const char* Radio1 = "RADIO1";
inline constexpr const char* Radio2 = "RADIO2";
inline constexpr const char* Command = "COMMAND";
inline constexpr const char* MsgCmd = "MSGCMD";
inline constexpr const char* DefCmd = "DEFCMD";
inline constexpr const char* Unused = "UNUSED";
} // namespace ControlType

// One row with its 13 fields cut out.
struct TabDefinitionRow {
    std::string command, tab, control, type, group, productList, min, max, defaultValue, groupList, secured,
        sameAllTables, helpId;

    // Radio buttons and drop-down lists take their option captions from the Group List.
    bool IsListControl() const;
    bool IsButton() const; // COMMAND, MSGCMD, DEFCMD
    // "Y" or "N" (any case) shows the row; anything else hides it.
    bool IsShownBySecurity() const;
    bool IsSameAllTables() const;
    // "None" (any case) rows stand alone, without a frame.
    bool HasNoGroup() const;
    // Help ids, one per "|"-separated piece (radio rows carry one per option).
    std::vector<int> HelpIds() const;
};

struct TerminalInterface {
    std::string code; // "000", "001", ... in list order
    std::string name;
};

class TabDefinitions {
public:
    static constexpr const char* kFileName = "TabFile.Dat";

    // Loads programFolder + "TabFile.Dat". On failure `failureMessage` holds the text the
    // user is shown.
    bool Load(const std::string& programFolder, std::string& failureMessage);
    bool LoadText(const std::string& text);
    bool IsLoaded() const { return loaded_; }

    int RowCount() const { return loaded_ ? file_.RowCount() : 0; }
    std::string Field(int row, const char* column) const { return file_.Field(row, column); }
    TabDefinitionRow Row(int row) const;

    // The first row for `tag` (without regard to case, trailing blanks of the tag ignored)
    // whose Product List includes `deviceId`; -1 when no row describes the setting for it.
    int FindRowFor(const std::string& tag, int deviceId) const;

    // The terminal interfaces listed in the Group List of the TERMID row.
    std::vector<TerminalInterface> TerminalInterfaces() const;

    const DelimitedDataFile& File() const { return file_; }

private:
    void SetUp(const std::string& path);
    DelimitedDataFile file_;
    bool loaded_ = false;
};

TabDefinitions& TheTabDefinitions();

// Splits a Group List at every "|", each piece trimmed.
std::vector<std::string> SplitGroupList(const std::string& groupList);
