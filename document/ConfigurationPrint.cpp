#include "document/ConfigurationPrint.h"

#include "catalog/TabDefinitions.h"
#include "device/CDevice.h"
#include "document/Canvas.h"

#include <algorithm>
#include <cctype>

namespace {

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

std::string Join(const std::vector<std::string>& items, const char* separator)
{
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) text += separator;
        text += items[i];
    }
    return text;
}

} // namespace

std::vector<ConfigurationRow> ConfigurationPrint::BuildRows(
    const std::vector<ControlBinding>& bindings, const CDevice& device)
{
    std::vector<ConfigurationRow> rows;
    const auto& settings = device.Settings();
    for (const ControlBinding& binding : bindings) {
        if (binding.settingIndex < 0 || binding.settingIndex >= static_cast<int>(settings.size())) continue;
        const CDeviceSetting& setting = settings[static_cast<size_t>(binding.settingIndex)];
        const std::string& type = binding.controlType;
        const std::string value = setting.ValueForDevice(device.CurrentTable());
        ConfigurationRow row { binding.caption, value, {} };
        if (type == ControlType::Check) {
            row.range = "0-1";
        } else if (type == ControlType::Edit || type == ControlType::EditReadOnly
            || type == ControlType::Block || type == ControlType::BlockString) {
            if (!setting.defaultValue.empty() && setting.minimum != setting.maximum)
                row.range = std::to_string(setting.minimum) + "-" + std::to_string(setting.maximum);
        } else if (type == ControlType::Radio1 || type == ControlType::Radio2) {
            const auto option = static_cast<size_t>(binding.optionIndex);
            if (option >= setting.allowedValues.size() || !EqualNoCase(value, setting.allowedValues[option]))
                continue;
            row.range = Join(setting.allowedValues, ", ");
        } else {
            continue; // drop-down lists and buttons
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

int ConfigurationPrint::TopMargin(Canvas& canvas)
{
    return canvas.DotsPerInchY() / 2;
}

int ConfigurationPrint::Prepare(Canvas& canvas)
{
    if (!canvas.SelectFont(kFont, kFontPoints)) canvas.SelectFixedFont();
    lineHeight_ = std::max(1, canvas.FontHeight());
    // Ten inches of rows, but never more than the printable height holds below the top
    // margin, the heading and its rule: on US Letter ten inches do not fit, and a row past
    // the printable area would be printed nowhere.
    const int usable = canvas.PageHeight() - TopMargin(canvas) - lineHeight_ - lineHeight_ / 4;
    rowsPerPage_ = std::max(1, std::min(canvas.DotsPerInchY() * 10, usable) / lineHeight_);
    // Pages follow the rows that are printed, so a long list never ends in blank pages.
    const int rows = static_cast<int>(rows_.size());
    pageCount_ = std::max(1, (rows + rowsPerPage_ - 1) / rowsPerPage_);
    return pageCount_;
}

void ConfigurationPrint::DrawPage(Canvas& canvas, int page) const
{
    const int left = canvas.DotsPerInchX() / 2;
    const int width = std::max(1, canvas.PageWidth() - 2 * left);
    // Name, current value and range take half, a quarter and a quarter of the width.
    const int columns[4] = { left, left + width / 2, left + width * 3 / 4, left + width };
    int y = TopMargin(canvas);
    auto drawRow = [&](const std::string& a, const std::string& b, const std::string& c) {
        const std::string* texts[3] = { &a, &b, &c };
        for (int i = 0; i < 3; ++i)
            canvas.DrawText({ columns[i], y, columns[i + 1] - 4, y + lineHeight_ }, *texts[i], false);
        y += lineHeight_;
    };
    drawRow(headings_.name, headings_.current, headings_.range);
    canvas.DrawLine(left, y, left + width, y);
    y += lineHeight_ / 4;
    const size_t first = static_cast<size_t>(std::max(0, page)) * static_cast<size_t>(rowsPerPage_);
    for (size_t i = first; i < rows_.size() && i < first + static_cast<size_t>(rowsPerPage_); ++i)
        drawRow(rows_[i].name, rows_[i].current, rows_[i].range);
}
