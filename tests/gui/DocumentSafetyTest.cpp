// What a user must never lose: edits of any kind get the "Save changes" question, Save never
// writes over the file of a document the window no longer shows, bytes above 0x7F survive the
// widgets, and the pages, panes and chooser describe the document that is actually open.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "catalog/CDeviceSetting.h"
#include "catalog/TabDefinitions.h"
#include "device/CDevice.h"
#include "document/CQLMenuDoc.h"
#include "document/view/CFileDescriptionDlg.h"
#include "document/view/CMainTabView.h"
#include "platform/Archive.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Settings that move the line or the reader's interface are left alone.
bool TouchesLine(const std::string& tag)
{
    return tag.rfind("232", 0) == 0 || tag == "TERMID" || tag.rfind("AUX", 0) == 0;
}

// Answers every file dialog with `path` and counts the Save dialogs.
struct FileAnswers {
    std::string path;
    int saveDialogs = 0;
    bool accept = true;
};

void AnswerFiles(GuiBench& bench, FileAnswers& answers)
{
    bench.App().Host().SetFileHook([&answers](const FileRequest& request, std::string& chosen) {
        if (request.kind == FileDialogKind::Save)
            ++answers.saveDialogs;
        chosen = answers.path;
        return answers.accept;
    });
}

// Picks the catalog row whose product name holds `text` in "Choose a Device".
void ChooseRow(GuiBench& bench, const std::string& text)
{
    bench.App().Host().SetChooserHook([text](const std::vector<DeviceChoice>& rows) {
        for (const DeviceChoice& row : rows)
            if (row.productName.find(text) != std::string::npos)
                return row.row;
        return rows.empty() ? -1 : rows.front().row;
    });
}

const ControlBinding* FindControl(GuiBench& bench, const std::function<bool(const ControlBinding&)>& wanted)
{
    for (const ControlBinding& binding : bench.Document().Bindings())
        if (!TouchesLine(bench.Setting(binding).tag) && bench.Widget(binding)->isEnabled() && wanted(binding))
            return &binding;
    return nullptr;
}

} // namespace

class DocumentSafetyTest : public QObject {
    Q_OBJECT
private slots:
    void EveryKindOfEditAsksBeforeClosing();
    void ReplacedDocumentIsUntitled();
    void OtherFormatNumberLeavesNoStalePath();
    void SaveNeedsADeviceAndValidInput();
    void BytesAboveAsciiSurviveTheWidgets();
    void DropDownsCarryTheirCaption();
    void PagesFillTheWindowAsItIs();
    void DamagedFileFromStartupChoiceShowsTheChoiceAgain();
    void ReaderIdentifiedByHandKeepsItsRow();
};

void DocumentSafetyTest::EveryKindOfEditAsksBeforeClosing()
{
    GuiBench bench("hm7");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    FileAnswers files { bench.TempPath(QStringLiteral("edits.kst")).toStdString() };
    AnswerFiles(bench, files);
    CMainTabView& tabs = bench.Tabs();

    const std::vector<std::pair<const char*, std::function<bool(const ControlBinding&)>>> kinds = {
        { "check box",
          [&](const ControlBinding& b) {
              if (b.controlType != ControlType::Check)
                  return false;
              auto* box = qobject_cast<QCheckBox*>(bench.Widget(b));
              tabs.BringPageToFront(b.pageIndex);
              QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
              return true;
          } },
        { "radio button",
          [&](const ControlBinding& b) {
              auto* button = qobject_cast<QRadioButton*>(bench.Widget(b));
              if (!button || button->isChecked())
                  return false;
              tabs.BringPageToFront(b.pageIndex);
              button->click();
              return true;
          } },
        { "edit field",
          [&](const ControlBinding& b) {
              const CDeviceSetting& setting = bench.Setting(b);
              if (b.controlType != ControlType::Edit || setting.minimum >= setting.maximum)
                  return false;
              auto* field = qobject_cast<QLineEdit*>(bench.Widget(b));
              tabs.BringPageToFront(b.pageIndex);
              field->setFocus();
              field->selectAll();
              QTest::keyClicks(field, QString::number(setting.minimum));
              return true;
          } },
    };
    for (const auto& [kind, change] : kinds) {
        // Start from a saved document, so only the change below can make it modified.
        QVERIFY2(bench.Frame().SaveDocument(), kind);
        QVERIFY(!bench.Document().IsModified());
        QVERIFY2(FindControl(bench, change), kind);
        bench.messages.clear();
        bench.answers = { MsgAnswer::Cancel };
        QVERIFY2(!bench.Frame().close(), kind);
        QVERIFY2(bench.SawMessage("Save changes to edits.kst?"), kind);
    }
}

