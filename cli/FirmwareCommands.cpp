// kestrel-cli commands about firmware files: "firmware info FILE" tells what a file is and
// whether the flash would take it, without a reader.

#include "cli/CliCommands.h"
#include "cli/JsonWriter.h"
#include "transfer/firmware/FirmwareFileReader.h"
#include "transfer/firmware/FirmwareImage.h"
#include "transfer/firmware/FlashDocFile.h"
#include "transfer/firmware/IntelHexFile.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Readers that give no usable MSZAPP / MSZBOT answer take at most this much.
constexpr std::size_t kDefaultApplicationLimit = 917504;
constexpr std::size_t kDefaultBootLimit = 16384;

struct FirmwareSummary {
    std::string type; // "hex", "application", "boot", "binary" (no signature)
    std::size_t size = 0;
    std::string refusal; // empty: the file would be taken
    IntelHexImage hex;
    FirmwareImageInfo image;
    FlashDocInfo doc;
    bool docFound = false;
};

std::string Hex32(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

FirmwareSummary Describe(const std::string& path)
{
    FirmwareSummary s;
    s.doc = FlashDocFile::ForFirmwareFile(path, &s.docFound);
    std::vector<uint8_t> bytes;
    switch (ReadFirmwareFile(path, bytes)) {
    case FirmwareFileRead::OpenError: s.refusal = "Error opening " + path; return s;
    case FirmwareFileRead::ReadError: s.refusal = "Error reading " + path; return s;
    case FirmwareFileRead::Ok: break;
    }
    s.size = bytes.size();
    if (!HasExtensionNoCase(path, "bin") && !HasExtensionNoCase(path, "axf")) {
        s.type = "hex";
        std::string why;
        if (!ParseIntelHex(bytes, s.hex, &why))
            s.refusal = "The selected file is corrupt (" + why + ")";
        return s;
    }
    for (auto type : { FirmwareImageType::Application, FirmwareImageType::BootCode }) {
        const auto status = ParseFirmwareImage(bytes, type, s.image);
        if (status == FirmwareImageStatus::NoSignature)
            continue;
        const bool boot = type == FirmwareImageType::BootCode;
        s.type = boot ? "boot" : "application";
        // A file above the default limit is only noted: the reader may report a larger one.
        if (status == FirmwareImageStatus::Truncated)
            s.refusal = "Binary code is not compatible with product";
        return s;
    }
    s.type = "binary";
    s.refusal = "Binary code is not compatible with product";
    return s;
}

void PrintJson(const std::string& path, const FirmwareSummary& s)
{
    JsonWriter json;
    json.BeginObject().Key("file").String(path).Key("type").String(s.type).Key("size").Number(
        static_cast<long long>(s.size));
    if (s.type == "hex" && s.refusal.empty()) {
        json.Key("records").Number(static_cast<long long>(s.hex.RecordCount()));
        json.Key("dataBytes").Number(static_cast<long long>(s.hex.dataBytes));
        json.Key("ranges").BeginArray();
        for (const auto& r : s.hex.ranges)
            json.BeginObject().Key("first").String(Hex32(r.first)).Key("last").String(Hex32(r.last)).EndObject();
        json.EndArray();
    }
    if (s.type == "application" || s.type == "boot") {
        json.Key("signatureOffset").Number(static_cast<long long>(s.image.signatureOffset));
        json.Key("defaultLimit").Number(s.type == "boot" ? kDefaultBootLimit : kDefaultApplicationLimit);
        if (s.type == "boot") {
            json.Key("deviceType").Number(s.image.bootDeviceType);
        } else {
            json.Key("deviceTypes").BeginArray();
            for (auto t : s.image.DeviceTypes())
                json.Number(t);
            json.EndArray();
            json.Key("keywords").BeginArray();
            for (const auto& k : s.image.keywords)
                json.String(k);
            json.EndArray();
            json.Key("kind").Number(s.image.kind).Key("kindMask").Number(s.image.kindMask);
        }
    }
    json.Key("doc").BeginObject()
        .Key("found").Bool(s.docFound)
        .Key("description").String(s.doc.description)
        .Key("product").String(s.doc.product)
        .Key("revision").String(s.doc.revision)
        .Key("date").String(s.doc.date)
        .EndObject();
    json.Key("accepted").Bool(s.refusal.empty());
    if (!s.refusal.empty())
        json.Key("refusal").String(s.refusal);
    json.EndObject();
    std::cout << json.Text() << "\n";
}

void PrintText(const std::string& path, const FirmwareSummary& s)
{
    std::cout << "File: " << path << "\n";
    if (!s.type.empty())
        std::cout << "Type: " << s.type << "\nSize: " << s.size << " bytes\n";
    if (s.type == "hex" && s.refusal.empty()) {
        std::cout << "Records: " << s.hex.RecordCount() << " (" << s.hex.dataBytes << " data bytes)\n";
        for (const auto& r : s.hex.ranges)
            std::cout << "  " << Hex32(r.first) << "-" << Hex32(r.last) << "\n";
    }
    if (s.type == "boot") {
        std::cout << "Signature at: " << s.image.signatureOffset << "\nDevice type: " << s.image.bootDeviceType
                  << "\n";
        if (s.size > kDefaultBootLimit)
            std::cout << "Larger than the default boot code limit of " << kDefaultBootLimit << " bytes\n";
    }
    if (s.type == "application" && s.refusal.empty()) {
        std::cout << "Signature at: " << s.image.signatureOffset << "\nDevice types:";
        for (auto t : s.image.DeviceTypes())
            std::cout << " " << t;
        std::cout << "\nKeywords:";
        for (const auto& k : s.image.keywords)
            std::cout << " " << k;
        std::cout << "\nKind: " << s.image.kind << " (mask " << s.image.kindMask << ")\n";
        if (s.size > kDefaultApplicationLimit)
            std::cout << "Larger than the default application limit of " << kDefaultApplicationLimit << " bytes\n";
    }
    std::cout << "File Description: " << s.doc.description << "\nProduct: " << s.doc.product
              << "\nRevision: " << s.doc.revision << "\nDate: " << s.doc.date << "\n";
    std::cout << (s.refusal.empty() ? std::string("Accepted") : "Refused: " + s.refusal) << "\n";
}

} // namespace

