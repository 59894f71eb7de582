// kestrel-cli commands for pictures and HTag packets: "capture" (a picture from an imager, in
// any form, saved as KIM, PNG, TIFF or BMP), "kim" (info and convert), "htag" (send one
// command and show the answer) and "monitor" (everything a reader sends on its own).

#include "app/StartupModel.h"
#include "catalog/CDeviceName.h"
#include "cli/CliCommands.h"
#include "cli/CliPort.h"
#include "cli/JsonWriter.h"
#include "device/CDevice.h"
#include "device/CSerComm.h"
#include "transfer/HCOMM.h"
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/HTAG.h"
#include "transfer/image/CKim.h"
#include "transfer/image/HImageFormats.h"
#include "transfer/image/HReadCheck.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string Str(const HSTRING& s) { return std::string(s.Text(), s.Length()); }

// What the processor hands on, kept for the command to print.
class CliEvents : public HPROCESSOR_EVENTS {
public:
    struct Event {
        std::string kind;  // "text", "picture", "htag", "tagged"
        int code = 0;
        std::string name;
        std::string text;
        std::string data;
    };
    void DecodedData(const HSTRING& text) override { Add({ "text", 0, "", Str(text), "" }); }
    void PictureReceived(int code, const HSTRING& text, const HIMAGE& image) override
    {
        pictures.push_back(image);
        const char* format = HImageFormats::FormatName(int(image.parameters.GetInt("F")));
        Add({ "picture", code, format ? format : "", Str(text), "" });
    }
    void HTagReceived(const HTAG& command, int code, const HSTRING& text) override
    {
        commands.push_back(command);
        Add({ "htag", code, command.Name(), Str(text), Str(command.Data()) });
    }
    void TaggedData(const HSTRING& prefix, const HSTRING& block) override
    {
        Add({ "tagged", 0, Str(prefix), Str(block), "" });
    }
    std::vector<Event> events;
    std::vector<HIMAGE> pictures;
    std::vector<HTAG> commands;
    std::function<void(const Event&)> onEvent;

private:
    void Add(Event e)
    {
        events.push_back(e);
        if (onEvent)
            onEvent(events.back());
    }
};

// A reader found and identified on the chosen port.
struct Reader {
    CliPort cliPort;
    std::unique_ptr<CDevice> device;
    std::string settings;
};

bool ConnectReader(CliContext& context, Reader& reader)
{
    if (!reader.cliPort.Choose(context))
        return false;
    reader.device = std::make_unique<CDevice>(&reader.cliPort.port);
    return FindReader(context, *reader.device, reader.settings);
}

// Runs the dispatcher until `done` says so or the time is up.
template <typename Done>
bool DispatchUntil(HCOMMAND_PROCESSOR& processor, unsigned seconds, Done done)
{
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        processor.ProcessReceivedData(nullptr, true);
    }
    return true;
}

bool ParseInt(const std::string& text, int& value, int low, int high)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < low || v > high)
        return false;
    value = int(v);
    return true;
}

void SymbolsJson(JsonWriter& json, const HREAD_CHECK& check)
{
    json.Key("contrast").Number(check.contrast).Key("symbols").BeginArray();
    for (const HREAD_SYMBOL& s : check.symbols) {
        json.BeginObject().Key("symbology").String(s.symbology).Key("text").String(s.text).Key("corners").BeginArray();
        for (const auto& c : s.corners)
            json.BeginArray().Number(c[0]).Number(c[1]).EndArray();
        json.EndArray().Key("sharpness").Number(s.sharpness).EndObject();
    }
    json.EndArray();
}

void PrintSymbols(const HREAD_CHECK& check)
{
    std::printf("Contrast: %d\n", check.contrast);
    for (const HREAD_SYMBOL& s : check.symbols)
        std::printf("Symbol: %s \"%s\" at (%d,%d) (%d,%d) (%d,%d) (%d,%d), sharpness %d\n", s.symbology.c_str(),
                    s.text.c_str(), s.corners[0][0], s.corners[0][1], s.corners[1][0], s.corners[1][1],
                    s.corners[2][0], s.corners[2][1], s.corners[3][0], s.corners[3][1], s.sharpness);
    if (check.symbols.empty())
        std::printf("Symbol: none found\n");
}

} // namespace

