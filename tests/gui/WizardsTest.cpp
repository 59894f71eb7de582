// The data editing wizards in the desktop program, on the offscreen platform against the
// in-process simulated reader: the sheet's pages, both wizards with the picker and the command
// dialogs, Move Up/Down, OK then Write, and Cancel that changes nothing.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "device/CDevice.h"
#include "document/CQLMenuDoc.h"
#include "wizards/view/CControlCharDlg.h"
#include "wizards/view/CDataEditSheet.h"
#include "wizards/view/CFormatWizSheet.h"
#include "wizards/view/CPreSufWizardSheet.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

namespace {

void PickControlCharacters(QPushButton* button, std::initializer_list<int> codes)
{
    GuiBench::WithModal<CControlCharDlg>([&] { button->click(); }, [&](CControlCharDlg* picker) {
        for (const int code : codes)
            picker->PickRow(code);
        picker->accept();
    });
}

// Adds one command through "Select Command..." and "Data Formatter Command".
void AddCommand(CFormatWizSheet* wizard, int row, const QString& typed, std::initializer_list<int> picked)
{
    GuiBench::WithModal<CFormatCommandsDlg>([&] { wizard->SelectCommand()->click(); },
        [&](CFormatCommandsDlg* list) {
            list->List()->setCurrentRow(row);
            GuiBench::WithModal<CFormatCommandDlg>([&] { list->accept(); }, [&](CFormatCommandDlg* entry) {
                if (!typed.isEmpty())
                    QTest::keyClicks(entry->Field(0), typed);
                if (picked.size() > 0)
                    PickControlCharacters(entry->ControlChars(), picked);
                entry->accept();
            });
        });
}

void FinishWizard(QWizard* wizard)
{
    while (wizard->currentId() != wizard->pageIds().back())
        wizard->next();
    wizard->accept();
}

} // namespace

class WizardsTest : public QObject {
    Q_OBJECT
private slots:
    void EditsReachTheReaderThroughOkAndWrite();
    void CancelAfterDeleteAllChangesNothing();
    void PagesFollowTheReader();
    void BlockFieldsAreTheRecords();
};

void WizardsTest::EditsReachTheReaderThroughOkAndWrite()
{
    GuiBench bench("5820bs");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    QAction* entry = bench.Frame().Action(Command::DataEditingWizards);
    QVERIFY(entry->isEnabled());
    CDevice& device = *bench.Document().Device();
    const int table = device.CurrentTable();
    device.Blocks().GetPrefixSuffixList(table).clear();
    device.Blocks().GetDataFormatList(table).clear();

    bool done = false;
    GuiBench::WithModal<CDataEditSheet>([&] { entry->trigger(); }, [&](CDataEditSheet* sheet) {
        QCOMPARE(sheet->Tabs()->count(), 4);
        CPrefixSuffixPage* preSuf = sheet->PrefixSuffixPage(false);
        GuiBench::WithModal<CPreSufWizardSheet>([&] { preSuf->Button(QStringLiteral("Add"))->click(); },
            [&](CPreSufWizardSheet* wizard) {
                wizard->SymbologyList()->setCurrentText(QStringLiteral("Code 39"));
                wizard->next();
                wizard->PrefixRadio()->setChecked(true);
                wizard->next();
                PickControlCharacters(wizard->Data()->ControlChars(), { 13, 10 });
                wizard->Data()->InsertCodeId()->click();
                QCOMPARE(wizard->Data()->Field()->text(), QStringLiteral("[ CR][ LF]\\[0x80]"));
                wizard->accept();
            });
        QCOMPARE(preSuf->List()->count(), 1);
        preSuf->List()->setCurrentRow(0);
        GuiBench::WithModal<CPreSufDataDlg>([&] { preSuf->Button(QStringLiteral("Edit Suffix"))->click(); },
            [&](CPreSufDataDlg* dialog) {
                QTest::keyClicks(dialog->Editor()->Field(), QStringLiteral("!"));
                dialog->accept();
            });
        QVERIFY(preSuf->List()->item(0)->text().startsWith(QStringLiteral("Code 39")));
        QVERIFY(preSuf->List()->item(0)->text().endsWith(QStringLiteral("!                   ")));

        sheet->Tabs()->setCurrentIndex(1);
        CFormatPage* formats = sheet->FormatPage(false);
        GuiBench::WithModal<CFormatWizSheet>([&] { formats->Button(QStringLiteral("Add"))->click(); },
            [&](CFormatWizSheet* wizard) {
                while (wizard->currentId() != wizard->pageIds().back())
                    wizard->next();
                AddCommand(wizard, 4, QStringLiteral("5"), {}); // F5
                AddCommand(wizard, 0, QString(), { 13 }); // F1 and a carriage return
                QCOMPARE(wizard->Commands()->toPlainText(), QStringLiteral("{F5}05{F1}[ CR]"));
                wizard->accept();
            });
        GuiBench::WithModal<CFormatWizSheet>([&] { formats->Button(QStringLiteral("Add"))->click(); },
            [&](CFormatWizSheet* wizard) {
                while (wizard->currentId() != wizard->pageIds().back())
                    wizard->next();
                wizard->Commands()->setPlainText(QStringLiteral("{EA}"));
                FinishWizard(wizard);
            });
        QCOMPARE(formats->List()->count(), 2);
        formats->List()->setCurrentRow(1);
        formats->Button(QStringLiteral("Move Up"))->click();
        QVERIFY(formats->List()->item(0)->text().contains(QStringLiteral("{EA}")));
        QCOMPARE(formats->List()->currentRow(), 0);
        formats->Button(QStringLiteral("Move Down"))->click();
        QVERIFY(formats->List()->item(0)->text().contains(QStringLiteral("{F5}05{F1}[ CR]")));
        QCOMPARE(formats->List()->currentRow(), 1);
        // Try It runs the rules as the pages hold them, before OK.
        formats->findChild<QLineEdit*>(QStringLiteral("TryItSample"))->setText(QStringLiteral("Code 39=1234"));
        formats->Button(QStringLiteral("Try It"))->click();
        const QString tried = formats->findChild<QPlainTextEdit*>(QStringLiteral("TryItOutput"))->toPlainText();
        QVERIFY2(tried.startsWith(QStringLiteral("Sent: [ CR][ LF]b1234!")), qPrintable(tried));
        done = true;
        sheet->accept();
    });
    QVERIFY(done);
    QVERIFY(bench.Document().IsModified());
    // The block field shows the records.
    const ControlBinding* field = bench.Binding("PREBK2");
    QVERIFY(field);
    QCOMPARE(qobject_cast<QLineEdit*>(bench.Widget(*field))->text(), QStringLiteral("620d0a5c80|"));

    QVERIFY(bench.Document().WriteCurrentTable());
    QCOMPARE(bench.ReaderValue("PREBK2"), std::string("620d0a5c80|"));
    QCOMPARE(bench.ReaderValue("SUFBK2"), std::string("6221|"));
    const std::string formatsRead = bench.ReaderValue("DFMBK3");
    QVERIFY2(formatsRead.find("F505F10d|") != std::string::npos, formatsRead.c_str());
    QVERIFY2(formatsRead.find("EA|") > formatsRead.find("F505F10d|"), formatsRead.c_str());
    // Read back from the reader, the records are the ones written.
    const auto& list = bench.Document().Device()->Blocks().GetDataFormatList(bench.Document().Device()->CurrentTable());
    QCOMPARE(list.size(), size_t(2));
    QCOMPARE(QString::fromStdString(list[0].GetCommands()), QStringLiteral("{F5}05{F1}[ CR]"));
}

