// kestrel-cli commands over the settings document: saving what a reader holds or what a
// model starts with ("read --save", "offline --save"), and working with ".kst" files —
// "open", "apply", "set", "diff", "pages". They run the document's own flows (the same the
// desktop program runs) with the page controls kept in memory.

#include "app/StartupModel.h"
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "cli/CliCommands.h"
#include "cli/CliPort.h"
#include "cli/ConsoleHost.h"
#include "cli/BlockJson.h"
#include "cli/JsonWriter.h"
#include "device/CSerComm.h"
#include "document/CQLMenuDoc.h"
#include "document/ConfigurationReport.h"
#include "document/ControlStateModel.h"
#include "document/DocumentFrame.h"
#include "platform/LinuxSerialPortSystem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// The main window of a program without windows: keeps what the document shows so the
// command can print it.
class CliFrame final : public DocumentFrame {
public:
    void FillTableChooser(const std::vector<std::string>&, int, bool) override { }
    void ShowCommandErrors(const std::vector<std::string>& notKnown,
        const std::vector<std::string>& outOfRange, const std::vector<std::string>& noResponse) override
    {
        errors = { notKnown, outOfRange, noResponse };
        shown = true;
    }
    bool EditFileDescription(std::string&) override { return false; }
    void ShowStartupChoice() override { }
    void SetTitle(const std::string&) override { }
    void PagesRebuilt() override { }
    void ValuesChanged() override { }

    std::vector<std::vector<std::string>> errors { {}, {}, {} };
    bool shown = false;
};

// The port the user named (--device PATH through the port table, --port N, or the
// preferences), and the document with its in-memory controls.
class CliDocument {
public:
    explicit CliDocument(CliContext& context)
        : context_(context)
    {
    }
    ~CliDocument() { document.reset(); }

    bool ChoosePort() { return port_.Choose(context_); }

    void Make()
    {
        DocumentEnvironment environment;
        environment.port = &port_.port;
        environment.catalogPath = context_.startup.CatalogPath();
        environment.eorCharacter = context_.startup.Preferences().eorCharacter;
        environment.excludedCommands = context_.startup.Vendor().excludedCommands;
        document = std::make_unique<CQLMenuDoc>(environment);
        document->SetFrame(&frame);
        document->SetControls(&controls);
    }

    ControlStateModel controls;
    CliFrame frame;
    std::unique_ptr<CQLMenuDoc> document;

private:
    CliContext& context_;
    CliPort port_;
};

const char* PreSufKind(const CPreSufEntry& entry)
{
    return entry.IsPrefix() ? "prefix" : "suffix";
}

