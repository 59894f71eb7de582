#include "barcode/view/SymbolPagePrint.h"

#include "barcode/view/BarcodePrinter.h"
#include "barcode/view/CAztecBCDlg.h"
#include "platform/Host.h"
#include "ui/QtCanvas.h"

bool PrintSymbolPage(QPrinter* chosen, const char* documentName, const std::string& pdfTitle,
    const std::function<SymbolPageResult(Canvas&)>& draw)
{
    BarcodePrinter target(chosen);
    if (!target.Prepare(documentName, pdfTitle))
        return false;
    QPainter painter;
    const bool started = painter.begin(&target.Printer());
    // A driver that did not start is reported, and the page is still attempted: some drivers
    // print it all the same.
    if (!started)
        ShowMessage(CAztecBCDlg::kFailedDriver);
    const int dpi = target.Dpi();
    const QSize paper = target.PaperDots();
    SymbolPageResult result;
    if (started) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        QtCanvas canvas(painter, &target.Printer(), paper.width(), paper.height(), dpi, dpi);
        canvas.StartPage();
        result = draw(canvas);
        canvas.EndPage();
        painter.end();
    }
    if (!result.printed) {
        ShowMessage(result.error.empty() ? std::string(CAztecBCDlg::kPrintSetupFailed) : result.error);
        return false;
    }
    return true;
}
