// The desktop program end to end on the offscreen platform: the start-up choice, connecting
// to the simulated reader, changing controls of every kind on the generated pages, writing,
// range checks, refused commands, offline configuration, save and reopen, the table chooser
// and the Preferences dialog.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "app/view/HelpWindow.h"
#include "app/view/CPreferencesDlg.h"
#include "app/view/SplashDisplay.h"
#include "catalog/CDeviceSetting.h"
#include "catalog/TabDefinitions.h"
#include "device/CDevice.h"
#include "document/CQLMenuDoc.h"
#include "document/view/CCommandErrorsDlg.h"
#include "document/view/CMainTabView.h"
#include "sim/ReaderModel.h"
#include "ui/ChooseDeviceDlg.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <set>

namespace {

constexpr const char* kAllWritten = "Changes successfully written to the device.";
constexpr const char* kNotAllWritten
    = "ERROR - Not all changes were written to the device. If any values on the Communications tab were changed, "
      "these values may not have been successfully written. Please check the Communication tab.";

// Settings that change the line itself are left alone: writing them would move the reader
// off the rate the test talks at.
bool TouchesLine(const std::string& tag)
{
    return tag.rfind("232", 0) == 0 || tag == "TERMID" || tag.rfind("AUX", 0) == 0;
}

// The page captions the tab file can produce for a device, in order, without repeats in a row.
std::set<QString> TabCaptions()
{
    std::set<QString> captions = { QStringLiteral("Extra Settings") };
    for (int i = 0; i < TheTabDefinitions().RowCount(); ++i)
        captions.insert(QString::fromStdString(TheTabDefinitions().Row(i).tab));
    return captions;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void StartupShowsWindowAndSplashQuickly();
    void ConnectChangeEveryKindAndWrite();
    void OutOfRangeEditBlocksWrite();
    void RefusedCommandShowsCommandErrors();
    void FailedConnectReturnsToChoiceUntilCancel();
    void OfflineConfigureSaveAndReopen();
    void TableChooserSwitchesTables();
    void PreferencesWithoutPortsCannotBeConfirmed();
    void PreferencesStoresChoices();
    void CommandStatesFollowPagesAndDevice();
    void ChooseDeviceInsistsOnAChoice();
    void RightClickShowsHelpTopic();
    void RadioGroupWithoutMatchingValueShowsNoChoice();
};

void MainWindowTest::StartupShowsWindowAndSplashQuickly()
{
    GuiBench bench("3800lr");
    QElapsedTimer clock;
    clock.start();
    QVERIFY(bench.Start());
    QVERIFY(bench.Frame().isVisible());
    QVERIFY(bench.App().Splash() && bench.App().Splash()->isVisible());
    QCOMPARE(bench.App().Splash()->VersionText(), QStringLiteral("Version: 4.2.7"));
    QCOMPARE(bench.App().Splash()->BuildText(), QStringLiteral("WIN32 Release Build 4711"));
    qInfo("main window and splash shown after %lld ms", bench.App().ShownAfterMs());
    QVERIFY(bench.App().ShownAfterMs() < 1000);
    // Before any device the panes say so and the device commands that need one are greyed.
    QCOMPARE(bench.Frame().DevicePane()->text(), QStringLiteral("No Connected Device"));
    QVERIFY(!bench.Frame().Action(Command::WriteSettings)->isEnabled());
    QVERIFY(!bench.Frame().Action(Command::WriteRadioFirmware)->isEnabled());
    QVERIFY(!bench.Frame().TableChooserAction()->isVisible());
}

void MainWindowTest::ConnectChangeEveryKindAndWrite()
{
    GuiBench bench("hm7");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    CMainTabView& tabs = bench.Tabs();
    QVERIFY(tabs.count() > 1);
    const std::set<QString> captions = TabCaptions();
    for (int i = 0; i < tabs.count(); ++i)
        QVERIFY2(captions.count(tabs.tabText(i)), qPrintable(tabs.tabText(i)));
    QCOMPARE(bench.Frame().BuildPane()->text(), QStringLiteral("Tabs Built Online"));

    // One control of each kind, on settings that leave the line alone.
    std::map<std::string, std::string> expected;
    bool check = false, radio = false, combo = false, edit = false;
    for (const ControlBinding& binding : bench.Document().Bindings()) {
        const CDeviceSetting& setting = bench.Setting(binding);
        if (TouchesLine(setting.tag) || expected.count(setting.tag))
            continue;
        QWidget* widget = bench.Widget(binding);
        QVERIFY(widget);
        if (!check && binding.controlType == "CHECK" && widget->isEnabled()) {
            auto* box = qobject_cast<QCheckBox*>(widget);
            tabs.BringPageToFront(binding.pageIndex);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            expected[setting.tag] = std::string(1, box->isChecked() ? '1' : '0');
            check = true;
        } else if (!radio && (binding.controlType == "RADIO1" || binding.controlType == "RADIO2")) {
            auto* button = qobject_cast<QRadioButton*>(widget);
            if (button->isChecked())
                continue;
            tabs.BringPageToFront(binding.pageIndex);
            button->click();
            expected[setting.tag] = setting.allowedValues[static_cast<size_t>(binding.optionIndex)];
            radio = true;
        } else if (!combo && binding.controlType == "COMBOBOX") {
            auto* list = qobject_cast<QComboBox*>(widget);
            if (list->count() < 2)
                continue;
            const int next = (list->currentIndex() + 1) % list->count();
            list->setCurrentIndex(next);
            emit list->activated(next);
            expected[setting.tag] = bench.Document().Device()->Settings()[static_cast<size_t>(binding.settingIndex)]
                                        .ValueForDevice(bench.Document().Device()->CurrentTable());
            combo = true;
        } else if (!edit && binding.controlType == "EDIT" && setting.minimum < setting.maximum) {
            auto* field = qobject_cast<QLineEdit*>(widget);
            const std::string value = std::to_string(field->text() == QString::number(setting.minimum)
                                                         ? setting.minimum + 1
                                                         : setting.minimum);
            tabs.BringPageToFront(binding.pageIndex);
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, QString::fromStdString(value));
            expected[setting.tag] = value;
            edit = true;
        }
    }
    QVERIFY(check && radio && combo && edit);
    bench.messages.clear();
    bench.Frame().Action(Command::WriteSettings)->trigger();
    QVERIFY2(bench.commandErrors.empty(),
             qPrintable(bench.commandErrors.empty() ? QString()
                                                    : (bench.commandErrors[0][0] + bench.commandErrors[0][1]
                                                       + bench.commandErrors[0][2]).join(QLatin1Char('|'))));
    QVERIFY2(bench.SawMessage(kAllWritten), bench.messages.empty() ? "no message" : bench.messages[0].text.c_str());
    for (const auto& [tag, value] : expected)
        QCOMPARE(bench.ReaderValue(tag), value);
    // The write read everything back and rebuilt the pages from the reader.
    QVERIFY(bench.Tabs().count() > 1);
}

