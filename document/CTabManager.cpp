#include "document/CTabManager.h"

#include "catalog/CDeviceSetting.h"
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "device/CDevice.h"
#include "document/PageControls.h"
#include "platform/Host.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* kTooManyTabs = "Too many tabs to build, only building first ";
constexpr const char* kTooManyRadioButtons = "Radio Box has too many buttons.";
constexpr const char* kUnknownSizeType
    = "CTabManager::DetermineSize unknown control type. Please contact program vendor.";
constexpr const char* kUnknownAddType
    = "CTabManager::AddControl unknown control type. Please contact program vendor.";
constexpr const char* kNotAvailable = "N/A";
// Samples that stand for the widest text a field will have to show.
constexpr const char* kBlockSample = "WWWWWWWWWWWWWWWWWWWW";

// Space between blocks, around the page, and under a group caption.
constexpr int kMargin = 10;
constexpr int kColumnGap = 20;
constexpr int kBottomReserve = 20;
constexpr int kFrameCaption = 15;
// A check box or button is its caption plus the box and the button border.
constexpr int kButtonExtraX = 17;
constexpr int kButtonExtraY = 3;
// Radio columns: caption plus the circle and spacing; the first button sits this far below
// the top of the frame.
constexpr int kRadioColumnExtra = 37;
constexpr int kRadioTop = 12;

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

bool IsNone(const std::string& caption)
{
    return EqualNoCase(caption, "None");
}

bool IsEditType(const std::string& type)
{
    return type == ControlType::Edit || type == ControlType::EditReadOnly || type == ControlType::Block
        || type == ControlType::BlockString;
}

bool IsRadioType(const std::string& type)
{
    return type == ControlType::Radio1 || type == ControlType::Radio2;
}

bool IsButtonType(const std::string& type)
{
    return type == ControlType::Command || type == ControlType::MsgCmd || type == ControlType::DefCmd;
}

// The options that get a button: positions in the caption list, "N/A" left out, at most 30.
std::vector<int> RadioOptions(const CDeviceSetting& setting, bool& tooMany)
{
    std::vector<int> options;
    tooMany = false;
    for (size_t i = 0; i < setting.optionCaptions.size(); ++i) {
        if (setting.optionCaptions[i] == kNotAvailable) continue;
        if (static_cast<int>(options.size()) == CTabManager::kMaxRadioButtons) {
            tooMany = true;
            break;
        }
        options.push_back(static_cast<int>(i));
    }
    return options;
}

} // namespace

CTabManager::CTabManager(TextMeasurer& measurer, int clientWidth, int clientHeight)
    : measurer_(measurer)
{
    if (clientWidth < 800) clientWidth = 750;
    if (clientHeight < 500) clientHeight = 450;
    const TextExtent area = measurer_.PixelsToDialogUnits({ clientWidth, clientHeight });
    pageWidth_ = area.cx;
    pageHeight_ = area.cy;
}

CTabManager::Size CTabManager::Measure(const std::string& text)
{
    const TextExtent extent = measurer_.MeasureDialogUnits(text);
    return { extent.cx, extent.cy };
}

