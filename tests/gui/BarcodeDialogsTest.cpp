// The bar code dialogs as users meet them: the RS-232 bar code from the start-up choice, the
// cloning sheets of a connected reader (linear and Aztec), the dialogs' rules and starting
// values, and the menu entries. Printed PDFs are read back with the sheet decoder.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "barcode/BarcodeSheets.h"
#include "barcode/CloningText.h"
#include "barcode/LinearBarcodePage.h"
#include "barcode/ReadBack.h"
#include "barcode/SheetImage.h"
#include "barcode/view/CAztecBCDlg.h"
#include "barcode/view/CKestrelBCDlg.h"
#include "barcode/view/CLinBCDlg.h"
#include "document/CQLMenuDoc.h"
#include "sim/ReaderProfile.h"
#include "sim/SheetScanner.h"
#include "ui/QtCanvas.h"
#include "ui/QtHost.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

namespace {

// Every symbol of every page of a printed sheet, in scan order.
std::vector<DecodedSymbol> ReadSheet(const QString& path)
{
    std::vector<GrayImage> pages;
    std::string error;
    if (!LoadSheetImages(path.toStdString(), pages, error)) {
        qWarning("%s", error.c_str());
        return {};
    }
    std::vector<DecodedSymbol> all;
    for (size_t i = 0; i < pages.size(); ++i)
        for (DecodedSymbol& symbol : DecodePage(pages[i], static_cast<int>(i)))
            all.push_back(std::move(symbol));
    return all;
}

void AnswerPdf(GuiBench& bench, const QString& pdf)
{
    bench.App().Host().SetFileHook([pdf](const FileRequest& request, std::string& path) {
        if (request.kind != FileDialogKind::Save)
            return false;
        path = pdf.toStdString();
        return true;
    });
}

} // namespace

class BarcodeDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void MenuEntriesAreAlwaysEnabled();
    void StartupChoicePrintsTheRs232BarCode();
    void LinearCloningSheetClonesTheReader();
    void AztecSliderEnds();
    void BarsFillWholeDots();
};

void BarcodeDialogsTest::MenuEntriesAreAlwaysEnabled()
{
    GuiBench bench("");
    QVERIFY(bench.Start());
    bench.Frame().UpdateCommandStates();
    for (const Command command : { Command::PrintCloning, Command::PrintKestrelBarcode }) {
        QAction* action = bench.Frame().Action(command);
        QVERIFY(action->isEnabled());
        QVERIFY(!action->toolTip().contains(QStringLiteral("later release")));
    }
}

void BarcodeDialogsTest::StartupChoicePrintsTheRs232BarCode()
{
    GuiBench bench("");
    QVERIFY(bench.Start());
    const QString pdf = bench.TempPath(QStringLiteral("rs232.pdf"));
    AnswerPdf(bench, pdf);
    int opened = 0;
    auto alive = std::make_shared<bool>(true);
    // The choice comes back after the bar code dialog; then Cancel ends it.
    GuiBench::WithModal<CKestrelBCDlg>(
        [&] { QCOMPARE(bench.RunStartupChoice({ ConfigChoice::PrintBarcode }), CConfigSourceDlg::kCancelled); },
        [&](CKestrelBCDlg* dialog) {
            ++opened;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Kestrel RS232 Barcode"));
            dialog->PrintButton()->click();
        });
    QCOMPARE(opened, 1);
    const std::vector<DecodedSymbol> symbols = ReadSheet(pdf);
    QCOMPARE(symbols.size(), size_t(1));
    QCOMPARE(QString::fromStdString(symbols[0].bytes), QStringLiteral("~KESTRL."));
    QVERIFY(symbols[0].readerInit);
}

