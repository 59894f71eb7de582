#include "barcode/BarcodeSheets.h"

#include "barcode/BarRasterCanvas.h"
#include "barcode/ReadBack.h"
#include "barcode/ScaledCanvas.h"
#include "barcode/SheetImage.h"
#include "document/Canvas.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr int kInterfaceLeft = 100;
constexpr int kInterfaceTop = 100;
constexpr int kAztecLineWidth = 1000;
constexpr int kAztecLineHeight = 50;
constexpr int kAztecFirstLine = 150;
constexpr int kAztecLineStep = 100;

bool Inside(const CanvasRect& rect, Canvas& page)
{
    return rect.left >= 0 && rect.top >= 0 && rect.right <= page.PageWidth() && rect.bottom <= page.PageHeight();
}

void Copy(Canvas& page, const MonoBitmap& symbol, const CanvasRect& rect)
{
    page.CopyBitmap(symbol.bits, symbol.width, symbol.height, symbol.stride, rect);
}

std::string Quoted(const char* format, const std::string& command)
{
    char text[512];
    std::snprintf(text, sizeof text, format, command.substr(0, 200).c_str());
    return text;
}

// Where a symbol goes at `dots` per pixel, shrinking by whole dots until it fits.
template <typename PlaceAt>
SymbolPageResult Place(Canvas& page, const MonoBitmap& symbol, int dots, PlaceAt placeAt)
{
    SymbolPageResult result;
    if (symbol.Empty()) {
        result.error = "There is no bar code to print.";
        return result;
    }
    for (; dots >= 1; --dots) {
        const CanvasRect rect = placeAt(symbol.width * dots, symbol.height * dots);
        if (Inside(rect, page)) {
            result.dotsPerPixel = dots;
            result.bars = rect;
            result.printed = true;
            return result;
        }
    }
    result.error = "The bar code does not fit on the page. Nothing was printed.";
    return result;
}

} // namespace

int WholeDotsPerPixel(int printerDpi, int screenDpi)
{
    if (printerDpi <= 0 || screenDpi <= 0)
        return 1;
    return std::max(1, (printerDpi + screenDpi / 2) / screenDpi);
}

std::string XDimensionText(int dotsPerModule, int dpi)
{
    if (dpi <= 0)
        return {};
    const double millimetres = dotsPerModule * 25.4 / dpi;
    char text[80];
    std::snprintf(text, sizeof text, "%.3f mm (%.1f mil) at %d dpi", millimetres, millimetres / 0.0254, dpi);
    return text;
}

std::string InterfaceImagePath()
{
    std::vector<std::string> folders;
    const std::string exe = ProgramFolder::ExecutableFolder();
    if (!exe.empty())
        folders.push_back(exe + "/../share/kestrel");
#ifdef KESTREL_SOURCE_DATA_DIR
    folders.emplace_back(KESTREL_SOURCE_DATA_DIR);
#endif
#ifdef KESTREL_INSTALLED_DATA_DIR
    folders.emplace_back(KESTREL_INSTALLED_DATA_DIR);
#endif
    for (const std::string& folder : folders) {
        const std::string path = folder + "/" + kInterfaceImageFile;
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error))
            return path;
    }
    return kInterfaceImageFile;
}

bool LoadInterfaceImage(MonoBitmap& image, std::string& error)
{
    const std::string path = InterfaceImagePath();
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    GrayImage gray;
    if (!file.good() && bytes.empty()) {
        error = "Cannot open " + path + ".";
        return false;
    }
    if (!ReadPbm(bytes, gray, error)) {
        error = path + ": " + error;
        return false;
    }
    if (gray.width != kInterfaceImageWidth || gray.height != kInterfaceImageHeight) {
        error = path + ": the interface bar code must be 134 x 58 pixels.";
        return false;
    }
    image = ToMonoBitmap(gray);
    return true;
}

std::vector<std::string> AztecPageLines(const AztecPageText& text)
{
    return {
        "Product:    " + text.product,
        text.file.empty() ? std::string("File:       No File Saved") : "File:       " + text.file,
        "Date Built: " + text.dateBuilt,
    };
}

SymbolPageResult DrawAztecPage(Canvas& page, const MonoBitmap& symbol, int screenDpi, const AztecPageText& text)
{
    const int dpiX = page.DotsPerInchX();
    const int dpiY = page.DotsPerInchY();
    SymbolPageResult result = Place(page, symbol, WholeDotsPerPixel(dpiX, screenDpi), [&](int width, int height) {
        const int x = 4 * dpiX - width / 2;
        const int y = 11 * dpiY / 2 - height / 2;
        return CanvasRect { x, y, x + width, y + height };
    });
    if (!result.printed)
        return result;
    int lineTop = result.bars.bottom + kAztecFirstLine;
    for (const std::string& line : AztecPageLines(text)) {
        page.DrawText({ result.bars.left, lineTop, result.bars.left + kAztecLineWidth, lineTop + kAztecLineHeight }, line,
            false);
        lineTop += kAztecLineStep;
    }
    Copy(page, symbol, result.bars);
    return result;
}