std::string ListName(int list)
{
    return list == CBlockSet::kExtraList ? "aux" : std::to_string(list);
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

void IdentityJson(JsonWriter& json, const CQLMenuDoc& document)
{
    const CDeviceName& entry = document.DocumentEntry();
    const CDevice& device = *document.Device();
    json.Key("productName")
        .String(entry.ProductName())
        .Key("baseNumber")
        .String(entry.baseNumber)
        .Key("revision")
        .Number(entry.revision)
        .Key("productId")
        .String(entry.productId)
        .Key("catalogRow")
        .Number(entry.catalogRow)
        .Key("offline")
        .Bool(document.IsOffline())
        .Key("tables")
        .Number(device.TableCount())
        .Key("currentTable")
        .Number(device.CurrentTable());
}

void PrintIdentity(const CQLMenuDoc& document)
{
    const CDeviceName& entry = document.DocumentEntry();
    const CDevice& device = *document.Device();
    std::printf(
        "Device: %s%s\nBase number: %s  Revision: %d  Product id: %s  Tables: %d  Current table: %d\n",
        entry.ProductName().c_str(), document.IsOffline() ? " (offline)" : "", entry.baseNumber.c_str(),
        entry.revision, entry.productId.c_str(), device.TableCount(), device.CurrentTable());
}

int Tables(const CDevice& device)
{
    return std::clamp(device.TableCount(), 1, CDeviceSetting::kMaxTables);
}

// Prints a whole document: description, identity, settings per table, blocks.
void PrintDocument(CliContext& context, const CQLMenuDoc& document)
{
    const CDevice& device = *document.Device();
    const int tables = Tables(device);
    const CBlockSet& blocks = device.Blocks();
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("description").String(document.Description()).Key("device").BeginObject();
        IdentityJson(json, document);
        json.EndObject().Key("settings").BeginArray();
        for (const CDeviceSetting& setting : device.Settings()) {
            json.BeginObject().Key("tag").String(setting.tag).Key("values").BeginArray();
            for (int t = 0; t < tables; ++t)
                json.String(setting.ValueForDevice(t));
            json.EndArray()
                .Key("default")
                .String(setting.defaultValue)
                .Key("minimum")
                .Number(setting.minimum)
                .Key("maximum")
                .Number(setting.maximum)
                .Key("sameAllTables")
                .Bool(setting.sameAllTables != 0)
                .Key("allowed")
                .BeginArray();
            for (const auto& value : setting.allowedValues)
                json.String(value);
            json.EndArray().EndObject();
        }
        json.EndArray().Key("prefixSuffix").BeginArray();
        for (int list = 0; list <= CBlockSet::kExtraList; ++list)
            for (const CPreSufEntry& entry : blocks.GetPrefixSuffixList(list))
                json.BeginObject()
                    .Key("list")
                    .String(ListName(list))
                    .Key("kind")
                    .String(PreSufKind(entry))
                    .Key("symbology")
                    .String(entry.GetSymbology())
                    .Key("data")
                    .String(entry.GetData())
                    .EndObject();
        json.EndArray().Key("formats").BeginArray();
        for (int list = 0; list <= CBlockSet::kExtraList; ++list)
            for (const CFormatKeyEntry& entry : blocks.GetDataFormatList(list)) {
                json.BeginObject().Key("list").String(ListName(list));
                FormatEntryFields(json, entry).EndObject();
            }
        json.EndArray().EndObject();
        std::cout << json.Text() << '\n';
        return;
    }
    std::printf("Description: %s\n", document.Description().c_str());
    PrintIdentity(document);
    for (int t = 0; t < tables; ++t) {
        std::printf("\nTable %d\n", t);
        for (const CDeviceSetting& setting : device.Settings())
            std::printf("  %-6s = %s\n", setting.tag.c_str(), setting.ValueForDevice(t).c_str());
    }
    std::printf("\nPrefix/suffix records\n");
    for (int list = 0; list <= CBlockSet::kExtraList; ++list)
        for (const CPreSufEntry& entry : blocks.GetPrefixSuffixList(list))
            std::printf("  table %-3s %-6s symbology %-4s %s\n", ListName(list).c_str(), PreSufKind(entry),
                entry.GetSymbology().c_str(), entry.GetData().c_str());
    std::printf("\nData format records\n");
    for (int list = 0; list <= CBlockSet::kExtraList; ++list)
        for (const CFormatKeyEntry& entry : blocks.GetDataFormatList(list))
            std::printf("  table %-3s %-3s terminal %-4s symbology %-4s length %-4s %s\n",
                ListName(list).c_str(), entry.GetSlotName().c_str(), entry.GetTerminal().c_str(),
                entry.GetSymbology().c_str(), entry.GetLength().c_str(), entry.GetCommands().c_str());
}

// The outcome of a write: the dialog's three lists.
void PrintReport(CliContext& context, const CliFrame& frame, bool clean)
{
    static const char* const kHeadings[3] = { "Commands which are not known in the device:",
        "Commands which are out of range:", "Commands which had no response from the device:" };
    static const char* const kKeys[3] = { "notKnown", "outOfRange", "noResponse" };
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("written").Bool(clean);
        for (int i = 0; i < 3; ++i) {
            json.Key(kKeys[i]).BeginArray();
            for (const auto& line : frame.errors[static_cast<size_t>(i)])
                json.String(line);
            json.EndArray();
        }
        json.EndObject();
        std::cout << json.Text() << '\n';
        return;
    }
    if (!frame.shown) return;
    std::printf("Command Errors\n");
    for (int i = 0; i < 3; ++i) {
        std::printf("%s\n", kHeadings[i]);
        for (const auto& line : frame.errors[static_cast<size_t>(i)])
            std::printf("  %s\n", line.c_str());
    }
}

bool ParseIndex(const std::string& text, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed < 0 || parsed > 1000000) return false;
    value = static_cast<int>(parsed);
    return true;
}

