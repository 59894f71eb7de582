// ControlStateModel: the controls of the generated pages kept in memory.
//
// It is the control set of kestrel-cli (which has no windows but runs the same document
// flows) and of the tests. Every control starts unchecked, empty and unselected.
#pragma once

#include "document/PageControls.h"

#include <map>
#include <string>
#include <vector>

class ControlStateModel : public PageControls {
public:
    bool GetCheck(int id) override;
    void SetCheck(int id, bool checked) override;
    std::string GetText(int id) override;
    void SetText(int id, const std::string& text) override;
    void FillCombo(int id, const std::vector<std::string>& items) override;
    void SelectCombo(int id, int index) override;
    std::string GetComboSelection(int id) override;
    int FocusedControl() override { return focus_; }
    void SetFocus(int id) override { focus_ = id; }
    void BringPageToFront(int pageIndex) override { frontPage_ = pageIndex; }

    // For callers that change controls by hand: selects the item with this caption (false
    // when the list has none).
    bool SelectComboItem(int id, const std::string& caption);
    const std::vector<std::string>& ComboItems(int id) { return combos_[id].items; }
    int FrontPage() const { return frontPage_; }
    void Clear();

private:
    struct Combo {
        std::vector<std::string> items;
        int selected = -1;
    };
    std::map<int, bool> checks_;
    std::map<int, std::string> texts_;
    std::map<int, Combo> combos_;
    int focus_ = 0;
    int frontPage_ = -1;
};