CTabManager::Size CTabManager::ControlSize(
    const std::string& type, const std::string& caption, const CDeviceSetting& setting, bool reportUnknown)
{
    if (type == ControlType::Check || IsButtonType(type)) {
        const Size text = Measure(caption);
        return { text.cx + kButtonExtraX, text.cy + kButtonExtraY };
    }
    if (IsEditType(type)) {
        Size label = Measure(caption + "W");
        label.cy += 3;
        if (EqualNoCase(caption, "Minimum Length")) label.cx += 2;
        std::string sample;
        if (type == ControlType::Block || type == ControlType::BlockString)
            sample = kBlockSample;
        else if (setting.minimum != setting.maximum && type != ControlType::EditReadOnly)
            sample = std::to_string(setting.maximum);
        else
            sample = setting.ValueForDevice(currentTable_);
        Size field = Measure(sample + "WW");
        field.cy += 3;
        return { label.cx + field.cx + 5, field.cy };
    }
    if (type == ControlType::ComboBox) {
        Size widest
            = Measure(setting.optionCaptions.empty() ? std::string() : setting.optionCaptions.front());
        for (const std::string& option : setting.optionCaptions) {
            const Size size = Measure(option);
            if (size.cx > widest.cx) widest = size;
        }
        // The list carries its caption beside it, as an edit field does: a bare list of
        // "Off"/"On" says nothing about what it switches.
        const Size label = Measure(caption + "W");
        return { label.cx + 5 + widest.cx + Measure("WWW").cx, 2 * widest.cy };
    }
    if (IsRadioType(type)) {
        bool tooMany = false;
        const std::vector<int> options = RadioOptions(setting, tooMany);
        if (tooMany && reportUnknown) ShowMessage(kTooManyRadioButtons);
        const int n = static_cast<int>(options.size());
        const bool twoColumns = type == ControlType::Radio2;
        const int firstRows = twoColumns ? std::min(n, n / 2 + 1) : n;
        int widestFirst = 0, widestSecond = 0;
        for (int i = 0; i < n; ++i) {
            const int width
                = Measure(setting.optionCaptions[static_cast<size_t>(options[static_cast<size_t>(i)])]).cx;
            if (i < firstRows)
                widestFirst = std::max(widestFirst, width);
            else
                widestSecond = std::max(widestSecond, width);
        }
        const Size w = Measure("W");
        Size size;
        size.cy = (w.cy + 8) * firstRows + 12;
        size.cx = twoColumns ? widestFirst + widestSecond + 2 * kRadioColumnExtra
                             : widestFirst + kRadioColumnExtra;
        size.cx = std::max(size.cx, Measure(caption).cx + 20);
        return size;
    }
    if (reportUnknown) ShowMessage(kUnknownSizeType);
    return {};
}

void CTabManager::Place(FlowCursor& cursor, Size size, int& left, int& top, int& right, int& bottom) const
{
    if (cursor.first) {
        cursor.first = false;
        cursor.x = kMargin;
        cursor.y = kMargin;
        cursor.right = cursor.x + size.cx;
    } else if (cursor.bottom + kMargin + size.cy <= pageHeight_ - kBottomReserve) {
        cursor.y = cursor.bottom + kMargin;
        cursor.right = std::max(cursor.x + size.cx, cursor.widestRight);
    } else {
        cursor.y = kMargin;
        cursor.x = cursor.widestRight + kColumnGap;
        cursor.right = cursor.x + size.cx;
    }
    cursor.bottom = cursor.y + size.cy;
    cursor.widestRight = std::max(cursor.widestRight, cursor.right);
    left = cursor.x;
    top = cursor.y;
    right = cursor.right;
    bottom = cursor.bottom;
}

