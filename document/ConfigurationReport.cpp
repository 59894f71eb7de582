#include "document/ConfigurationReport.h"

#include "catalog/CDeviceSetting.h"
#include "device/CDevice.h"
#include "device/blocks/CBlockSet.h"
#include "document/CQLMenuDoc.h"
#include "document/Canvas.h"
#include "platform/Sha256.h"

#include <algorithm>

namespace {

std::string TableName(int table)
{
    return "Group Table " + std::to_string(table);
}

std::string PrefixSuffixLine(const CPreSufEntry& entry)
{
    const char* kind = entry.GetKind() == CPreSufEntry::kSuffix ? "Suffix" : "Prefix";
    return std::string(kind) + " for symbology " + entry.GetSymbology() + ": " + entry.GetData();
}

std::string FormatLine(const CFormatKeyEntry& entry)
{
    return "Format " + entry.GetSlotName() + ": terminal " + entry.GetTerminal() + ", symbology "
        + entry.GetSymbology() + ", length " + entry.GetLength() + ": " + entry.GetCommands();
}

void AppendRules(const CBlockSet& blocks, int list, std::vector<std::string>& rules)
{
    for (const CPreSufEntry& entry : blocks.GetPrefixSuffixList(list))
        rules.push_back(PrefixSuffixLine(entry));
    for (const CFormatKeyEntry& entry : blocks.GetDataFormatList(list))
        rules.push_back(FormatLine(entry));
}

std::string Escape(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Bytes are the reader's 8-bit characters: each becomes the character of its number.
            if (static_cast<unsigned char>(c) >= 0x80 || (static_cast<unsigned char>(c) < 0x20 && c != '\n'))
                out += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
            else
                out += c;
        }
    }
    return out;
}

std::string Shown(const ReportSetting& setting)
{
    return setting.valueCaption.empty() ? setting.value : setting.valueCaption + " (" + setting.value + ")";
}

} // namespace

ConfigurationReport ConfigurationReport::Build(
    const CQLMenuDoc& document, const std::string& documentBytes, std::string source, std::string firmware)
{
    ConfigurationReport report;
    report.source = std::move(source);
    report.firmware = std::move(firmware);
    report.description = document.Description();
    report.sha256 = Sha256::Hex(documentBytes);
    report.offline = document.IsOffline();
    const CDeviceName& entry = document.DocumentEntry();
    report.productName = entry.ProductName();
    report.baseNumber = entry.baseNumber;
    report.revision = report.offline ? "chosen by hand" : std::to_string(entry.revision);
    report.productId = entry.productId;
    report.catalogRow = entry.catalogRow >= 0 ? std::to_string(entry.catalogRow) : "none";
    const CDevice* device = document.Device();
    if (!device) return report;

    // Each setting is named by its first control, on the page that control is on.
    const auto& settings = device->Settings();
    std::vector<const ControlBinding*> firstBinding(settings.size(), nullptr);
    for (const ControlBinding& binding : document.Bindings())
        if (binding.settingIndex >= 0 && binding.settingIndex < static_cast<int>(settings.size())
            && !firstBinding[static_cast<size_t>(binding.settingIndex)])
            firstBinding[static_cast<size_t>(binding.settingIndex)] = &binding;

    const int tables = std::clamp(device->TableCount(), 1, CDeviceSetting::kMaxTables);
    for (int table = 0; table < tables; ++table) {
        ReportTable section;
        section.table = table;
        for (size_t i = 0; i < settings.size(); ++i) {
            const CDeviceSetting& setting = settings[i];
            const std::string value = setting.ValueForDevice(table);
            if (value == setting.defaultValue) continue;
            // A setting shared by all tables is reported once, with the first table.
            if (setting.sameAllTables && table > 0) continue;
            ReportSetting row;
            row.tag = setting.tag;
            row.value = value;
            row.defaultValue = setting.defaultValue;
            row.caption = setting.tag;
            if (const ControlBinding* binding = firstBinding[i]) {
                row.caption = binding->caption;
                const auto& pages = document.Pages();
                if (binding->pageIndex >= 0 && binding->pageIndex < static_cast<int>(pages.size()))
                    row.page = pages[static_cast<size_t>(binding->pageIndex)].caption;
            }
            for (size_t k = 0; k < setting.allowedValues.size() && k < setting.optionCaptions.size(); ++k)
                if (setting.allowedValues[k] == value) row.valueCaption = setting.optionCaptions[k];
            section.changed.push_back(std::move(row));
        }
        if (table < CBlockSet::kTableLists) AppendRules(device->Blocks(), table, section.rules);
        report.tables.push_back(std::move(section));
    }
    AppendRules(device->Blocks(), CBlockSet::kExtraList, report.extraRules);
    return report;
}

