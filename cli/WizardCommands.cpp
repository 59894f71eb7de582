// kestrel-cli commands over a document's prefix/suffix and data-format rules: "rules",
// "prefix", "format", "format-commands" and "preview". Edits go through the same models as
// the editor sheet, so they keep its rules (one auxiliary entry, the reader's block sizes,
// checked command sequences); a refused edit exits 1 and leaves the file alone.

#include "app/StartupModel.h"
#include "cli/CliCommands.h"
#include "cli/CliPort.h"
#include "cli/BlockJson.h"
#include "cli/JsonWriter.h"
#include "device/blocks/BlockCodec.h"
#include "document/CQLMenuDoc.h"
#include "document/ControlStateModel.h"
#include "platform/Host.h"
#include "wizards/CDataEditSheetModel.h"
#include "wizards/CFormatWizardModel.h"
#include "wizards/FormatPreview.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// A document loaded from a file (or read from the reader on the port) with its controls in
// memory, and the table the command works on.
class RuleDocument {
public:
    explicit RuleDocument(CliContext& context)
        : context_(context)
    {
    }
    ~RuleDocument() { document_.reset(); }

    bool Load(const std::string& path)
    {
        Make(nullptr);
        return document_->Load(path) && document_->Device();
    }
    bool Read()
    {
        if (!port_.Choose(context_)) return false;
        Make(&port_.port);
        return document_->Connect() && document_->Device();
    }
    CQLMenuDoc& Document() { return *document_; }
    CDevice& Device() { return *document_->Device(); }

private:
    void Make(CSerComm* port)
    {
        DocumentEnvironment environment;
        environment.port = port;
        environment.catalogPath = context_.startup.CatalogPath();
        environment.eorCharacter = context_.startup.Preferences().eorCharacter;
        document_ = std::make_unique<CQLMenuDoc>(environment);
        document_->SetControls(&controls_);
    }
    CliContext& context_;
    CliPort port_;
    ControlStateModel controls_;
    std::unique_ptr<CQLMenuDoc> document_;
};

// --table=N or --aux, and --output=FILE, shared by the edit commands.
struct Target {
    std::optional<int> table;
    bool auxiliary = false;
    std::optional<std::string> output;
};

bool ParseNumber(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::stoi(text);
    return true;
}

bool TakeTarget(CliContext& context, const char* name, Target& target)
{
    if (const auto table = context.options.TakeValue("--table")) {
        int number = 0;
        if (!ParseNumber(*table, number)) {
            std::cerr << "kestrel-cli " << name << ": --table=N needs a table number\n";
            return false;
        }
        target.table = number;
    }
    target.auxiliary = context.options.TakeFlag("--aux");
    target.output = context.options.TakeValue("--output");
    if (target.table && target.auxiliary) {
        std::cerr << "kestrel-cli " << name << ": give --table=N or --aux, not both\n";
        return false;
    }
    return true;
}

bool ChooseTable(RuleDocument& rules, const Target& target, const char* name)
{
    if (target.table && !rules.Document().ShowTable(*target.table)) {
        std::cerr << "kestrel-cli " << name << ": the document has no table " << *target.table << '\n';
        return false;
    }
    for (const std::string& piece : rules.Device().Blocks().GetDroppedFragments())
        std::cerr << "kestrel-cli " << name << ": warning: skipped a block piece that is no record: " << piece << '\n';
    return true;
}

std::unique_ptr<CDataEditSheetModel> SheetOf(CDevice& device)
{
    return std::make_unique<CDataEditSheetModel>(device.Blocks(), device, device.GetBarcodeLead(),
        [&device](std::string_view tag) {
            const CDeviceSetting* setting = device.FindSetting(tag);
            return setting ? static_cast<long long>(setting->maximum) : 0LL;
        });
}

// Applies the sheet and saves; exit status.
int ApplyAndSave(CliContext& context, RuleDocument& rules, CDataEditSheetModel& sheet, const std::string& path,
    const Target& target)
{
    CDevice& device = rules.Device();
    if (sheet.Apply(device.Blocks(), device)) rules.Document().RecordsChanged();
    const std::string out = target.output.value_or(path);
    if (!rules.Document().Save(out)) return ExitFailed;
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("saved").String(out).EndObject();
        std::cout << json.Text() << '\n';
    } else {
        std::printf("Saved %s\n", out.c_str());
    }
    return ExitOk;
}

