// CTabManager: builds the settings pages at run time from the device's settings and the rows
// of the tab definition file.
//
// It decides which settings have rows, counts the tabs, measures every control in dialog
// units of the page font, lays controls out in framed groups and the groups in columns, and
// produces one page template per tab with one binding per control that carries a setting or
// a command. Settings no row describes go to an extra page, "Extra Settings", with controls
// chosen from their own ranges. A manager serves one build and is dropped afterwards; the
// document keeps the bindings.
#pragma once

#include "document/PageTemplate.h"
#include "document/TextMeasurer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CDevice;
class CDeviceSetting;
class PageControls;
class ProgressWindow;
class TabDefinitions;
struct TabDefinitionRow;

class CTabManager {
public:
    static constexpr int kMaxTabs = 30;
    static constexpr int kMaxRadioButtons = 30;
    static constexpr int kFirstControlId = 1010;
    static constexpr const char* kExtraPageCaption = "Extra Settings";
    static constexpr const char* kPageFont = "MS Sans Serif";
    static constexpr int kPageFontPoints = 8;

    // `clientWidth` and `clientHeight`: the tab view's client size in pixels (small views are
    // laid out as if they were 750 x 450).
    CTabManager(TextMeasurer& measurer, int clientWidth, int clientHeight);

    // Builds every page. Progress: `firstStep` = check rows, firstStep + 1 = build pages,
    // with one position per page. Empty when the device has no settings to show.
    std::optional<std::vector<PageTemplate>> BuildPages(CDevice& device, const TabDefinitions& definitions,
        ProgressWindow* progress, int firstStep, std::vector<ControlBinding>& bindings);

    int PageWidth() const { return pageWidth_; }
    int PageHeight() const { return pageHeight_; }

    // Puts the setting values into the controls (after a build, a read, a table switch).
    static void RefreshControls(
        const std::vector<ControlBinding>& bindings, const CDevice& device, PageControls& controls);

    // The type a setting without a row gets on the extra page.
    static std::string ExtraPageControlType(const CDeviceSetting& setting, int currentTable);

private:
    struct Size {
        int cx = 0;
        int cy = 0;
    };
    // One framed (or "None") group of a page.
    struct GroupRecord {
        std::vector<int> rows; // definition rows, in order
        std::string caption;
        bool placed = false;
        int left = 0, top = 0, right = 0, bottom = 0;
        Size size;
    };
    // A row prepared for a page: the definition row and the setting it names.
    struct PageRow {
        int row = -1;
        int settingIndex = -1;
    };
    struct FlowCursor {
        int x = 0, y = 0, right = 0, bottom = 0;
        int widestRight = 0;
        bool first = true;
    };

    Size Measure(const std::string& text);
    Size ControlSize(const std::string& type, const std::string& caption, const CDeviceSetting& setting,
        bool reportUnknown);
    // Places one block; returns its rectangle as left, top, right, bottom.
    void Place(FlowCursor& cursor, Size size, int& left, int& top, int& right, int& bottom) const;
    bool RowPasses(const CDevice& device, const TabDefinitionRow& row, int& settingIndex) const;
    // Builds the page of one tab; false when no control was created.
    bool BuildTabPage(CDevice& device, const TabDefinitions& definitions, const std::vector<int>& rows,
        int pageIndex, PageTemplate& page, std::vector<ControlBinding>& bindings);
    bool BuildExtraPage(CDevice& device, const std::vector<int>& described, int pageIndex, PageTemplate& page,
        std::vector<ControlBinding>& bindings);
    // Adds the items of one control with its top left corner at (x, y). `groupRight` is the
    // right edge of the enclosing group (-1 on the extra page).
    bool AddControl(PageTemplate& page, std::vector<ControlBinding>& bindings, int pageIndex,
        int settingIndex, const CDeviceSetting& setting, const std::string& type, const std::string& caption,
        const std::string& helpText, int x, int y, int groupRight);
    int NextId() { return nextId_++; }

    TextMeasurer& measurer_;
    int pageWidth_ = 0;
    int pageHeight_ = 0;
    int nextId_ = kFirstControlId;
    int currentTable_ = 0;
};