void MainWindowTest::OutOfRangeEditBlocksWrite()
{
    GuiBench bench("3800lr");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    const ControlBinding* target = nullptr;
    for (const ControlBinding& binding : bench.Document().Bindings()) {
        const CDeviceSetting& setting = bench.Setting(binding);
        if (binding.controlType == "EDIT" && setting.minimum < setting.maximum && !TouchesLine(setting.tag)) {
            target = &binding;
            break;
        }
    }
    QVERIFY(target);
    const int id = target->controlId;
    const std::string tag = bench.Setting(*target).tag;
    const int maximum = bench.Setting(*target).maximum;
    const std::string before = bench.ReaderValue(tag);
    auto* field = qobject_cast<QLineEdit*>(bench.Tabs().ControlWidget(id));
    bench.Tabs().BringPageToFront(target->pageIndex);
    field->setFocus();
    QVERIFY(QTest::qWaitFor([field] { return field->hasFocus(); }, 1000) || QApplication::focusWidget() == field);
    field->setText(QString::number(static_cast<long long>(maximum) + 1));
    // Show another page so the write starts while the field is out of sight.
    bench.Tabs().BringPageToFront(target->pageIndex == 0 ? 1 : 0);
    bench.messages.clear();
    bench.Frame().Action(Command::WriteSettings)->trigger();
    QVERIFY(!bench.messages.empty());
    QCOMPARE(QString::fromStdString(bench.messages.front().text),
             QStringLiteral("Please enter a value between %1 and %2").arg(bench.Setting(*bench.Binding(tag)).minimum)
                 .arg(maximum));
    QVERIFY(!bench.SawMessage(kAllWritten));
    QCOMPARE(bench.ReaderValue(tag), before);
    QCOMPARE(bench.Tabs().currentIndex(), bench.Binding(tag)->pageIndex);
    QCOMPARE(bench.Tabs().FocusedControl(), id);
}

