// kestrel-cli bar code sheets: "barcodes" prints the cloning bar codes of a configuration (or
// the RS-232 interface bar code) into a PDF, SVG or PNG file; "verify" reads a printed or
// scanned sheet back and checks it against a configuration.
//
// Sheets are drawn through QtCanvas, the surface the desktop program prints with, on QtGui's
// offscreen platform; the composition is the same Qt-free code. Every sheet is read back
// before it is written, and a sheet that does not read back is not written at all.
#include "barcode/AztecSymbol.h"
#include "barcode/BarcodeSheets.h"
#include "barcode/CloningText.h"
#include "barcode/ReadBack.h"
#include "barcode/ScaledCanvas.h"
#include "barcode/SheetImage.h"
#include "cli/CliCommands.h"
#include "cli/ConsoleHost.h"
#include "cli/JsonWriter.h"
#include "app/StartupModel.h"
#include "document/CQLMenuDoc.h"
#include "document/ControlStateModel.h"
#include "document/DocumentFrame.h"
#include "platform/AtomicFile.h"
#include "ui/PdfFile.h"
#include "ui/QtCanvas.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

// ---- the document ---------------------------------------------------------------------------------

class SheetFrame final : public DocumentFrame {
public:
    void FillTableChooser(const std::vector<std::string>&, int, bool) override {}
    void ShowCommandErrors(const std::vector<std::string>&, const std::vector<std::string>&,
        const std::vector<std::string>&) override
    {
    }
    bool EditFileDescription(std::string&) override { return false; }
    void ShowStartupChoice() override {}
    void SetTitle(const std::string&) override {}
    void PagesRebuilt() override {}
    void ValuesChanged() override {}
};

struct SheetDocument {
    ControlStateModel controls;
    SheetFrame frame;
    std::unique_ptr<CQLMenuDoc> document;
    std::string path;
};

// The configuration of FILE.kst, or of catalog row ROW as it starts offline.
bool OpenConfiguration(CliContext& context, const char* command, SheetDocument& sheet)
{
    DocumentEnvironment environment;
    environment.catalogPath = context.startup.CatalogPath();
    environment.eorCharacter = context.startup.Preferences().eorCharacter;
    environment.excludedCommands = context.startup.Vendor().excludedCommands;
    sheet.document = std::make_unique<CQLMenuDoc>(environment);
    sheet.document->SetFrame(&sheet.frame);
    sheet.document->SetControls(&sheet.controls);
    if (!context.options.arguments.empty()) {
        sheet.path = context.options.arguments[0];
        return sheet.document->Load(sheet.path) && sheet.document->Device();
    }
    char* end = nullptr;
    const long row = std::strtol(context.options.devicePath->c_str(), &end, 10);
    if (context.options.devicePath->empty() || *end != '\0' || row < 0) {
        std::cerr << "kestrel-cli " << command << ": --device needs a catalog row number\n";
        return false;
    }
    context.host.deviceChoice = static_cast<int>(row);
    return sheet.document->OfflineConfigure() && sheet.document->Device();
}

// ---- options -----------------------------------------------------------------------------------------

struct SheetOptions {
    bool interface = false;
    std::string form = "auto";
    LinearPageSettings settings;
    int aztecSize = AztecSymbol::kDefaultSize;
    int dpi = 600;
    bool a4 = false;
    std::string output;
};