int RunCapture(CliContext& context)
{
    CliOptions& o = context.options;
    const std::string formatName = o.TakeValue("--format").value_or("gray");
    const std::optional<std::string> quality = o.TakeValue("--quality");
    const std::optional<std::string> subsample = o.TakeValue("--subsample");
    const std::optional<std::string> window = o.TakeValue("--window");
    const std::optional<std::string> depthText = o.TakeValue("--depth");
    const std::optional<std::string> output = o.TakeValue("--output");
    const bool test = o.TakeFlag("--test");
    const bool viaHTag = o.TakeFlag("--htag");
    const bool decode = o.TakeFlag("--decode");
    if (!context.NoUnknownOptions())
        return ExitUsage;
    const int format = HImageFormats::FormatByName(formatName);
    int q = 80, s = 1, depth = 8;
    int l = 0, t = 0, r = 0, b = 0;
    if (format < 0 || (quality && !ParseInt(*quality, q, 0, 100)) || (subsample && !ParseInt(*subsample, s, 1, 10))
        || (depthText && (!ParseInt(*depthText, depth, 1, 8) || (depth != 1 && depth != 8))) || !output) {
        std::cerr << "kestrel-cli: capture needs --output FILE and valid --format, --quality (0-100), "
                     "--subsample (1-10), --depth (1 or 8)\n";
        return ExitUsage;
    }
    if (window && std::sscanf(window->c_str(), "%d,%d,%d,%d", &l, &t, &r, &b) != 4) {
        std::cerr << "kestrel-cli: --window needs L,T,R,B\n";
        return ExitUsage;
    }
    if (!context.Start())
        return ExitStartupFailed;
    Reader reader;
    if (!ConnectReader(context, reader))
        return ExitFailed;
    HCOMMAND_PROCESSOR& processor = reader.device->CommandHandler();
    CliEvents events;
    processor.SetEventSink(&events);
    processor.SetCaptureMode(true);

    // Forms without a header of their own, and windows in any form but the plain ones, go as
    // an IMGSHP packet; the windowed menu capture answers in 8 or 1 bits.
    const bool headerForm = format == 0 || format == 4 || format == 5 || format == 6 || format == 7;
    bool sent = false;
    if (window && !viaHTag && (format == 5 || format == 4)) {
        sent = processor.CaptureWindow(l, t, r, b, s, format == 4 ? 1 : depth);
    } else if (viaHTag || !headerForm || window) {
        HTAG request("IMGSHP");
        request.SetProtocol(2);
        if (window) {
            request.SetInt("L", l);
            request.SetInt("T", t);
            request.SetInt("R", r - 1);
            request.SetInt("B", b - 1);
        }
        request.SetInt("S", s);
        request.SetInt("D", depth);
        request.SetInt("F", format);
        request.SetInt("J", q);
        HSTRING text;
        sent = processor.SendHTag(request, false, &text);
        if (!sent)
            std::cerr << "kestrel-cli: " << Str(text) << '\n';
    } else if (test) {
        sent = processor.CaptureTestImage(s, format, q);
    } else {
        sent = processor.CapturePlain(s, format, q);
    }
    if (!sent) {
        std::cerr << "kestrel-cli: the capture command could not be sent\n";
        return ExitFailed;
    }
    if (!DispatchUntil(processor, 60, [&] { return !events.pictures.empty(); })) {
        std::cerr << "kestrel-cli: no picture arrived\n";
        return ExitFailed;
    }
    const HIMAGE& image = events.pictures.front();
    const CliEvents::Event* result = nullptr;
    for (const auto& e : events.events)
        if (e.kind == "picture")
            result = &e;
    const CDeviceName& name = reader.device->DeviceName();
    const HPICTURE_INFO info = HImageFormats::InfoFor(image, name.ProductName(), name.baseNumber + " "
                                                                                     + std::to_string(name.revision));
    std::string error;
    const bool saved = image.Valid() && HImageFormats::WriteFile(image, *output, info, error);
    HREAD_CHECK check;
    if (decode)
        check = ReadCheck(image);
    if (o.json) {
        JsonWriter json;
        json.BeginObject()
            .Key("code").Number(result->code)
            .Key("result").String(result->text)
            .Key("width").Number(image.width)
            .Key("height").Number(image.height)
            .Key("format").String(formatName)
            .Key("output").String(saved ? *output : "");
        if (decode)
            SymbolsJson(json, check);
        json.EndObject();
        std::cout << json.Text() << '\n';
    } else {
        std::printf("%s (%d x %d, %s)\n", result->text.c_str(), image.width, image.height, formatName.c_str());
        if (saved)
            std::printf("Saved %s\n", output->c_str());
        if (decode)
            PrintSymbols(check);
    }
    if (!saved)
        std::cerr << "kestrel-cli: " << (error.empty() ? "nothing to save" : error) << '\n';
    return result->code == HIMAGE_OK && saved ? ExitOk : ExitFailed;
}

