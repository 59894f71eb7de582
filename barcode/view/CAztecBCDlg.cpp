#include "barcode/view/CAztecBCDlg.h"

#include "barcode/BarcodeSheets.h"
#include "barcode/view/BarcodePrinter.h"
#include "barcode/view/CKestrelBCDlg.h"
#include "barcode/view/SymbolPagePrint.h"
#include "platform/Host.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

CAztecBCDlg::CAztecBCDlg(const std::string& text, const std::string& product, const std::string& file,
    QPrinter* printer, QWidget* parent)
    : QDialog(parent), product_(product), file_(file), chosenPrinter_(printer)
{
    setWindowTitle(QStringLiteral("Print Aztec Menu Bar Code"));
    preview_ = new QLabel(this);
    preview_->setAlignment(Qt::AlignCenter);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(preview_);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(420, 420);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(AztecSymbol::kMinSize, AztecSymbol::kMaxSize);
    slider_->setValue(AztecSymbol::kDefaultSize);
    xDimension_ = new QLabel(this);
    print_ = new QPushButton(QStringLiteral("Print Bar Code"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Size"), this));
    buttons->addWidget(slider_);
    buttons->addWidget(print_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(xDimension_);
    layout->addLayout(buttons);

    symbol_.Build(text.empty() ? std::string() : text, AztecSymbol::kDefaultSize);
    Rebuild();
    connect(slider_, &QSlider::valueChanged, this, [this] {
        symbol_.Build(symbol_.Text(), slider_->value());
        Rebuild();
    });
    connect(print_, &QPushButton::clicked, this, [this] {
        if (Print())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CAztecBCDlg::Rebuild()
{
    if (!symbol_.Bitmap().Empty())
        preview_->setPixmap(QPixmap::fromImage(MonoBitmapImage(symbol_.Bitmap())));
    const int dots = WholeDotsPerPixel(kPdfSheetDpi, BarcodePrinter::ScreenDpi()) * symbol_.Size();
    xDimension_->setText(QStringLiteral("X-dimension: %1; printed in whole dots per pixel")
                             .arg(QString::fromStdString(XDimensionText(dots, kPdfSheetDpi))));
}

bool CAztecBCDlg::Print()
{
    WaitCursor wait;
    const MonoBitmap& bitmap = symbol_.Bitmap();
    if (!symbol_.Error().empty() || bitmap.Empty()) {
        ShowMessage(symbol_.Error().empty() ? std::string(AztecSymbol::kFailed) : symbol_.Error());
        return false;
    }
    if (!SymbolReadsBack(bitmap, 1, true, symbol_.Text())) {
        ShowMessage("The Aztec bar code does not read back as printed. Nothing was printed.");
        return false;
    }
    const AztecPageText text { product_, file_, FormatDateBuilt(SourceDateOrNow()) };
    return PrintSymbolPage(chosenPrinter_, kDocumentName, "Print Aztec Bar Code to PDF",
        [&](Canvas& page) { return DrawAztecPage(page, bitmap, BarcodePrinter::ScreenDpi(), text); });
}