void MainWindowTest::RefusedCommandShowsCommandErrors()
{
    GuiBench bench("3800lr");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    // A check box whose setting the reader no longer knows: its write is answered ENQ.
    const ControlBinding* target = nullptr;
    for (const ControlBinding& binding : bench.Document().Bindings())
        if (binding.controlType == "CHECK" && bench.Widget(binding)->isEnabled()
            && !TouchesLine(bench.Setting(binding).tag)) {
            target = &binding;
            break;
        }
    QVERIFY(target);
    const std::string tag = bench.Setting(*target).tag;
    const QString caption = QString::fromStdString(target->caption);
    auto& known = bench.Reader()->Model().Settings();
    const auto before = known.size();
    known.erase(std::remove_if(known.begin(), known.end(), [&](const SettingState& s) { return s.profile.tag == tag; }),
                known.end());
    QCOMPARE(known.size(), before - 1);
    qobject_cast<QCheckBox*>(bench.Widget(*target))->toggle();
    bench.messages.clear();
    bench.Frame().Action(Command::WriteSettings)->trigger();
    QCOMPARE(bench.commandErrors.size(), size_t(1));
    const QStringList notKnown = bench.commandErrors[0][0];
    QVERIFY(bench.SawMessage(kNotAllWritten));
    QVERIFY2(notKnown.contains(caption), qPrintable(notKnown.join(QLatin1Char('|'))));
}

void MainWindowTest::FailedConnectReturnsToChoiceUntilCancel()
{
    GuiBench bench(""); // nothing on the line
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect, ConfigChoice::Connect, ConfigChoice::Cancel }),
             CConfigSourceDlg::kCancelled);
    int unable = 0;
    for (const ShownMessage& message : bench.messages)
        unable += message.text == CQLMenuDoc::kUnableToConnect;
    QCOMPARE(unable, 2);
    // Cancelling the file dialog of "Load Config From File" also brings the choice back.
    bench.App().Host().SetFileHook([](const FileRequest&, std::string&) { return false; });
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::LoadFile, ConfigChoice::Cancel }), CConfigSourceDlg::kCancelled);
}

void MainWindowTest::OfflineConfigureSaveAndReopen()
{
    GuiBench bench("");
    QVERIFY(bench.Start());
    std::string chosenName;
    bench.App().Host().SetChooserHook([&](const std::vector<DeviceChoice>& rows) {
        for (const DeviceChoice& row : rows)
            if (row.productName.find("5820") != std::string::npos) {
                chosenName = row.productName;
                return row.row;
            }
        return rows.empty() ? -1 : rows.front().row;
    });
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Offline }), CConfigSourceDlg::kConfigured);
    QVERIFY(bench.Tabs().count() > 0);
    QCOMPARE(bench.Frame().BuildPane()->text(), QStringLiteral("Tabs Built Offline"));

    // Change a check box, then save under a name.
    const ControlBinding* target = nullptr;
    for (const ControlBinding& binding : bench.Document().Bindings())
        if (binding.controlType == "CHECK" && bench.Widget(binding)->isEnabled()) {
            target = &binding;
            break;
        }
    QVERIFY(target);
    const std::string tag = bench.Setting(*target).tag;
    auto* box = qobject_cast<QCheckBox*>(bench.Widget(*target));
    box->toggle();
    const bool checked = box->isChecked();
    QStringList captions;
    for (int i = 0; i < bench.Tabs().count(); ++i)
        captions << bench.Tabs().tabText(i);

    const std::string path = bench.TempPath(QStringLiteral("offline.kst")).toStdString();
    bench.App().Host().SetFileHook([&](const FileRequest& request, std::string& chosen) {
        chosen = path;
        return request.kind == FileDialogKind::Save || request.kind == FileDialogKind::Open;
    });
    QVERIFY(bench.Frame().SaveDocument());
    QCOMPARE(bench.Frame().RecentFiles().value(0), QString::fromStdString(path));

    // A fresh program opens it with the same pages and values.
    GuiBench again("");
    QVERIFY(again.Start());
    again.App().Host().SetFileHook([&](const FileRequest&, std::string& chosen) {
        chosen = path;
        return true;
    });
    QCOMPARE(again.RunStartupChoice({ ConfigChoice::LoadFile }), CConfigSourceDlg::kConfigured);
    QStringList reopened;
    for (int i = 0; i < again.Tabs().count(); ++i)
        reopened << again.Tabs().tabText(i);
    QCOMPARE(reopened, captions);
    const ControlBinding* same = again.Binding(tag);
    QVERIFY(same);
    QCOMPARE(qobject_cast<QCheckBox*>(again.Widget(*same))->isChecked(), checked);
}