std::string Enable(const CDevice& device, const char* tag)
{
    const int table = std::clamp(device.CurrentTable(), 0, CBlockSet::kTableLists - 1);
    const CDeviceSetting* setting = device.FindSetting(tag);
    return setting ? setting->ValueForDevice(table) : std::string(kHideButton);
}

constexpr const char* kEnableTags[] = { "PRE_EN", "SUF_EN", "CODIDX", "AIMIDX", "DFM_EN", "AXD_EN" };

// The rules of the current table as the reader takes them.
ReaderRules RulesOf(const CDevice& device)
{
    ReaderRules rules;
    const int table = std::clamp(device.CurrentTable(), 0, CBlockSet::kTableLists - 1);
    const CBlockSet& blocks = device.Blocks();
    rules.prefixes = blocks.GetBlockText("PREBK2", table);
    rules.suffixes = blocks.GetBlockText("SUFBK2", table);
    rules.formats = blocks.GetBlockText("DFMBK3", table);
    auto value = [&](const char* tag, std::string& into) {
        if (const CDeviceSetting* setting = device.FindSetting(tag)) into = setting->ValueForDevice(table);
    };
    value("PRE_EN", rules.preEn);
    value("SUF_EN", rules.sufEn);
    value("CODIDX", rules.codeId);
    value("AIMIDX", rules.aimId);
    value("DFM_EN", rules.dfmEn);
    value("DFMRQD", rules.dfmRqd);
    std::string terminal;
    value("TERMID", terminal);
    if (!terminal.empty()) rules.terminal = PadTerminalCode(terminal);
    return rules;
}

// ---- rules ------------------------------------------------------------------------------------

int PrintRules(CliContext& context, RuleDocument& rules, bool auxiliary)
{
    CDevice& device = rules.Device();
    const std::unique_ptr<CDataEditSheetModel> sheet = SheetOf(device);
    if (auxiliary && !sheet->HasAuxiliaryPort()) {
        std::cerr << "kestrel-cli rules: the reader has no auxiliary port\n";
        return ExitFailed;
    }
    CPrefixSuffixPageModel& preSuf = sheet->PrefixSuffixPage(auxiliary);
    CFormatPageModel& formats = sheet->FormatPage(auxiliary);
    const std::vector<std::string> preSufRows = preSuf.Rows();
    const std::vector<std::string> formatRows = formats.Rows();
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("table").Number(device.CurrentTable()).Key("auxiliary").Bool(auxiliary);
        json.Key("prefixSuffix").BeginArray();
        const std::vector<std::string> names = preSuf.RowSymbologies();
        for (std::size_t i = 0; i < names.size(); ++i) {
            json.BeginObject().Key("symbology").String(names[i]).Key("row").String(preSufRows[i]);
            for (const std::int32_t kind : { CPreSufEntry::kPrefix, CPreSufEntry::kSuffix }) {
                std::string data;
                for (const CPreSufEntry& entry : preSuf.Entries())
                    if (entry.GetSymbology() == names[i] && entry.GetKind() == kind) data = entry.GetData();
                json.Key(kind == CPreSufEntry::kPrefix ? "prefix" : "suffix").String(data);
            }
            json.EndObject();
        }
        json.EndArray().Key("formats").BeginArray();
        for (std::size_t i = 0; i < formats.Entries().size(); ++i) {
            const CFormatKeyEntry& entry = formats.Entries()[i];
            json.BeginObject().Key("index").Number(static_cast<long long>(i + 1));
            FormatEntryFields(json, entry)
                .Key("row")
                .String(formatRows[i])
                .EndObject();
        }
        json.EndArray().Key("values").BeginObject();
        for (const char* tag : kEnableTags)
            json.Key(tag).String(Enable(device, tag));
        json.EndObject().EndObject();
        std::cout << json.Text() << '\n';
        return ExitOk;
    }
    std::printf("%s (table %d)\n", auxiliary ? "Aux Prefix/Suffix" : "Prefix/Suffix", device.CurrentTable());
    for (const std::string& row : preSufRows)
        std::printf("  %s\n", row.c_str());
    std::printf("%s\n", auxiliary ? "Aux Data Format" : "Data Format");
    for (std::size_t i = 0; i < formatRows.size(); ++i)
        std::printf("  %2zu %s\n", i + 1, formatRows[i].c_str());
    for (const char* tag : kEnableTags)
        std::printf("%s=%s\n", tag, Enable(device, tag).c_str());
    return ExitOk;
}

