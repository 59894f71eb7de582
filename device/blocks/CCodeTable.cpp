#include "device/blocks/CCodeTable.h"

#include "platform/TextUtil.h"

#include "platform/Archive.h"

#include <algorithm>
#include <cstddef>

namespace {

// One row of the symbology table, appended when a reader has the setting `tag`. Rows that share
// a non-zero `once` group are appended only for the first of their tags that the reader has.
struct SymbologyRow {
    std::string_view tag;
    std::string_view name;
    std::string_view code;
    int once;
};

enum OnceGroup { kEvery = 0, kRss, kUpcE, kUpc, kEanJan };

// Symbology names and the reader's code-ID bytes.
constexpr SymbologyRow kSymbologyRows[] = {
    /* 0*/ { "CBRENA", "Codabar", "61", kEvery },
    { "C39ENA", "Code 39", "62", kEvery },
    { "R25ENA", "Code 2 of 5", "66", kEvery },
    { "I25ENA", "Inter 2/5", "65", kEvery },
    { "A25ENA", "IATA 2/5", "66", kEvery },
    /* 5*/ { "X25ENA", "Matrix 2/5", "6D", kEvery },
    { "C93ENA", "Code 93", "69", kEvery },
    { "128ENA", "Code 128", "6A", kEvery },
    { "C11ENA", "Code 11", "68", kEvery },
    { "MSIENA", "MSI", "67", kEvery },
    /*10*/ { "PLSENA", "Plessey", "6E", kEvery },
    { "PDFENA", "PDF417", "72", kEvery },
    { "QRCENA", "QR Code", "73", kEvery },
    { "IDMENA", "Data Matrix", "77", kEvery },
    { "MAXENA", "Maxicode", "78", kEvery },
    /*15*/ { "AZTENA", "Aztec", "7A", kEvery },
    { "VERENA", "VeriCode", "76", kEvery },
    { "NETENA", "PostNet", "50", kEvery },
    { "BPOENA", "BPO 4 State", "42", kEvery },
    { "CANENA", "Canadian 4 State", "43", kEvery },
    /*20*/ { "ZEDENA", "Code Z", "75", kEvery },
    { "C49ENA", "Code 49", "6C", kEvery },
    { "MPDENA", "Micro PDF417", "52", kEvery },
    { "412ENA", "BC412", "78", kEvery },
    { "JAPENA", "Japan Postal", "4A", kEvery },
    /*25*/ { "RSSENA", "RSS / EAN-UCC Composite", "79", kRss },
    { "RSLENA", "RSS / EAN-UCC Composite", "79", kRss },
    { "RSEENA", "RSS / EAN-UCC Composite", "79", kRss },
    { "COMENA", "RSS / EAN-UCC Composite", "79", kRss },
    { "PLNENA", "Planet Code", "4C", kEvery },
    /*30*/ { "POSENA", "PosiCode", "57", kEvery },
    { "CPCENA", "China Postal", "51", kEvery },
    { "TELENA", "Telepen", "74", kEvery },
    { "KPCENA", "Korea Postal", "3F", kEvery },
    { "CBFENA", "Codablock F", "71", kEvery },
    /*35*/ { "TRIENA", "Tri-Optic", "3D", kEvery },
    { "16KENA", "Code 16K", "6F", kEvery },
    { "C32ENA", "Code 32", "3C", kEvery },
    { "T39ENA", "TCIF Linked Code 39", "T", kEvery },
    { "KIXENA", "KIX (Netherlands) Postal", "4B", kEvery },
    /*40*/ { "AUSENA", "Australian Postal", "41", kEvery },
    { "EANEMU", "UCC/EAN-128", "49", kEvery },
    { "OCRENA", "OCR", "4F", kEvery },
};

// UPC and EAN rows of readers with the newer code-ID set (they have a CIDNEW setting).
constexpr SymbologyRow kNewCodeIdRows[] = {
    { "UPAENA", "UPC-A", "63", kEvery },
    { "UPAENA", "UPC-A / EAN-13 With Extended Coupon Code", "64", kEvery },
    { "UPEEN0", "UPC-E", "45", kUpcE },
    { "UPEEN1", "UPC-E", "45", kUpcE },
    { "E13ENA", "EAN/JAN-13", "64", kEvery },
    { "EA8ENA", "EAN/JAN-8", "44", kEvery },
};

// The same for the older code-ID set.
constexpr SymbologyRow kOldCodeIdRows[] = {
    { "UPAENA", "UPC", "63", kUpc },
    { "UE0ENA", "UPC", "63", kUpc },
    { "UE1ENA", "UPC", "63", kUpc },
    { "E13ENA", "EAN/JAN", "64", kEanJan },
    { "EA8ENA", "EAN/JAN", "64", kEanJan },
};

bool IsSymbologyTag(std::string_view tag)
{
    if (EqualNoCase(tag, "EANEMU")) return true;
    if (tag.size() < 6) return false;
    const std::string middle = ToUpper(tag.substr(3, 3));
    return middle == "ENA" || middle == "EN0" || middle == "EN1";
}

} // namespace

