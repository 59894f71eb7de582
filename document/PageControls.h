// PageControls: what the document needs of the controls on the generated pages.
//
// The desktop program's page views implement it over their widgets; kestrel-cli and tests
// use ControlStateModel, which keeps the state of every control in memory. Controls are
// named by their identifier.
#pragma once

#include <string>
#include <vector>

class PageControls {
public:
    virtual ~PageControls() = default;
    // Check boxes and radio buttons.
    virtual bool GetCheck(int id) = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    // Edit fields.
    virtual std::string GetText(int id) = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    // Drop-down lists: the items, and the selected one (-1: none).
    virtual void FillCombo(int id, const std::vector<std::string>& items) = 0;
    virtual void SelectCombo(int id, int index) = 0;
    // The caption of the selected item ("" when nothing is selected).
    virtual std::string GetComboSelection(int id) = 0;
    // The control that has the keyboard focus (0: none on the pages).
    virtual int FocusedControl() = 0;
    virtual void SetFocus(int id) = 0;
    virtual void BringPageToFront(int pageIndex) = 0;
    // The pixels a page has to fill, as the pages' window is now; false when the controls
    // have no window (the document then lays pages out for the size it was given).
    virtual bool PageArea(int& width, int& height)
    {
        (void)width;
        (void)height;
        return false;
    }
};
