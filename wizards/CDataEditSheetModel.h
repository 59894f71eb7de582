// CDataEditSheetModel: "Prefix/Suffix Data Formatter Control" without widgets.
//
// The sheet works on copies: the current table's prefix/suffix and data-format lists, the
// auxiliary port's lists when the reader has one, and the enables PRE_EN, SUF_EN, CODIDX,
// AIMIDX, DFM_EN and AXD_EN. OK (Apply) writes them all back into the device at once; Cancel
// simply drops the model, so a Delete All followed by Cancel leaves the reader's rules alone.
#pragma once

#include "device/blocks/CBlockSet.h"
#include "wizards/CFormatPageModel.h"
#include "wizards/CPrefixSuffixPageModel.h"
#include "wizards/FormatPreview.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CDataEditSheetModel {
public:
    static constexpr std::string_view kTitle = "Prefix/Suffix Data Formatter Control";
    static constexpr int kPrefixSuffixHelp = 1501;
    static constexpr int kDataFormatHelp = 1503;
    enum class PageKind { PrefixSuffix, DataFormat };
    // The most characters a block setting holds (0: no limit known).
    using BlockMaximum = std::function<long long(std::string_view tag)>;

    CDataEditSheetModel(const CBlockSet& blocks, const IBlockSettings& settings, std::string codeIdMarker,
        BlockMaximum maximum = {});
    CDataEditSheetModel(const CDataEditSheetModel&) = delete;
    CDataEditSheetModel& operator=(const CDataEditSheetModel&) = delete;

    // 2 pages, or 4 with an auxiliary port: "Prefix/Suffix", "Data Format", "Aux Prefix/Suffix",
    // "Aux Data Format".
    int PageCount() const { return m_auxPrefixSuffix ? 4 : 2; }
    static PageKind KindOf(int page) { return page % 2 == 0 ? PageKind::PrefixSuffix : PageKind::DataFormat; }
    static bool IsAuxiliaryPage(int page) { return page >= 2; }
    static std::string_view PageTitle(int page);
    static int HelpTopic(int page) { return KindOf(page) == PageKind::PrefixSuffix ? kPrefixSuffixHelp : kDataFormatHelp; }
    // The page that shows a block setting's records (PREBK2 -> 0, AXDBK3 -> 3); -1 for others.
    int PageOfBlock(std::string_view tag) const;

    CPrefixSuffixPageModel& PrefixSuffixPage(bool auxiliary);
    CFormatPageModel& FormatPage(bool auxiliary);
    bool HasAuxiliaryPort() const { return m_auxPrefixSuffix.has_value(); }

    // "312 of 400 characters" for each block of the page.
    std::string Gauge(int page) const;
    // A message when the records would no longer fit their blocks, "" when they fit.
    std::string RefusePrefixSuffix(bool auxiliary, const std::vector<CPreSufEntry>& entries) const;
    std::string RefuseFormats(bool auxiliary, const std::vector<CFormatKeyEntry>& entries) const;
    // The check the format wizard runs on Finish for the entry at `index` (-1: a new one).
    std::function<std::string(const CFormatKeyEntry&)> FormatCheck(bool auxiliary, int index) const;

    // "Try It": the rules as the pages hold them now (not yet applied), and what a sample
    // scan ("Code 39=ABC[ CR]") sends through them, as lines of text.
    ReaderRules PreviewRules(bool auxiliary) const;
    std::vector<std::string> TryIt(bool auxiliary, std::string_view sample) const;

    // OK: the lists and enables into the device's current table (the auxiliary lists into
    // the extra list) and the block fields' values refreshed. True when anything changed.
    bool Apply(CBlockSet& blocks, IBlockSettings& settings) const;

private:
    std::string BlockTag(bool auxiliary, bool formats, bool prefix) const;
    std::string Refuse(std::string_view tag, std::size_t length) const;

    int m_table;
    std::string m_terminal = "000"; // TERMID of the table
    std::string m_required = "0"; // DFMRQD
    CCodeTable m_symbologies;
    CCodeTable m_terminals;
    BlockMaximum m_maximum;
    std::vector<CPreSufEntry> m_preSuf;
    std::vector<CFormatKeyEntry> m_formats;
    std::vector<CPreSufEntry> m_auxPreSufList;
    std::vector<CFormatKeyEntry> m_auxFormatList;
    std::optional<CPrefixSuffixPageModel> m_prefixSuffix;
    std::optional<CFormatPageModel> m_format;
    std::optional<CPrefixSuffixPageModel> m_auxPrefixSuffix;
    std::optional<CFormatPageModel> m_auxFormat;
};