int Saved(CliContext& context, CliDocument& cli, const std::string& path)
{
    if (!cli.document->Save(path)) return ExitFailed;
    const CDevice& device = *cli.document->Device();
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("saved").String(path).Key("device").BeginObject();
        IdentityJson(json, *cli.document);
        json.EndObject().Key("settings").Number(static_cast<long long>(device.Settings().size())).EndObject();
        std::cout << json.Text() << '\n';
    } else {
        PrintIdentity(*cli.document);
        std::printf("Saved %zu settings to %s\n", device.Settings().size(), path.c_str());
    }
    return ExitOk;
}

// Loads FILE into a new document; false (with the document's message shown) on failure.
bool LoadDocument(CliDocument& cli, const std::string& path)
{
    cli.Make();
    return cli.document->Load(path) && cli.document->Device();
}

// ---- set ----------------------------------------------------------------------------------------

// Puts one TAG=VALUE into the controls of the setting, as a user would, and lets the
// document check it. Returns an error text, "" when taken.
std::string SetThroughControls(CliDocument& cli, const std::string& tag, const std::string& value)
{
    CQLMenuDoc& document = *cli.document;
    CDevice& device = *document.Device();
    const CDeviceSetting* setting = device.FindSetting(tag);
    if (!setting) setting = device.FindSetting(Upper(tag), true);
    if (!setting) return tag + ": the document has no such setting";
    const int index = static_cast<int>(setting - device.Settings().data());
    std::vector<const ControlBinding*> bound;
    for (const ControlBinding& binding : document.Bindings())
        if (binding.settingIndex == index) bound.push_back(&binding);
    if (bound.empty()) return setting->tag + ": no control shows this setting for this model";
    const ControlBinding& first = *bound.front();
    const std::string& type = first.controlType;
    if (type == ControlType::Check) {
        if (value != "0" && value != "1") return setting->tag + ": a check box takes 0 or 1";
        cli.controls.SetCheck(first.controlId, value == "1");
        return {};
    }
    if (type == ControlType::Edit || type == ControlType::Block || type == ControlType::BlockString) {
        if (type == ControlType::Edit && setting->minimum == setting->maximum)
            return setting->tag + ": this field is read-only";
        cli.controls.SetText(first.controlId, value);
        document.OnEditKillFocus(first.controlId);
        if (!document.ValidationGate()) return setting->tag + ": value out of range";
        return {};
    }
    if (type == ControlType::Radio1 || type == ControlType::Radio2) {
        const ControlBinding* chosen = nullptr;
        for (const ControlBinding* binding : bound) {
            const auto option = static_cast<size_t>(binding->optionIndex);
            if (option < setting->allowedValues.size()
                && Upper(setting->allowedValues[option]) == Upper(value))
                chosen = binding;
        }
        if (!chosen) return setting->tag + ": not one of the values offered";
        for (const ControlBinding* binding : bound)
            cli.controls.SetCheck(binding->controlId, binding == chosen);
        return {};
    }
    if (type == ControlType::ComboBox) {
        for (size_t k = 0; k < setting->allowedValues.size() && k < setting->optionCaptions.size(); ++k) {
            if (setting->allowedValues[k] == value
                && cli.controls.SelectComboItem(first.controlId, setting->optionCaptions[k])) {
                document.OnComboSelChange(first.controlId);
                return {};
            }
        }
        return setting->tag + ": not one of the values offered";
    }
    return setting->tag + ": this control does not hold a value";
}

// ---- pages ----------------------------------------------------------------------------------------

std::string StyleText(std::uint32_t style)
{
    static const std::pair<std::uint32_t, const char*> kNames[] = {
        { ItemStyle::GroupBox, "groupbox" },
        { ItemStyle::AutoCheckBox, "checkbox" },
        { ItemStyle::AutoRadioButton, "radio" },
        { ItemStyle::PushButton, "button" },
        { ItemStyle::Border, "border" },
        { ItemStyle::AutoHScroll, "autohscroll" },
        { ItemStyle::ReadOnly, "readonly" },
        { ItemStyle::Disabled, "disabled" },
        { ItemStyle::DropDownList, "dropdown" },
        { ItemStyle::TabStop, "tabstop" },
        { ItemStyle::Group, "group" },
        { ItemStyle::HScroll, "hscroll" },
    };
    std::string text;
    for (const auto& [flag, name] : kNames)
        if (style & flag) text += (text.empty() ? "" : "|") + std::string(name);
    return text;
}

