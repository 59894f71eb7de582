// Firmware loading from the main window: the entry is live, the radio entry stays greyed,
// the start-up choice's "Flash Firmware" and the menu entry flash the simulated reader and
// show the result in a box.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "ui/CQXFlashFileDlg.h"
#include "tests/support/IntelHexText.h"
#include "ui/QtHost.h"

#include <QAction>
#include <QFile>
#include <QTest>

#include <cstdio>

class FirmwareFlashTest : public QObject {
    Q_OBJECT

private slots:
    void EntriesAreLiveAndRadioStaysGreyed()
    {
        GuiBench bench("3800lr");
        QVERIFY(bench.Start());
        bench.Frame().UpdateCommandStates();
        QVERIFY(bench.Frame().Action(Command::WriteFirmware)->isEnabled());
        QVERIFY(!bench.Frame().Action(Command::WriteRadioFirmware)->isEnabled());
        QVERIFY(!bench.Frame().Action(Command::WriteFirmware)->toolTip().contains(QStringLiteral("later release")));
        QVERIFY(bench.Frame().CanFlashFirmware());
    }

    // Only a privileged user sees the boot-code entry, and both warnings stand between it
    // and the reader: their preselected Cancel ends the flow before any file is asked for.
    void BootCodeEntryIsPrivilegedAndGuarded()
    {
        for (int privileges : { 0, 1 }) {
            GuiBench bench("5620sr");
            bench.advancedUserPrivileges = privileges;
            QVERIFY(bench.Start());
            QAction* boot = bench.Frame().Action(Command::WriteBootCode);
            QCOMPARE(boot->isVisible(), privileges == 1);
            QCOMPARE(boot->text(), QStringLiteral("Write New &Boot Code into Device"));
        }
        GuiBench bench("5620sr");
        bench.advancedUserPrivileges = 1;
        QVERIFY(bench.Start());
        bench.Frame().LoadFirmwareIntoDevice(true);
        QVERIFY(bench.SawMessage("Boot downloading is dangerous!!  If anything goes wrong in this process, your "
                                 "reader will be permanently disabled.\r\n\r\nDo you really want to continue?"));
        QCOMPARE(bench.messages.front().defaultButton, 1);
        int fileRequests = 0;
        bench.App().Host().SetFileHook([&](const FileRequest&, std::string&) {
            ++fileRequests;
            return false;
        });
        bench.messages.clear();
        bench.answers = { MsgAnswer::Ok, MsgAnswer::Cancel };
        bench.Frame().LoadFirmwareIntoDevice(true);
        QVERIFY(bench.SawMessage("Are you sure that you really want to do this?"));
        QCOMPARE(fileRequests, 0);
    }

    void FlashShowsTheResultAndTheReaderRunsTheNewRevision()
    {
        GuiBench bench("3800lr");
        QVERIFY(bench.Start());
        const QString path = bench.TempPath(QStringLiteral("app.hex"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::fromStdString(IntelHexLine(0, 0, "KSTREV=031.....") + ":00000001FF\r\n"));
        }
        std::vector<FileRequest> requests;
        bench.App().Host().SetFileHook([&](const FileRequest& request, std::string& chosen) {
            requests.push_back(request);
            chosen = path.toStdString();
            return true;
        });
        bench.Frame().FlashFirmware();
        QCOMPARE(requests.size(), size_t(1));
        QCOMPARE(QString::fromStdString(requests[0].filter), QStringLiteral("Intel hex files (*.hex)"));
        QVERIFY(bench.SawMessage("Successfully flashed app.hex"));
        QCOMPARE(bench.Reader()->Flash().Reboots(), 1);
        QCOMPARE(bench.Reader()->Model().Profile().revQx, std::string("QX80001005-031"));
    }

    void PanelShowsTheDescriptionFileOrItsAbsence()
    {
        GuiBench bench("");
        const QString hex = bench.TempPath(QStringLiteral("main.hex"));
        const QString other = bench.TempPath(QStringLiteral("other.hex"));
        for (const QString& path : { hex, other }) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(":00000001FF\r\n");
        }
        {
            QFile doc(bench.TempPath(QStringLiteral("MAIN.doc")));
            QVERIFY(doc.open(QIODevice::WriteOnly));
            doc.write("General Description:  Main firmware \r\nPRODUCT NAME: 3800LR\r\nSW REV: 12.05\r\n"
                      "DATE: 2026-12-01\r\n");
        }
        CQXFlashFileDlg dialog(nullptr, QStringLiteral("Select File to be Flashed Into Unit"),
                               bench.TempPath(QString()), QStringLiteral("Intel hex files (*.hex)"));
        QCOMPARE(dialog.DescriptionText(), QStringLiteral("No doc file available for this hex file"));
        dialog.UpdatePanel(hex);
        QCOMPARE(dialog.DescriptionText(), QStringLiteral("Main firmware"));
        QCOMPARE(dialog.ProductText(), QStringLiteral("3800LR"));
        QCOMPARE(dialog.RevisionText(), QStringLiteral("12.05"));
        QCOMPARE(dialog.DateText(), QStringLiteral("2026-12-01"));
        dialog.UpdatePanel(other);
        QCOMPARE(dialog.DescriptionText(), QStringLiteral("No doc file available for this hex file"));
        QCOMPARE(dialog.ProductText(), QString());
        QCOMPARE(dialog.DateText(), QString());

        QVERIFY(CQXFlashFileDlg::IsFirmwareFilter("Binary files (*.bin,*.axf)"));
        QCOMPARE(CQXFlashFileDlg::QtFilter(QStringLiteral("Binary files (*.bin,*.axf)")),
                 QStringLiteral("Binary files (*.[bB][iI][nN] *.[aA][xX][fF])"));
    }
};

QTEST_MAIN(FirmwareFlashTest)
#include "FirmwareFlashTest.moc"