void DocumentSafetyTest::ReplacedDocumentIsUntitled()
{
    GuiBench bench("3800lr");
    QVERIFY(bench.Start());
    ChooseRow(bench, "3800");
    const std::string site = bench.TempPath(QStringLiteral("siteA.kst")).toStdString();
    FileAnswers files { site };
    AnswerFiles(bench, files);
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Offline }), CConfigSourceDlg::kConfigured);
    QVERIFY(bench.Frame().SaveDocumentAs());
    const std::string saved = ReadAll(site);

    // Each way the window's document is replaced by another: the title says "Untitled" and
    // the next Save asks for a name instead of writing over siteA.kst.
    const std::vector<std::pair<const char*, std::function<void()>>> replacements = {
        { "Detect New Device", [&] { bench.Frame().Action(Command::DetectDevice)->trigger(); } },
        { "Offline Configure", [&] { bench.Frame().Action(Command::OfflineConfigure)->trigger(); } },
        { "re-detect after a write", [&] { bench.Frame().Action(Command::WriteSettings)->trigger(); } },
    };
    for (const auto& [how, replace] : replacements) {
        QVERIFY2(bench.Frame().OpenDocument(site), how);
        QCOMPARE(bench.Frame().DocumentPath(), site);
        replace();
        QVERIFY2(bench.Frame().DocumentPath().empty(), how);
        QVERIFY2(bench.Frame().windowTitle().startsWith(QStringLiteral("Untitled")), how);
        files.saveDialogs = 0;
        files.accept = false;
        bench.Frame().SaveDocument();
        QCOMPARE(files.saveDialogs, 1);
        files.accept = true;
        QCOMPARE(ReadAll(site), saved);
    }
}

void DocumentSafetyTest::OtherFormatNumberLeavesNoStalePath()
{
    GuiBench bench("5820bs");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    const std::string good = bench.TempPath(QStringLiteral("good.kst")).toStdString();
    FileAnswers files { good };
    AnswerFiles(bench, files);
    QVERIFY(bench.Frame().SaveDocumentAs());
    QVERIFY(bench.Frame().OpenDocument(good));
    QVERIFY(bench.Frame().TableChooserAction()->isVisible());
    const QString readerName = bench.Frame().DevicePane()->text();

    // The same entry, with a device of format 31.
    CArchiveWriter archive;
    archive.WriteString("older");
    WriteDeviceName(archive, bench.Document().DocumentEntry());
    archive.WriteInt32(31);
    const std::string old = bench.TempPath(QStringLiteral("old.kst")).toStdString();
    {
        std::ofstream out(old, std::ios::binary);
        const std::string bytes = archive.TakeBytes();
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    QVERIFY(!bench.Frame().OpenDocument(old));
    QVERIFY(bench.SawMessage(CQLMenuDoc::kNotCompatibleFile));
    QVERIFY(bench.Frame().DocumentPath().empty());
    QVERIFY(bench.Frame().windowTitle().startsWith(QStringLiteral("Untitled")));
    // The chooser and the panes no longer speak of the reader of good.kst.
    QVERIFY(!bench.Frame().TableChooserAction()->isVisible());
    QVERIFY(bench.Frame().DevicePane()->text() != readerName);
    QVERIFY(bench.Frame().BuildPane()->text() != QStringLiteral("Tabs Built Online"));
    files.saveDialogs = 0;
    files.accept = false;
    bench.Frame().SaveDocument();
    QCOMPARE(files.saveDialogs, 1);
}

void DocumentSafetyTest::SaveNeedsADeviceAndValidInput()
{
    GuiBench bench("3800lr");
    QVERIFY(bench.Start());
    bench.Frame().UpdateCommandStates();
    QVERIFY(!bench.Frame().Action(Command::Save)->isEnabled());
    QVERIFY(!bench.Frame().Action(Command::SaveAs)->isEnabled());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    bench.Frame().UpdateCommandStates();
    QVERIFY(bench.Frame().Action(Command::Save)->isEnabled());

    const ControlBinding* target = FindControl(bench, [&](const ControlBinding& b) {
        return b.controlType == ControlType::Edit && bench.Setting(b).minimum < bench.Setting(b).maximum;
    });
    QVERIFY(target);
    const int maximum = bench.Setting(*target).maximum;
    auto* field = qobject_cast<QLineEdit*>(bench.Widget(*target));
    bench.Tabs().BringPageToFront(target->pageIndex);
    field->setFocus();
    QVERIFY(QTest::qWaitFor([field] { return field->hasFocus(); }, 1000) || QApplication::focusWidget() == field);
    field->setText(QString::number(static_cast<long long>(maximum) + 1));
    const std::string path = bench.TempPath(QStringLiteral("range.kst")).toStdString();
    FileAnswers files { path };
    AnswerFiles(bench, files);
    bench.messages.clear();
    QVERIFY(!bench.Frame().SaveDocumentAs());
    QVERIFY(!bench.messages.empty());
    QVERIFY(bench.messages.front().text.rfind("Please enter a value between", 0) == 0);
    QVERIFY(!QFile::exists(QString::fromStdString(path)));
}

void DocumentSafetyTest::BytesAboveAsciiSurviveTheWidgets()
{
    GuiBench bench("3800lr");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    const ControlBinding* target = FindControl(bench, [](const ControlBinding& b) {
        return b.controlType == ControlType::Edit || b.controlType == ControlType::EditReadOnly;
    });
    QVERIFY(target);
    const std::string bytes = "A\x80\xE9\xFFz";
    bench.Tabs().SetText(target->controlId, bytes);
    QCOMPARE(bench.Tabs().GetText(target->controlId), bytes);

    // The description keeps its bytes and is cut at 1000 characters; characters that have no
    // byte of their own are not taken.
    std::string long_text = "caf\xE9";
    long_text.append(1200, '\xB5');
    CFileDescriptionDlg dialog(long_text, nullptr);
    QCOMPARE(dialog.Description(), long_text.substr(0, 1000));
    auto* editor = dialog.findChild<QPlainTextEdit*>();
    QVERIFY(editor);
    editor->setPlainText(QStringLiteral("x\u20ACy\u00E9"));
    QCOMPARE(dialog.Description(), std::string("xy\xE9"));
}

void DocumentSafetyTest::DropDownsCarryTheirCaption()
{
    GuiBench bench("5820bs");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    int lists = 0;
    for (const ControlBinding& binding : bench.Document().Bindings()) {
        if (binding.controlType != ControlType::ComboBox)
            continue;
        ++lists;
        QWidget* list = bench.Widget(binding);
        QVERIFY(list);
        bool labelled = false;
        for (QLabel* label : list->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            const QRect a = label->geometry();
            const QRect b = list->geometry();
            if (label->text() == QString::fromLatin1(binding.caption.c_str()) && a.right() < b.left()
                && std::abs(a.center().y() - b.center().y()) <= b.height())
                labelled = true;
        }
        QVERIFY2(labelled, binding.caption.c_str());
    }
    QVERIFY(lists > 0);
}

void DocumentSafetyTest::PagesFillTheWindowAsItIs()
{
    GuiBench bench("hm7");
    QVERIFY(bench.Start());
    bench.Frame().showNormal();
    bench.Frame().resize(1400, 1100);
    QCoreApplication::processEvents();
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    int width = 0, height = 0;
    QVERIFY(bench.Tabs().PageArea(width, height));
    int tallest = 0;
    for (const PageTemplate& page : bench.Document().Pages())
        tallest = std::max(tallest, bench.App().Measurer().ToPixelsY(page.cy));
    // The screen of the offscreen platform is 800 x 600; pages laid out for it stay below 480
    // pixels, pages laid out for this window use its height.
    QVERIFY2(tallest > 600, qPrintable(QString::number(tallest)));
    QVERIFY2(tallest <= height, qPrintable(QStringLiteral("%1 > %2").arg(tallest).arg(height)));
}

void DocumentSafetyTest::DamagedFileFromStartupChoiceShowsTheChoiceAgain()
{
    GuiBench bench("");
    QVERIFY(bench.Start());
    const std::string path = bench.TempPath(QStringLiteral("damaged.kst")).toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        out << "\x05short";
    }
    FileAnswers files { path };
    AnswerFiles(bench, files);
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::LoadFile, ConfigChoice::Cancel }), CConfigSourceDlg::kCancelled);
    files.path = bench.TempPath(QStringLiteral("missing.kst")).toStdString();
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::LoadFile, ConfigChoice::Cancel }), CConfigSourceDlg::kCancelled);
}

