// DocumentFrame: the pieces of the main window the document drives — the table chooser, the
// "Command Errors" dialog, the "File Description" dialog, the start-up choice, the title and
// the page views. The desktop program's main window implements it; kestrel-cli prints.
#pragma once

#include <string>
#include <vector>

class DocumentFrame {
public:
    virtual ~DocumentFrame() = default;
    // The "Group Table" drop-down: its entries, the selected one and whether it can be used.
    virtual void FillTableChooser(const std::vector<std::string>& items, int selected, bool enabled) = 0;
    // The "Command Errors" dialog with its three lists, already in display form.
    virtual void ShowCommandErrors(const std::vector<std::string>& notKnown,
        const std::vector<std::string>& outOfRange, const std::vector<std::string>& noResponse)
        = 0;
    // The "File Description" dialog; false when cancelled.
    virtual bool EditFileDescription(std::string& description) = 0;
    virtual void ShowStartupChoice() = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // The document's contents were replaced (connect, offline configure, a load that ended
    // without a usable file): it belongs to no file any more, so the next Save asks for a name.
    virtual void BecameUntitled() {}
    // The pages were rebuilt (recreate the views) or only their values changed.
    virtual void PagesRebuilt() = 0;
    virtual void ValuesChanged() = 0;
};
