// Escape cancels the operation that is running, and only that one: an Escape that closed a
// dialog earlier must not make the next write report every command as unanswered.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "app/view/CPreferencesDlg.h"
#include "catalog/CDeviceSetting.h"
#include "document/CQLMenuDoc.h"
#include "document/view/CMainTabView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QTest>
#include <QTimer>

class AbortFlagTest : public QObject {
    Q_OBJECT
private slots:
    void EscapeInDialogThenWriteSucceeds();
};

void AbortFlagTest::EscapeInDialogThenWriteSucceeds()
{
    GuiBench bench("3800lr");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);

    CPreferencesDlg dialog(bench.App().Port(), bench.App().Preferences(), bench.App().Store(),
                           bench.App().Startup().Vendor().companyRegKey, &bench.Frame());
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());

    // One check box that leaves the line alone, flipped, so the write has a command to send.
    std::string tag, expected;
    for (const ControlBinding& binding : bench.Document().Bindings()) {
        const CDeviceSetting& setting = bench.Setting(binding);
        auto* box = qobject_cast<QCheckBox*>(bench.Widget(binding));
        if (binding.controlType != "CHECK" || !box || !box->isEnabled() || setting.tag.rfind("232", 0) == 0)
            continue;
        bench.Tabs().BringPageToFront(binding.pageIndex);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        tag = setting.tag;
        expected = std::string(1, box->isChecked() ? '1' : '0');
        break;
    }
    QVERIFY(!tag.empty());
    QVERIFY(bench.ReaderValue(tag) != expected);

    // A write that fails falls back to the start-up choice; close whatever modal window
    // comes up, so a failure shows as one instead of a wait for nobody.
    QTimer closer;
    closer.setInterval(200);
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    closer.start();
    bench.messages.clear();
    bench.Frame().Action(Command::WriteSettings)->trigger();
    closer.stop();
    // Written, and found again by the re-detect after the write: nothing else is said.
    QVERIFY2(bench.messages.size() == 1, bench.messages.empty() ? "no message" : bench.messages.back().text.c_str());
    QCOMPARE(bench.messages[0].text, std::string("Changes successfully written to the device."));
    QVERIFY(bench.commandErrors.empty());
    QCOMPARE(bench.ReaderValue(tag), expected);
}

QTEST_MAIN(AbortFlagTest)
#include "AbortFlagTest.moc"