// ---- format -------------------------------------------------------------------------------------

struct FormatOptions {
    std::optional<std::string> terminal, symbology, length, slot, commands;
};

bool SlotNumber(const std::string& text, int& slot)
{
    static const char* const kNames[] = { "Pri", "A1", "A2", "A3" };
    for (int i = 0; i < 4; ++i)
        if (text == kNames[i] || text == std::to_string(i)) {
            slot = i;
            return true;
        }
    return false;
}

// Runs the wizard's checks on `entry` with the options given; false when refused.
bool RunFormatWizard(CDataEditSheetModel& sheet, bool auxiliary, int index, const FormatOptions& options,
    CFormatKeyEntry& entry)
{
    CFormatPageModel& page = sheet.FormatPage(auxiliary);
    CFormatWizardModel wizard(page.Symbologies(), page.Terminals(), entry, auxiliary,
        std::string(index >= 0 ? CFormatPageModel::kEditTitle : CFormatWizardModel::kAddTitle));
    if (options.terminal) {
        const auto& choices = wizard.TerminalChoices();
        if (std::find(choices.begin(), choices.end(), *options.terminal) == choices.end()) {
            ShowMessage("Unknown terminal interface: " + *options.terminal);
            return false;
        }
        wizard.SetTerminal(*options.terminal);
    }
    if (options.symbology) {
        const auto& choices = wizard.SymbologyChoices();
        if (auxiliary || std::find(choices.begin(), choices.end(), *options.symbology) == choices.end()) {
            ShowMessage("Unknown symbology for this page: " + *options.symbology);
            return false;
        }
        wizard.SetSymbology(*options.symbology);
    }
    if (options.length) wizard.SetLength(*options.length);
    if (options.slot) {
        int slot = 0;
        if (!SlotNumber(*options.slot, slot)) {
            ShowMessage("The slot is Pri, A1, A2 or A3");
            return false;
        }
        wizard.SetSlot(slot);
    }
    if (options.commands) wizard.SetCommands(*options.commands);
    wizard.SetBlockCheck(sheet.FormatCheck(auxiliary, index));
    return wizard.Finish(entry);
}

// ---- preview ----------------------------------------------------------------------------------

std::string Quoted(const std::string& bytes)
{
    return "\"" + BytesToDisplayText(bytes) + "\"";
}

} // namespace