void BarcodeDialogsTest::LinearCloningSheetClonesTheReader()
{
    GuiBench bench("2020bs");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    // Change one check box so that the sheet carries more than the header and trailer.
    const ControlBinding* binding = bench.Binding("CBRENA");
    QVERIFY(binding);
    auto* box = qobject_cast<QCheckBox*>(bench.Widget(*binding));
    QVERIFY(box);
    box->click();
    const QString pdf = bench.TempPath(QStringLiteral("clone.pdf"));
    AnswerPdf(bench, pdf);
    bool printed = false;
    GuiBench::WithModal<CLinBCDlg>([&] { bench.Frame().PrintCloningBarcodes(); },
        [&](CLinBCDlg* dialog) {
            // Starting values.
            QVERIFY(dialog->OneColumn()->isChecked());
            QVERIFY(dialog->Placement(CBarCodeSymbol::kBelow)->isChecked());
            QVERIFY(dialog->DescriptionBox()->isChecked());
            QVERIFY(!dialog->CommandBox()->isChecked());
            QCOMPARE(dialog->HorizontalSize()->value(), 3);
            QCOMPARE(dialog->VerticalSize()->value(), 150);
            QVERIFY(dialog->XDimension()->text().contains(QStringLiteral("0.254 mm (10.0 mil) at 600 dpi")));
            // Captions beside the bars allow one column only.
            dialog->TwoColumns()->click();
            QCOMPARE(dialog->Builder().Columns(), 2);
            dialog->Placement(CBarCodeSymbol::kLeft)->click();
            QVERIFY(!dialog->TwoColumns()->isEnabled());
            QVERIFY(dialog->OneColumn()->isChecked());
            QCOMPARE(dialog->Builder().Columns(), 1);
            dialog->Placement(CBarCodeSymbol::kBelow)->click();
            QVERIFY(dialog->TwoColumns()->isEnabled());
            dialog->CommandBox()->click();
            printed = dialog->Print();
            dialog->accept();
        });
    QVERIFY(printed);

    std::string text;
    QVERIFY(BuildCloningText(bench.Document(), CloningForm::Linear, text));
    const std::vector<std::string> commands = LinearBarcodePage::SplitCommands(text);
    const std::vector<DecodedSymbol> symbols = ReadSheet(pdf);
    QCOMPARE(symbols.size(), commands.size());
    for (size_t i = 0; i < commands.size(); ++i) {
        QCOMPARE(QString::fromLatin1(symbols[i].bytes.c_str()),
            QString::fromLatin1(ExpectedLinearReading(CBarCodeSymbol::EncodedForm(commands[i])).c_str()));
        QVERIFY(symbols[i].readerInit);
    }

    // A second reader of the same model scans the sheet and ends up configured as the document.
    ReaderProfile profile;
    std::string error;
    QVERIFY(ReaderProfile::LoadByName("2020bs", profile, error));
    ReaderEngine second(std::move(profile));
    SheetScanner scanner(second);
    std::string log;
    QVERIFY(scanner.ScanFile(pdf.toStdString(), log));
    QVERIFY2(log.find("refused") == std::string::npos, log.c_str());
    const CDevice& device = *bench.Document().Device();
    int compared = 0;
    for (const ControlBinding& shown : bench.Document().Bindings()) {
        // Settings the user can change and the sheet carries: read-only fields and buttons
        // are not settings of the clone.
        const std::string& type = shown.controlType;
        if (shown.settingIndex < 0 || type == "EDIT_READONLY" || type == "COMMAND" || type == "MSGCMD"
            || type == "DEFCMD" || type == "UNUSED")
            continue;
        const CDeviceSetting& setting = device.Settings()[static_cast<size_t>(shown.settingIndex)];
        const SettingState* state = second.Model().Find(setting.tag);
        if (!state || setting.minimum == setting.maximum)
            continue;
        QCOMPARE(QString::fromStdString(second.Model().Value(*state)),
            QString::fromStdString(setting.ValueForDevice(device.CurrentTable())));
        ++compared;
    }
    QVERIFY(compared > 10);
    QCOMPARE(second.Model().Value(*second.Model().Find("CBRENA")), bench.Setting(*binding).ValueForDevice(device.CurrentTable()));
}

void BarcodeDialogsTest::AztecSliderEnds()
{
    const CAztecBCDlg opened;
    QCOMPARE(QString::fromStdString(opened.Symbol().Text()), QStringLiteral("DEFALT."));
    QCOMPARE(opened.Symbol().Size(), 6);
    CAztecBCDlg dialog("DEFALT;CBRENA0;BEPLVL2.", "Kestrel 5620", "", nullptr);
    QCOMPARE(dialog.SizeSlider()->value(), 6);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Print Aztec Menu Bar Code"));
    const int six = dialog.Symbol().Bitmap().width;
    dialog.SizeSlider()->setValue(1);
    QCOMPARE(dialog.Symbol().Size(), 1);
    QCOMPARE(dialog.Symbol().Bitmap().width * 6, six);
    dialog.SizeSlider()->setValue(10);
    QCOMPARE(dialog.Symbol().Bitmap().width, six / 6 * 10);
    QVERIFY(SymbolReadsBack(dialog.Symbol().Bitmap(), 1, true, "DEFALT;CBRENA0;BEPLVL2."));
}

void BarcodeDialogsTest::BarsFillWholeDots()
{
    // Six dots a pixel: every dot of the page is the colour of the pixel it stands for, with
    // no grey at the bar edges.
    MonoBitmap image;
    std::string error;
    QVERIFY(LoadInterfaceImage(image, error));
    QImage page(134 * 6 + 20, 58 * 6 + 20, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        QtCanvas canvas(painter, nullptr, page.width(), page.height(), 600, 600);
        canvas.CopyBitmap(image.bits, image.width, image.height, image.stride, { 10, 10, 10 + 134 * 6, 10 + 58 * 6 });
    }
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const bool inside = x >= 10 && y >= 10 && x < 10 + 134 * 6 && y < 10 + 58 * 6;
            const int expected = inside && image.IsBlack((x - 10) / 6, (y - 10) / 6) ? 0 : 255;
            QCOMPARE(int(page.constScanLine(y)[x]), expected);
        }
}

QTEST_MAIN(BarcodeDialogsTest)
#include "BarcodeDialogsTest.moc"
