// `kestrel FILE.kst`: the document named on the command line is opened once start-up is done,
// in place of the start-up choice; a document that cannot be opened is reported and the
// start-up choice follows, so the user is never left with an empty window.
#include "GuiBench.h"

#include "app/view/CConfigSourceDlg.h"
#include "app/view/CMainFrame.h"
#include "document/CQLMenuDoc.h"
#include "document/view/CMainTabView.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>

namespace {

// One start of the desktop program with a document on its command line, in scratch hives,
// recording the messages it shows and how often the start-up choice came up (each time it is
// cancelled).
struct StartWithDocument {
    QTemporaryDir dir;
    std::unique_ptr<CKestrelApp> app;
    std::vector<std::string> messages;
    int choicesShown = 0;
    bool started = false;

    explicit StartWithDocument(const std::string& documentPath)
    {
        ::setenv("KESTREL_USER_HIVE", dir.filePath(QStringLiteral("user.hive")).toLocal8Bit().constData(), 1);
        ::setenv("KESTREL_MACHINE_HIVE", dir.filePath(QStringLiteral("machine.hive")).toLocal8Bit().constData(), 1);
        app = std::make_unique<CKestrelApp>();
        app->Host().SetMessageHook([this](const std::string& text, MsgButtons buttons, MsgIcon, int defaultButton) {
            messages.push_back(text);
            return std::optional<MsgAnswer>(DefaultMessageAnswer(buttons, defaultButton));
        });
        QTimer watcher;
        watcher.setInterval(20);
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            auto* choice = qobject_cast<CConfigSourceDlg*>(QApplication::activeModalWidget());
            if (!choice || !choice->isVisible())
                return;
            ++choicesShown;
            choice->Button(ConfigChoice::Cancel)->click();
        });
        watcher.start();
        AppOptions options;
        options.startup.dataFolder = KESTREL_SOURCE_DATA_DIR;
        options.startup.currentDirectory = dir.path().toStdString();
        options.startup.advancedUserPrivileges = 0;
        options.waitForSplash = false;
        options.showStartupChoice = true; // as a user's start: the choice runs unless the document opened
        options.documentPath = documentPath;
        started = app->InitInstance(options);
    }
};

// A document saved from the simulated 3800 reader.
std::string SavedDocument(const QTemporaryDir& dir)
{
    GuiBench bench("3800lr");
    if (!bench.Start() || !bench.Frame().ConnectToDevice())
        return {};
    const std::string path = dir.filePath(QStringLiteral("office.kst")).toStdString();
    return bench.Document().Save(path) ? path : std::string();
}

} // namespace

class OpenAtStartTest : public QObject {
    Q_OBJECT
private slots:
    void OpensTheDocumentInsteadOfTheChoice();
    void UnreadableDocumentIsReportedThenChoiceRuns_data();
    void UnreadableDocumentIsReportedThenChoiceRuns();
};

void OpenAtStartTest::OpensTheDocumentInsteadOfTheChoice()
{
    QTemporaryDir files;
    const std::string path = SavedDocument(files);
    QVERIFY(!path.empty());

    StartWithDocument start(path);
    QVERIFY(start.started);
    QCOMPARE(start.choicesShown, 0);
    QVERIFY2(start.messages.empty(), start.messages.empty() ? "" : start.messages.front().c_str());
    CMainFrame& frame = *start.app->Frame();
    QCOMPARE(frame.DocumentPath(), path);
    QVERIFY(frame.windowTitle().startsWith(QStringLiteral("office.kst - ")));
    QVERIFY(frame.TabView()->count() > 0);
    QVERIFY(!start.app->Document()->IsModified());
    QCOMPARE(frame.RecentFiles().value(0), QString::fromStdString(path));
}

void OpenAtStartTest::UnreadableDocumentIsReportedThenChoiceRuns_data()
{
    QTest::addColumn<QByteArray>("contents"); // empty: no file at all
    QTest::addColumn<QString>("messageStart");
    QTest::newRow("missing") << QByteArray() << QStringLiteral("Unable to open the file ");
    QTest::newRow("truncated") << QByteArray("\x00\x08" "80001005\xE7\x03", 12)
                               << QStringLiteral("The file could not be read. It is damaged or incomplete: ");
    QTest::newRow("not a document") << QByteArray("<html>a web page saved as .kst</html>\n")
                                    << QStringLiteral("The file could not be read. It is damaged or incomplete: ");
}

void OpenAtStartTest::UnreadableDocumentIsReportedThenChoiceRuns()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, messageStart);
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("broken.kst"));
    if (!contents.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    StartWithDocument start(path.toStdString());
    QVERIFY(start.started);
    QCOMPARE(start.messages.size(), size_t(1));
    QVERIFY2(QString::fromStdString(start.messages.front()).startsWith(messageStart), start.messages.front().c_str());
    QCOMPARE(start.choicesShown, 1);
    QVERIFY(start.app->Frame()->DocumentPath().empty());
    QCOMPARE(start.app->Frame()->TabView()->count(), 0);
    QVERIFY(start.app->Frame()->RecentFiles().isEmpty());
}

QTEST_MAIN(OpenAtStartTest)
#include "OpenAtStartTest.moc"
