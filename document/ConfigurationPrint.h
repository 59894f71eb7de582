// ConfigurationPrint: the printed configuration of the main view — a table of every shown
// setting with its current value and its range, over as many pages as it needs.
#pragma once

#include "document/PageTemplate.h"

#include <string>
#include <vector>

class Canvas;
class CDevice;

struct ConfigurationRow {
    std::string name;
    std::string current;
    std::string range;
};

class ConfigurationPrint {
public:
    static constexpr const char* kFont = "ARIAL";
    static constexpr int kFontPoints = 12;

    // One row per binding in binding order; drop-down lists, buttons and the radio buttons
    // that are not checked are left out.
    static std::vector<ConfigurationRow> BuildRows(
        const std::vector<ControlBinding>& bindings, const CDevice& device);

    ConfigurationPrint(std::vector<ConfigurationRow> rows)
        : rows_(std::move(rows))
    {
    }
    // The three column headings ("Setting Name", "Current", "Range" unless set otherwise).
    void SetHeadings(std::string name, std::string current, std::string range)
    {
        headings_ = { std::move(name), std::move(current), std::move(range) };
    }
    // Selects the font and works out the pages; returns the page count.
    int Prepare(Canvas& canvas);
    int RowsPerPage() const { return rowsPerPage_; }
    int PageCount() const { return pageCount_; }
    // Draws page `page` (0-based) between StartPage and EndPage of the caller.
    void DrawPage(Canvas& canvas, int page) const;

private:
    static int TopMargin(Canvas& canvas);
    std::vector<ConfigurationRow> rows_;
    ConfigurationRow headings_ { "Setting Name", "Current", "Range" };
    int rowsPerPage_ = 1;
    int pageCount_ = 1;
    int lineHeight_ = 1;
};
