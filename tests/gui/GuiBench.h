// GuiBench: the desktop program started the way users start it, in a scratch settings hive,
// with a simulated reader on COM1 — and helpers that answer its dialogs.
#pragma once

#include "app/view/CConfigSourceDlg.h"
#include "app/view/CKestrelApp.h"
#include "platform/Host.h"
#include "sim/SimPortSystem.h"
#include "sim/SimulatedReader.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMainFrame;
class CQLMenuDoc;
class CMainTabView;
struct ControlBinding;
class CDeviceSetting;

struct ShownMessage {
    std::string text;
    MsgButtons buttons;
    MsgIcon icon;
    int defaultButton;
};

class GuiBench {
public:
    // profile: a shipped simulator profile name, or "" for no reader at all.
    explicit GuiBench(const std::string& profile);
    // The machine's own ports (pseudo-terminals of kestrel-sim included) instead of the
    // in-process reader; `portPath` is used as the program's --port-path.
    struct MachinePorts {
        std::string portPath;
    };
    explicit GuiBench(MachinePorts machine);
    ~GuiBench();

    // The profile's "AdvancedUserPrivileges" for Start (0: an ordinary user).
    int advancedUserPrivileges = 0;
    bool Start();
    CKestrelApp& App() { return *app_; }
    CMainFrame& Frame();
    CQLMenuDoc& Document();
    CMainTabView& Tabs();
    SimulatedReader* Reader() { return reader_.get(); }
    SimPortSystem& Ports() { return ports_; }
    QString TempPath(const QString& name) const { return dir_.filePath(name); }

    // Messages shown so far; answers are taken from `answers` (the default button when empty).
    std::vector<ShownMessage> messages;
    std::deque<MsgAnswer> answers;
    bool SawMessage(const std::string& text) const;
    // "Command Errors" dialogs shown so far: their three lists, each closed with OK.
    std::vector<std::array<QStringList, 3>> commandErrors;

    // Runs the start-up choice, clicking the given choices one by one as the dialog comes back.
    int RunStartupChoice(std::deque<ConfigChoice> choices);
    // Runs `action` while `handler` gets the first modal dialog of type T that opens.
    template <typename T>
    static void WithModal(const std::function<void()>& action, const std::function<void(T*)>& handler);

    // The binding of a setting tag (nullptr when none), and its setting.
    const ControlBinding* Binding(const std::string& tag, int option = 0);
    const CDeviceSetting& Setting(const ControlBinding& binding);
    QWidget* Widget(const ControlBinding& binding);
    // The simulated reader's value of a setting in its current table.
    std::string ReaderValue(const std::string& tag);

private:
    // Polls for a modal window until `handler` takes it or `alive` is cleared.
    static void WhenModal(std::function<bool(QWidget*)> handler, std::shared_ptr<bool> alive);
    QTemporaryDir dir_;
    QTimer watcher_;
    std::string portPath_;
    SimPortSystem ports_;
    std::shared_ptr<SimulatedReader> reader_;
    std::unique_ptr<CKestrelApp> app_;
};

template <typename T>
void GuiBench::WithModal(const std::function<void()>& action, const std::function<void(T*)>& handler)
{
    auto handled = std::make_shared<bool>(false);
    auto alive = std::make_shared<bool>(true);
    WhenModal(
        [handled, handler](QWidget* modal) {
            T* dialog = qobject_cast<T*>(modal);
            if (!dialog)
                return false;
            *handled = true;
            handler(dialog);
            return true;
        },
        alive);
    action();
    *alive = false;
    if (!*handled)
        qWarning("no %s dialog opened", T::staticMetaObject.className());
}
