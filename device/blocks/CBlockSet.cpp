#include "device/blocks/CBlockSet.h"

#include "device/blocks/BlockCodec.h"
#include "platform/Archive.h"

#include <algorithm>

namespace {

struct PrefixSuffixBlock {
    std::string_view tag;
    std::int32_t kind;
    bool auxiliary;
};
constexpr PrefixSuffixBlock kPrefixSuffixBlocks[] = {
    { "PREBK2", CPreSufEntry::kPrefix, false },
    { "SUFBK2", CPreSufEntry::kSuffix, false },
    { "AXPBK2", CPreSufEntry::kPrefix, true },
    { "AXSBK2", CPreSufEntry::kSuffix, true },
};

struct DataFormatBlock {
    std::string_view tag;
    bool auxiliary;
};
constexpr DataFormatBlock kDataFormatBlocks[] = {
    { "DFMBK3", false },
    { "AXDBK3", true },
};

// Settings sent after the blocks of a table, with the table's value.
constexpr std::string_view kPrefixSuffixEnableTags[]
    = { "PRE_EN", "SUF_EN", "AXP_EN", "AXS_EN", "CODIDX", "AIMIDX" };
constexpr std::string_view kDataFormatEnableTags[] = { "DFM_EN", "AXD_EN", "DFMRQD" };

// Enables the editors show, in the order of their getters and setters.
constexpr std::array<std::string_view, 4> kPrefixSuffixEditorTags { "PRE_EN", "SUF_EN", "CODIDX", "AIMIDX" };
constexpr std::array<std::string_view, 2> kDataFormatEditorTags { "DFM_EN", "AXD_EN" };

// Tables whose values the device holds: 1 to 9.
int TablesHeld(const IBlockSettings& settings)
{
    return std::clamp(settings.GetTableCount(), 1, CBlockSet::kTableLists);
}

// A note on a dropped piece starts with its block's tag.
bool IsDataFormatNote(const std::string& note)
{
    return note.starts_with("DFMBK3") || note.starts_with("AXDBK3");
}

bool IsTableIndex(int table)
{
    return table >= 0 && table < CBlockSet::kTableLists;
}

template <typename List> void Append(List& list, List&& more)
{
    list.insert(list.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

template <std::size_t N>
void AppendEnableCommands(const IBlockSettings& settings, const std::string_view (&tags)[N], int table,
    std::vector<std::string>& commands)
{
    if (!IsTableIndex(table)) return;
    for (const std::string& tag : settings.GetSettingTags())
        if (std::find(std::begin(tags), std::end(tags), tag) != std::end(tags))
            commands.push_back(tag + settings.GetSettingValue(tag, table) + ".");
}

template <std::size_t N>
std::array<std::string, N> GetEnables(
    const IBlockSettings& settings, const std::array<std::string_view, N>& tags)
{
    std::array<std::string, N> values;
    const int table = settings.GetCurrentTable();
    for (std::size_t i = 0; i < N; ++i)
        values[i] = IsTableIndex(table) && settings.HasSetting(tags[i])
            ? settings.GetSettingValue(tags[i], table)
            : std::string(kHideButton);
    return values;
}

template <std::size_t N>
void SetEnables(IBlockSettings& settings, const std::array<std::string_view, N>& tags,
    const std::array<std::string, N>& values)
{
    const int table = settings.GetCurrentTable();
    if (!IsTableIndex(table)) return;
    for (std::size_t i = 0; i < N; ++i)
        if (values[i] != kHideButton && settings.HasSetting(tags[i]))
            settings.SetSettingValue(tags[i], table, values[i]);
}

} // namespace

bool IBlockSettings::HasSetting(std::string_view tag) const
{
    const std::vector<std::string> tags = GetSettingTags();
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

void CBlockSet::UpdateWizardFlag(const IBlockSettings& settings)
{
    m_wizardFlag
        = settings.HasSetting("DFMBK3") && settings.HasSetting("PREBK2") && settings.HasSetting("SUFBK2");
}

void CBlockSet::BuildSymbologyTable(const IBlockSettings& settings)
{
    m_symbologies = ::BuildSymbologyTable(settings.GetSettingTags());
}

void CBlockSet::ReadTerminalTable(std::string_view groupList)
{
    m_terminals = ::ReadTerminalTable(groupList);
}

std::string CBlockSet::TerminalNameFromCode(std::string_view code) const
{
    return m_terminals.NameFromCode(PadTerminalCode(code));
}

void CBlockSet::ParsePrefixSuffixBlocks(const IBlockSettings& settings)
{
    std::erase_if(m_dropped, [](const std::string& piece) { return !IsDataFormatNote(piece); });
    for (PreSufList& list : m_preSuf)
        list.clear();
    const int tables = TablesHeld(settings);
    for (const std::string& tag : settings.GetSettingTags()) {
        for (const PrefixSuffixBlock& block : kPrefixSuffixBlocks) {
            if (tag != block.tag) continue;
            const int last = block.auxiliary ? 1 : tables;
            for (int table = 0; table < last; ++table) {
                std::vector<std::string> dropped;
                Append(m_preSuf[block.auxiliary ? kExtraList : table],
                    ParsePrefixSuffixValue(settings.GetSettingValue(tag, table), block.kind, m_symbologies, &dropped));
                NoteDropped(tag, table, dropped);
            }
        }
    }
}

void CBlockSet::ParseDataFormatBlocks(const IBlockSettings& settings)
{
    std::erase_if(m_dropped, IsDataFormatNote);
    for (FormatList& list : m_formats)
        list.clear();
    const int tables = TablesHeld(settings);
    for (const std::string& tag : settings.GetSettingTags()) {
        for (const DataFormatBlock& block : kDataFormatBlocks) {
            if (tag != block.tag) continue;
            const int last = block.auxiliary ? 1 : tables;
            for (int table = 0; table < last; ++table) {
                std::vector<std::string> dropped;
                Append(m_formats[block.auxiliary ? kExtraList : table],
                    ParseDataFormatValue(settings.GetSettingValue(tag, table), m_symbologies, m_terminals, &dropped));
                NoteDropped(tag, table, dropped);
            }
        }
    }
}

void CBlockSet::NoteDropped(std::string_view tag, int table, const std::vector<std::string>& pieces)
{
    for (const std::string& piece : pieces)
        m_dropped.push_back(std::string(tag) + " (table " + std::to_string(table) + "): \"" + piece + "\"");
}

void CBlockSet::ResetBlocksToDefaults(const IBlockSettings& settings, bool allTables)
{
    const int current = settings.GetCurrentTable();
    std::vector<int> tables;
    if (allTables) {
        for (int table = 0; table < kTableLists; ++table) {
            m_preSuf[table].clear();
            m_formats[table].clear();
        }
        for (int table = 0; table < TablesHeld(settings); ++table)
            tables.push_back(table);
    } else if (IsTableIndex(current)) {
        m_preSuf[current].clear();
        m_formats[current].clear();
        tables.push_back(current);
    }
    m_preSuf[kExtraList].clear();
    m_formats[kExtraList].clear();

    for (const std::string& tag : settings.GetSettingTags()) {
        for (const PrefixSuffixBlock& block : kPrefixSuffixBlocks) {
            if (tag != block.tag) continue;
            const std::string value = settings.GetSettingDefault(tag);
            if (block.auxiliary) {
                Append(m_preSuf[kExtraList], ParsePrefixSuffixValue(value, block.kind, m_symbologies));
                continue;
            }
            for (const int table : tables)
                Append(m_preSuf[table], ParsePrefixSuffixValue(value, block.kind, m_symbologies));
        }
        for (const DataFormatBlock& block : kDataFormatBlocks) {
            if (tag != block.tag) continue;
            const std::string value = settings.GetSettingDefault(tag);
            if (block.auxiliary) {
                Append(m_formats[kExtraList], ParseDataFormatValue(value, m_symbologies, m_terminals));
                continue;
            }
            for (const int table : tables)
                Append(m_formats[table], ParseDataFormatValue(value, m_symbologies, m_terminals));
        }
    }
}

void CBlockSet::BuildPrefixSuffixCommands(
    const IBlockSettings& settings, std::vector<std::string>& commands) const
{
    const int table = settings.GetCurrentTable();
    if (m_wizardFlag) {
        commands.emplace_back("PRECA2.");
        commands.emplace_back("SUFCA2.");
    }
    if (IsTableIndex(table)) {
        for (const CPreSufEntry& entry : m_preSuf[table])
            commands.push_back(
                BuildPrefixSuffixCommand(entry.IsPrefix() ? "PREBK2" : "SUFBK2", entry, m_symbologies));
    }
    if (!m_preSuf[kExtraList].empty()) {
        commands.emplace_back("AXPCA2.");
        commands.emplace_back("AXSCA2.");
        for (const CPreSufEntry& entry : m_preSuf[kExtraList])
            commands.push_back(
                BuildPrefixSuffixCommand(entry.IsPrefix() ? "AXPBK2" : "AXSBK2", entry, m_symbologies));
    }
    AppendEnableCommands(settings, kPrefixSuffixEnableTags, table, commands);
}

void CBlockSet::BuildDataFormatCommands(
    const IBlockSettings& settings, std::vector<std::string>& commands) const
{
    const int table = settings.GetCurrentTable();
    if (m_wizardFlag) commands.emplace_back("DFMCA3.");
    if (IsTableIndex(table)) {
        for (const CFormatKeyEntry& entry : m_formats[table])
            commands.push_back(BuildDataFormatCommand("DFMBK3", entry, m_symbologies, m_terminals));
    }
    if (!m_formats[kExtraList].empty()) {
        commands.emplace_back("AXDCA3.");
        for (const CFormatKeyEntry& entry : m_formats[kExtraList])
            commands.push_back(BuildDataFormatCommand("AXDBK3", entry, m_symbologies, m_terminals));
    }
    AppendEnableCommands(settings, kDataFormatEnableTags, table, commands);
}

bool CBlockSet::IsRecordBlock(std::string_view tag)
{
    for (const PrefixSuffixBlock& block : kPrefixSuffixBlocks)
        if (block.tag == tag) return true;
    for (const DataFormatBlock& block : kDataFormatBlocks)
        if (block.tag == tag) return true;
    return false;
}

std::string CBlockSet::GetBlockText(std::string_view tag, int table) const
{
    for (const PrefixSuffixBlock& block : kPrefixSuffixBlocks) {
        if (block.tag != tag) continue;
        const int list = block.auxiliary ? kExtraList : table;
        if (!block.auxiliary && !IsTableIndex(table)) return {};
        PreSufList kind;
        for (const CPreSufEntry& entry : m_preSuf[static_cast<std::size_t>(list)])
            if (entry.GetKind() == block.kind) kind.push_back(entry);
        return PrefixSuffixValueText(kind, m_symbologies);
    }
    for (const DataFormatBlock& block : kDataFormatBlocks) {
        if (block.tag != tag) continue;
        const int list = block.auxiliary ? kExtraList : table;
        if (!block.auxiliary && !IsTableIndex(table)) return {};
        return DataFormatValueText(m_formats[static_cast<std::size_t>(list)], m_symbologies, m_terminals);
    }
    return {};
}

bool CBlockSet::SetBlockText(std::string_view tag, int table, std::string_view text, BlockTextError& error)
{
    for (const PrefixSuffixBlock& block : kPrefixSuffixBlocks) {
        if (block.tag != tag) continue;
        if (!block.auxiliary && !IsTableIndex(table)) return false;
        std::vector<CPreSufEntry> parsed;
        if (!ParsePrefixSuffixText(text, block.kind, m_symbologies, parsed, error)) return false;
        PreSufList& list = m_preSuf[static_cast<std::size_t>(block.auxiliary ? kExtraList : table)];
        // The new records take the place of the first old one of their kind, so the editor's
        // rows keep their order.
        const auto first = std::find_if(
            list.begin(), list.end(), [&](const CPreSufEntry& entry) { return entry.GetKind() == block.kind; });
        std::size_t at = static_cast<std::size_t>(first - list.begin());
        std::erase_if(list, [&](const CPreSufEntry& entry) { return entry.GetKind() == block.kind; });
        at = std::min(at, list.size());
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), std::make_move_iterator(parsed.begin()),
            std::make_move_iterator(parsed.end()));
        return true;
    }
    for (const DataFormatBlock& block : kDataFormatBlocks) {
        if (block.tag != tag) continue;
        if (!block.auxiliary && !IsTableIndex(table)) return false;
        std::vector<CFormatKeyEntry> parsed;
        if (!ParseDataFormatText(text, m_symbologies, m_terminals, parsed, error)) return false;
        m_formats[static_cast<std::size_t>(block.auxiliary ? kExtraList : table)] = std::move(parsed);
        return true;
    }
    error = { 0, "not a block of records" };
    return false;
}

void CBlockSet::StoreBlockValues(IBlockSettings& settings) const
{
    const int table = settings.GetCurrentTable();
    for (const std::string& tag : settings.GetSettingTags()) {
        if (!IsRecordBlock(tag)) continue;
        const bool auxiliary = tag.starts_with("AX");
        const int target = auxiliary ? 0 : table;
        if (!IsTableIndex(target)) continue;
        const std::string text = GetBlockText(tag, target);
        if (settings.GetSettingValue(tag, target) != text) settings.SetSettingValue(tag, target, text);
    }
}

std::array<std::string, 4> CBlockSet::GetPrefixSuffixEnables(const IBlockSettings& settings) const
{
    return GetEnables(settings, kPrefixSuffixEditorTags);
}

void CBlockSet::SetPrefixSuffixEnables(
    IBlockSettings& settings, const std::array<std::string, 4>& values) const
{
    SetEnables(settings, kPrefixSuffixEditorTags, values);
}

std::array<std::string, 2> CBlockSet::GetDataFormatEnables(const IBlockSettings& settings) const
{
    return GetEnables(settings, kDataFormatEditorTags);
}

void CBlockSet::SetDataFormatEnables(IBlockSettings& settings, const std::array<std::string, 2>& values) const
{
    SetEnables(settings, kDataFormatEditorTags, values);
}

void CBlockSet::WritePrefixSuffixLists(CArchiveWriter& archive) const
{
    for (const PreSufList& list : m_preSuf) {
        archive.WriteCount(list.size());
        for (const CPreSufEntry& entry : list)
            entry.Write(archive);
    }
}

void CBlockSet::ReadPrefixSuffixLists(CArchiveReader& archive)
{
    for (PreSufList& list : m_preSuf)
        list = archive.ReadList<CPreSufEntry>(CPreSufEntry::kMinStoredBytes, &CPreSufEntry::Read);
}

void CBlockSet::WriteDataFormatLists(CArchiveWriter& archive) const
{
    for (const FormatList& list : m_formats) {
        archive.WriteCount(list.size());
        for (const CFormatKeyEntry& entry : list)
            entry.Write(archive);
    }
}

void CBlockSet::ReadDataFormatLists(CArchiveReader& archive)
{
    for (FormatList& list : m_formats)
        list = archive.ReadList<CFormatKeyEntry>(CFormatKeyEntry::kMinStoredBytes, &CFormatKeyEntry::Read);
}

void CBlockSet::WriteCodeTables(CArchiveWriter& archive) const
{
    m_symbologies.Write(archive);
    m_terminals.Write(archive);
}

void CBlockSet::ReadCodeTables(CArchiveReader& archive)
{
    m_symbologies.Read(archive);
    m_terminals.Read(archive);
}
