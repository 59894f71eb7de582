// Pictures in the desktop program: Device -> Capture Image opens the picture window with the
// imager's scene, Save As KIM and PNG reopen as the same picture, and the Reader Events dock
// lists what the reader sends on its own.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "document/CQLMenuDoc.h"
#include "sim/SimulatedReader.h"
#include "sim/capture/PictureSupport.h"
#include "transfer/image/HImageFormats.h"
#include "transfer/view/CPictureWindow.h"
#include "transfer/view/CReaderEventsDock.h"

#include <QAction>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>

class CaptureTest : public QObject {
    Q_OBJECT
private slots:
    void CaptureSaveAndReopen();
    void DockShowsAnEmittedBarcode();
};

namespace {

bool MenuHas(CMainFrame& frame, const QString& menu, const QString& text)
{
    for (QAction* top : frame.menuBar()->actions()) {
        if (top->text() != menu || !top->menu())
            continue;
        for (QAction* action : top->menu()->actions())
            if (action->text() == text)
                return true;
    }
    return false;
}

} // namespace

void CaptureTest::CaptureSaveAndReopen()
{
    GuiBench bench("4600sr");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    auto* dock = bench.Frame().findChild<CReaderEventsDock*>();
    QVERIFY(dock);
    QVERIFY(MenuHas(bench.Frame(), QStringLiteral("&Device"), QStringLiteral("Capture &Image...")));
    QVERIFY(MenuHas(bench.Frame(), QStringLiteral("&File"), QStringLiteral("Open &Picture...")));
    QTRY_VERIFY(dock->CaptureAction()->isEnabled());

    CPictureWindow* window = dock->Capture(5, 1, 80);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Picture().width, 752);
    QCOMPARE(window->Picture().height, 480);
    QVERIFY2(window->InfoText().contains(QStringLiteral("Image successfully received")), qPrintable(window->InfoText()));
    // The read check found the scene's symbol.
    QVERIFY2(window->InfoText().contains(QStringLiteral("KESTREL")), qPrintable(window->InfoText()));
    window->SetFit(false);
    QVERIFY(!window->Fit());

    for (const char* name : { "picture.kim", "picture.png" }) {
        const QString path = bench.TempPath(QString::fromLatin1(name));
        QString error;
        QVERIFY2(window->SaveAs(path, &error), qPrintable(error));
        CPictureWindow* reopened = dock->OpenPicture(path);
        QVERIFY(reopened);
        QCOMPARE(reopened->Picture().width, window->Picture().width);
        QVERIFY(reopened->Picture().pixels == window->Picture().pixels);
        reopened->close();
    }
    window->close();
}

void CaptureTest::DockShowsAnEmittedBarcode()
{
    GuiBench bench("4600sr");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    auto* dock = bench.Frame().findChild<CReaderEventsDock*>();
    QVERIFY(dock);
    // The reader starts sending a decoded barcode on its own; the idle poll picks it up.
    PictureSupportOptions options;
    options.events = "text:EMITTED-0042";
    options.emitEveryMs = 300;
    std::string error;
    QVERIFY(InstallPictureSupport(bench.Reader()->Engine(), bench.Reader()->HModem(), options, error));
    QTRY_VERIFY_WITH_TIMEOUT(!dock->List()->findItems(QStringLiteral("EMITTED-0042"), Qt::MatchContains).isEmpty(),
                             10000);
}

QTEST_MAIN(CaptureTest)
#include "CaptureTest.moc"
