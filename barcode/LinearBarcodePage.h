// LinearBarcodePage: lays the linear menu bar codes of a configuration out on pages.
//
// Every command of the data (each ended by "." and FNC3) becomes one CBarCodeSymbol; the
// symbols go into one or two columns under a header (title, product, file, date, page
// number, comments) and over as many pages as they need. One call composes one page; the
// builder remembers which page it showed, so "next" and "previous" requests walk the pages
// and wrap around at either end.
//
// The page is composed in the units of the surface it is given: the print dialog hands it a
// page of half the printable size that is drawn at exactly twice that size (ScaledCanvas).
#pragma once

#include "barcode/BuildClock.h"
#include "barcode/CBarCodeSymbol.h"

#include <string>
#include <vector>

struct LinearPageSettings {
    int placement = CBarCodeSymbol::kBelow;
    int captionInformation = CBarCodeSymbol::kDescriptionOnly;
    int columns = 1;
    std::string product;
    std::string file;
    std::string title;
    std::string comments;
    int moduleWidth = 3;
    int barHeight = 150;
};

enum class PageRequest { None, Next, Previous };

// One symbol as it was put on the composed page.
struct PlacedSymbol {
    int index = 0; // position among the symbols of the data
    std::string data; // the command as the data holds it
    std::string encoded; // the bytes the bars carry (FNC3 included)
    std::string tag;
    std::string value;
    std::string description;
    CanvasRect box; // the symbol's box on the page
    CanvasRect bars; // its bitmap (quiet zones included)
    bool drawn = false;
};

// A command that cannot go on paper as it is.
struct SheetProblem {
    enum class Kind { Unencodable, OutsidePage };
    Kind kind = Kind::Unencodable;
    int index = 0;
    std::string command; // tag and value, as the caption shows it
};

class LinearBarcodePage {
public:
    static constexpr const char kSeparator[] = ".\x82";
    static constexpr int kMaxSymbols = 100;
    static constexpr const char* kTooMany
        = "Too many objects to display. Please decrease the number of barcodes to print.";
    static constexpr const char* kNothing = "No linear barcode to create. Please contact program vendor.";

    // Composes one page on `page` (its PageWidth/PageHeight and selected font) and returns the
    // page count (0 when there was nothing to lay out). Messages go through the host.
    int Compose(Canvas& page, const std::string& data, const LinearPageSettings& settings, PageRequest request,
        const std::vector<CaptionControl>& controls = {}, const BuildClock& clock = DefaultBuildClock());

    // Off: the "too many" and "nothing to create" messages are left to the caller (a sheet
    // checked and then printed page by page says them once).
    void SetShowMessages(bool show) { showMessages_ = show; }

    // Composes page `pageIndex` (0-based, wrapped into the pages there are) directly, for
    // surfaces that take one page each (pictures).
    int ComposePage(Canvas& page, const std::string& data, const LinearPageSettings& settings, int pageIndex,
        const std::vector<CaptionControl>& controls = {}, const BuildClock& clock = DefaultBuildClock())
    {
        pageIndex_ = pageIndex - 1;
        return Compose(page, data, settings, PageRequest::Next, controls, clock);
    }

    // The commands of the data, in order, each with its "." and FNC3.
    static std::vector<std::string> SplitCommands(const std::string& data);

    int PageIndex() const { return pageIndex_; }
    int PageCount() const { return pageCount_; }
    int Columns() const { return columns_; }
    int RowsPerColumn() const { return rows_; }
    int SymbolCount() const { return symbolCount_; }
    // Commands beyond the hundredth that were left out of the layout.
    int CommandsLeftOut() const { return leftOut_; }
    int GapUnit() const { return gap_; }
    int HeaderHeight() const { return headerHeight_; }
    int LeftMargin() const { return leftMargin_; }
    int TopMargin() const { return topMargin_; }
    int BottomMargin() const { return bottomMargin_; }
    const std::vector<PlacedSymbol>& Placed() const { return placed_; }
    // Every problem of the whole data (not only of the shown page).
    const std::vector<SheetProblem>& Problems() const { return problems_; }

    // The header lines of a page, as drawn.
    static std::vector<std::string> HeaderLines(const LinearPageSettings& settings, const std::string& dateBuilt,
        int pageNumber);

private:
    bool showMessages_ = true;
    int pageIndex_ = 0;
    int pageCount_ = 0;
    int columns_ = 1;
    int rows_ = 1;
    int symbolCount_ = 0;
    int leftOut_ = 0;
    int gap_ = 1;
    int headerHeight_ = 0;
    int leftMargin_ = 0;
    int topMargin_ = 0;
    int bottomMargin_ = 0;
    std::vector<PlacedSymbol> placed_;
    std::vector<SheetProblem> problems_;
};