void DocumentSafetyTest::ReaderIdentifiedByHandKeepsItsRow()
{
    // A 3800 whose firmware reports a base number the catalog has never heard of.
    const QString profile = QString::fromLatin1(KESTREL_SIM_PROFILE_DIR) + QStringLiteral("/3800lr.profile");
    QFile in(profile);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QString text = QString::fromLatin1(in.readAll());
    text.replace(QStringLiteral("QX80001005-012"), QStringLiteral("QX99999999-012"));
    QTemporaryDir dir;
    const QString unknown = dir.filePath(QStringLiteral("unknown.profile"));
    QFile out(unknown);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text.toLatin1());
    out.close();

    GuiBench bench(unknown.toStdString());
    QVERIFY(bench.Start());
    std::string chosen;
    bench.App().Host().SetChooserHook([&chosen](const std::vector<DeviceChoice>& rows) {
        for (const DeviceChoice& row : rows)
            if (row.productName.find("3800") != std::string::npos) {
                chosen = row.productName;
                return row.row;
            }
        return -1;
    });
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    QVERIFY(!chosen.empty());
    bench.Frame().UpdateCommandStates();
    QVERIFY(bench.Frame().Action(Command::WriteSettings)->isEnabled());
    QCOMPARE(bench.Frame().DevicePane()->text(), QString::fromStdString(chosen));
    int extra = 0;
    for (const ControlBinding& binding : bench.Document().Bindings())
        extra += bench.Tabs().tabText(binding.pageIndex) == QStringLiteral("Extra Settings");
    QVERIFY2(extra * 2 < static_cast<int>(bench.Document().Bindings().size()),
             qPrintable(QStringLiteral("%1 of %2 on Extra Settings").arg(extra).arg(bench.Document().Bindings().size())));
}

QTEST_MAIN(DocumentSafetyTest)
#include "DocumentSafetyTest.moc"