int RunFirmware(CliContext& context)
{
    if (!context.NoUnknownOptions())
        return ExitUsage;
    const auto& arguments = context.options.arguments;
    if (arguments.size() != 2 || arguments[0] != "info") {
        std::cerr << "kestrel-cli firmware: give info FILE\n";
        return ExitUsage;
    }
    const FirmwareSummary summary = Describe(arguments[1]);
    if (context.options.json)
        PrintJson(arguments[1], summary);
    else
        PrintText(arguments[1], summary);
    return summary.refusal.empty() ? ExitOk : ExitFailed;
}

// ---- flash ------------------------------------------------------------------------------------

#include "app/StartupModel.h"
#include "catalog/CDeviceName.h"
#include "catalog/DeviceCatalog.h"
#include "cli/CliPort.h"
#include "cli/ConsoleHost.h"
#include "cli/FleetFlash.h"
#include "device/CDevice.h"
#include "device/DeviceFactory.h"

#include <cctype>
#include <chrono>
#include <optional>
#include <thread>

namespace {

// The console host, except that a Retry/Cancel question is answered Retry only so many times
// when nobody is at a terminal: a reader that has gone for good must not keep a script
// retrying forever.
class FlashHost final : public Host {
public:
    FlashHost(ConsoleHost& console, int retries) : console_(console), retriesLeft_(retries) { }
    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                         int defaultButton) override
    {
        if (buttons != MsgButtons::RetryCancel || console_.interactive)
            return console_.MessageBox(text, caption, buttons, icon, defaultButton);
        std::cerr << text << '\n';
        const bool retry = retriesLeft_ > 0 && console_.preset != ConsoleHost::Preset::No;
        if (retry)
            --retriesLeft_;
        std::cerr << "-> " << (retry ? "Retry" : "Cancel") << '\n';
        return retry ? MsgAnswer::Retry : MsgAnswer::Cancel;
    }
    std::unique_ptr<ProgressWindow> CreateProgressWindow() override { return console_.CreateProgressWindow(); }
    void SetStatusText(const std::string& text) override { console_.SetStatusText(text); }
    void SetStatusPane(int pane, const std::string& text) override { console_.SetStatusPane(pane, text); }
    void BeginWaitCursor() override { }
    void EndWaitCursor() override { }
    void PumpWaitingMessages() override { }
    int ChooseDevice(const std::vector<DeviceChoice>& rows) override { return console_.ChooseDevice(rows); }
    bool ChooseFile(const FileRequest& request, std::string& path) override
    {
        return console_.ChooseFile(request, path);
    }

private:
    ConsoleHost& console_;
    int retriesLeft_;
};

