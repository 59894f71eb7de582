#include "wizards/CDataEditSheetModel.h"

#include "device/blocks/BlockCodec.h"

#include <algorithm>

namespace {

constexpr std::string_view kPageTitles[] = { "Prefix/Suffix", "Data Format", "Aux Prefix/Suffix", "Aux Data Format" };

std::vector<CPreSufEntry> OfKind(const std::vector<CPreSufEntry>& entries, std::int32_t kind)
{
    std::vector<CPreSufEntry> picked;
    for (const CPreSufEntry& entry : entries)
        if (entry.GetKind() == kind) picked.push_back(entry);
    return picked;
}

} // namespace

CDataEditSheetModel::CDataEditSheetModel(
    const CBlockSet& blocks, const IBlockSettings& settings, std::string codeIdMarker, BlockMaximum maximum)
    : m_table(std::clamp(settings.GetCurrentTable(), 0, CBlockSet::kTableLists - 1))
    , m_symbologies(blocks.GetSymbologyTable())
    , m_terminals(blocks.GetTerminalTable())
    , m_maximum(std::move(maximum))
    , m_preSuf(blocks.GetPrefixSuffixList(m_table))
    , m_formats(blocks.GetDataFormatList(m_table))
    , m_auxPreSufList(blocks.GetPrefixSuffixList(CBlockSet::kExtraList))
    , m_auxFormatList(blocks.GetDataFormatList(CBlockSet::kExtraList))
{
    if (settings.HasSetting("TERMID")) m_terminal = PadTerminalCode(settings.GetSettingValue("TERMID", m_table));
    if (settings.HasSetting("DFMRQD")) m_required = settings.GetSettingValue("DFMRQD", m_table);
    const std::vector<std::string>& symbologies = m_symbologies.GetNames();
    const std::vector<std::string>& terminals = m_terminals.GetNames();
    const std::array<std::string, 2> formatStates = blocks.GetDataFormatEnables(settings);
    m_prefixSuffix.emplace(symbologies, m_preSuf, blocks.GetPrefixSuffixEnables(settings), false, codeIdMarker);
    m_format.emplace(symbologies, terminals, m_formats, formatStates[0], false);
    if (CBlockSet::HasAuxiliaryPort(settings)) {
        std::array<std::string, 4> hidden;
        hidden.fill(std::string(kHideButton));
        m_auxPrefixSuffix.emplace(symbologies, m_auxPreSufList, hidden, true, codeIdMarker);
        m_auxFormat.emplace(symbologies, terminals, m_auxFormatList, formatStates[1], true);
    }
}

std::string_view CDataEditSheetModel::PageTitle(int page)
{
    return page >= 0 && page < 4 ? kPageTitles[page] : std::string_view {};
}

int CDataEditSheetModel::PageOfBlock(std::string_view tag) const
{
    int page = -1;
    if (tag == "PREBK2" || tag == "SUFBK2") page = 0;
    if (tag == "DFMBK3") page = 1;
    if (tag == "AXPBK2" || tag == "AXSBK2") page = 2;
    if (tag == "AXDBK3") page = 3;
    return page < PageCount() ? page : -1;
}

CPrefixSuffixPageModel& CDataEditSheetModel::PrefixSuffixPage(bool auxiliary)
{
    return auxiliary && m_auxPrefixSuffix ? *m_auxPrefixSuffix : *m_prefixSuffix;
}

CFormatPageModel& CDataEditSheetModel::FormatPage(bool auxiliary)
{
    return auxiliary && m_auxFormat ? *m_auxFormat : *m_format;
}

std::string CDataEditSheetModel::BlockTag(bool auxiliary, bool formats, bool prefix) const
{
    if (formats) return auxiliary ? "AXDBK3" : "DFMBK3";
    if (auxiliary) return prefix ? "AXPBK2" : "AXSBK2";
    return prefix ? "PREBK2" : "SUFBK2";
}

std::string CDataEditSheetModel::Refuse(std::string_view tag, std::size_t length) const
{
    return BlockSizeRefusal(tag, length, m_maximum ? m_maximum(tag) : 0);
}

std::string CDataEditSheetModel::RefusePrefixSuffix(bool auxiliary, const std::vector<CPreSufEntry>& entries) const
{
    for (const std::int32_t kind : { CPreSufEntry::kPrefix, CPreSufEntry::kSuffix }) {
        const std::string text = PrefixSuffixValueText(OfKind(entries, kind), m_symbologies);
        std::string refused = Refuse(BlockTag(auxiliary, false, kind == CPreSufEntry::kPrefix), text.size());
        if (!refused.empty()) return refused;
    }
    return {};
}

std::string CDataEditSheetModel::RefuseFormats(bool auxiliary, const std::vector<CFormatKeyEntry>& entries) const
{
    return Refuse(BlockTag(auxiliary, true, false), DataFormatValueText(entries, m_symbologies, m_terminals).size());
}

std::function<std::string(const CFormatKeyEntry&)> CDataEditSheetModel::FormatCheck(bool auxiliary, int index) const
{
    const std::vector<CFormatKeyEntry>& list = auxiliary ? m_auxFormatList : m_formats;
    return [this, auxiliary, index, &list](const CFormatKeyEntry& entry) {
        std::vector<CFormatKeyEntry> after = list;
        if (index >= 0 && index < static_cast<int>(after.size()))
            after[static_cast<std::size_t>(index)] = entry;
        else
            after.push_back(entry);
        return RefuseFormats(auxiliary, after);
    };
}