int RunKim(CliContext& context)
{
    const bool decode = context.options.TakeFlag("--decode");
    if (!context.NoUnknownOptions())
        return ExitUsage;
    const std::vector<std::string>& args = context.options.arguments;
    const bool info = args.size() == 2 && args[0] == "info";
    const bool convert = args.size() == 3 && args[0] == "convert";
    if (!info && !convert) {
        std::cerr << "kestrel-cli: kim info FILE | kim convert IN OUT\n";
        return ExitUsage;
    }
    HIMAGE image;
    HPICTURE_INFO facts;
    std::string error;
    if (!HImageFormats::ReadFile(args[1], image, facts, error)) {
        std::cerr << "kestrel-cli: " << args[1] << ": " << error << '\n';
        return ExitFailed;
    }
    if (convert) {
        if (!HImageFormats::WriteFile(image, args[2], facts, error)) {
            std::cerr << "kestrel-cli: " << args[2] << ": " << error << '\n';
            return ExitFailed;
        }
        return ExitOk;
    }
    const HREAD_CHECK check = decode ? ReadCheck(image) : HREAD_CHECK();
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("width").Number(image.width).Key("height").Number(image.height).Key("info").BeginObject();
        for (const auto& [k, v] : facts)
            json.Key(k).String(v);
        json.EndObject();
        if (decode)
            SymbolsJson(json, check);
        json.EndObject();
        std::cout << json.Text() << '\n';
        return ExitOk;
    }
    std::printf("Size: %d x %d\n", image.width, image.height);
    for (const auto& [k, v] : facts)
        std::printf("%s: %s\n", k.c_str(), v.c_str());
    if (decode)
        PrintSymbols(check);
    return ExitOk;
}

int RunHtag(CliContext& context)
{
    CliOptions& o = context.options;
    const std::optional<std::string> protocolText = o.TakeValue("--protocol");
    const std::optional<std::string> dataPath = o.TakeValue("--input");
    const std::optional<std::string> output = o.TakeValue("--output");
    const std::optional<std::string> waitText = o.TakeValue("--wait");
    if (!context.NoUnknownOptions())
        return ExitUsage;
    int protocol = 2, wait = 10;
    if (o.arguments.empty() || o.arguments[0].size() != 6 || (protocolText && !ParseInt(*protocolText, protocol, 2, 5))
        || (waitText && !ParseInt(*waitText, wait, 0, 3600))) {
        std::cerr << "kestrel-cli: htag NAME [PARAM=VALUE ...] [--protocol 2..5] [--input=FILE] [--output FILE]\n";
        return ExitUsage;
    }
    HTAG command(o.arguments[0].c_str());
    command.SetProtocol(protocol);
    for (size_t i = 1; i < o.arguments.size(); ++i) {
        const std::string& a = o.arguments[i];
        const size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const int index = eq == std::string::npos ? -1 : command.Find(name.c_str());
        bool ok = index >= 0;
        if (ok && command.Info(unsigned(index)).type == HTAG_TYPE::Text)
            ok = command.SetText(name.c_str(), a.substr(eq + 1));
        else if (ok)
            ok = command.SetInt(name.c_str(), std::strtoll(a.c_str() + eq + 1, nullptr, 10));
        if (!ok) {
            std::cerr << "kestrel-cli: " << command.Name() << " has no parameter " << a << " (or the value is out of range)\n";
            return ExitUsage;
        }
    }
    if (dataPath) {
        std::ifstream in(*dataPath, std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in && !in.eof()) {
            std::cerr << "kestrel-cli: cannot read " << *dataPath << '\n';
            return ExitFailed;
        }
        command.Data().Copy(reinterpret_cast<const unsigned char*>(content.data()), unsigned(content.size()));
    }
    if (!context.Start())
        return ExitStartupFailed;
    Reader reader;
    if (!ConnectReader(context, reader))
        return ExitFailed;
    HCOMMAND_PROCESSOR& processor = reader.device->CommandHandler();
    CliEvents events;
    processor.SetEventSink(&events);
    HSTRING text;
    const bool sent = processor.SendHTag(command, false, &text);
    // Requests are answered by the reader with a packet of their own.
    const std::string& n = command.Name();
    const bool request = n == "FILRET" || n == "GETSYS" || n == "MNUCMD" || n == "NMNCMD" || n == "IMGSHP"
        || n == "APPRET" || n == "BOTRET" || n == "FLSRET";
    bool answered = false;
    if (sent && request)
        answered = DispatchUntil(processor, unsigned(wait), [&] { return !events.commands.empty() || !events.pictures.empty(); });
    const HTAG* answer = events.commands.empty() ? nullptr : &events.commands.front();
    if (answer && output) {
        std::ofstream out(*output, std::ios::binary);
        out.write(answer->Data().Text(), std::streamsize(answer->Data().Length()));
    }
    if (o.json) {
        JsonWriter json;
        json.BeginObject().Key("sent").Bool(sent).Key("result").String(Str(text));
        if (answer) {
            json.Key("answer").BeginObject().Key("name").String(answer->Name()).Key("code").Number(events.events.back().code);
            for (unsigned i = 0; i < answer->Count(); ++i) {
                const char* p = answer->Info(i).name;
                if (!answer->IsSet(p))
                    continue;
                if (answer->Info(i).type == HTAG_TYPE::Text)
                    json.Key(p).String(answer->GetText(p));
                else
                    json.Key(p).Number(answer->GetInt(p));
            }
            json.Key("dataLength").Number(answer->Data().Length()).EndObject();
        }
        json.EndObject();
        std::cout << json.Text() << '\n';
    } else {
        std::printf("%s\n", Str(text).c_str());
        if (answer)
            std::printf("Answer: %s, %u data bytes\n", answer->Name().c_str(), answer->Data().Length());
    }
    if (!sent || (request && !answered))
        return ExitFailed;
    return ExitOk;
}

