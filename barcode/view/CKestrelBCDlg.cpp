#include "barcode/view/CKestrelBCDlg.h"

#include "barcode/BarcodeSheets.h"
#include "barcode/view/BarcodePrinter.h"
#include "barcode/view/CAztecBCDlg.h"
#include "barcode/view/SymbolPagePrint.h"
#include "platform/Host.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QImage MonoBitmapImage(const MonoBitmap& bitmap)
{
    QImage image(std::max(1, bitmap.width), std::max(1, bitmap.height), QImage::Format_Mono);
    image.setColor(0, qRgb(0, 0, 0));
    image.setColor(1, qRgb(255, 255, 255));
    image.fill(1);
    for (int y = 0; y < bitmap.height; ++y)
        std::copy_n(bitmap.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(bitmap.stride),
            (bitmap.width + 7) / 8, image.scanLine(y));
    return image;
}

CKestrelBCDlg::CKestrelBCDlg(QPrinter* printer, QWidget* parent) : QDialog(parent), chosenPrinter_(printer)
{
    setWindowTitle(QStringLiteral("Kestrel RS232 Barcode"));
    auto* picture = new QLabel(this);
    picture->setAlignment(Qt::AlignCenter);
    picture->setMinimumSize(kInterfaceImageWidth + 40, kInterfaceImageHeight + 40);
    std::string error;
    if (LoadInterfaceImage(image_, error))
        picture->setPixmap(QPixmap::fromImage(MonoBitmapImage(image_)));
    else
        ShowMessage(error);
    auto* label = new QLabel(QStringLiteral("Kestrel Barcode"), this);
    label->setAlignment(Qt::AlignCenter);
    // Printed in whole printer dots per screen pixel; the PDF a user names is made for 600 dpi.
    const int printerDpi = chosenPrinter_ && chosenPrinter_->outputFormat() != QPrinter::PdfFormat
        ? chosenPrinter_->resolution()
        : kPdfSheetDpi;
    auto* xDimension = new QLabel(
        QStringLiteral("X-dimension: %1").arg(QString::fromStdString(XDimensionText(
            WholeDotsPerPixel(printerDpi, BarcodePrinter::ScreenDpi()), printerDpi))),
        this);
    xDimension->setAlignment(Qt::AlignCenter);
    print_ = new QPushButton(QStringLiteral("Print"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(print_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(label);
    layout->addWidget(xDimension);
    layout->addLayout(buttons);
    connect(print_, &QPushButton::clicked, this, [this] {
        if (Print())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CKestrelBCDlg::Print()
{
    WaitCursor wait;
    if (!SymbolReadsBack(image_, 1, false, std::string(kInterfaceData).substr(1))) {
        ShowMessage("The Kestrel bar code does not read back as printed. Nothing was printed.");
        return false;
    }
    return PrintSymbolPage(chosenPrinter_, kDocumentName, "Print Kestrel Bar Code to PDF",
        [this](Canvas& page) { return DrawInterfacePage(page, image_, BarcodePrinter::ScreenDpi()); });
}
