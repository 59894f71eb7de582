#include "barcode/view/BarcodePrinter.h"

#include "barcode/SheetImage.h"
#include "platform/Host.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPrinterInfo>
#include <QScreen>

#include <cmath>

BarcodePrinter::BarcodePrinter(QPrinter* chosen) : printer_(chosen) {}

bool BarcodePrinter::Prepare(const char* documentName, const std::string& pdfTitle)
{
    if (!printer_) {
        own_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_ = own_.get();
    }
    const bool toPdf = QPrinterInfo::availablePrinters().isEmpty() || printer_->outputFormat() == QPrinter::PdfFormat;
    // A printer was asked for but the system names none to default to.
    if (!toPdf && printer_->printerName().isEmpty() && QPrinterInfo::defaultPrinter().isNull()) {
        ShowMessage(kNoDefaults);
        return false;
    }
    if (toPdf) {
        FileRequest request;
        request.kind = FileDialogKind::Save;
        request.title = pdfTitle;
        request.filter = "PDF Files (*.pdf)";
        request.defaultExtension = ".pdf";
        std::string file;
        if (!TheHost().ChooseFile(request, file))
            return false;
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(QString::fromStdString(file));
        printer_->setResolution(kPdfSheetDpi);
    }
    if (!printer_->isValid()) {
        ShowMessage(kNoContext);
        return false;
    }
    printer_->setDocName(QString::fromLatin1(documentName));
    return true;
}

int BarcodePrinter::Dpi() const { return printer_ ? printer_->resolution() : kPdfSheetDpi; }

QSize BarcodePrinter::PaperDots() const
{
    return printer_ ? printer_->pageLayout().paintRectPixels(printer_->resolution()).size() : QSize();
}

bool BarcodePrinter::IsPdf() const { return printer_ && printer_->outputFormat() == QPrinter::PdfFormat; }

int BarcodePrinter::ScreenDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || QGuiApplication::platformName() == QStringLiteral("offscreen"))
        return 96;
    return std::max(1, static_cast<int>(std::lround(screen->logicalDotsPerInchX())));
}

QImage WhitePage(int width, int height, int dpi)
{
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_Grayscale8);
    image.fill(Qt::white);
    const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

GrayImage ToGray(const QImage& source)
{
    const QImage image = source.format() == QImage::Format_Grayscale8 ? source : source.convertToFormat(QImage::Format_Grayscale8);
    GrayImage gray;
    gray.width = image.width();
    gray.height = image.height();
    gray.pixels.resize(static_cast<size_t>(gray.width) * static_cast<size_t>(gray.height));
    for (int y = 0; y < gray.height; ++y)
        std::copy_n(image.constScanLine(y), gray.width, gray.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(gray.width));
    return gray;
}