bool TakeNumber(CliOptions& options, const char* name, int minimum, int maximum, int& value)
{
    const std::optional<std::string> text = options.TakeValue(name);
    if (!text)
        return true;
    char* end = nullptr;
    const long number = std::strtol(text->c_str(), &end, 10);
    if (text->empty() || *end != '\0' || number < minimum || number > maximum) {
        std::cerr << "kestrel-cli barcodes: " << name << " takes " << minimum << " to " << maximum << '\n';
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

bool TakeSwitch(CliOptions& options, const char* name, bool& value)
{
    const std::optional<std::string> text = options.TakeValue(name);
    if (!text)
        return true;
    if (*text != "on" && *text != "off") {
        std::cerr << "kestrel-cli barcodes: " << name << " takes on or off\n";
        return false;
    }
    value = *text == "on";
    return true;
}

// "--output OUT" leaves OUT as the last positional argument.
std::optional<std::string> TakeOutput(CliOptions& options)
{
    std::optional<std::string> output = options.TakeValue("--output");
    if (!output && options.TakeFlag("--output") && !options.arguments.empty()) {
        output = options.arguments.back();
        options.arguments.pop_back();
    }
    return output;
}

bool ParseSheetOptions(CliContext& context, SheetOptions& sheet)
{
    CliOptions& options = context.options;
    sheet.interface = options.TakeFlag("--interface");
    if (auto form = options.TakeValue("--form"))
        sheet.form = *form;
    if (sheet.form != "auto" && sheet.form != "linear" && sheet.form != "aztec") {
        std::cerr << "kestrel-cli barcodes: --form takes auto, linear or aztec\n";
        return false;
    }
    if (auto caption = options.TakeValue("--caption")) {
        const char* names[] = { "left", "bottom", "right", "top" };
        const auto found = std::find(std::begin(names), std::end(names), *caption);
        if (found == std::end(names)) {
            std::cerr << "kestrel-cli barcodes: --caption takes left, bottom, right or top\n";
            return false;
        }
        sheet.settings.placement = static_cast<int>(found - std::begin(names));
    }
    bool description = true;
    bool command = false;
    if (!TakeNumber(options, "--columns", 1, 2, sheet.settings.columns)
        || !TakeNumber(options, "--module", 3, 5, sheet.settings.moduleWidth)
        || !TakeNumber(options, "--height", 150, 240, sheet.settings.barHeight)
        || !TakeNumber(options, "--size", AztecSymbol::kMinSize, AztecSymbol::kMaxSize, sheet.aztecSize)
        || !TakeNumber(options, "--dpi", 72, 2400, sheet.dpi) || !TakeSwitch(options, "--description", description)
        || !TakeSwitch(options, "--command", command))
        return false;
    sheet.settings.captionInformation = description && command ? CBarCodeSymbol::kDescriptionAndCommand
        : command                                             ? CBarCodeSymbol::kCommandOnly
        : description                                         ? CBarCodeSymbol::kDescriptionOnly
                                                              : 0;
    if (auto title = options.TakeValue("--title"))
        sheet.settings.title = *title;
    if (auto comments = options.TakeValue("--comments"))
        sheet.settings.comments = *comments;
    if (auto paper = options.TakeValue("--paper")) {
        if (*paper != "letter" && *paper != "a4") {
            std::cerr << "kestrel-cli barcodes: --paper takes letter or a4\n";
            return false;
        }
        sheet.a4 = *paper == "a4";
    }
    const std::optional<std::string> output = TakeOutput(options);
    sheet.output = output.value_or("");
    return true;
}

// ---- output files --------------------------------------------------------------------------------------

std::string Extension(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    std::string extension = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// Page N of a picture output: OUT.png, OUT-2.png, ...
std::string PagePath(const std::string& path, int page)
{
    if (page == 0)
        return path;
    const size_t dot = path.find_last_of('.');
    return path.substr(0, dot) + "-" + std::to_string(page + 1) + path.substr(dot);
}

struct PaperDots {
    int width;
    int height;
};
PaperDots Paper(const SheetOptions& sheet)
{
    // Letter 8.5 x 11 in, A4 210 x 297 mm.
    if (sheet.a4)
        return { static_cast<int>(210.0 / 25.4 * sheet.dpi), static_cast<int>(297.0 / 25.4 * sheet.dpi) };
    return { sheet.dpi * 17 / 2, sheet.dpi * 11 };
}

// Draws `pages` pages, page by page, into OUT (PDF: one file; SVG and PNG: a file a page).
bool WriteSheet(const SheetOptions& sheet, int pages, const std::function<void(Canvas&, int)>& drawPage,
    std::string& error)
{
    const std::string extension = Extension(sheet.output);
    if (extension == "pdf")
        return WritePdfFile(
            sheet.output,
            [&](Canvas& canvas) {
                for (int page = 0; page < pages; ++page) {
                    canvas.StartPage();
                    drawPage(canvas, page);
                    canvas.EndPage();
                }
                return pages;
            },
            error, sheet.dpi, sheet.a4);
    const PaperDots paper = Paper(sheet);
    for (int page = 0; page < pages; ++page) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        if (extension == "svg") {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setResolution(sheet.dpi);
            svg.setSize(QSize(paper.width, paper.height));
            svg.setViewBox(QRect(0, 0, paper.width, paper.height));
            svg.setTitle(QStringLiteral("Kestrel bar code sheet"));
            QPainter painter(&svg);
            QtCanvas canvas(painter, nullptr, paper.width, paper.height, sheet.dpi, sheet.dpi);
            canvas.StartPage();
            drawPage(canvas, page);
        } else if (extension == "png") {
            QImage image(paper.width, paper.height, QImage::Format_Grayscale8);
            image.fill(Qt::white);
            image.setDotsPerMeterX(static_cast<int>(sheet.dpi / 0.0254 + 0.5));
            image.setDotsPerMeterY(static_cast<int>(sheet.dpi / 0.0254 + 0.5));
            {
                QPainter painter(&image);
                QtCanvas canvas(painter, nullptr, paper.width, paper.height, sheet.dpi, sheet.dpi);
                canvas.StartPage();
                drawPage(canvas, page);
            }
            image.save(&buffer, "PNG");
        } else {
            error = "the output must end in .pdf, .svg or .png";
            return false;
        }
        const QByteArray& bytes = buffer.data();
        if (!WriteFileAtomically(PagePath(sheet.output, page),
                std::string(bytes.constData(), static_cast<size_t>(bytes.size())), &error))
            return false;
    }
    return true;
}

void BoxJson(JsonWriter& json, const CanvasRect& box)
{
    json.Key("box").BeginObject().Key("left").Number(box.left).Key("top").Number(box.top).Key("right").Number(box.right)
        .Key("bottom").Number(box.bottom).EndObject();
}

// ---- the three sheets -------------------------------------------------------------------------------------------

int InterfaceSheet(CliContext& context, const SheetOptions& sheet)
{
    MonoBitmap image;
    std::string error;
    if (!LoadInterfaceImage(image, error)) {
        std::cerr << "kestrel-cli barcodes: " << error << '\n';
        return ExitFailed;
    }
    const std::string reading = std::string(kInterfaceData).substr(1);
    const int dots = WholeDotsPerPixel(sheet.dpi, kHeadlessScreenDpi);
    const bool readBack = SymbolReadsBack(image, dots, false, reading);
    SymbolPageResult placed;
    if (readBack
        && !WriteSheet(sheet, 1, [&](Canvas& canvas, int) { placed = DrawInterfacePage(canvas, image, kHeadlessScreenDpi); },
            error)) {
        std::cerr << "kestrel-cli barcodes: " << sheet.output << ": " << error << '\n';
        return ExitFailed;
    }
    if (readBack && !placed.printed)
        error = placed.error;
    if (!readBack)
        error = "The Kestrel bar code does not read back as printed. Nothing was printed.";
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("output").String(sheet.output).Key("form").String("interface").Key("pages").Number(1);
        json.Key("dotsPerModule").Number(placed.dotsPerPixel).Key("xDimension")
            .String(XDimensionText(placed.dotsPerPixel, sheet.dpi));
        json.Key("commands").BeginArray().BeginObject().Key("data").String(kInterfaceData).Key("tag").String("KESTRL")
            .Key("value").String("").Key("description").String("Kestrel Barcode").Key("page").Number(1);
        BoxJson(json, placed.bars);
        json.Key("readBack").Bool(readBack).EndObject().EndArray();
        json.Key("leftOut").BeginArray().EndArray();
        if (!error.empty())
            json.Key("error").String(error);
        std::cout << json.EndObject().Text() << '\n';
    } else if (error.empty()) {
        std::printf("Kestrel bar code: %s, %s\n", sheet.output.c_str(), XDimensionText(placed.dotsPerPixel, sheet.dpi).c_str());
    }
    if (!error.empty()) {
        std::cerr << "kestrel-cli barcodes: " << error << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

int LinearSheet(CliContext& context, const SheetOptions& sheet, const std::string& text,
    const std::vector<CaptionControl>& controls)
{
    EnsureGuiApplication();
    const PaperDots paper = Paper(sheet);
    // The PDF writer keeps a quarter inch of margin; pictures can use the whole paper.
    const bool pdf = Extension(sheet.output) == "pdf";
    const int reach = pdf ? sheet.dpi / 2 : 0;
    const SheetSize printable = LinearPrintableSize(paper.width, paper.height, paper.width - reach, paper.height - reach);
    const BuildClock clock = DefaultBuildClock();
    QImage metricsImage(1, 1, QImage::Format_Grayscale8);
    metricsImage.setDotsPerMeterX(static_cast<int>(sheet.dpi / 0.0254 + 0.5));
    metricsImage.setDotsPerMeterY(static_cast<int>(sheet.dpi / 0.0254 + 0.5));
    QPainter metricsPainter(&metricsImage);
    QtCanvas metrics(metricsPainter, nullptr, printable.width, printable.height, sheet.dpi, sheet.dpi);
    const LinearSheetReport report
        = CheckLinearSheet(metrics, text, sheet.settings, printable.width, printable.height, sheet.dpi, controls, clock);
    metricsPainter.end();

    std::string error = report.error;
    if (error.empty()) {
        LinearBarcodePage builder;
        builder.SetShowMessages(false);
        const bool written = WriteSheet(
            sheet, report.pages,
            [&](Canvas& canvas, int page) {
                ScaledCanvas half(canvas, 2, printable.width / 2, printable.height / 2);
                SelectLinearSheetFont(half);
                builder.ComposePage(half, text, sheet.settings, page, controls, clock);
            },
            error);
        if (!written)
            error = sheet.output + ": " + error;
    }
    const std::vector<std::string> commands = LinearBarcodePage::SplitCommands(text);
    const int dots = 2 * sheet.settings.moduleWidth;
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("output").String(sheet.output).Key("form").String("linear").Key("pages").Number(report.pages);
        json.Key("dotsPerModule").Number(dots).Key("xDimension").String(XDimensionText(dots, sheet.dpi));
        json.Key("commands").BeginArray();
        for (const SheetCommand& command : report.commands) {
            json.BeginObject().Key("data").String(command.data).Key("tag").String(command.tag).Key("value")
                .String(command.value).Key("description").String(command.description).Key("page").Number(command.page);
            BoxJson(json, command.bars);
            json.Key("readBack").Bool(command.readBack).EndObject();
        }
        json.EndArray().Key("leftOut").BeginArray();
        for (size_t i = LinearBarcodePage::kMaxSymbols; i < commands.size(); ++i)
            json.String(commands[i]);
        json.EndArray();
        if (!error.empty())
            json.Key("error").String(error);
        std::cout << json.EndObject().Text() << '\n';
    } else {
        for (const SheetCommand& command : report.commands)
            std::printf("page %d  %-6s %-20s %s%s\n", command.page, command.tag.c_str(), command.value.c_str(),
                command.description.c_str(), command.readBack ? "" : "  (does not read back)");
        if (error.empty())
            std::printf("%zu bar codes on %d page(s): %s, X-dimension %s\n", report.commands.size(), report.pages,
                sheet.output.c_str(), XDimensionText(dots, sheet.dpi).c_str());
    }
    if (!error.empty()) {
        std::cerr << "kestrel-cli barcodes: " << error << '\n';
        return ExitFailed;
    }
    if (report.leftOut > 0) {
        std::cerr << "kestrel-cli barcodes: " << LinearBarcodePage::kTooMany << " (" << report.leftOut
                  << " commands left out)\n";
        return ExitFailed;
    }
    return ExitOk;
}

int AztecSheet(CliContext& context, const SheetOptions& sheet, const std::string& text, const CQLMenuDoc& document,
    const std::string& file)
{
    EnsureGuiApplication();
    AztecSymbol symbol;
    std::string error;
    if (!symbol.Build(text, sheet.aztecSize, false))
        error = symbol.Error();
    const int pixelDots = WholeDotsPerPixel(sheet.dpi, kHeadlessScreenDpi);
    const bool readBack = error.empty() && SymbolReadsBack(symbol.Bitmap(), pixelDots, true, text);
    if (error.empty() && !readBack)
        error = "The Aztec bar code does not read back as printed. Nothing was printed.";
    SymbolPageResult placed;
    if (error.empty()) {
        const AztecPageText lines { document.Device()->DeviceName().ProductName(), file,
            FormatDateBuilt(SourceDateOrNow()) };
        if (!WriteSheet(
                sheet, 1,
                [&](Canvas& canvas, int) {
                    placed = DrawAztecPage(canvas, symbol.Bitmap(), kHeadlessScreenDpi, lines);
                },
                error))
            error = sheet.output + ": " + error;
        else if (!placed.printed)
            error = placed.error;
    }
    const int dots = placed.dotsPerPixel * sheet.aztecSize;
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("output").String(sheet.output).Key("form").String("aztec").Key("pages").Number(error.empty() ? 1 : 0);
        json.Key("dotsPerModule").Number(dots).Key("xDimension").String(XDimensionText(dots, sheet.dpi));
        json.Key("commands").BeginArray().BeginObject().Key("data").String(text).Key("tag").String("").Key("value")
            .String("").Key("description").String("Aztec Barcode").Key("page").Number(1);
        BoxJson(json, placed.bars);
        json.Key("readBack").Bool(readBack).EndObject().EndArray().Key("leftOut").BeginArray().EndArray();
        if (!error.empty())
            json.Key("error").String(error);
        std::cout << json.EndObject().Text() << '\n';
    } else if (error.empty()) {
        std::printf("Aztec bar code of %zu bytes: %s, X-dimension %s\n", text.size(), sheet.output.c_str(),
            XDimensionText(dots, sheet.dpi).c_str());
    }
    if (!error.empty()) {
        std::cerr << "kestrel-cli barcodes: " << error << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

// ---- verify ---------------------------------------------------------------------------------------------------

// The commands of an Aztec text ("A;B;C.") or of a linear reading ("~A." stays as it is).
std::vector<std::string> AztecCommands(const std::string& text)
{
    std::vector<std::string> commands;
    std::string body = text;
    if (!body.empty() && body.back() == '.')
        body.pop_back();
    size_t start = 0;
    while (start <= body.size()) {
        const size_t end = std::min(body.find(';', start), body.size());
        if (end > start)
            commands.push_back(body.substr(start, end - start));
        start = end + 1;
    }
    return commands;
}

struct Mismatch {
    std::string kind; // "missing", "extra", "out of order"
    std::string command;
};

// Longest common subsequence of the expected and the read commands; what lies outside it is
// missing, extra or out of order.
std::vector<Mismatch> Compare(const std::vector<std::string>& expected, const std::vector<std::string>& read)
{
    const size_t n = expected.size();
    const size_t m = read.size();
    std::vector<std::vector<unsigned>> table(n + 1, std::vector<unsigned>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            table[i][j] = expected[i] == read[j] ? table[i + 1][j + 1] + 1 : std::max(table[i + 1][j], table[i][j + 1]);
    std::vector<bool> expectedUsed(n, false);
    std::vector<bool> readUsed(m, false);
    for (size_t i = 0, j = 0; i < n && j < m;) {
        if (expected[i] == read[j]) {
            expectedUsed[i++] = true;
            readUsed[j++] = true;
        } else if (table[i + 1][j] >= table[i][j + 1]) {
            ++i;
        } else {
            ++j;
        }
    }
    std::vector<Mismatch> mismatches;
    std::vector<std::string> unmatchedExpected;
    for (size_t i = 0; i < n; ++i)
        if (!expectedUsed[i])
            unmatchedExpected.push_back(expected[i]);
    for (size_t j = 0; j < m; ++j) {
        if (readUsed[j])
            continue;
        const auto found = std::find(unmatchedExpected.begin(), unmatchedExpected.end(), read[j]);
        if (found != unmatchedExpected.end()) {
            mismatches.push_back({ "out of order", read[j] });
            unmatchedExpected.erase(found);
        } else {
            mismatches.push_back({ "extra", read[j] });
        }
    }
    for (const std::string& command : unmatchedExpected)
        mismatches.push_back({ "missing", command });
    return mismatches;
}

} // namespace

int RunBarcodes(CliContext& context)
{
    SheetOptions sheet;
    if (!ParseSheetOptions(context, sheet))
        return ExitUsage;
    if (!context.NoUnknownOptions())
        return ExitUsage;
    if (sheet.output.empty()) {
        std::cerr << "kestrel-cli barcodes: give --output OUT.pdf, OUT.svg or OUT.png\n";
        return ExitUsage;
    }
    if (sheet.interface) {
        if (!context.options.arguments.empty() || context.options.devicePath) {
            std::cerr << "kestrel-cli barcodes: --interface takes no configuration\n";
            return ExitUsage;
        }
        EnsureGuiApplication();
        return InterfaceSheet(context, sheet);
    }
    if (context.options.arguments.size() > 1 || (context.options.arguments.empty() == !context.options.devicePath)) {
        std::cerr << "kestrel-cli barcodes: give FILE.kst or --device ROW\n";
        return ExitUsage;
    }
    if (!context.Start())
        return ExitStartupFailed;
    SheetDocument configuration;
    if (!OpenConfiguration(context, "barcodes", configuration))
        return ExitFailed;
    CQLMenuDoc& document = *configuration.document;
    CloningForm form = ChooseCloningForm(*document.Device());
    if (sheet.form != "auto")
        form = sheet.form == "linear" ? CloningForm::Linear : CloningForm::Aztec;
    std::string text;
    if (!BuildCloningText(document, form, text))
        return ExitFailed;
    sheet.settings.product = document.Device()->DeviceName().ProductName();
    sheet.settings.file = configuration.path;
    if (form == CloningForm::Linear)
        return LinearSheet(context, sheet, text, CaptionControlsOf(document));
    return AztecSheet(context, sheet, text, document, configuration.path);
}

int RunVerify(CliContext& context)
{
    std::optional<std::string> against = context.options.TakeValue("--against");
    if (!against && context.options.TakeFlag("--against") && context.options.arguments.size() == 2) {
        against = context.options.arguments.back();
        context.options.arguments.pop_back();
    }
    if (!context.NoUnknownOptions())
        return ExitUsage;
    if (context.options.arguments.size() != 1) {
        std::cerr << "kestrel-cli verify: give SHEET.pdf, SHEET.png or SHEET.pbm [--against FILE.kst]\n";
        return ExitUsage;
    }
    const std::string sheetPath = context.options.arguments[0];
    std::vector<GrayImage> pages;
    std::string error;
    if (!LoadSheetImages(sheetPath, pages, error)) {
        std::cerr << "kestrel-cli verify: " << error << '\n';
        return ExitFailed;
    }
    std::vector<DecodedSymbol> symbols;
    for (size_t page = 0; page < pages.size(); ++page)
        for (DecodedSymbol& symbol : DecodePage(pages[page], static_cast<int>(page)))
            symbols.push_back(std::move(symbol));
    const bool aztec = std::any_of(symbols.begin(), symbols.end(), [](const DecodedSymbol& s) { return s.aztec; });
    std::vector<std::string> read;
    for (const DecodedSymbol& symbol : symbols) {
        if (symbol.aztec) {
            for (std::string& command : AztecCommands(symbol.bytes))
                read.push_back(std::move(command));
        } else if (!aztec && symbol.readerInit) {
            read.push_back(symbol.bytes);
        }
    }

    std::vector<Mismatch> mismatches;
    if (against) {
        context.options.arguments = { *against };
        if (!context.Start())
            return ExitStartupFailed;
        SheetDocument configuration;
        if (!OpenConfiguration(context, "verify", configuration))
            return ExitFailed;
        std::string text;
        if (!BuildCloningText(*configuration.document, aztec ? CloningForm::Aztec : CloningForm::Linear, text))
            return ExitFailed;
        std::vector<std::string> expected;
        if (aztec) {
            expected = AztecCommands(text);
        } else {
            for (const std::string& command : LinearBarcodePage::SplitCommands(text))
                expected.push_back(ExpectedLinearReading(CBarCodeSymbol::EncodedForm(command)));
        }
        mismatches = Compare(expected, read);
    }

    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("sheet").String(sheetPath).Key("pages")
            .Number(static_cast<long long>(pages.size())).Key("form").String(aztec ? "aztec" : "linear");
        json.Key("commands").BeginArray();
        for (const std::string& command : read)
            json.String(command);
        json.EndArray().Key("mismatches").BeginArray();
        for (const Mismatch& mismatch : mismatches)
            json.BeginObject().Key("kind").String(mismatch.kind).Key("command").String(mismatch.command).EndObject();
        std::cout << json.EndArray().EndObject().Text() << '\n';
    } else {
        for (const std::string& command : read)
            std::printf("%s\n", command.c_str());
        for (const Mismatch& mismatch : mismatches)
            std::fprintf(stderr, "kestrel-cli verify: %s: %s\n", mismatch.kind.c_str(), mismatch.command.c_str());
    }
    return mismatches.empty() ? ExitOk : ExitFailed;
}
