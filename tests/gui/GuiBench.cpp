#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "catalog/CDeviceSetting.h"
#include "device/CDevice.h"
#include "document/CQLMenuDoc.h"
#include "document/view/CCommandErrorsDlg.h"
#include "document/view/CMainTabView.h"
#include "sim/ReaderModel.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>

GuiBench::GuiBench(const std::string& profile)
{
    // Every bench gets hives of its own, so nothing of the user's (or another test's) leaks in.
    ::setenv("KESTREL_USER_HIVE", dir_.filePath(QStringLiteral("user.hive")).toLocal8Bit().constData(), 1);
    ::setenv("KESTREL_MACHINE_HIVE", dir_.filePath(QStringLiteral("machine.hive")).toLocal8Bit().constData(), 1);
    SetUserAbort(false);
    if (!profile.empty()) {
        std::string error;
        reader_ = SimulatedReader::FromProfile(profile, error);
        if (!reader_)
            qFatal("profile %s: %s", profile.c_str(), error.c_str());
        ports_.Attach("COM1", reader_);
    }
    InstallSerialPortSystem(&ports_);
}

GuiBench::GuiBench(MachinePorts machine) : portPath_(std::move(machine.portPath))
{
    ::setenv("KESTREL_USER_HIVE", dir_.filePath(QStringLiteral("user.hive")).toLocal8Bit().constData(), 1);
    ::setenv("KESTREL_MACHINE_HIVE", dir_.filePath(QStringLiteral("machine.hive")).toLocal8Bit().constData(), 1);
    SetUserAbort(false);
    InstallSerialPortSystem(nullptr);
}

GuiBench::~GuiBench()
{
    app_.reset();
    InstallSerialPortSystem(nullptr);
    SetUserAbort(false);
}

bool GuiBench::Start()
{
    app_ = std::make_unique<CKestrelApp>();
    AppOptions options;
    options.startup.dataFolder = KESTREL_SOURCE_DATA_DIR;
    options.startup.currentDirectory = dir_.path().toStdString();
    options.startup.advancedUserPrivileges = advancedUserPrivileges;
    options.showStartupChoice = false;
    options.waitForSplash = false;
    options.portPath = portPath_;
    app_->Host().SetMessageHook([this](const std::string& text, MsgButtons buttons, MsgIcon icon, int defaultButton)
                                    -> std::optional<MsgAnswer> {
        messages.push_back({ text, buttons, icon, defaultButton });
        if (!answers.empty()) {
            const MsgAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        switch (buttons) {
        case MsgButtons::Ok: return MsgAnswer::Ok;
        case MsgButtons::OkCancel: return defaultButton == 0 ? MsgAnswer::Ok : MsgAnswer::Cancel;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel: return defaultButton == 0 ? MsgAnswer::Yes : MsgAnswer::No;
        case MsgButtons::RetryCancel: return MsgAnswer::Cancel;
        case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
        }
        return MsgAnswer::Ok;
    });
    // Answers "Command Errors" whenever a write shows it, keeping what it listed.
    watcher_.setInterval(30);
    QObject::connect(&watcher_, &QTimer::timeout, [this] {
        auto* dialog = qobject_cast<CCommandErrorsDlg*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        std::array<QStringList, 3> lists;
        for (int which = 0; which < 3; ++which)
            for (int i = 0; i < dialog->List(which)->count(); ++i)
                lists[static_cast<size_t>(which)] << dialog->List(which)->item(i)->text();
        commandErrors.push_back(lists);
        dialog->accept();
    });
    watcher_.start();
    const bool started = app_->InitInstance(options);
    // Focus only moves inside the active window; the offscreen platform activates none by itself.
    if (app_->Frame()) {
        app_->Frame()->activateWindow();
        QApplication::setActiveWindow(app_->Frame());
    }
    return started;
}

CMainFrame& GuiBench::Frame()
{
    return *app_->Frame();
}

CQLMenuDoc& GuiBench::Document()
{
    return *app_->Document();
}

CMainTabView& GuiBench::Tabs()
{
    return *Frame().TabView();
}

bool GuiBench::SawMessage(const std::string& text) const
{
    for (const ShownMessage& message : messages)
        if (message.text == text)
            return true;
    return false;
}

void GuiBench::WhenModal(std::function<bool(QWidget*)> handler, std::shared_ptr<bool> alive)
{
    QTimer::singleShot(20, qApp, [handler = std::move(handler), alive]() mutable {
        if (!*alive)
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && handler(modal))
            return;
        WhenModal(std::move(handler), alive);
    });
}

int GuiBench::RunStartupChoice(std::deque<ConfigChoice> choices)
{
    auto queue = std::make_shared<std::deque<ConfigChoice>>(std::move(choices));
    auto alive = std::make_shared<bool>(true);
    // Each time the choice comes up, click the next button (Cancel when none is left).
    std::function<bool(QWidget*)> clicker = [queue](QWidget* modal) {
        auto* dialog = qobject_cast<CConfigSourceDlg*>(modal);
        if (!dialog)
            return false;
        const ConfigChoice next = queue->empty() ? ConfigChoice::Cancel : queue->front();
        if (!queue->empty())
            queue->pop_front();
        dialog->Button(next)->click();
        return false; // keep watching: the dialog may come back
    };
    WhenModal(clicker, alive);
    const int result = Frame().RunStartupChoice();
    *alive = false;
    // Progress windows came and went; give the main window back the activation.
    Frame().activateWindow();
    QApplication::setActiveWindow(&Frame());
    QApplication::processEvents();
    return result;
}

const ControlBinding* GuiBench::Binding(const std::string& tag, int option)
{
    const CDevice* device = Document().Device();
    if (!device)
        return nullptr;
    for (const ControlBinding& binding : Document().Bindings())
        if (binding.settingIndex >= 0 && device->Settings()[static_cast<size_t>(binding.settingIndex)].tag == tag
            && binding.optionIndex == option)
            return &binding;
    return nullptr;
}

const CDeviceSetting& GuiBench::Setting(const ControlBinding& binding)
{
    return Document().Device()->Settings()[static_cast<size_t>(binding.settingIndex)];
}

QWidget* GuiBench::Widget(const ControlBinding& binding)
{
    return Tabs().ControlWidget(binding.controlId);
}

std::string GuiBench::ReaderValue(const std::string& tag)
{
    ReaderModel& model = reader_->Model();
    const SettingState* setting = model.Find(tag);
    return setting ? model.Value(*setting) : "<none>";
}