int PrintPages(CliContext& context, const CQLMenuDoc& document)
{
    const auto& pages = document.Pages();
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("pages").BeginArray();
        for (const PageTemplate& page : pages) {
            json.BeginObject()
                .Key("caption")
                .String(page.caption)
                .Key("width")
                .Number(page.cx)
                .Key("height")
                .Number(page.cy)
                .Key("controls")
                .BeginArray();
            for (const PageItem& item : page.items)
                json.BeginObject()
                    .Key("id")
                    .Number(item.id)
                    .Key("type")
                    .String(item.controlType)
                    .Key("caption")
                    .String(item.caption)
                    .Key("x")
                    .Number(item.rect.x)
                    .Key("y")
                    .Number(item.rect.y)
                    .Key("width")
                    .Number(item.rect.cx)
                    .Key("height")
                    .Number(item.rect.cy)
                    .Key("style")
                    .String(StyleText(item.style))
                    .EndObject();
            json.EndArray().EndObject();
        }
        json.EndArray()
            .Key("bindings")
            .Number(static_cast<long long>(document.Bindings().size()))
            .EndObject();
        std::cout << json.Text() << '\n';
        return ExitOk;
    }
    for (const PageTemplate& page : pages) {
        std::printf("Page \"%s\" (%d x %d)\n", page.caption.c_str(), page.cx, page.cy);
        for (const PageItem& item : page.items)
            std::printf("  %4d %-13s %4d,%4d %4dx%-4d %-28s %s\n", item.id, item.controlType.c_str(),
                item.rect.x, item.rect.y, item.rect.cx, item.rect.cy, ("\"" + item.caption + "\"").c_str(),
                StyleText(item.style).c_str());
    }
    return ExitOk;
}

// ---- diff --------------------------------------------------------------------------------------------

struct Difference {
    std::string table; // "" for the whole document
    std::string what;
    std::string left;
    std::string right;
};

std::vector<Difference> Compare(const CQLMenuDoc& a, const CQLMenuDoc& b)
{
    std::vector<Difference> out;
    const CDevice& da = *a.Device();
    const CDevice& db = *b.Device();
    auto add = [&out](std::string table, std::string what, std::string left, std::string right) {
        if (left != right)
            out.push_back({ std::move(table), std::move(what), std::move(left), std::move(right) });
    };
    add("", "description", a.Description(), b.Description());
    add("", "base number", a.DocumentEntry().baseNumber, b.DocumentEntry().baseNumber);
    add("", "product id", a.DocumentEntry().productId, b.DocumentEntry().productId);
    add("", "tables", std::to_string(da.TableCount()), std::to_string(db.TableCount()));
    const int tables = std::max(Tables(da), Tables(db));
    std::map<std::string, const CDeviceSetting*> right;
    for (const CDeviceSetting& setting : db.Settings())
        right.emplace(setting.tag, &setting);
    for (int t = 0; t < tables; ++t) {
        const std::string table = std::to_string(t);
        for (const CDeviceSetting& setting : da.Settings()) {
            const auto found = right.find(setting.tag);
            const std::string left = t < Tables(da) ? setting.ValueForDevice(t) : "<no table>";
            if (found == right.end()) {
                out.push_back({ table, setting.tag, left, "<absent>" });
                continue;
            }
            add(table, setting.tag, left, t < Tables(db) ? found->second->ValueForDevice(t) : "<no table>");
        }
        for (const CDeviceSetting& setting : db.Settings())
            if (!da.FindSetting(setting.tag))
                out.push_back({ table, setting.tag, "<absent>", setting.ValueForDevice(t) });
    }
    auto preSufText = [](const CBlockSet::PreSufList& list) {
        std::string text;
        for (const CPreSufEntry& e : list)
            text += std::string(e.IsPrefix() ? "P:" : "S:") + e.GetSymbology() + ":" + e.GetData() + " ";
        return text;
    };
    auto formatText = [](const CBlockSet::FormatList& list) {
        std::string text;
        for (const CFormatKeyEntry& e : list)
            text += e.GetSlotName() + ":" + e.GetTerminal() + ":" + e.GetSymbology() + ":" + e.GetLength()
                + ":" + e.GetCommands() + " ";
        return text;
    };
    for (int list = 0; list <= CBlockSet::kExtraList; ++list) {
        add(ListName(list), "prefix/suffix records", preSufText(da.Blocks().GetPrefixSuffixList(list)),
            preSufText(db.Blocks().GetPrefixSuffixList(list)));
        add(ListName(list), "data format records", formatText(da.Blocks().GetDataFormatList(list)),
            formatText(db.Blocks().GetDataFormatList(list)));
    }
    return out;
}

} // namespace