// The visible catalog row of a product name, without regard to case; -1 when none.
int CatalogRowOfModel(const std::string& name)
{
    const DeviceCatalog& catalog = TheDeviceCatalog();
    auto lower = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string wanted = lower(name);
    for (int row = 0; row < catalog.RowCount(); ++row)
        if (catalog.IsVisible(row) && lower(catalog.Field(row, CatalogColumn::ProductName)) == wanted)
            return row;
    return -1;
}

constexpr int kReconnectAttempts = 3;

struct Identity {
    bool found = false;
    bool chosenByHand = false; // the reader gave no identity; the user named its model
    std::string model;
    std::string revisionText;
    int revision = -1;
};

Identity Identify(CliContext& context, CSerComm& port, std::unique_ptr<CDevice>* keep = nullptr)
{
    Identity identity;
    auto finder = std::make_unique<CDevice>(&port);
    finder->SetEorText(context.startup.Preferences().eorCharacter);
    std::string settings;
    if (finder->Connect(settings) != CDevice::kConnected)
        return identity;
    identity.found = true;
    identity.model = finder->DeviceName().ProductName();
    identity.chosenByHand = finder->DeviceName().revision == CDeviceName::kChosenByHand;
    identity.revision = identity.chosenByHand ? -1 : finder->DeviceName().revision;
    identity.revisionText = identity.chosenByHand
        ? std::string("unknown (model chosen by hand)")
        : finder->DeviceName().baseNumber + "-" + std::to_string(identity.revision);
    if (keep)
        *keep = std::move(finder);
    return identity;
}

} // namespace

