// The generated pages as plain data: one template per tab page, one item per created control,
// and the bindings that tie controls to device settings. The desktop program turns a template
// into widgets; kestrel-cli prints it; tests check its rectangles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The window class of a dialog item.
enum class ItemClass { Button, Static, Edit, ComboBox };

// Styles of a dialog item, as flags.
namespace ItemStyle {
inline constexpr std::uint32_t GroupBox = 1u << 0; // a frame with a caption
inline constexpr std::uint32_t AutoCheckBox = 1u << 1;
inline constexpr std::uint32_t AutoRadioButton = 1u << 2;
inline constexpr std::uint32_t PushButton = 1u << 3;
inline constexpr std::uint32_t Border = 1u << 4;
inline constexpr std::uint32_t AutoHScroll = 1u << 5;
inline constexpr std::uint32_t ReadOnly = 1u << 6;
inline constexpr std::uint32_t Disabled = 1u << 7;
inline constexpr std::uint32_t DropDownList = 1u << 8;
inline constexpr std::uint32_t TabStop = 1u << 9;
inline constexpr std::uint32_t Group = 1u << 10; // first radio button of a group
inline constexpr std::uint32_t HScroll = 1u << 11;
} // namespace ItemStyle

// A rectangle in dialog units of the page font.
struct DialogRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    bool operator==(const DialogRect&) const = default;
};

struct PageItem {
    ItemClass itemClass = ItemClass::Static;
    std::string controlType; // the row's control type; "LABEL" or "GROUP" for the helpers
    int id = 0;
    DialogRect rect;
    std::string caption;
    std::uint32_t style = 0;
};

struct PageTemplate {
    std::string caption; // the tab's caption
    int cx = 0; // page size in dialog units
    int cy = 0;
    std::vector<PageItem> items;
    const PageItem* FindItem(int id) const;
};

// Ties one created control to a device setting.
struct ControlBinding {
    int settingIndex = -1; // in the device's setting list
    int optionIndex = 0; // radio buttons: the option's position in the caption list
    int controlId = 0;
    int pageIndex = 0;
    std::string caption;
    std::string controlType;
    std::int32_t helpId = 0;
};

// Item types of the helper items that carry no setting.
inline constexpr const char* kLabelItem = "LABEL";
inline constexpr const char* kGroupItem = "GROUP";