SymbolPageResult DrawInterfacePage(Canvas& page, const MonoBitmap& symbol, int screenDpi)
{
    SymbolPageResult result = Place(page, symbol, WholeDotsPerPixel(page.DotsPerInchX(), screenDpi),
        [](int width, int height) {
            return CanvasRect { kInterfaceLeft, kInterfaceTop, kInterfaceLeft + width, kInterfaceTop + height };
        });
    if (result.printed)
        Copy(page, symbol, result.bars);
    return result;
}

SheetSize LinearPrintableSize(int paperWidth, int paperHeight, int reachableWidth, int reachableHeight)
{
    return { std::min(paperWidth * 95 / 100, reachableWidth), std::min(paperHeight * 95 / 100, reachableHeight) };
}

void SelectLinearSheetFont(Canvas& canvas)
{
    if (!canvas.SelectFont("Courier", 8)) {
        canvas.SelectFixedFont();
        return;
    }
    canvas.SetBold(true);
}

LinearSheetReport CheckLinearSheet(Canvas& metrics, const std::string& data, const LinearPageSettings& settings,
    int printableWidth, int printableHeight, int dpi, const std::vector<CaptionControl>& controls,
    const BuildClock& clock)
{
    LinearSheetReport report;
    BarRasterCanvas raster(printableWidth, printableHeight, dpi, dpi, &metrics);
    ScaledCanvas half(raster, 2, printableWidth / 2, printableHeight / 2);
    SelectLinearSheetFont(half);
    LinearBarcodePage builder;
    builder.SetShowMessages(false);
    raster.StartPage();
    report.pages = builder.Compose(half, data, settings, PageRequest::None, controls, clock);
    report.leftOut = builder.CommandsLeftOut();
    report.problems = builder.Problems();
    if (report.pages == 0) {
        report.error = LinearBarcodePage::kNothing;
        return report;
    }
    for (int page = 0; page < report.pages; ++page) {
        if (page > 0) {
            raster.StartPage();
            builder.Compose(half, data, settings, PageRequest::Next, controls, clock);
        }
        const GrayImage gray = MakeGrayImage(raster.PageWidth(), raster.PageHeight(), raster.Pixels());
        for (const PlacedSymbol& placed : builder.Placed()) {
            SheetCommand command;
            command.data = placed.data;
            command.tag = placed.tag;
            command.value = placed.value;
            command.description = placed.description;
            command.page = page + 1;
            command.bars = { placed.bars.left * 2, placed.bars.top * 2, placed.bars.right * 2, placed.bars.bottom * 2 };
            DecodedSymbol decoded;
            if (placed.drawn && DecodeArea(gray, command.bars, false, decoded))
                command.readBack = decoded.readerInit && decoded.bytes == ExpectedLinearReading(placed.encoded);
            report.commands.push_back(std::move(command));
        }
    }
    for (const SheetProblem& problem : report.problems) {
        report.error = problem.kind == SheetProblem::Kind::Unencodable
            ? Quoted("The command %s cannot be carried by a Code 128 bar code. Nothing was printed.", problem.command)
            : Quoted("The bar code of %s does not fit on the page. Nothing was printed.", problem.command);
        return report;
    }
    for (const SheetCommand& command : report.commands)
        if (!command.readBack) {
            report.error = Quoted("The bar code of %s does not read back as printed. Nothing was printed.",
                command.tag + command.value);
            return report;
        }
    return report;
}

int PrintLinearSheet(Canvas& printer, const std::string& data, const LinearPageSettings& settings,
    int printableWidth, int printableHeight, const std::vector<CaptionControl>& controls, const BuildClock& clock)
{
    ScaledCanvas half(printer, 2, printableWidth / 2, printableHeight / 2);
    LinearBarcodePage builder;
    builder.SetShowMessages(false);
    int pages = 1;
    for (int page = 0; page < pages; ++page) {
        printer.StartPage();
        SelectLinearSheetFont(half);
        pages = builder.Compose(half, data, settings, page == 0 ? PageRequest::None : PageRequest::Next, controls, clock);
        printer.EndPage();
    }
    return pages;
}

bool SymbolReadsBack(const MonoBitmap& symbol, int dots, bool aztec, const std::string& expected)
{
    if (symbol.Empty() || dots < 1)
        return false;
    // Ten modules of white all round: the interface image has no quiet zone of its own.
    const int margin = 10 * dots;
    const int width = symbol.width * dots + 2 * margin;
    const int height = symbol.height * dots + 2 * margin;
    BarRasterCanvas raster(width, height, kHeadlessScreenDpi, kHeadlessScreenDpi);
    raster.StartPage();
    raster.CopyBitmap(symbol.bits, symbol.width, symbol.height, symbol.stride,
        { margin, margin, margin + symbol.width * dots, margin + symbol.height * dots });
    DecodedSymbol decoded;
    if (!DecodeArea(MakeGrayImage(width, height, raster.Pixels()), { 0, 0, width, height }, aztec, decoded))
        return false;
    return decoded.bytes == expected && (aztec || decoded.readerInit);
}
