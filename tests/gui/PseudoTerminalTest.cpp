// The way ./run starts the program: kestrel-sim on a pseudo-terminal, found through the port
// registry, chosen with --port-path, and reached by "Connect To Device".
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "device/CDevice.h"
#include "document/CQLMenuDoc.h"
#include "document/view/CMainTabView.h"

#include <QComboBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class PseudoTerminalTest : public QObject {
    Q_OBJECT
private slots:
    void ConnectsToSimulatorOnPseudoTerminal();
};

void PseudoTerminalTest::ConnectsToSimulatorOnPseudoTerminal()
{
    const QByteArray binary = qgetenv("KESTREL_BINARY_DIR");
    const QString simulator = QString::fromLocal8Bit(binary) + QStringLiteral("/kestrel-sim");
    if (binary.isEmpty() || !QFile::exists(simulator))
        QSKIP("kestrel-sim is not built");
    QTemporaryDir registry;
    qputenv("KESTREL_PORT_REGISTRY", registry.filePath(QStringLiteral("ports")).toLocal8Bit());
    QProcess sim;
    sim.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    sim.start(simulator, { QStringLiteral("--profile"), QStringLiteral("5820bs") });
    QVERIFY(sim.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return sim.canReadLine(); }, 5000));
    const std::string pty = sim.readLine().trimmed().toStdString();
    QVERIFY(pty.rfind("/dev/", 0) == 0);
    {
        GuiBench bench(GuiBench::MachinePorts{ pty });
        QVERIFY(bench.Start());
        QVERIFY(bench.App().Port().GetPortNumber() >= 10);
        QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
        QVERIFY(bench.Tabs().count() > 0);
        QCOMPARE(bench.Frame().TableChooser()->count(), 4);
    }
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    qunsetenv("KESTREL_PORT_REGISTRY");
}

QTEST_MAIN(PseudoTerminalTest)
#include "PseudoTerminalTest.moc"
