// CFormatPageModel: the "Data Format" page (and "Aux Data Format") without widgets.
//
// It edits the sheet's working copy of a list of data formats: Add and Edit (through the
// wizard), Delete, Delete All, Move Up and Move Down (the list order is the order the formats
// are sent in), and the Formatter State radios Off/On/Required. A state value the radios do
// not know (a reader's 3 or 4) checks no radio and is kept as it is.
#pragma once

#include "device/blocks/CFormatKeyEntry.h"

#include <string>
#include <vector>

class CFormatPageModel {
public:
    static constexpr const char* kListFont = "Courier";
    static constexpr int kListFontPoints = 10;
    static constexpr std::string_view kEditTitle = "Data Formatter Wizard";

    CFormatPageModel(std::vector<std::string> symbologies, std::vector<std::string> terminals,
        std::vector<CFormatKeyEntry>& entries, std::string state, bool auxiliary);

    bool IsAuxiliary() const { return m_auxiliary; }
    const std::vector<std::string>& Symbologies() const { return m_symbologies; }
    const std::vector<std::string>& Terminals() const { return m_terminals; }
    std::vector<CFormatKeyEntry>& Entries() { return m_entries; }
    const std::vector<CFormatKeyEntry>& Entries() const { return m_entries; }

    // Slot, terminal, symbology, length and commands in columns of 4, 25, 16, 5 and 20.
    static std::string Row(const CFormatKeyEntry& entry);
    std::vector<std::string> Rows() const;

    // ---- Formatter State ----------------------------------------------------------------------
    const std::string& State() const { return m_state; }
    bool IsStateGroupVisible() const;
    // 0 Off, 1 On, 2 Required; -1 when the value is none of them.
    int CheckedState() const;
    void SetState(int radio);

    // ---- buttons ------------------------------------------------------------------------------
    // The ones that need a selected row give the message and false (or -1) without one.
    bool CheckSelection(int row) const;
    void Append(CFormatKeyEntry entry) { m_entries.push_back(std::move(entry)); }
    bool Delete(int row);
    void DeleteAll() { m_entries.clear(); }
    // The row to select afterwards (the same row when it cannot move); -1 without a selection.
    int MoveUp(int row);
    int MoveDown(int row);

private:
    std::vector<std::string> m_symbologies;
    std::vector<std::string> m_terminals;
    std::vector<CFormatKeyEntry>& m_entries;
    std::string m_state;
    bool m_auxiliary;
};