std::string CDataEditSheetModel::Gauge(int page) const
{
    const bool auxiliary = IsAuxiliaryPage(page);
    auto one = [this](const std::string& tag, std::size_t length) {
        const long long maximum = m_maximum ? m_maximum(tag) : 0;
        std::string text = std::to_string(length);
        if (maximum > 0) text += " of " + std::to_string(maximum);
        return text + " characters";
    };
    if (KindOf(page) == PageKind::DataFormat) {
        const std::vector<CFormatKeyEntry>& list = auxiliary ? m_auxFormatList : m_formats;
        return one(BlockTag(auxiliary, true, false), DataFormatValueText(list, m_symbologies, m_terminals).size());
    }
    const std::vector<CPreSufEntry>& list = auxiliary ? m_auxPreSufList : m_preSuf;
    return "Prefixes: "
        + one(BlockTag(auxiliary, false, true),
            PrefixSuffixValueText(OfKind(list, CPreSufEntry::kPrefix), m_symbologies).size())
        + "   Suffixes: "
        + one(BlockTag(auxiliary, false, false),
            PrefixSuffixValueText(OfKind(list, CPreSufEntry::kSuffix), m_symbologies).size());
}

bool CDataEditSheetModel::Apply(CBlockSet& blocks, IBlockSettings& settings) const
{
    const CBlockSet before = blocks;
    const std::array<std::string, 4> enablesBefore = blocks.GetPrefixSuffixEnables(settings);
    const std::array<std::string, 2> statesBefore = blocks.GetDataFormatEnables(settings);

    blocks.GetPrefixSuffixList(m_table) = m_preSuf;
    blocks.GetDataFormatList(m_table) = m_formats;
    if (m_auxPrefixSuffix) {
        blocks.GetPrefixSuffixList(CBlockSet::kExtraList) = m_auxPreSufList;
        blocks.GetDataFormatList(CBlockSet::kExtraList) = m_auxFormatList;
    }
    blocks.SetPrefixSuffixEnables(settings, m_prefixSuffix->Values());
    std::array<std::string, 2> states { m_format->State(), std::string(kHideButton) };
    if (m_auxFormat) states[1] = m_auxFormat->State();
    blocks.SetDataFormatEnables(settings, states);
    blocks.StoreBlockValues(settings);
    return !(before == blocks) || enablesBefore != blocks.GetPrefixSuffixEnables(settings)
        || statesBefore != blocks.GetDataFormatEnables(settings);
}

ReaderRules CDataEditSheetModel::PreviewRules(bool auxiliary) const
{
    auxiliary = auxiliary && HasAuxiliaryPort();
    const std::vector<CPreSufEntry>& preSuf = auxiliary ? m_auxPreSufList : m_preSuf;
    ReaderRules rules;
    rules.prefixes = PrefixSuffixValueText(OfKind(preSuf, CPreSufEntry::kPrefix), m_symbologies);
    rules.suffixes = PrefixSuffixValueText(OfKind(preSuf, CPreSufEntry::kSuffix), m_symbologies);
    rules.formats = DataFormatValueText(auxiliary ? m_auxFormatList : m_formats, m_symbologies, m_terminals);
    // The main page's check boxes; a hidden one (the reader lacks the setting) is on.
    const std::array<std::string, 4>& values = m_prefixSuffix->Values();
    auto value = [](const std::string& text, const char* hidden) { return text == kHideButton ? hidden : text; };
    rules.preEn = auxiliary ? "1" : value(values[0], "1");
    rules.sufEn = auxiliary ? "1" : value(values[1], "1");
    rules.codeId = auxiliary ? "0" : value(values[2], "0");
    rules.aimId = auxiliary ? "0" : value(values[3], "0");
    rules.dfmEn = value((auxiliary ? *m_auxFormat : *m_format).State(), "1");
    rules.dfmRqd = m_required;
    rules.terminal = m_terminal;
    return rules;
}

std::vector<std::string> CDataEditSheetModel::TryIt(bool auxiliary, std::string_view sampleLine) const
{
    PreviewSample sample;
    std::string error;
    if (!ParsePreviewSample(sampleLine, m_symbologies.GetNames(), m_symbologies.GetCodes(), sample, error))
        return { "Sample: " + error + " (for example: Code 39=ABC[ CR])" };
    const PreviewResult result = RunFormatPreview(PreviewRules(auxiliary), sample);
    std::vector<std::string> lines;
    lines.push_back(result.sent ? "Sent: " + BytesToDisplayText(result.host) : std::string("Nothing is sent"));
    if (!result.aux.empty()) lines.push_back("Aux port: " + BytesToDisplayText(result.aux));
    lines.push_back(result.format >= 0 ? "Format " + std::to_string(result.format + 1) + " applies"
                                       : std::string("No format applies"));
    for (const std::string& step : result.trace)
        lines.push_back("  " + step);
    for (const std::string& failure : result.failures)
        lines.push_back("Not applied: " + failure);
    return lines;
}