int RunMonitor(CliContext& context)
{
    CliOptions& o = context.options;
    const std::optional<std::string> secondsText = o.TakeValue("--seconds");
    const std::optional<std::string> pictures = o.TakeValue("--pictures");
    const std::optional<std::string> baudText = o.TakeValue("--baud");
    if (!context.NoUnknownOptions())
        return ExitUsage;
    int seconds = 10, baud = 115200;
    if ((secondsText && !ParseInt(*secondsText, seconds, 1, 86400)) || (baudText && !ParseInt(*baudText, baud, 50, 4000000))) {
        std::cerr << "kestrel-cli: monitor [--seconds N] [--pictures DIR] [--baud N]\n";
        return ExitUsage;
    }
    if (!context.Start())
        return ExitStartupFailed;
    // Only listens: the reader is not probed, so nothing it says is answered or cut short.
    CliPort cliPort;
    if (!cliPort.Choose(context))
        return ExitFailed;
    if (cliPort.port.OpenPort(cliPort.port.BuildSettingsString(baud, 'N', 8, 1)) != CSerComm::kOpenOk) {
        std::cerr << "kestrel-cli: the port could not be opened\n";
        return ExitFailed;
    }
    CDevice device(&cliPort.port);
    HCOMMAND_PROCESSOR& processor = device.CommandHandler();
    CliEvents events;
    processor.SetEventSink(&events);
    unsigned saved = 0;
    events.onEvent = [&](const CliEvents::Event& e) {
        std::string file;
        if (e.kind == "picture" && pictures && !events.pictures.empty() && events.pictures.back().Valid()) {
            std::filesystem::create_directories(*pictures);
            char name[32];
            std::snprintf(name, sizeof name, "picture-%04u.png", ++saved);
            file = (std::filesystem::path(*pictures) / name).string();
            std::string error;
            HImageFormats::WriteFile(events.pictures.back(), file, {}, error);
        }
        if (o.json) {
            JsonWriter json;
            json.BeginObject().Key("event").String(e.kind).Key("code").Number(e.code);
            if (!e.name.empty())
                json.Key("name").String(e.name);
            json.Key("text").String(e.text);
            if (!e.data.empty())
                json.Key("data").String(e.data);
            if (!file.empty())
                json.Key("file").String(file);
            json.EndObject();
            std::cout << json.Text() << std::endl;
        } else {
            std::printf("%-7s %5d %s %s\n", e.kind.c_str(), e.code, e.name.c_str(), e.text.c_str());
            std::fflush(stdout);
        }
    };
    // The line is read here in pieces and handed to the dispatcher, so that a reader that never
    // pauses cannot keep the monitor past its time.
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    HSTRING piece(4096);
    while (Clock::now() < deadline) {
        processor.Channel()->Read(&piece, 4096, 100);
        if (piece.Length() > 0)
            processor.ProcessReceivedData(&piece, false);
    }
    return ExitOk;
}
