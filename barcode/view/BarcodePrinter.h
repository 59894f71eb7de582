// BarcodePrinter: where the bar code dialogs print, and the Qt surfaces they print on.
//
// A sheet goes to the printer Print Setup chose; without an installed printer it goes into a
// PDF file the user names (composed for 600 dpi). Every dialog composes on QtCanvas, the same
// surface kestrel-cli draws its PDF, SVG and PNG sheets with.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPrinter>

#include <memory>
#include <string>

class QWidget;

inline constexpr int kPdfSheetDpi = 600;

class BarcodePrinter {
public:
    static constexpr const char* kNoDefaults = "Cannot obtain printer default values. Please contact program vendor.";
    static constexpr const char* kNoContext = "Cannot obtain printer device context. Please contact program vendor.";

    // `chosen`: the printer of Print Setup, or null.
    explicit BarcodePrinter(QPrinter* chosen);

    // Gets the printer ready for a document called `documentName`; false when there is none
    // (after the defaults or device context message) or the user cancelled the PDF file name.
    bool Prepare(const char* documentName, const std::string& pdfTitle);
    QPrinter& Printer() { return *printer_; }
    int Dpi() const;
    // Paper size in printer dots.
    QSize PaperDots() const;
    bool IsPdf() const;

    // The screen's dots per inch (96 without a screen).
    static int ScreenDpi();

private:
    QPrinter* printer_ = nullptr;
    std::unique_ptr<QPrinter> own_;
};

// A white page image at `dpi`, and a painter on it with its surface's fonts at that dpi.
QImage WhitePage(int width, int height, int dpi);
// Grey pixels of an image, for reading back.
struct GrayImage;
GrayImage ToGray(const QImage& image);