int RunRules(CliContext& context)
{
    Target target;
    if (!TakeTarget(context, "rules", target) || !context.NoUnknownOptions()) return ExitUsage;
    if (context.options.arguments.size() != 1) {
        std::cerr << "kestrel-cli rules: give one FILE.kst\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    RuleDocument rules(context);
    if (!rules.Load(context.options.arguments[0]) || !ChooseTable(rules, target, "rules")) return ExitFailed;
    return PrintRules(context, rules, target.auxiliary);
}

int RunPrefix(CliContext& context)
{
    Target target;
    if (!TakeTarget(context, "prefix", target)) return ExitUsage;
    const bool suffix = context.options.TakeFlag("--suffix");
    if (!context.NoUnknownOptions()) return ExitUsage;
    const auto& arguments = context.options.arguments;
    if (arguments.size() != 3) {
        std::cerr << "kestrel-cli prefix: give FILE.kst SYMBOLOGY TEXT (an empty TEXT deletes)\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    RuleDocument rules(context);
    if (!rules.Load(arguments[0]) || !ChooseTable(rules, target, "prefix")) return ExitFailed;
    CDevice& device = rules.Device();
    if (!device.GetWizardFlag()) {
        std::cerr << "kestrel-cli prefix: this reader has no prefix/suffix editor\n";
        return ExitFailed;
    }
    const std::unique_ptr<CDataEditSheetModel> sheet = SheetOf(device);
    if (target.auxiliary && !sheet->HasAuxiliaryPort()) {
        std::cerr << "kestrel-cli prefix: the reader has no auxiliary port\n";
        return ExitFailed;
    }
    CPrefixSuffixPageModel& page = sheet->PrefixSuffixPage(target.auxiliary);
    const std::string& symbology = arguments[1];
    const std::vector<std::string>& names = device.Blocks().GetSymbologyTable().GetNames();
    if (std::find(names.begin(), names.end(), symbology) == names.end()) {
        std::cerr << "kestrel-cli prefix: the reader knows no symbology \"" << symbology << "\"\n";
        return ExitFailed;
    }
    const std::int32_t kind = suffix ? CPreSufEntry::kSuffix : CPreSufEntry::kPrefix;
    std::vector<CPreSufEntry> after = page.Entries();
    const auto sameRule = [&](const CPreSufEntry& entry) { return entry.GetSymbology() == symbology && entry.GetKind() == kind; };
    const std::string& text = arguments[2];
    if (text.empty()) {
        std::erase_if(after, sameRule);
    } else {
        const auto last = std::find_if(after.rbegin(), after.rend(), sameRule);
        if (last != after.rend()) {
            last->SetData(text);
        } else {
            if (target.auxiliary && std::any_of(after.begin(), after.end(),
                    [&](const CPreSufEntry& entry) { return entry.GetSymbology() != symbology; })) {
                std::cerr << "kestrel-cli prefix: the auxiliary port takes a single entry\n";
                return ExitFailed;
            }
            CPreSufEntry entry(kind, symbology);
            entry.SetData(text);
            after.push_back(entry);
        }
    }
    if (const std::string refused = sheet->RefusePrefixSuffix(target.auxiliary, after); !refused.empty()) {
        std::cerr << "kestrel-cli prefix: " << refused << '\n';
        return ExitFailed;
    }
    page.DeleteAll();
    for (CPreSufEntry& entry : after)
        page.Append(std::move(entry));
    return ApplyAndSave(context, rules, *sheet, arguments[0], target);
}

int RunFormat(CliContext& context)
{
    Target target;
    if (!TakeTarget(context, "format", target)) return ExitUsage;
    FormatOptions options;
    options.terminal = context.options.TakeValue("--terminal");
    options.symbology = context.options.TakeValue("--symbology");
    options.length = context.options.TakeValue("--length");
    options.slot = context.options.TakeValue("--slot");
    options.commands = context.options.TakeValue("--commands");
    if (!context.NoUnknownOptions()) return ExitUsage;
    const auto& arguments = context.options.arguments;
    const std::string action = arguments.size() >= 2 ? arguments[1] : std::string();
    const bool indexed = action == "edit" || action == "delete" || action == "up" || action == "down";
    int index = -1;
    if (!(action == "add" && arguments.size() == 2) && !(indexed && arguments.size() == 3 && ParseNumber(arguments[2], index))) {
        std::cerr << "kestrel-cli format: give FILE.kst add, or FILE.kst edit|delete|up|down I (I counted from 1)\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    RuleDocument rules(context);
    if (!rules.Load(arguments[0]) || !ChooseTable(rules, target, "format")) return ExitFailed;
    CDevice& device = rules.Device();
    if (!device.GetWizardFlag()) {
        std::cerr << "kestrel-cli format: this reader has no data formatter editor\n";
        return ExitFailed;
    }
    const std::unique_ptr<CDataEditSheetModel> sheet = SheetOf(device);
    if (target.auxiliary && !sheet->HasAuxiliaryPort()) {
        std::cerr << "kestrel-cli format: the reader has no auxiliary port\n";
        return ExitFailed;
    }
    CFormatPageModel& page = sheet->FormatPage(target.auxiliary);
    const int row = index - 1;
    if (indexed && (row < 0 || row >= static_cast<int>(page.Entries().size()))) {
        std::cerr << "kestrel-cli format: there is no format " << index << '\n';
        return ExitFailed;
    }
    if (action == "add") {
        CFormatKeyEntry entry;
        if (!RunFormatWizard(*sheet, target.auxiliary, -1, options, entry)) return ExitFailed;
        page.Append(entry);
    } else if (action == "edit") {
        CFormatKeyEntry entry = page.Entries()[static_cast<std::size_t>(row)];
        if (!RunFormatWizard(*sheet, target.auxiliary, row, options, entry)) return ExitFailed;
        page.Entries()[static_cast<std::size_t>(row)] = entry;
    } else if (action == "delete") {
        page.Delete(row);
    } else if (action == "up") {
        page.MoveUp(row);
    } else {
        page.MoveDown(row);
    }
    return ApplyAndSave(context, rules, *sheet, arguments[0], target);
}

int RunFormatCommands(CliContext& context)
{
    if (!context.NoUnknownOptions()) return ExitUsage;
    if (context.options.json) {
        JsonWriter json;
        json.BeginArray();
        for (const FormatCommand& command : kFormatCommands) {
            json.BeginObject()
                .Key("code")
                .String(std::string(command.code))
                .Key("title")
                .String(std::string(command.title))
                .Key("prompt1")
                .String(std::string(command.prompt1))
                .Key("prompt2")
                .String(std::string(command.prompt2))
                .Key("limit1")
                .Number(command.limit1)
                .Key("limit2")
                .Number(command.limit2)
                .Key("numeric1")
                .Bool(command.numeric1 != 0)
                .Key("numeric2")
                .Bool(command.numeric2 != 0)
                .EndObject();
        }
        json.EndArray();
        std::cout << json.Text() << '\n';
        return ExitOk;
    }
    for (const FormatCommand& command : kFormatCommands) {
        std::printf("%s\n", std::string(command.title).c_str());
        for (const std::string_view prompt : { command.prompt1, command.prompt2 })
            if (!prompt.empty()) std::printf("    %s\n", std::string(prompt).c_str());
    }
    return ExitOk;
}

int RunPreview(CliContext& context)
{
    Target target;
    if (!TakeTarget(context, "preview", target)) return ExitUsage;
    const std::optional<std::string> samplesFile = context.options.TakeValue("--samples");
    if (!context.NoUnknownOptions()) return ExitUsage;
    std::vector<std::string> arguments = context.options.arguments;
    std::string path;
    if (!arguments.empty() && arguments[0].find('=') == std::string::npos) {
        path = arguments[0];
        arguments.erase(arguments.begin());
    }
    std::vector<std::string> lines = arguments;
    if (samplesFile) {
        std::ifstream in(*samplesFile);
        if (!in) {
            std::cerr << "kestrel-cli preview: cannot read " << *samplesFile << '\n';
            return ExitFailed;
        }
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line[0] != '#') lines.push_back(line);
        }
    }
    if (lines.empty()) {
        std::cerr << "kestrel-cli preview: give at least one sample \"SYMBOLOGY=DATA\" or --samples=FILE\n";
        return ExitUsage;
    }
    if (!context.Start()) return ExitStartupFailed;
    RuleDocument rules(context);
    if (!(path.empty() ? rules.Read() : rules.Load(path)) || !ChooseTable(rules, target, "preview")) return ExitFailed;
    const CDevice& device = rules.Device();
    const ReaderRules readerRules = RulesOf(device);
    const CCodeTable& table = device.Blocks().GetSymbologyTable();
    JsonWriter json;
    if (context.options.json) json.BeginArray();
    int status = ExitOk;
    for (const std::string& line : lines) {
        PreviewSample sample;
        std::string error;
        if (!ParsePreviewSample(line, table.GetNames(), table.GetCodes(), sample, error)) {
            std::cerr << "kestrel-cli preview: " << line << ": " << error << '\n';
            status = ExitFailed;
            continue;
        }
        const PreviewResult result = RunFormatPreview(readerRules, sample);
        if (context.options.json) {
            json.BeginObject()
                .Key("sample")
                .String(line)
                .Key("sent")
                .Bool(result.sent)
                .Key("host")
                .String(BytesToHex(result.host))
                .Key("aux")
                .String(BytesToHex(result.aux))
                .Key("format")
                .Number(result.format + 1)
                .Key("trace")
                .BeginArray();
            for (const std::string& step : result.trace)
                json.String(step);
            json.EndArray().Key("failures").BeginArray();
            for (const std::string& failure : result.failures)
                json.String(failure);
            json.EndArray().EndObject();
            continue;
        }
        std::printf("%s\n", line.c_str());
        if (!result.sent) {
            std::printf("  nothing sent\n");
        } else {
            std::printf("  host %s\n", BytesToHex(result.host).c_str());
            std::printf("  text %s\n", Quoted(result.host).c_str());
        }
        if (!result.aux.empty()) std::printf("  aux %s\n", BytesToHex(result.aux).c_str());
        if (result.format >= 0) std::printf("  format %d\n", result.format + 1);
        for (const std::string& step : result.trace)
            std::printf("    %s\n", step.c_str());
        for (const std::string& failure : result.failures)
            std::printf("  not applied: %s\n", failure.c_str());
    }
    if (context.options.json) {
        json.EndArray();
        std::cout << json.Text() << '\n';
    }
    return status;
}