void WizardsTest::CancelAfterDeleteAllChangesNothing()
{
    GuiBench bench("5820bs");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    CDevice& device = *bench.Document().Device();
    CPreSufEntry prefix(CPreSufEntry::kPrefix, "Code 39");
    prefix.SetData("A");
    device.Blocks().GetPrefixSuffixList(device.CurrentTable()).push_back(prefix);
    const CBlockSet before = device.Blocks();
    const bool modified = bench.Document().IsModified();
    GuiBench::WithModal<CDataEditSheet>([&] { bench.Frame().Action(Command::DataEditingWizards)->trigger(); },
        [&](CDataEditSheet* sheet) {
            sheet->PrefixSuffixPage(false)->Button(QStringLiteral("Delete All"))->click();
            sheet->FormatPage(false)->Button(QStringLiteral("Delete All"))->click();
            QCOMPARE(sheet->PrefixSuffixPage(false)->List()->count(), 0);
            sheet->reject();
        });
    QVERIFY(device.Blocks() == before);
    QCOMPARE(bench.Document().IsModified(), modified);
}

void WizardsTest::PagesFollowTheReader()
{
    {
        GuiBench bench("3800lr");
        QVERIFY(bench.Start());
        QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
        int pages = 0;
        GuiBench::WithModal<CDataEditSheet>([&] { bench.Frame().Action(Command::DataEditingWizards)->trigger(); },
            [&](CDataEditSheet* sheet) {
                pages = sheet->Tabs()->count();
                sheet->reject();
            });
        QCOMPARE(pages, 2);
    }
    GuiBench bench("hm7");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    QVERIFY(!bench.Frame().Action(Command::DataEditingWizards)->isEnabled());
}

void WizardsTest::BlockFieldsAreTheRecords()
{
    GuiBench bench("5820bs");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    CQLMenuDoc& document = bench.Document();
    CDevice& device = *document.Device();
    const int table = device.CurrentTable();
    const ControlBinding* binding = bench.Binding("PREBK2");
    QVERIFY(binding);
    auto* field = qobject_cast<QLineEdit*>(bench.Widget(*binding));
    QVERIFY(field);
    QVERIFY(field->actions().size() == 1); // the button that opens the sheet on its page

    // Text that does not parse is refused with its position and keeps the focus.
    field->setText(QStringLiteral("620d0"));
    document.OnEditKillFocus(binding->controlId);
    QVERIFY(bench.SawMessage("PREBK2: the data ends in half a hexadecimal pair at character 5."));
    QVERIFY(!document.ValidationGate());

    // So is a block longer than the reader holds.
    field->setText(QStringLiteral("62") + QString(400, QLatin1Char('a')));
    document.OnEditKillFocus(binding->controlId);
    QVERIFY(bench.SawMessage("PREBK2 would hold 403 characters, 3 more than the reader's maximum of 400."));
    QVERIFY(!document.ValidationGate());

    // Text that parses becomes the table's records, and the field shows them.
    field->setText(QStringLiteral("6241 | 6a0D"));
    document.OnEditKillFocus(binding->controlId);
    const auto& list = device.Blocks().GetPrefixSuffixList(table);
    QCOMPARE(std::count_if(list.begin(), list.end(), [](const CPreSufEntry& e) { return e.IsPrefix(); }), 2L);
    QCOMPARE(field->text(), QStringLiteral("6241|6A0d|"));
    QVERIFY(document.IsModified());

    // The prefix defaults button clears the prefix records as well.
    const ControlBinding* defaults = bench.Binding("PREDFT");
    QVERIFY(defaults);
    document.OnButton(defaults->controlId);
    QCOMPARE(field->text(), QString());
    QVERIFY(std::none_of(list.begin(), list.end(), [](const CPreSufEntry& e) { return e.IsPrefix(); }));
}

QTEST_MAIN(WizardsTest)
#include "WizardsTest.moc"
