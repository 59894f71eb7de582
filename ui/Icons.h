// Pictures of the program's commands and of the program itself.
//
// Each picture is the desktop theme's icon under its freedesktop name when the theme has one
// (so the toolbar matches the rest of the user's desktop), else our own SVG drawing, rendered
// at the size and pixel ratio asked for, so it stays sharp on 2x screens. The greyed state of
// our drawings is a pale, grey, half-transparent version: a disabled button reads as off at a
// glance. Commands that no freedesktop name describes carry a "kestrel-" name, which a theme
// may still provide.
#pragma once

#include <QIcon>

enum class KestrelIcon {
    Open, Save, FileDescription, PrintConfiguration, About, WriteFirmware, WriteSettings, WriteAllTables,
    DetectDevice, OfflineConfigure, PrintBarcode, DataEditingWizards, Application
};

namespace KestrelIcons {

constexpr KestrelIcon kAll[] = { KestrelIcon::Open, KestrelIcon::Save, KestrelIcon::FileDescription,
    KestrelIcon::PrintConfiguration, KestrelIcon::About, KestrelIcon::WriteFirmware, KestrelIcon::WriteSettings,
    KestrelIcon::WriteAllTables, KestrelIcon::DetectDevice, KestrelIcon::OfflineConfigure,
    KestrelIcon::PrintBarcode, KestrelIcon::DataEditingWizards, KestrelIcon::Application };

// The theme's icon of that name, else our drawing.
QIcon For(KestrelIcon which);
// Always our drawing.
QIcon Bundled(KestrelIcon which);
// The icon theme name looked up for it.
const char* ThemeName(KestrelIcon which);

} // namespace KestrelIcons