bool CTabManager::RowPasses(const CDevice& device, const TabDefinitionRow& row, int& settingIndex) const
{
    settingIndex = -1;
    if (row.type == ControlType::Unused || !row.IsShownBySecurity()) return false;
    if (!device.DeviceName().IsInProductList(row.productList)) return false;
    const auto& settings = device.Settings();
    for (size_t i = 0; i < settings.size(); ++i) {
        if (settings[i].tag == row.command) {
            settingIndex = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

std::optional<std::vector<PageTemplate>> CTabManager::BuildPages(CDevice& device,
    const TabDefinitions& definitions, ProgressWindow* progress, int firstStep,
    std::vector<ControlBinding>& bindings)
{
    bindings.clear();
    nextId_ = kFirstControlId;
    currentTable_ = device.CurrentTable();
    if (progress) progress->SetCurrentStep(firstStep);
    std::vector<int> described;
    const bool someUndescribed = CheckRows(
        definitions, device.Settings(), device.DeviceName().deviceId, described, device.CaptionBuilder());

    // Tabs: runs of rows with the same "Tab" text. The previous text follows every row, so
    // an unused row of another tab still ends a run; unused rows themselves are not counted.
    struct Tab {
        std::string caption;
        std::vector<int> rows;
    };
    std::vector<Tab> tabs;
    std::string previous;
    for (int row = 0; row < definitions.RowCount(); ++row) {
        const std::string tab = definitions.Field(row, TabColumn::Tab);
        const std::string type = definitions.Field(row, TabColumn::Type);
        const bool startsNew = tab != previous || tabs.empty();
        previous = tab;
        if (type == ControlType::Unused) continue;
        if (startsNew) tabs.push_back({ tab, {} });
        tabs.back().rows.push_back(row);
    }
    if (static_cast<int>(tabs.size()) > kMaxTabs) {
        ShowMessage(std::string(kTooManyTabs) + std::to_string(kMaxTabs));
        tabs.resize(kMaxTabs);
    }

    if (progress) {
        progress->SetCurrentStep(firstStep + 1);
        progress->SetRange(static_cast<int>(tabs.size()) + 1);
    }
    std::vector<PageTemplate> pages;
    int position = 0;
    for (const Tab& tab : tabs) {
        PumpWaitingMessages();
        PageTemplate page;
        const int pageIndex = static_cast<int>(pages.size());
        if (BuildTabPage(device, definitions, tab.rows, pageIndex, page, bindings)) {
            page.caption = tab.caption;
            pages.push_back(std::move(page));
        } else {
            std::erase_if(
                bindings, [pageIndex](const ControlBinding& b) { return b.pageIndex == pageIndex; });
        }
        if (progress) progress->SetPosition(++position);
    }
    if (someUndescribed) {
        PageTemplate page;
        const int pageIndex = static_cast<int>(pages.size());
        if (BuildExtraPage(device, described, pageIndex, page, bindings)) {
            page.caption = kExtraPageCaption;
            pages.push_back(std::move(page));
        }
    }
    if (progress) progress->SetPosition(++position);
    if (pages.empty()) return std::nullopt;
    return pages;
}

bool CTabManager::BuildTabPage(CDevice& device, const TabDefinitions& definitions,
    const std::vector<int>& rows, int pageIndex, PageTemplate& page, std::vector<ControlBinding>& bindings)
{
    // Groups: consecutive rows with the same "Group" text; a "None" row stands alone. The
    // records grow with the page, so a page of many groups keeps all of them.
    std::vector<GroupRecord> groups;
    for (int row : rows) {
        const std::string group = definitions.Field(row, TabColumn::Group);
        if (groups.empty() || IsNone(group) || IsNone(groups.back().caption)
            || groups.back().caption != group) {
            GroupRecord record;
            record.caption = group;
            groups.push_back(std::move(record));
        }
        groups.back().rows.push_back(row);
    }

    FlowCursor cursor;
    int widest = 0, lowest = 0;
    for (GroupRecord& group : groups) {
        const bool framed = !IsNone(group.caption);
        std::vector<PageRow> passing;
        std::vector<Size> sizes;
        int widestControl = 0, height = 0;
        for (int row : group.rows) {
            const TabDefinitionRow definition = definitions.Row(row);
            int settingIndex = -1;
            if (!RowPasses(device, definition, settingIndex)) continue;
            const Size size = ControlSize(definition.type, definition.control,
                device.Settings()[static_cast<size_t>(settingIndex)], true);
            passing.push_back({ row, settingIndex });
            sizes.push_back(size);
            widestControl = std::max(widestControl, size.cx);
            height += size.cy + kMargin;
        }
        if (passing.empty()) continue;
        group.size.cx = std::max(widestControl + 20, Measure(group.caption).cx + 20);
        group.size.cy = height + (framed ? kFrameCaption : 0);
        Place(cursor, group.size, group.left, group.top, group.right, group.bottom);
        group.placed = true;
        if (!framed) group.right = group.left + widestControl + 15;
        widest = std::max(widest, group.right);
        lowest = std::max(lowest, group.bottom);

        int x = group.left;
        int y = group.top;
        if (framed) {
            page.items.push_back({ ItemClass::Button, kGroupItem, NextId(),
                { group.left, group.top, group.right - group.left, group.bottom - group.top }, group.caption,
                ItemStyle::GroupBox });
            x += 10;
            y += kFrameCaption;
        }
        for (size_t i = 0; i < passing.size(); ++i) {
            const TabDefinitionRow definition = definitions.Row(passing[i].row);
            const CDeviceSetting& setting = device.Settings()[static_cast<size_t>(passing[i].settingIndex)];
            int controlX = x;
            if (framed && IsButtonType(definition.type))
                controlX = group.left + 10 + (group.right - group.left) / 2 - sizes[i].cx / 2 - 10;
            AddControl(page, bindings, pageIndex, passing[i].settingIndex, setting, definition.type,
                definition.control, definition.helpId, controlX, y, group.right);
            y += sizes[i].cy + kMargin;
        }
    }
    if (page.items.empty()) return false;
    page.cx = widest + kMargin;
    page.cy = lowest + kMargin;
    return true;
}

std::string CTabManager::ExtraPageControlType(const CDeviceSetting& setting, int currentTable)
{
    if (setting.minimum == 0 && setting.maximum == 1) return ControlType::Check;
    if (setting.ValueForDevice(currentTable).empty() && setting.defaultValue.empty())
        return ControlType::Command;
    if (setting.allowedValues.size() > 1) return ControlType::Radio1;
    return ControlType::Edit;
}

bool CTabManager::BuildExtraPage(CDevice& device, const std::vector<int>& described, int pageIndex,
    PageTemplate& page, std::vector<ControlBinding>& bindings)
{
    FlowCursor cursor;
    int widest = 0, lowest = 0;
    auto& settings = device.Settings();
    for (size_t i = 0; i < settings.size() && i < described.size(); ++i) {
        if (described[i] != 0) continue;
        CDeviceSetting& setting = settings[i];
        const std::string type = ExtraPageControlType(setting, currentTable_);
        if (type == ControlType::Radio1) setting.optionCaptions = setting.allowedValues;
        const Size size = ControlSize(type, setting.tag, setting, true);
        int left = 0, top = 0, right = 0, bottom = 0;
        Place(cursor, size, left, top, right, bottom);
        widest = std::max(widest, right);
        lowest = std::max(lowest, bottom);
        AddControl(
            page, bindings, pageIndex, static_cast<int>(i), setting, type, setting.tag, "", left, top, -1);
    }
    if (page.items.empty()) return false;
    page.cx = widest + kMargin;
    page.cy = lowest + kMargin;
    return true;
}

bool CTabManager::AddControl(PageTemplate& page, std::vector<ControlBinding>& bindings, int pageIndex,
    int settingIndex, const CDeviceSetting& setting, const std::string& type, const std::string& caption,
    const std::string& helpText, int x, int y, int groupRight)
{
    auto bind = [&](int id, int option, std::int32_t help) {
        bindings.push_back({ settingIndex, option, id, pageIndex, caption, type, help });
    };
    const std::int32_t helpId = LeadingInt(helpText);

    if (type == ControlType::Check) {
        const Size size = ControlSize(type, caption, setting, false);
        std::uint32_t style = ItemStyle::AutoCheckBox | ItemStyle::TabStop;
        if (setting.minimum == setting.maximum) style |= ItemStyle::Disabled;
        const int id = NextId();
        page.items.push_back({ ItemClass::Button, type, id, { x, y, size.cx, size.cy }, caption, style });
        bind(id, 0, helpId);
        return true;
    }
    if (IsEditType(type)) {
        Size label = Measure(caption + "W");
        label.cy += 3;
        if (EqualNoCase(caption, "Minimum Length")) label.cx += 2;
        const Size control = ControlSize(type, caption, setting, false);
        const Size field { control.cx - label.cx - 5, control.cy };
        page.items.push_back(
            { ItemClass::Static, kLabelItem, NextId(), { x, y, label.cx, label.cy }, caption, 0 });
        const int fieldX = groupRight >= 0 ? groupRight - field.cx - 10 : x + label.cx + 5;
        const bool writable = type == ControlType::Block || type == ControlType::BlockString
            || (type == ControlType::Edit && setting.minimum != setting.maximum);
        std::uint32_t style = ItemStyle::Border | ItemStyle::AutoHScroll | ItemStyle::TabStop;
        if (!writable) style |= ItemStyle::ReadOnly;
        const int id = NextId();
        page.items.push_back({ ItemClass::Edit, type, id, { fieldX, y - 1, field.cx, field.cy }, "", style });
        bind(id, 0, helpId);
        return true;
    }
    if (type == ControlType::ComboBox) {
        Size label = Measure(caption + "W");
        label.cy += 3;
        const Size control = ControlSize(type, caption, setting, false);
        const Size closed { control.cx - label.cx - 5, control.cy };
        page.items.push_back(
            { ItemClass::Static, kLabelItem, NextId(), { x, y, label.cx, label.cy }, caption, 0 });
        const int listX = groupRight >= 0 ? groupRight - closed.cx - 10 : x + label.cx + 5;
        const int id = NextId();
        page.items.push_back({ ItemClass::ComboBox, type, id, { listX, y - 1, closed.cx, 7 * closed.cy }, "",
            ItemStyle::DropDownList | ItemStyle::HScroll | ItemStyle::TabStop });
        bind(id, 0, helpId);
        return true;
    }
    if (IsRadioType(type)) {
        const Size frame = ControlSize(type, caption, setting, false);
        page.items.push_back({ ItemClass::Button, kGroupItem, NextId(), { x, y, frame.cx, frame.cy }, caption,
            ItemStyle::GroupBox });
        bool tooMany = false;
        const std::vector<int> options = RadioOptions(setting, tooMany);
        const int n = static_cast<int>(options.size());
        const int firstRows = type == ControlType::Radio2 ? std::min(n, n / 2 + 1) : n;
        int widestFirst = 0;
        for (int i = 0; i < firstRows; ++i)
            widestFirst = std::max(widestFirst,
                Measure(setting.optionCaptions[static_cast<size_t>(options[static_cast<size_t>(i)])]).cx);
        const int step = Measure("W").cy + 3 + 5;
        const std::vector<std::string> helpPieces = SplitGroupList(helpText);
        for (int i = 0; i < n; ++i) {
            const int option = options[static_cast<size_t>(i)];
            const std::string& text = setting.optionCaptions[static_cast<size_t>(option)];
            const Size size = Measure(text);
            const bool second = i >= firstRows;
            const int bx = x + 10 + (second ? widestFirst + kRadioColumnExtra : 0);
            const int by = y + kRadioTop + (second ? i - firstRows : i) * step;
            std::uint32_t style = ItemStyle::AutoRadioButton | ItemStyle::TabStop;
            if (i == 0) style |= ItemStyle::Group;
            const int id = NextId();
            page.items.push_back({ ItemClass::Button, type, id,
                { bx, by, size.cx + kButtonExtraX, size.cy + kButtonExtraY }, text, style });
            const std::int32_t help = static_cast<size_t>(option) < helpPieces.size()
                ? LeadingInt(helpPieces[static_cast<size_t>(option)])
                : 0;
            bind(id, option, help);
        }
        return true;
    }
    if (IsButtonType(type)) {
        const Size size = ControlSize(type, caption, setting, false);
        const int id = NextId();
        page.items.push_back({ ItemClass::Button, type, id, { x, y, size.cx, size.cy }, caption,
            ItemStyle::PushButton | ItemStyle::TabStop });
        bind(id, 0, helpId);
        return true;
    }
    ShowMessage(kUnknownAddType);
    return false;
}

void CTabManager::RefreshControls(
    const std::vector<ControlBinding>& bindings, const CDevice& device, PageControls& controls)
{
    const auto& settings = device.Settings();
    for (const ControlBinding& binding : bindings) {
        if (binding.settingIndex < 0 || binding.settingIndex >= static_cast<int>(settings.size())) continue;
        const CDeviceSetting& setting = settings[static_cast<size_t>(binding.settingIndex)];
        const std::string value = setting.ValueForDevice(device.CurrentTable());
        const std::string& type = binding.controlType;
        if (type == ControlType::Check) {
            controls.SetCheck(binding.controlId, value == "1");
        } else if (IsEditType(type)) {
            controls.SetText(binding.controlId, value);
        } else if (IsRadioType(type)) {
            const auto option = static_cast<size_t>(binding.optionIndex);
            controls.SetCheck(binding.controlId,
                option < setting.allowedValues.size() && EqualNoCase(value, setting.allowedValues[option]));
        } else if (type == ControlType::ComboBox) {
            std::vector<std::string> items;
            int selected = -1;
            for (size_t k = 0; k < setting.optionCaptions.size(); ++k) {
                const std::string& caption = setting.optionCaptions[k];
                if (caption.empty() || caption == kNotAvailable) continue;
                if (selected < 0 && k < setting.allowedValues.size() && setting.allowedValues[k] == value)
                    selected = static_cast<int>(items.size());
                items.push_back(caption);
            }
            controls.FillCombo(binding.controlId, items);
            controls.SelectCombo(binding.controlId, selected);
        }
    }
}

const PageItem* PageTemplate::FindItem(int id) const
{
    for (const PageItem& item : items)
        if (item.id == id) return &item;
    return nullptr;
}