int RunReadSave(CliContext& context, const std::string& path)
{
    if (!context.NoUnknownOptions()) return ExitUsage;
    if (path.empty() || !context.options.arguments.empty()) {
        std::cerr << "kestrel-cli read: --save needs one FILE.kst\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    CliDocument cli(context);
    if (!cli.ChoosePort()) return ExitFailed;
    cli.Make();
    if (!cli.document->Connect()) {
        std::cerr << CQLMenuDoc::kUnableToConnect << '\n';
        return ExitFailed;
    }
    return Saved(context, cli, path);
}

int RunOfflineSave(CliContext& context, const std::string& path)
{
    if (!context.NoUnknownOptions()) return ExitUsage;
    if (path.empty() || !context.options.arguments.empty()) {
        std::cerr << "kestrel-cli offline: --save needs one FILE.kst\n";
        return ExitUsage;
    }
    int row = -1;
    if (!context.options.devicePath || !ParseIndex(*context.options.devicePath, row)) {
        std::cerr << "kestrel-cli offline: --device needs a catalog row number\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    context.host.deviceChoice = row;
    CliDocument cli(context);
    cli.Make();
    if (!cli.document->OfflineConfigure() || !cli.document->Device()) return ExitFailed;
    return Saved(context, cli, path);
}

std::optional<std::string> TakeSaveOption(CliContext& context)
{
    if (std::optional<std::string> path = context.options.TakeValue("--save")) return path;
    // "--save FILE": the parser left FILE among the positional arguments.
    if (!context.options.TakeFlag("--save")) return std::nullopt;
    if (context.options.arguments.size() != 1) return std::string();
    std::string path = context.options.arguments.front();
    context.options.arguments.clear();
    return path;
}

int RunOpen(CliContext& context)
{
    if (!context.NoUnknownOptions()) return ExitUsage;
    if (context.options.arguments.size() != 1) {
        std::cerr << "kestrel-cli open: give one FILE.kst\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    CliDocument cli(context);
    if (!LoadDocument(cli, context.options.arguments[0])) return ExitFailed;
    PrintDocument(context, *cli.document);
    return ExitOk;
}

int RunApply(CliContext& context)
{
    if (!context.NoUnknownOptions()) return ExitUsage;
    if (context.options.arguments.size() != 1) {
        std::cerr << "kestrel-cli apply: give one FILE.kst\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    CliDocument cli(context);
    if (!cli.ChoosePort() || !LoadDocument(cli, context.options.arguments[0])) return ExitFailed;
    const bool clean = cli.document->WriteAllTables();
    PrintReport(context, cli.frame, clean);
    return clean ? ExitOk : ExitFailed;
}

int RunSet(CliContext& context)
{
    std::optional<std::string> tableText = context.options.TakeValue("--table");
    // "--table N": the parser left N among the positional arguments, the only one without "=".
    if (!tableText && context.options.TakeFlag("--table")) {
        auto& arguments = context.options.arguments;
        const auto number = std::find_if(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end(),
            [](const std::string& a) { return a.find('=') == std::string::npos; });
        if (number == arguments.end()) {
            std::cerr << "kestrel-cli set: --table needs a table number\n";
            return ExitUsage;
        }
        tableText = *number;
        arguments.erase(number);
    }
    std::optional<std::string> output = context.options.TakeValue("--output");
    if (!context.NoUnknownOptions()) return ExitUsage;
    if (context.options.arguments.size() < 2) {
        std::cerr << "kestrel-cli set: give FILE.kst and at least one TAG=VALUE\n";
        return ExitUsage;
    }
    int table = -1;
    if (tableText && !ParseIndex(*tableText, table)) {
        std::cerr << "kestrel-cli set: --table needs a table number\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    const std::string& path = context.options.arguments[0];
    CliDocument cli(context);
    if (!LoadDocument(cli, path)) return ExitFailed;
    CQLMenuDoc& document = *cli.document;
    const int stored = document.Device()->CurrentTable();
    if (table >= 0 && !document.ShowTable(table)) {
        std::cerr << "kestrel-cli set: the document has no table " << table << '\n';
        return ExitFailed;
    }
    std::vector<std::string> errors;
    for (size_t i = 1; i < context.options.arguments.size(); ++i) {
        const std::string& item = context.options.arguments[i];
        const size_t equals = item.find('=');
        if (equals == std::string::npos || equals == 0) {
            errors.push_back(item + ": expected TAG=VALUE");
            continue;
        }
        std::string error = SetThroughControls(cli, item.substr(0, equals), item.substr(equals + 1));
        if (!error.empty()) errors.push_back(error);
    }
    if (!errors.empty()) {
        for (const auto& error : errors)
            std::cerr << "kestrel-cli set: " << error << '\n';
        std::cerr << "kestrel-cli set: nothing was saved\n";
        return ExitFailed;
    }
    document.ShowTable(stored);
    return Saved(context, cli, output.value_or(path));
}

int RunDiff(CliContext& context)
{
    if (!context.NoUnknownOptions()) return ExitUsage;
    if (context.options.arguments.size() != 2) {
        std::cerr << "kestrel-cli diff: give two .kst files\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    CliDocument left(context), right(context);
    if (!LoadDocument(left, context.options.arguments[0])
        || !LoadDocument(right, context.options.arguments[1]))
        return ExitUsage;
    const std::vector<Difference> differences = Compare(*left.document, *right.document);
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("same").Bool(differences.empty()).Key("differences").BeginArray();
        for (const Difference& d : differences) {
            json.BeginObject();
            if (!d.table.empty()) json.Key("table").String(d.table);
            json.Key("what")
                .String(d.what)
                .Key("left")
                .String(d.left)
                .Key("right")
                .String(d.right)
                .EndObject();
        }
        json.EndArray().EndObject();
        std::cout << json.Text() << '\n';
    } else {
        std::string table = "-";
        for (const Difference& d : differences) {
            if (d.table != table) {
                table = d.table;
                if (!table.empty()) std::printf("Table %s\n", table.c_str());
            }
            std::printf("  %-22s %s -> %s\n", d.what.c_str(), d.left.c_str(), d.right.c_str());
        }
        if (differences.empty()) std::printf("No differences\n");
    }
    return differences.empty() ? ExitOk : ExitFailed;
}

int RunPages(CliContext& context)
{
    if (!context.NoUnknownOptions()) return ExitUsage;
    if (context.options.arguments.size() > 1
        || (context.options.arguments.empty() == !context.options.devicePath)) {
        std::cerr << "kestrel-cli pages: give FILE.kst or --device ROW\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    CliDocument cli(context);
    if (!context.options.arguments.empty()) {
        if (!LoadDocument(cli, context.options.arguments[0])) return ExitFailed;
    } else {
        int row = -1;
        if (!ParseIndex(*context.options.devicePath, row)) {
            std::cerr << "kestrel-cli pages: --device needs a catalog row number\n";
            return ExitUsage;
        }
        context.host.deviceChoice = row;
        cli.Make();
        if (!cli.document->OfflineConfigure()) return ExitFailed;
    }
    return PrintPages(context, *cli.document);
}

int RunReport(CliContext& context)
{
    std::optional<std::string> output = context.options.TakeValue("--output");
    // "--output R.pdf": the parser left R.pdf as the last positional argument.
    if (!output && context.options.TakeFlag("--output") && !context.options.arguments.empty()) {
        output = context.options.arguments.back();
        context.options.arguments.pop_back();
    }
    if (!context.NoUnknownOptions()) return ExitUsage;
    if (!output || output->empty() || context.options.arguments.size() > 1) {
        std::cerr << "kestrel-cli report: give [FILE.kst] and --output R.html or R.pdf\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    CliDocument cli(context);
    std::string source;
    std::string firmware;
    if (context.options.arguments.size() == 1) {
        source = context.options.arguments[0];
        if (!LoadDocument(cli, source)) return ExitFailed;
    } else {
        if (!cli.ChoosePort()) return ExitFailed;
        cli.Make();
        if (!cli.document->Connect()) {
            std::cerr << CQLMenuDoc::kUnableToConnect << '\n';
            return ExitFailed;
        }
        source = "reader on " + cli.document->Device()->DeviceName().ProductName();
        cli.document->Device()->GetFirmwareRevision(firmware);
    }
    const ConfigurationReport report
        = ConfigurationReport::Build(*cli.document, cli.document->SaveToBytes(), source, firmware);
    return WriteReport(report, *output);
}