int RunFlash(CliContext& context)
{
    auto& options = context.options;
    const bool boot = options.TakeFlag("--boot");
    const bool dryRun = options.TakeFlag("--dry-run");
    int retries = 2;
    if (auto text = options.TakeValue("--retries")) {
        char* end = nullptr;
        const long value = std::strtol(text->c_str(), &end, 10);
        if (text->empty() || *end != '\0' || value < 0 || value > 1000) {
            std::cerr << "kestrel-cli flash: --retries takes 0 to 1000\n";
            return ExitUsage;
        }
        retries = static_cast<int>(value);
    }
    const std::optional<std::string> model = options.TakeValue("--model");
    if (!context.NoUnknownOptions())
        return ExitUsage;
    if (options.arguments.size() != 1) {
        std::cerr << "kestrel-cli flash: give one FILE\n";
        return ExitUsage;
    }
    if (boot && context.host.preset != ConsoleHost::Preset::Yes) {
        std::cerr << "kestrel-cli flash: --boot can leave the reader unusable; confirm with --yes\n";
        return ExitUsage;
    }
    if (model && context.host.deviceChoice) {
        std::cerr << "kestrel-cli flash: give --model or --choose-device, not both\n";
        return ExitUsage;
    }
    const std::string path = options.arguments[0];
    if (!context.Start())
        return ExitStartupFailed;
    // A reader that answers but cannot tell what it is (one left in its loader or boot code
    // by an interrupted flash) is named by the user: the device chooser gets that row.
    if (model) {
        const int row = CatalogRowOfModel(*model);
        if (row < 0) {
            std::cerr << "kestrel-cli flash: no reader model \"" << *model << "\" (see 'kestrel-cli devices')\n";
            return ExitUsage;
        }
        context.host.deviceChoice = row;
    }
    if (options.readers.size() > 1)
        return RunFleetFlash(context, FleetFlashRequest { path, boot, dryRun, retries, Describe(path).refusal });

    // The file first: a file that would be refused never costs a connect.
    const FirmwareSummary summary = Describe(path);
    CliPort cliPort;
    if (!cliPort.Choose(context))
        return ExitFailed;
    std::unique_ptr<CDevice> finder;
    const Identity before = Identify(context, cliPort.port, &finder);

    std::string result;
    bool ok = false;
    const auto start = std::chrono::steady_clock::now();
    if (!before.found) {
        result = "No Device Detected.  Cancelling Firmware Load.";
    } else if (dryRun) {
        // Every check that needs no change of the reader: the file, the class, the model.
        std::unique_ptr<CDevice> device = CreateDevice(finder->DeviceName().ChooseDeviceClass(), &cliPort.port);
        CDeviceName named;
        named.ParseRevision(FileNameOf(path));
        if (device)
            device->DeviceName() = finder->DeviceName();
        if (!device)
            result = "Unknown Device.  Cancelling Firmware Load.";
        else if (!summary.refusal.empty())
            result = summary.refusal;
        else if (summary.type == "hex" && named.catalogRow >= 0 && !device->IsCompatible(named))
            result = "The selected file is incompatible with the connected device";
        else
            ok = true;
        if (ok)
            result = "Dry run: the file and the reader passed every check; nothing was written";
    } else {
        FlashHost flashHost(context.host, retries);
        InstallHost(&flashHost);
        context.host.fileChoices.push_back(path);
        const int compression = context.startup.Preferences().codeCompression;
        ok = boot ? finder->LoadBootCodeEx(result, compression, false)
                  : finder->LoadFirmwareEx(result, compression, nullptr, true, true);
        InstallHost(&context.host);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Identity after;
    if (before.found && !dryRun) {
        // A reader restarting into new firmware may miss the first search; a flashed reader is
        // worth a few more before its revision is reported unknown.
        for (int attempt = 0; attempt < (ok ? kReconnectAttempts : 1) && !after.found && !UserAbortRequested();
             ++attempt) {
            if (attempt > 0)
                std::this_thread::sleep_for(std::chrono::seconds(1));
            cliPort.port.ClosePort();
            after = Identify(context, cliPort.port);
        }
    }

    if (options.json) {
        JsonWriter json;
        json.BeginObject().Key("file").String(path).Key("type").String(summary.type)
            .Key("bytes").Number(static_cast<long long>(summary.size))
            .Key("model").String(before.model)
            .Key("revisionBefore").Number(before.revision)
            .Key("revisionAfter").Number(after.found ? after.revision : -1)
            .Key("seconds").Number(static_cast<long long>(seconds * 1000) / 1000)
            .Key("milliseconds").Number(static_cast<long long>(seconds * 1000))
            .Key("dryRun").Bool(dryRun)
            .Key("ok").Bool(ok)
            .Key("result").String(result);
        if (before.chosenByHand)
            json.Key("chosenByHand").Bool(true);
        json.EndObject();
        std::cout << json.Text() << '\n';
    } else {
        std::cout << "Model: " << before.model << "\nRevision before: " << before.revisionText << "\n";
        if (after.found)
            std::cout << "Revision after: " << after.revisionText << "\n";
        std::printf("Bytes: %zu\nSeconds: %.1f\n", summary.size, seconds);
        std::cout << "Result: " << result << "\n";
    }
    return ok ? ExitOk : ExitFailed;
}
