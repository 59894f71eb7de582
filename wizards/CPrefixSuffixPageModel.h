// CPrefixSuffixPageModel: the "Prefix/Suffix" page (and "Aux Prefix/Suffix") without widgets.
//
// It edits a list of prefix/suffix records: one row per symbology that has a record, Add
// (through the wizard), Delete, Delete All, Edit Prefix and Edit Suffix, and the four check
// boxes Prefix On, Suffix On, Code ID and Aim ID. The list it edits is the sheet's working
// copy; nothing reaches the device before the sheet's OK. A row stands for its symbology by
// the whole name, also when the row shows the name cut short.
#pragma once

#include "device/blocks/CPreSufEntry.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class CPrefixSuffixPageModel {
public:
    enum Check { kPrefixOn, kSuffixOn, kCodeId, kAimId };
    static constexpr std::size_t kColumnWidth = 20;
    static constexpr std::size_t kColumnCut = 16;
    static constexpr const char* kListFont = "Courier";
    static constexpr int kListFontPoints = 10;

    CPrefixSuffixPageModel(std::vector<std::string> symbologies, std::vector<CPreSufEntry>& entries,
        std::array<std::string, 4> values, bool auxiliary, std::string codeIdMarker);

    bool IsAuxiliary() const { return m_auxiliary; }
    const std::string& CodeIdMarker() const { return m_codeIdMarker; }
    const std::vector<CPreSufEntry>& Entries() const { return m_entries; }

    // ---- list ------------------------------------------------------------------------------
    // The symbology of every row, in the order of the symbology's first record.
    std::vector<std::string> RowSymbologies() const;
    // The rows as shown: symbology, prefix data and suffix data, 20 characters each.
    std::vector<std::string> Rows() const;
    bool CanAdd() const;
    // Symbology names that have no record yet, in device order.
    std::vector<std::string> FreeSymbologies() const;

    // ---- check boxes -----------------------------------------------------------------------
    const std::array<std::string, 4>& Values() const { return m_values; }
    bool IsCheckVisible(Check check) const;
    bool IsChecked(Check check) const;
    void SetChecked(Check check, bool on);
    bool IsDataEnableGroupVisible() const;
    bool IsTransmitGroupVisible() const;

    // ---- buttons ---------------------------------------------------------------------------
    // Each needs a selected row (else the message, and false).
    bool Delete(int row);
    void DeleteAll();
    // The wizard's new record, after Finish.
    void Append(CPreSufEntry entry);

    // Edit Prefix / Edit Suffix: the record of the row's symbology and that kind, or a new one
    // when there is none (it joins the list only through FinishEdit).
    struct Edit {
        int row = -1;
        CPreSufEntry entry;
        bool created = false;
    };
    std::optional<Edit> BeginEdit(int row, std::int32_t kind) const;
    // OK of "Prefix/Suffix Data".
    void FinishEdit(const Edit& edit, std::string_view text, std::string_view left, std::string_view right);

private:
    // Index of the last record of `symbology` and `kind`, or -1.
    int FindLast(const std::string& symbology, std::int32_t kind) const;
    std::optional<std::string> RowSymbology(int row) const;

    std::vector<std::string> m_symbologies;
    std::vector<CPreSufEntry>& m_entries;
    std::array<std::string, 4> m_values;
    bool m_auxiliary;
    std::string m_codeIdMarker;
};
