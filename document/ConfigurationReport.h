// ConfigurationReport: what a configuration holds, for a person rather than a reader — the
// identity of the reader, every setting that differs from its default (per table, with the
// page and caption the user knows it by), the prefix/suffix and data-format rules, the
// document's description, and the SHA-256 of the document's bytes so the report names the
// exact file it describes.
//
// Written as HTML, or drawn on a Canvas through the configuration printout's table, so a PDF
// report and a printed configuration come from one layout.
#pragma once

#include "document/ConfigurationPrint.h"

#include <string>
#include <vector>

class CQLMenuDoc;

struct ReportSetting {
    std::string page; // caption of the page that shows it ("" when no page does)
    std::string caption; // caption of its first control, else its tag
    std::string tag;
    std::string value;
    std::string valueCaption; // the option's caption for lists and radio groups
    std::string defaultValue;
};

struct ReportTable {
    int table = 0;
    std::vector<ReportSetting> changed;
    std::vector<std::string> rules; // prefix/suffix and data-format entries, one line each
};

struct ConfigurationReport {
    std::string source; // the file or port the configuration came from
    std::string productName;
    std::string baseNumber;
    std::string revision;
    std::string productId;
    std::string catalogRow;
    std::string firmware; // "" when unknown (a document does not keep it)
    std::string description;
    std::string sha256; // of the document bytes
    bool offline = false;
    std::vector<ReportTable> tables;
    std::vector<std::string> extraRules; // the auxiliary port's list

    // `documentBytes`: the document as it is (or would be) saved.
    static ConfigurationReport Build(const CQLMenuDoc& document, const std::string& documentBytes,
        std::string source, std::string firmware);

    std::string ToHtml() const;
    // The report as rows of the printout's three-column table.
    std::vector<ConfigurationRow> ToRows() const;
    // Draws every page (StartPage/EndPage around each); the page count.
    int Draw(Canvas& canvas) const;
};
