// Help -> "Communication Log...": after connecting to the in-process reader the log shows
// exactly the bytes that went over the line, and saves them.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "ui/CommunicationLogDlg.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>

namespace {

// Bytes of one direction on COM1's line since it was last opened, as the log shows them.
long BytesSinceOpen(const QStringList& lines, QChar direction)
{
    long count = 0;
    for (const QString& line : lines) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        if (fields.size() < 3 || fields[1] != QStringLiteral("COM1"))
            continue;
        if (fields[2] == QStringLiteral("!") && fields.value(3) == QStringLiteral("opened"))
            count = 0;
        else if (fields[2] == direction)
            count += static_cast<long>(line.section(QLatin1Char('|'), 0, 0).simplified().split(QLatin1Char(' ')).size()) - 3;
    }
    return count;
}

} // namespace

class CommunicationLogTest : public QObject {
    Q_OBJECT
private slots:
    void ShowsTheBytesOfAConnect();
};

void CommunicationLogTest::ShowsTheBytesOfAConnect()
{
    GuiBench bench("3800lr");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    bench.Frame().Action(Command::CommunicationLog)->trigger();
    CommunicationLogDlg* dialog = bench.Frame().CommunicationLog();
    QVERIFY(dialog && dialog->isVisible());
    dialog->Refresh();
    const QStringList lines = dialog->Text()->toPlainText().split(QLatin1Char('\n'));
    QVERIFY(lines.filter(QStringLiteral(" COM1 = ")).size() > 0); // the line settings of the scan
    QCOMPARE(BytesSinceOpen(lines, QLatin1Char('>')), static_cast<long>(bench.Reader()->BytesFromHost()));
    QVERIFY(BytesSinceOpen(lines, QLatin1Char('<')) > 0);

    const QString path = bench.TempPath(QStringLiteral("line.log"));
    QVERIFY(dialog->SaveTo(path.toStdString()));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(saved.readAll()).trimmed(), dialog->Text()->toPlainText().trimmed());
}

QTEST_MAIN(CommunicationLogTest)
#include "CommunicationLogTest.moc"
