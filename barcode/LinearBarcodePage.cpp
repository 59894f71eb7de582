#include "barcode/LinearBarcodePage.h"

#include "platform/Host.h"

#include <algorithm>
#include <cstdio>
#include <memory>

std::vector<std::string> LinearBarcodePage::SplitCommands(const std::string& data)
{
    std::vector<std::string> commands;
    std::string text;
    for (const char byte : data) {
        text.push_back(byte);
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, kSeparator) == 0) {
            commands.push_back(std::move(text));
            text.clear();
        }
    }
    return commands;
}

std::vector<std::string> LinearBarcodePage::HeaderLines(const LinearPageSettings& settings,
    const std::string& dateBuilt, int pageNumber)
{
    char page[48];
    std::snprintf(page, sizeof page, "Page Number: %d", pageNumber);
    return {
        "Title: " + settings.title,
        "Product: " + settings.product,
        settings.file.empty() ? std::string("File: No File Saved") : "File: " + settings.file,
        "Date Built: " + dateBuilt,
        page,
        "Comments: " + settings.comments,
    };
}

int LinearBarcodePage::Compose(Canvas& page, const std::string& data, const LinearPageSettings& settings,
    PageRequest request, const std::vector<CaptionControl>& controls, const BuildClock& clock)
{
    placed_.clear();
    problems_.clear();
    leftOut_ = 0;
    symbolCount_ = 0;
    if (data.empty()) {
        if (showMessages_)
            ShowMessage(kNothing);
        pageCount_ = 0;
        return 0;
    }

    // Page metrics; every fraction is dropped.
    const int width = page.PageWidth();
    const int height = page.PageHeight();
    const int h = page.FontHeight();
    gap_ = std::max(1, h / 8);
    topMargin_ = height / 100;
    bottomMargin_ = height * 5 / 100;
    leftMargin_ = width * 25 / 1000;
    const int rightEdge = width - leftMargin_;
    headerHeight_ = topMargin_ + 8 * h + 10 * gap_;

    // Captions beside the bars share the row with a neighbour column or with the bars.
    const bool sideCaption = settings.placement == CBarCodeSymbol::kLeft || settings.placement == CBarCodeSymbol::kRight;
    columns_ = sideCaption ? 1 : (settings.columns == 2 ? 2 : 1);
    const int largestCaption = columns_ == 1 && !sideCaption ? width : width / 2;

    std::vector<std::unique_ptr<CBarCodeSymbol>> symbols;
    for (const std::string& command : SplitCommands(data)) {
        if (static_cast<int>(symbols.size()) == kMaxSymbols) {
            ++leftOut_;
            continue;
        }
        auto symbol = std::make_unique<CBarCodeSymbol>(page, command, settings.placement,
            settings.captionInformation, largestCaption, settings.moduleWidth, settings.barHeight, controls, false);
        if (!symbol->HasBitmap())
            problems_.push_back({ SheetProblem::Kind::Unencodable, static_cast<int>(symbols.size()),
                symbol->CommandCaption() });
        symbols.push_back(std::move(symbol));
    }
    // One message says it: a box per extra command would only repeat it.
    if (leftOut_ > 0 && showMessages_)
        ShowMessage(kTooMany);
    symbolCount_ = static_cast<int>(symbols.size());
    if (symbols.empty()) {
        pageCount_ = 0;
        pageIndex_ = 0;
        return 0;
    }

    // Rows per column and pages.
    const int spacing = 16 * gap_;
    int tallest = 0;
    for (const auto& symbol : symbols)
        tallest = std::max(tallest, symbol->BoxHeight());
    const int usable = height - headerHeight_ - bottomMargin_ - (columns_ == 2 ? tallest : 0);
    rows_ = usable / std::max(1, spacing + tallest);
    rows_ = std::clamp(rows_, 1, symbolCount_);
    const int perPage = columns_ * rows_;
    pageCount_ = (symbolCount_ + perPage - 1) / perPage;

    switch (request) {
    case PageRequest::Next:
        pageIndex_ = pageIndex_ + 1 >= pageCount_ ? 0 : pageIndex_ + 1;
        break;
    case PageRequest::Previous:
        pageIndex_ = pageIndex_ <= 0 ? pageCount_ - 1 : pageIndex_ - 1;
        break;
    case PageRequest::None:
        pageIndex_ = 0;
        break;
    }
    pageIndex_ = std::clamp(pageIndex_, 0, pageCount_ - 1);

    // Header.
    const std::vector<std::string> lines = HeaderLines(settings, FormatDateBuilt(clock ? clock() : SourceDateOrNow()),
        pageIndex_ + 1);
    int lineTop = topMargin_;
    int lastBottom = lineTop;
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool wrap = i == 0 || i + 1 == lines.size();
        page.DrawText({ leftMargin_, lineTop, rightEdge, lineTop + h }, lines[i], wrap);
        lastBottom = lineTop + h;
        lineTop = lastBottom + gap_;
    }
    const int ruleY = lastBottom + h + 2 * gap_;
    page.DrawLine(leftMargin_, ruleY, rightEdge, ruleY);

    // Positions of every symbol on its page, so that a symbol off the paper on any page is
    // known before anything is printed.
    const int centres[2] = { columns_ == 1 ? width / 2 : width / 4, width * 3 / 4 };
    int y = 0;
    for (int i = 0; i < symbolCount_; ++i) {
        const CBarCodeSymbol& symbol = *symbols[static_cast<size_t>(i)];
        const int onPage = i % perPage;
        const int column = onPage / rows_;
        const int centre = centres[column];
        if (onPage % rows_ == 0)
            y = headerHeight_ + gap_ + (column == 1 ? symbol.BoxHeight() : 0);
        const int x = centre - symbol.BoxWidth() / 2;
        if (symbol.HasBitmap()) {
            const int barsLeft = x + symbol.BitmapOffsetX();
            const int barsTop = y + symbol.BitmapOffsetY();
            if (barsLeft < 0 || barsTop < 0 || barsLeft + symbol.Bitmap().width > width
                || barsTop + symbol.Bitmap().height > height)
                problems_.push_back({ SheetProblem::Kind::OutsidePage, i, symbol.CommandCaption() });
        }
        if (i / perPage == pageIndex_) {
            PlacedSymbol placed;
            placed.index = i;
            placed.data = symbol.Data();
            placed.encoded = symbol.EncodedData();
            placed.tag = symbol.Tag();
            placed.value = symbol.Value();
            placed.description = symbol.DescriptionCaption();
            placed.box = { x, y, x + symbol.BoxWidth(), y + symbol.BoxHeight() };
            if (symbol.HasBitmap()) {
                const int barsLeft = x + symbol.BitmapOffsetX();
                const int barsTop = y + symbol.BitmapOffsetY();
                placed.bars = { barsLeft, barsTop, barsLeft + symbol.Bitmap().width, barsTop + symbol.Bitmap().height };
            }
            placed.drawn = symbol.Draw(page, x, y);
            placed_.push_back(std::move(placed));
        }
        y += symbol.BoxHeight() + spacing;
    }
    std::sort(problems_.begin(), problems_.end(),
        [](const SheetProblem& a, const SheetProblem& b) { return a.index < b.index; });
    return pageCount_;
}
