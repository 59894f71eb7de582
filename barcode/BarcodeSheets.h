// BarcodeSheets: the printed pages of the three bar code dialogs, composed on any Canvas.
//
// - Linear cloning sheet: the pages of LinearBarcodePage, laid out at half the printable
//   size and drawn at exactly twice that size.
// - Aztec page: the one symbol centred 4 inches from the left and 5.5 inches from the top,
//   with three lines of information under it.
// - Interface page: the RS-232 set-up symbol at (100, 100).
//
// Symbols keep their on-screen size in whole printer dots per screen pixel: a fractional
// ratio (6.25 at 600/96 dpi) would make bars of two different widths. A symbol that would
// leave the paper is made smaller by whole dots, or refused — never cut.
//
// Before a sheet is printed every page is rasterised at the printer's resolution and each
// symbol on it is read back; a sheet with a symbol that does not read back exactly is not
// printed, and the message names the command.
#pragma once

#include "barcode/BuildClock.h"
#include "barcode/LinearBarcodePage.h"
#include "barcode/MonoBitmap.h"

#include <string>
#include <vector>

class Canvas;

// The screen resolution assumed where there is no screen.
inline constexpr int kHeadlessScreenDpi = 96;

// round(printer dpi / screen dpi), at least 1.
int WholeDotsPerPixel(int printerDpi, int screenDpi);

// The X-dimension as the dialogs show it: "0.254 mm (10.0 mil) at 600 dpi".
std::string XDimensionText(int dotsPerModule, int dpi);

// ---- interface symbol ---------------------------------------------------------------------
inline constexpr int kInterfaceImageWidth = 134;
inline constexpr int kInterfaceImageHeight = 58;
inline constexpr const char* kInterfaceImageFile = "KestrelBarcode.pbm";
// What the interface symbol carries: FNC3 "~KESTRL." (read back without the FNC3).
inline constexpr const char* kInterfaceData = "\x82~KESTRL.";

// The stored interface image from the program's data folder; false with `error` set.
bool LoadInterfaceImage(MonoBitmap& image, std::string& error);
std::string InterfaceImagePath();

// ---- one-symbol pages -------------------------------------------------------------------------
struct SymbolPageResult {
    bool printed = false;
    int dotsPerPixel = 0; // after shrinking
    CanvasRect bars; // where the symbol went, in page dots
    std::string error; // why it was refused
};

struct AztecPageText {
    std::string product;
    std::string file;
    std::string dateBuilt;
};
// The three lines under the Aztec symbol.
std::vector<std::string> AztecPageLines(const AztecPageText& text);

// Draws the Aztec page (between the caller's StartPage and EndPage).
SymbolPageResult DrawAztecPage(Canvas& page, const MonoBitmap& symbol, int screenDpi, const AztecPageText& text);
// Draws the interface symbol at (100, 100).
SymbolPageResult DrawInterfacePage(Canvas& page, const MonoBitmap& symbol, int screenDpi);

// ---- linear sheets ----------------------------------------------------------------------------
// One command of a linear sheet, as composed for printing.
struct SheetCommand {
    std::string data;
    std::string tag;
    std::string value;
    std::string description;
    int page = 0; // 1-based
    CanvasRect bars; // in printer dots
    bool readBack = false;
};

struct LinearSheetReport {
    int pages = 0;
    int leftOut = 0; // commands beyond the hundredth
    std::vector<SheetCommand> commands;
    std::vector<SheetProblem> problems;
    std::string error; // the first reason not to print, "" when the sheet is good
};

// Composes every page at `dpi` on a bar raster of printableWidth x printableHeight dots
// (font questions answered by `metrics`) and reads every symbol back.
LinearSheetReport CheckLinearSheet(Canvas& metrics, const std::string& data, const LinearPageSettings& settings,
    int printableWidth, int printableHeight, int dpi, const std::vector<CaptionControl>& controls,
    const BuildClock& clock);

// Prints all pages on `printer` (StartPage/EndPage per page); returns the page count.
int PrintLinearSheet(Canvas& printer, const std::string& data, const LinearPageSettings& settings,
    int printableWidth, int printableHeight, const std::vector<CaptionControl>& controls, const BuildClock& clock);

// The linear sheet's printable size: the paper less 5% each way, and never more than the
// area the printer can reach from its origin.
struct SheetSize {
    int width = 0;
    int height = 0;
};
SheetSize LinearPrintableSize(int paperWidth, int paperHeight, int reachableWidth, int reachableHeight);

// The fonts of the linear sheet: "Courier" 8 points, bold; the fixed font when it cannot be made.
void SelectLinearSheetFont(Canvas& canvas);

// Rasterises `symbol` at `dots` per pixel on white and reads it back: true when it carries
// exactly `expected` (and, for linear symbols, the FNC3 of a programming symbol).
bool SymbolReadsBack(const MonoBitmap& symbol, int dots, bool aztec, const std::string& expected);