void MainWindowTest::TableChooserSwitchesTables()
{
    GuiBench bench("5820bs");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    QComboBox* chooser = bench.Frame().TableChooser();
    QVERIFY(bench.Frame().TableChooserAction()->isVisible());
    QCOMPARE(chooser->count(), 4);
    QCOMPARE(chooser->itemText(3), QStringLiteral("Group Table 3"));
    QVERIFY(bench.Frame().Action(Command::WriteAllTables)->isEnabled());
    const int before = bench.Document().Device()->CurrentTable();
    const int other = before == 2 ? 1 : 2;
    chooser->setCurrentIndex(other);
    emit chooser->activated(other);
    QCOMPARE(bench.Document().Device()->CurrentTable(), other);
    QCOMPARE(bench.Document().ChosenTable(), other);
    QVERIFY(bench.Tabs().count() > 0);

    // A device without tables hides the chooser again.
    GuiBench single("3800lr");
    QVERIFY(single.Start());
    QCOMPARE(single.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    QVERIFY(!single.Frame().TableChooserAction()->isVisible());
    QVERIFY(!single.Frame().Action(Command::WriteAllTables)->isEnabled());
}

void MainWindowTest::PreferencesWithoutPortsCannotBeConfirmed()
{
    GuiBench bench("");
    QVERIFY(bench.Start());
    const int port = bench.App().Port().GetPortNumber();
    CPreferencesDlg dialog(bench.App().Port(), bench.App().Preferences(), bench.App().Store(),
                           bench.App().Startup().Vendor().companyRegKey, &bench.Frame());
    QCOMPARE(dialog.PortList()->count(), 1);
    QCOMPARE(dialog.PortList()->itemText(0), QStringLiteral("No Ports Available"));
    dialog.show();
    dialog.accept();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(bench.App().Port().GetPortNumber(), port);
    dialog.reject();
}

void MainWindowTest::PreferencesStoresChoices()
{
    GuiBench bench("3800lr");
    std::string error;
    bench.Ports().Attach("COM10", SimulatedReader::FromProfile("hm7", error));
    QVERIFY(bench.Start());
    const std::string key = UserPreferences::SettingsKey(bench.App().Startup().Vendor().companyRegKey);
    bench.App().Store().WriteInt(Hive::CurrentUser, key, "Com10MinBaud", 9600);
    bench.App().Store().WriteInt(Hive::CurrentUser, key, "CodeCompression", 1);
    bench.App().Preferences().codeCompression = 1;
    CPreferencesDlg dialog(bench.App().Port(), bench.App().Preferences(), bench.App().Store(),
                           bench.App().Startup().Vendor().companyRegKey, &bench.Frame());
    QCOMPARE(dialog.PortList()->count(), 2);
    QCOMPARE(dialog.PortList()->currentIndex(), 0); // COM1, the current port, before COM10
    QCOMPARE(dialog.Compression()->checkedId(), 0); // an unknown value shows None
    dialog.PortList()->setCurrentIndex(1);
    dialog.Dtr()->button(2)->setChecked(true);
    dialog.EorEdit()->setText(QStringLiteral("0A"));
    dialog.show();
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    SettingsStore& store = bench.App().Store();
    QCOMPARE(store.GetInt(Hive::CurrentUser, key, "Com Port", 0), 10);
    QCOMPARE(store.GetInt(Hive::CurrentUser, key, "CodeCompression", -5), 0);
    QCOMPARE(store.GetInt(Hive::CurrentUser, key, "DTRConfiguration", -5), 2);
    QCOMPARE(QString::fromStdString(store.GetString(Hive::CurrentUser, key, "EOR Character", "")),
             QStringLiteral("0A"));
    QCOMPARE(bench.App().Port().GetPortNumber(), 10);
    QCOMPARE(bench.App().Port().GetMinBaud(), 9600);
}

void MainWindowTest::CommandStatesFollowPagesAndDevice()
{
    GuiBench bench("3800lr");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    CMainFrame& frame = bench.Frame();
    CMainTabView& tabs = bench.Tabs();
    QVERIFY(frame.Action(Command::WriteSettings)->isEnabled());
    tabs.setCurrentIndex(0);
    frame.UpdateCommandStates();
    QVERIFY(!frame.Action(Command::PrevPage)->isEnabled());
    QVERIFY(frame.Action(Command::NextPage)->isEnabled());
    tabs.setFocus();
    QTest::keyClick(&tabs, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(tabs.currentIndex(), 1);
    QTest::keyClick(&tabs, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(tabs.currentIndex(), 0);
    tabs.setCurrentIndex(tabs.count() - 1);
    frame.UpdateCommandStates();
    QVERIFY(!frame.Action(Command::NextPage)->isEnabled());
    QVERIFY(frame.Action(Command::PrevPage)->isEnabled());
    // The radio entry has no command and stays greyed; firmware loading is always live.
    QVERIFY(!frame.Action(Command::WriteRadioFirmware)->isEnabled());
    QVERIFY(frame.Action(Command::WriteFirmware)->isEnabled());
    QCOMPARE(frame.Action(Command::WriteSettings)->statusTip(), QStringLiteral("Write new menu settings to device"));
    QCOMPARE(frame.ToolBar()->actions().size(), 19);

    // The clipboard commands act on the field that last had the focus.
    QVERIFY(!frame.Action(Command::Copy)->isEnabled() || tabs.CurrentEdit());
    for (const ControlBinding& binding : bench.Document().Bindings())
        if (binding.controlType == "EDIT" && binding.pageIndex == tabs.currentIndex()) {
            auto* field = qobject_cast<QLineEdit*>(bench.Widget(binding));
            field->setFocus();
            QVERIFY(QTest::qWaitFor([&] { return tabs.CurrentEdit() == field; }, 1000));
            frame.UpdateCommandStates();
            QVERIFY(frame.Action(Command::Copy)->isEnabled());
            break;
        }
}

void MainWindowTest::ChooseDeviceInsistsOnAChoice()
{
    GuiBench bench("");
    QVERIFY(bench.Start());
    ChooseDeviceDlg dialog({ { 3, "Alpha" }, { 7, "Beta" } }, &bench.Frame());
    dialog.show();
    dialog.accept();
    QVERIFY(bench.SawMessage(ChooseDeviceDlg::kSelectOne));
    QVERIFY(dialog.isVisible());
    dialog.List()->setCurrentRow(1);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.ChosenRow(), 7);
}

void MainWindowTest::RightClickShowsHelpTopic()
{
    GuiBench bench("hm7");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    const ControlBinding* target = nullptr;
    for (const ControlBinding& binding : bench.Document().Bindings())
        if (binding.helpId != 0 && binding.controlType == "CHECK") {
            target = &binding;
            break;
        }
    QVERIFY(target);
    QWidget* widget = bench.Widget(*target);
    bench.Tabs().BringPageToFront(target->pageIndex);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(widget, &click);
    HelpWindow* help = bench.Frame().Help();
    QVERIFY(help && help->isVisible());
    QVERIFY(help->Text().contains(QString::fromStdString(target->caption)));
    QVERIFY(help->Text().contains(QStringLiteral("Help topic %1").arg(target->helpId)));
    QVERIFY(help->Text().contains(QString::fromStdString(bench.Setting(*target).tag)));
}

void MainWindowTest::RadioGroupWithoutMatchingValueShowsNoChoice()
{
    GuiBench bench("hm7");
    QVERIFY(bench.Start());
    QCOMPARE(bench.RunStartupChoice({ ConfigChoice::Connect }), CConfigSourceDlg::kConfigured);
    for (const ControlBinding& binding : bench.Document().Bindings()) {
        auto* button = qobject_cast<QRadioButton*>(bench.Widget(binding));
        if (!button || !button->isChecked())
            continue;
        bench.Tabs().SetCheck(binding.controlId, false);
        QVERIFY(!button->isChecked());
        QVERIFY(button->group()->checkedButton() == nullptr);
        bench.Tabs().SetCheck(binding.controlId, true);
        QVERIFY(button->isChecked());
        return;
    }
    QFAIL("no checked radio button on any page");
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
