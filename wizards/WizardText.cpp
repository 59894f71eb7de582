#include "wizards/WizardText.h"

#include "device/blocks/DisplayText.h"
#include "platform/Host.h"

std::string FitColumn(std::string_view text, std::size_t width, std::size_t cut)
{
    std::string column(text);
    if (cut != 0 && column.size() > cut) column = column.substr(0, cut) + "...";
    if (column.size() < width) column.append(width - column.size(), ' ');
    return column;
}

int SelectionAfterRefill(int remembered, int rows)
{
    if (remembered < 0 || rows <= 0) return -1;
    return remembered < rows ? remembered : rows - 1;
}

WizardButtons WizardButtonsFor(int page, int pageCount)
{
    if (page >= pageCount - 1) return WizardButtons::BackFinish;
    return page == 0 ? WizardButtons::Next : WizardButtons::BackNext;
}

void ShowWizardMessage(std::string_view text)
{
    ShowMessage(std::string(text));
}

bool CutDisplayText(std::string& text, std::size_t limit)
{
    const std::vector<std::string_view> units = DisplayTextUnits(text);
    if (units.size() <= limit) return false;
    std::string kept;
    for (std::size_t i = 0; i < limit; ++i)
        kept += units[i];
    text = std::move(kept);
    return true;
}