void CCodeTable::Add(std::string name, std::string code)
{
    m_names.push_back(std::move(name));
    m_codes.push_back(std::move(code));
}

void CCodeTable::Clear()
{
    m_names.clear();
    m_codes.clear();
}

std::string CCodeTable::NameFromCode(std::string_view code) const
{
    const std::size_t rows = std::min(m_names.size(), m_codes.size());
    for (std::size_t i = rows; i-- > 0;)
        if (EqualNoCase(m_codes[i], code)) return m_names[i];
    return {};
}

std::string CCodeTable::CodeFromName(std::string_view name) const
{
    const std::size_t rows = std::min(m_names.size(), m_codes.size());
    for (std::size_t i = rows; i-- > 0;)
        if (EqualNoCase(m_names[i], name)) return m_codes[i];
    return {};
}

void CCodeTable::Write(CArchiveWriter& archive) const
{
    archive.WriteStringList(m_codes);
    archive.WriteStringList(m_names);
}

void CCodeTable::Read(CArchiveReader& archive)
{
    m_codes = archive.ReadStringList();
    m_names = archive.ReadStringList();
}

CCodeTable BuildSymbologyTable(const std::vector<std::string>& settingTags)
{
    const bool newCodeIds = std::find(settingTags.begin(), settingTags.end(), "CIDNEW") != settingTags.end();

    CCodeTable table;
    table.Add(std::string(kAllSymbologies), "99");
    table.Add("No Read", "9C");

    bool onceDone[kEanJan + 1] = {};
    auto addRows = [&](const std::string& tag, const auto& rows) {
        for (const SymbologyRow& row : rows) {
            if (row.tag != tag || onceDone[row.once]) continue;
            table.Add(std::string(row.name), std::string(row.code));
            if (row.once != kEvery) onceDone[row.once] = true;
        }
    };
    for (const std::string& setting : settingTags) {
        if (!IsSymbologyTag(setting)) continue;
        const std::string tag = ToUpper(setting);
        addRows(tag, kSymbologyRows);
        if (newCodeIds)
            addRows(tag, kNewCodeIdRows);
        else
            addRows(tag, kOldCodeIdRows);
    }
    return table;
}

CCodeTable ReadTerminalTable(std::string_view groupList)
{
    CCodeTable table;
    int position = 0;
    // Names are trimmed, as the tab definitions trim every Group List piece, so that the table
    // agrees with the TERMID setting's option captions.
    auto add = [&](std::string_view name) {
        const std::size_t first = name.find_first_not_of(" \t\r\n");
        name = first == std::string_view::npos
            ? std::string_view()
            : name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
        std::string code = std::to_string(position++);
        table.Add(std::string(name), PadTerminalCode(code));
    };
    // A list ending in "|" has no name after it.
    while (!groupList.empty()) {
        const std::size_t bar = groupList.find('|');
        if (bar == std::string_view::npos) {
            add(groupList);
            break;
        }
        add(groupList.substr(0, bar));
        groupList.remove_prefix(bar + 1);
    }
    return table;
}

std::string PadTerminalCode(std::string_view code)
{
    std::string padded(code);
    if (padded.size() < 3) padded.insert(0, 3 - padded.size(), '0');
    return padded;
}
