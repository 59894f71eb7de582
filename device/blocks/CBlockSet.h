// CBlockSet: a device's prefix/suffix and data-formatter rules with the tables they refer to.
//
// The device object owns one. It holds 9 per-table prefix/suffix lists and one more for the
// auxiliary port, the same for data formats, the symbology and terminal tables and the wizard
// flag; it turns the block settings into records after a read and records back into write
// commands. It sees the device's settings only through IBlockSettings, so the device class
// (which owns the setting records) just answers those few questions.
#pragma once

#include "device/blocks/BlockCodec.h"
#include "device/blocks/CCodeTable.h"
#include "device/blocks/CFormatKeyEntry.h"
#include "device/blocks/CPreSufEntry.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

class CArchiveReader;
class CArchiveWriter;

// What the block code needs to know of a device's settings. Tags compare exactly.
class IBlockSettings {
public:
    virtual ~IBlockSettings() = default;
    // Every setting tag, in the device's setting order.
    virtual std::vector<std::string> GetSettingTags() const = 0;
    // The value of `tag` in `table`; empty when there is no such setting.
    virtual std::string GetSettingValue(std::string_view tag, int table) const = 0;
    virtual void SetSettingValue(std::string_view tag, int table, std::string_view value) = 0;
    virtual std::string GetSettingDefault(std::string_view tag) const = 0;
    virtual int GetTableCount() const = 0;
    virtual int GetCurrentTable() const = 0;

    virtual bool HasSetting(std::string_view tag) const;
};

// Shown in place of a value when the device lacks the setting; the editor hides that control.
inline constexpr std::string_view kHideButton = "HIDE_BUTTON";

class CBlockSet {
public:
    static constexpr int kTableLists = 9;
    // Index of the extra (auxiliary port) list, after the 9 table lists.
    static constexpr int kExtraList = kTableLists;

    using PreSufList = std::vector<CPreSufEntry>;
    using FormatList = std::vector<CFormatKeyEntry>;

    // `list` is a table number 0-8 or kExtraList.
    PreSufList& GetPrefixSuffixList(int list) { return m_preSuf.at(static_cast<std::size_t>(list)); }
    const PreSufList& GetPrefixSuffixList(int list) const
    {
        return m_preSuf.at(static_cast<std::size_t>(list));
    }
    FormatList& GetDataFormatList(int list) { return m_formats.at(static_cast<std::size_t>(list)); }
    const FormatList& GetDataFormatList(int list) const
    {
        return m_formats.at(static_cast<std::size_t>(list));
    }

    bool GetWizardFlag() const { return m_wizardFlag; }
    void SetWizardFlag(bool flag) { m_wizardFlag = flag; }
    // The editors and their wizards work only with readers that have all three main blocks.
    void UpdateWizardFlag(const IBlockSettings& settings);

    const CCodeTable& GetSymbologyTable() const { return m_symbologies; }
    const CCodeTable& GetTerminalTable() const { return m_terminals; }
    void BuildSymbologyTable(const IBlockSettings& settings);
    // From the "Group List" text of the TERMID tab definition row.
    void ReadTerminalTable(std::string_view groupList);

    std::string SymbologyNameFromCode(std::string_view code) const
    {
        return m_symbologies.NameFromCode(code);
    }
    std::string SymbologyCodeFromName(std::string_view name) const
    {
        return m_symbologies.CodeFromName(name);
    }
    std::string TerminalNameFromCode(std::string_view code) const;
    std::string TerminalCodeFromName(std::string_view name) const { return m_terminals.CodeFromName(name); }

    // Turn the block settings' values (every table; the auxiliary blocks from table 0) into
    // records. The lists are replaced, so a second read does not duplicate anything.
    void ParsePrefixSuffixBlocks(const IBlockSettings& settings);
    void ParseDataFormatBlocks(const IBlockSettings& settings);
    // Replace the records of every table (or of the current table only) and of the extra lists
    // with those of the block settings' default values.
    void ResetBlocksToDefaults(const IBlockSettings& settings, bool allTables);

    // Append the write commands of the current table, each ending in ".".
    void BuildPrefixSuffixCommands(const IBlockSettings& settings, std::vector<std::string>& commands) const;
    void BuildDataFormatCommands(const IBlockSettings& settings, std::vector<std::string>& commands) const;

    // Current-table values of PRE_EN, SUF_EN, CODIDX, AIMIDX; a missing setting gives kHideButton.
    std::array<std::string, 4> GetPrefixSuffixEnables(const IBlockSettings& settings) const;
    void SetPrefixSuffixEnables(IBlockSettings& settings, const std::array<std::string, 4>& values) const;
    // Current-table values of DFM_EN and AXD_EN, likewise.
    std::array<std::string, 2> GetDataFormatEnables(const IBlockSettings& settings) const;
    void SetDataFormatEnables(IBlockSettings& settings, const std::array<std::string, 2>& values) const;

    static bool HasAuxiliaryPort(const IBlockSettings& settings) { return settings.HasSetting("AXPBK2"); }

    // The records are the one truth for the six block settings (PREBK2, SUFBK2, DFMBK3 of a
    // table; AXPBK2, AXSBK2, AXDBK3 of the extra list): their fields show the records' text, a
    // typed text is parsed into records, and only the records are written to a reader.
    static bool IsRecordBlock(std::string_view tag);
    // The value text of a block's records ("620d0a|"); `table` is ignored for the auxiliary
    // blocks.
    std::string GetBlockText(std::string_view tag, int table) const;
    // Replaces that block's records with those of a typed text; false with the error (and
    // nothing changed) when the text does not parse.
    bool SetBlockText(std::string_view tag, int table, std::string_view text, BlockTextError& error);
    // Puts the records' text into the six settings' values of the current table (the
    // auxiliary ones into table 0), so that what a field shows is what will be written.
    void StoreBlockValues(IBlockSettings& settings) const;
    // Pieces of the last parsed block values that were no records (never silently dropped:
    // the caller reports them), each as 'TAG (table N): "piece"'.
    const std::vector<std::string>& GetDroppedFragments() const { return m_dropped; }

    // Stored forms: 9 + 1 lists, each an int32 count and its records; the tables as four string
    // lists (symbology codes, symbology names, terminal codes, terminal names).
    void WritePrefixSuffixLists(CArchiveWriter& archive) const;
    void ReadPrefixSuffixLists(CArchiveReader& archive);
    void WriteDataFormatLists(CArchiveWriter& archive) const;
    void ReadDataFormatLists(CArchiveReader& archive);
    void WriteCodeTables(CArchiveWriter& archive) const;
    void ReadCodeTables(CArchiveReader& archive);

    bool operator==(const CBlockSet& other) const
    {
        return m_preSuf == other.m_preSuf && m_formats == other.m_formats && m_symbologies == other.m_symbologies
            && m_terminals == other.m_terminals && m_wizardFlag == other.m_wizardFlag;
    }

private:
    std::array<PreSufList, kTableLists + 1> m_preSuf;
    std::array<FormatList, kTableLists + 1> m_formats;
    CCodeTable m_symbologies;
    CCodeTable m_terminals;
    bool m_wizardFlag = false;
    std::vector<std::string> m_dropped;

    void NoteDropped(std::string_view tag, int table, const std::vector<std::string>& pieces);
};
