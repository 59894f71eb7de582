// The Qt host's windows as the flows see them: message boxes with their buttons, icon and
// default button; the progress window and its Cancel; the splash before the start-up
// choice; "File Description"; and the printed configuration.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "app/view/SplashDisplay.h"
#include "document/CQLMenuDoc.h"
#include "document/view/CFileDescriptionDlg.h"
#include "ui/QtHost.h"
#include "ui/QtProgressWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void MessageBoxesCarryButtonsIconAndDefault_data();
    void MessageBoxesCarryButtonsIconAndDefault();
    void ProgressWindowStepsAndCancel();
    void StartupChoiceFollowsTheSplash();
    void FileDescriptionKeepsAThousandCharacters();
    void PrintsConfigurationToPdf();
};

void DialogsTest::MessageBoxesCarryButtonsIconAndDefault_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("expectedDefault");
    QTest::addColumn<int>("expectedIcon");
    QTest::addColumn<int>("buttonCount");
    QTest::addColumn<int>("answer"); // what Enter on the default button gives
    // The compatibility question: Yes/No, exclamation, No by default.
    QTest::newRow("yes-no, No default") << int(MsgButtons::YesNo) << int(MsgIcon::Warning) << 1
                                        << int(QMessageBox::No) << int(QMessageBox::Warning) << 2
                                        << int(MsgAnswer::No);
    QTest::newRow("retry-cancel") << int(MsgButtons::RetryCancel) << int(MsgIcon::None) << 0
                                  << int(QMessageBox::Retry) << int(QMessageBox::NoIcon) << 2
                                  << int(MsgAnswer::Retry);
    QTest::newRow("ok") << int(MsgButtons::Ok) << int(MsgIcon::Information) << 0 << int(QMessageBox::Ok)
                        << int(QMessageBox::Information) << 1 << int(MsgAnswer::Ok);
    QTest::newRow("yes-no-cancel, default out of range") << int(MsgButtons::YesNoCancel) << int(MsgIcon::Question)
                                                         << 7 << int(QMessageBox::Cancel)
                                                         << int(QMessageBox::Question) << 3
                                                         << int(MsgAnswer::Cancel);
}

void DialogsTest::MessageBoxesCarryButtonsIconAndDefault()
{
    QFETCH(int, buttons);
    QFETCH(int, icon);
    QFETCH(int, defaultButton);
    QFETCH(int, expectedDefault);
    QFETCH(int, expectedIcon);
    QFETCH(int, buttonCount);
    QFETCH(int, answer);
    QtHost host;
    int seenDefault = -1, seenIcon = -1, seenButtons = -1;
    QString seenText;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenText = box->text();
        seenDefault = box->standardButton(box->defaultButton());
        seenIcon = box->icon();
        seenButtons = static_cast<int>(box->buttons().size());
        QTest::keyClick(box, Qt::Key_Return);
    });
    const MsgAnswer result = host.MessageBox("Send commands anyway?", "", static_cast<MsgButtons>(buttons),
                                             static_cast<MsgIcon>(icon), defaultButton);
    QCOMPARE(seenText, QStringLiteral("Send commands anyway?"));
    QCOMPARE(seenDefault, expectedDefault);
    QCOMPARE(seenIcon, expectedIcon);
    QCOMPARE(seenButtons, buttonCount);
    QCOMPARE(int(result), answer);
}

void DialogsTest::ProgressWindowStepsAndCancel()
{
    SetUserAbort(false);
    QtProgressWindow window;
    window.SetTitle("Connecting To Device");
    for (int step = 0; step < 4; ++step)
        window.SetStepText(step, "Step " + std::to_string(step));
    window.SetStepText(99999, "ignored"); // a wild step number does not grow the window
    window.SetCurrentStep(1);
    window.SetWarning("Do not unplug the reader", true);
    window.Show();
    QCOMPARE(window.windowTitle(), QStringLiteral("Connecting To Device"));
    QVERIFY(window.StepLine(1).contains(QStringLiteral("2. Step 1")));
    QVERIFY(window.StepLine(1).startsWith(QChar(0x25B6)));
    QVERIFY(!window.StepLine(0).startsWith(QChar(0x25B6)));
    QCOMPARE(window.StepLine(4), QString());
    QCOMPARE(window.Warning(), QStringLiteral("Do not unplug the reader"));
    QVERIFY(!window.IsCancelled());
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.IsCancelled());
    QVERIFY(UserAbortRequested());
    QVERIFY(window.isVisible()); // Escape ends the flow's wait, not the window under it
    SetUserAbort(false);
}

void DialogsTest::StartupChoiceFollowsTheSplash()
{
    // The bench provides the scratch hives and an empty line; the application object is
    // started here with the real options (splash wait and start-up choice included).
    GuiBench bench("");
    CKestrelApp app;
    QElapsedTimer clock;
    clock.start();
    // A full start-up: the choice must not come before the splash's 3000 ms are over.
    qint64 choiceAfter = -1;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CConfigSourceDlg*>(QApplication::activeModalWidget());
        if (!dialog || choiceAfter >= 0)
            return;
        choiceAfter = clock.elapsed();
        QVERIFY(app.Splash() == nullptr || app.Splash()->IsClosed());
        dialog->Button(ConfigChoice::Cancel)->click();
    });
    poll.start();
    AppOptions options;
    options.startup.dataFolder = KESTREL_SOURCE_DATA_DIR;
    clock.restart();
    QVERIFY(app.InitInstance(options));
    QVERIFY2(choiceAfter >= SplashDisplay::kDisplayMs, qPrintable(QString::number(choiceAfter)));
    QVERIFY(app.ShownAfterMs() < 1000);
    qInfo("main window and splash shown after %lld ms; start-up choice after %lld ms", app.ShownAfterMs(),
          static_cast<long long>(choiceAfter));
}

void DialogsTest::FileDescriptionKeepsAThousandCharacters()
{
    CFileDescriptionDlg dialog("old text");
    dialog.Editor()->setPlainText(QString(1500, QLatin1Char('x')));
    QCOMPARE(dialog.Description().size(), size_t(1000));
    QCOMPARE(dialog.Editor()->toPlainText().size(), 1000);
}

void DialogsTest::PrintsConfigurationToPdf()
{
    GuiBench bench("hm7");
    QVERIFY(bench.Start());
    QVERIFY(!bench.Frame().Action(Command::PrintConfiguration)->isEnabled());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    bench.Frame().UpdateCommandStates();
    QVERIFY(bench.Frame().Action(Command::PrintConfiguration)->isEnabled());
    const QString pdf = bench.TempPath(QStringLiteral("configuration.pdf"));
    bench.App().Host().SetFileHook([&](const FileRequest& request, std::string& path) {
        if (request.kind != FileDialogKind::Save)
            return false;
        path = pdf.toStdString();
        return true;
    });
    QVERIFY(bench.Frame().PrintConfiguration());
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.size() > 1000);
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
