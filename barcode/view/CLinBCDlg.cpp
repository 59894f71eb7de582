#include "barcode/view/CLinBCDlg.h"

#include "barcode/BarcodeSheets.h"
#include "barcode/view/BarcodePrinter.h"
#include "platform/Host.h"
#include "ui/QtCanvas.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewWidth = 360;
constexpr int kPreviewHeight = 466;

QSlider* MakeSlider(int minimum, int maximum, QWidget* parent)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(minimum, maximum);
    slider->setValue(minimum);
    return slider;
}

} // namespace

CLinBCDlg::CLinBCDlg(const std::string& data, const std::string& product, const std::string& file,
    std::vector<CaptionControl> controls, QPrinter* printer, QWidget* parent)
    : QDialog(parent), data_(data), product_(product), file_(file), controls_(std::move(controls)),
      chosenPrinter_(printer)
{
    setWindowTitle(QStringLiteral("Print Linear Bar Code"));

    auto* columns = new QGroupBox(QStringLiteral("Columns"), this);
    oneColumn_ = new QRadioButton(QStringLiteral("1 Column"), columns);
    twoColumns_ = new QRadioButton(QStringLiteral("2 Columns"), columns);
    auto* columnLayout = new QVBoxLayout(columns);
    columnLayout->addWidget(oneColumn_);
    columnLayout->addWidget(twoColumns_);

    auto* placement = new QGroupBox(QStringLiteral("Caption"), this);
    auto* placementLayout = new QVBoxLayout(placement);
    const char* names[4] = { "Left", "Bottom", "Right", "Top" };
    auto* placementGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        placements_[i] = new QRadioButton(QString::fromLatin1(names[i]), placement);
        placementGroup->addButton(placements_[i], i);
        placementLayout->addWidget(placements_[i]);
    }
    description_ = new QCheckBox(QStringLiteral("Bar Code Description"), placement);
    command_ = new QCheckBox(QStringLiteral("Bar Code Command"), placement);
    placementLayout->addWidget(description_);
    placementLayout->addWidget(command_);

    title_ = new QLineEdit(this);
    comments_ = new QLineEdit(this);
    horizontal_ = MakeSlider(3, 5, this);
    vertical_ = MakeSlider(150, 240, this);
    next_ = new QPushButton(QStringLiteral("Next Page"), this);
    previous_ = new QPushButton(QStringLiteral("Previous Page"), this);
    print_ = new QPushButton(QStringLiteral("Print"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    preview_ = new QLabel(this);
    preview_->setFixedSize(kPreviewWidth, kPreviewHeight);
    preview_->setFrameShape(QFrame::Box);
    preview_->setAlignment(Qt::AlignCenter);
    xDimension_ = new QLabel(this);
    xDimension_->setWordWrap(true);

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("Title:"), this), 0, 0);
    form->addWidget(title_, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("Comments:"), this), 1, 0);
    form->addWidget(comments_, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("Horizontal Size"), this), 2, 0);
    form->addWidget(horizontal_, 2, 1);
    form->addWidget(new QLabel(QStringLiteral("Vertical Size"), this), 3, 0);
    form->addWidget(vertical_, 3, 1);

    auto* controlsColumn = new QVBoxLayout;
    controlsColumn->addWidget(columns);
    controlsColumn->addWidget(placement);
    controlsColumn->addLayout(form);
    controlsColumn->addWidget(xDimension_);
    auto* pages = new QHBoxLayout;
    pages->addWidget(previous_);
    pages->addWidget(next_);
    controlsColumn->addLayout(pages);
    controlsColumn->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(print_);
    buttons->addWidget(cancel);
    controlsColumn->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addLayout(controlsColumn);
    top->addWidget(preview_);

    // Starting values: one column, captions below, the description only.
    oneColumn_->setChecked(true);
    placements_[CBarCodeSymbol::kBelow]->setChecked(true);
    description_->setChecked(true);
    command_->setChecked(false);

    const auto recompose = [this] { Recompose(PageRequest::None); };
    connect(oneColumn_, &QRadioButton::toggled, this, recompose);
    connect(placementGroup, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            Recompose(PageRequest::None);
    });
    connect(description_, &QCheckBox::toggled, this, recompose);
    connect(command_, &QCheckBox::toggled, this, recompose);
    connect(title_, &QLineEdit::editingFinished, this, recompose);
    connect(comments_, &QLineEdit::editingFinished, this, recompose);
    connect(horizontal_, &QSlider::valueChanged, this, recompose);
    connect(vertical_, &QSlider::valueChanged, this, recompose);
    connect(next_, &QPushButton::clicked, this, [this] { Recompose(PageRequest::Next); });
    connect(previous_, &QPushButton::clicked, this, [this] { Recompose(PageRequest::Previous); });
    connect(print_, &QPushButton::clicked, this, [this] {
        if (Print())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    SetUpPrinter();
    Recompose(PageRequest::None);
}

void CLinBCDlg::SetUpPrinter()
{
    // The page is the paper less 5% each way, composed at half that size.
    QPrinter* printer = chosenPrinter_;
    std::unique_ptr<QPrinter> own;
    if (!printer) {
        own = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer = own.get();
    }
    const bool pdf = QPrinterInfo::availablePrinters().isEmpty() || printer->outputFormat() == QPrinter::PdfFormat;
    printerDpi_ = pdf ? kPdfSheetDpi : printer->resolution();
    const QSize paper = printer->pageLayout().fullRectPixels(printerDpi_).size();
    const QSize reach = printer->pageLayout().paintRectPixels(printerDpi_).size();
    const SheetSize printable = LinearPrintableSize(paper.width(), paper.height(), reach.width(), reach.height());
    printable_ = QSize(printable.width, printable.height);
    pageSize_ = printable_ / 2;
}

LinearPageSettings CLinBCDlg::Settings() const
{
    LinearPageSettings settings;
    settings.columns = twoColumns_->isChecked() ? 2 : 1;
    for (int i = 0; i < 4; ++i)
        if (placements_[i]->isChecked())
            settings.placement = i;
    const bool description = description_->isChecked();
    const bool command = command_->isChecked();
    settings.captionInformation = description && command ? CBarCodeSymbol::kDescriptionAndCommand
        : command                                      ? CBarCodeSymbol::kCommandOnly
        : description                                  ? CBarCodeSymbol::kDescriptionOnly
                                                       : 0;
    settings.product = product_;
    settings.file = file_;
    settings.title = title_->text().toStdString();
    settings.comments = comments_->text().toStdString();
    settings.moduleWidth = horizontal_->value();
    settings.barHeight = vertical_->value();
    return settings;
}

void CLinBCDlg::UpdateXDimension()
{
    const int dots = 2 * horizontal_->value();
    xDimension_->setText(QStringLiteral("X-dimension: %1\nBars are printed in whole printer dots (%2 dots a module).")
                             .arg(QString::fromStdString(XDimensionText(dots, printerDpi_)))
                             .arg(dots));
}

void CLinBCDlg::Recompose(PageRequest request)
{
    // Captions beside the bars leave no room for a second column.
    const bool side = placements_[CBarCodeSymbol::kLeft]->isChecked() || placements_[CBarCodeSymbol::kRight]->isChecked();
    if (side && twoColumns_->isChecked()) {
        const QSignalBlocker blocker(oneColumn_);
        oneColumn_->setChecked(true);
    }
    twoColumns_->setEnabled(!side);
    UpdateXDimension();

    QImage page = WhitePage(pageSize_.width(), pageSize_.height(), printerDpi_);
    if (page.isNull()) {
        ShowMessage(kBitmapFailed);
        return;
    }
    QPainter painter(&page);
    QtCanvas canvas(painter, nullptr, pageSize_.width(), pageSize_.height(), printerDpi_, printerDpi_);
    SelectLinearSheetFont(canvas);
    builder_.Compose(canvas, data_, Settings(), request, controls_);
    painter.end();
    page_ = page;
    preview_->setPixmap(QPixmap::fromImage(
        page_.scaled(kPreviewWidth - 4, kPreviewHeight - 4, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

bool CLinBCDlg::Print()
{
    WaitCursor wait;
    BarcodePrinter target(chosenPrinter_);
    if (!target.Prepare(kDocumentName, "Print Linear Bar Code to PDF"))
        return false;
    const int dpi = target.Dpi();
    const QSize paper = target.Printer().pageLayout().fullRectPixels(dpi).size();
    const QSize reach = target.PaperDots();
    const SheetSize size = LinearPrintableSize(paper.width(), paper.height(), reach.width(), reach.height());
    const QSize printable(size.width, size.height);
    const LinearPageSettings settings = Settings();
    const BuildClock clock = DefaultBuildClock();

    // Every page is rasterised at the printer's resolution and read back first.
    {
        QImage metricsImage = WhitePage(1, 1, dpi);
        QPainter metricsPainter(&metricsImage);
        QtCanvas metrics(metricsPainter, nullptr, printable.width(), printable.height(), dpi, dpi);
        const LinearSheetReport report
            = CheckLinearSheet(metrics, data_, settings, printable.width(), printable.height(), dpi, controls_, clock);
        if (report.leftOut > 0)
            ShowMessage(LinearBarcodePage::kTooMany);
        if (!report.error.empty()) {
            ShowMessage(report.error);
            return false;
        }
    }

    QPainter painter;
    if (!painter.begin(&target.Printer())) {
        ShowMessage(kCouldNotStart);
        return false;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    QtCanvas canvas(painter, &target.Printer(), printable.width(), printable.height(), dpi, dpi);
    const int pages = PrintLinearSheet(canvas, data_, settings, printable.width(), printable.height(), controls_, clock);
    painter.end();
    return pages > 0;
}