std::vector<ConfigurationRow> ConfigurationReport::ToRows() const
{
    std::vector<ConfigurationRow> rows = {
        { "Product", productName, "" },
        { "Base number", baseNumber, "" },
        { "Revision", revision, "" },
        { "Product id", productId, "" },
        { "Catalog row", catalogRow, "" },
    };
    if (!firmware.empty()) rows.push_back({ "Firmware", firmware, "" });
    rows.push_back({ "Source", source, "" });
    rows.push_back({ "SHA-256", sha256.substr(0, 32), "" });
    rows.push_back({ "", sha256.size() > 32 ? sha256.substr(32) : std::string(), "" });
    if (!description.empty()) rows.push_back({ "Description", description, "" });
    for (const ReportTable& table : tables) {
        rows.push_back({ "", "", "" });
        rows.push_back({ TableName(table.table), table.changed.empty() ? "all settings at default" : "", "" });
        for (const ReportSetting& setting : table.changed)
            rows.push_back({ (setting.page.empty() ? "" : setting.page + ": ") + setting.caption, Shown(setting),
                setting.defaultValue });
        for (const std::string& rule : table.rules)
            rows.push_back({ "Rule", rule, "" });
    }
    for (const std::string& rule : extraRules)
        rows.push_back({ "Auxiliary rule", rule, "" });
    return rows;
}

int ConfigurationReport::Draw(Canvas& canvas) const
{
    ConfigurationPrint print(ToRows());
    print.SetHeadings("Configuration Report", "Value", "Default");
    const int pages = print.Prepare(canvas);
    for (int page = 0; page < pages; ++page) {
        canvas.StartPage();
        print.DrawPage(canvas, page);
        canvas.EndPage();
    }
    return pages;
}

std::string ConfigurationReport::ToHtml() const
{
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Configuration Report</title>\n"
                       "<style>body{font-family:sans-serif}table{border-collapse:collapse}"
                       "td,th{border:1px solid #999;padding:2px 8px;text-align:left}</style></head><body>\n"
                       "<h1>Configuration Report</h1>\n<table>\n";
    auto row = [&html](const std::string& name, const std::string& value) {
        html += "<tr><th>" + Escape(name) + "</th><td>" + Escape(value) + "</td></tr>\n";
    };
    row("Product", productName);
    row("Base number", baseNumber);
    row("Revision", revision);
    row("Product id", productId);
    row("Catalog row", catalogRow);
    if (!firmware.empty()) row("Firmware", firmware);
    row("Source", source);
    row("SHA-256", sha256);
    html += "</table>\n";
    if (!description.empty()) html += "<h2>Description</h2>\n<pre>" + Escape(description) + "</pre>\n";
    for (const ReportTable& table : tables) {
        html += "<h2>" + TableName(table.table) + "</h2>\n";
        if (table.changed.empty()) {
            html += "<p>All settings at their defaults.</p>\n";
        } else {
            html += "<table>\n<tr><th>Page</th><th>Setting</th><th>Command</th><th>Value</th><th>Default</th></tr>\n";
            for (const ReportSetting& setting : table.changed)
                html += "<tr><td>" + Escape(setting.page) + "</td><td>" + Escape(setting.caption) + "</td><td>"
                    + Escape(setting.tag) + "</td><td>" + Escape(Shown(setting)) + "</td><td>"
                    + Escape(setting.defaultValue) + "</td></tr>\n";
            html += "</table>\n";
        }
        if (!table.rules.empty()) {
            html += "<h3>Prefix, suffix and data format rules</h3>\n<ul>\n";
            for (const std::string& rule : table.rules)
                html += "<li><code>" + Escape(rule) + "</code></li>\n";
            html += "</ul>\n";
        }
    }
    if (!extraRules.empty()) {
        html += "<h2>Auxiliary port rules</h2>\n<ul>\n";
        for (const std::string& rule : extraRules)
            html += "<li><code>" + Escape(rule) + "</code></li>\n";
        html += "</ul>\n";
    }
    html += "</body></html>\n";
    return html;
}
