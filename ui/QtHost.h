// QtHost: the desktop program's way of talking to the user from Qt-free flows.
//
// Message boxes with the flow's own buttons, icon and default button; progress windows;
// the status bar; the wait cursor; "Choose a Device"; file dialogs. PumpWaitingMessages runs
// the Qt event queue, and an application-wide filter turns an Escape press that arrives while
// a user operation waits there into the user-abort flag, whichever window has the focus.
#pragma once

#include "platform/Host.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class QMainWindow;
class QStatusBar;
class QWidget;

class QtHost final : public QObject, public Host {
    Q_OBJECT
public:
    // Lets tests answer modal boxes and dialogs: called with the box just before it runs; an
    // answer other than nullopt closes it with that answer.
    using MessageHook = std::function<std::optional<MsgAnswer>(const std::string& text, MsgButtons buttons,
                                                               MsgIcon icon, int defaultButton)>;

    QtHost();
    ~QtHost() override;

    void SetMainWindow(QMainWindow* window);
    QWidget* Parent() const;

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                         int defaultButton = 0) override;
    std::unique_ptr<ProgressWindow> CreateProgressWindow() override;
    void SetStatusText(const std::string& text) override;
    void SetStatusPane(int pane, const std::string& text) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void PumpWaitingMessages() override;
    int ChooseDevice(const std::vector<DeviceChoice>& rows) override;
    bool ChooseFile(const FileRequest& request, std::string& path) override;

    using ChooserHook = std::function<int(const std::vector<DeviceChoice>& rows)>;
    using FileHook = std::function<bool(const FileRequest& request, std::string& path)>;
    void SetMessageHook(MessageHook hook) { messageHook_ = std::move(hook); }
    void SetChooserHook(ChooserHook hook) { chooserHook_ = std::move(hook); }
    void SetFileHook(FileHook hook) { fileHook_ = std::move(hook); }
    // The status pane texts, 0 being the message pane.
    QString PaneText(int pane) const;

    // The caption every box of the program carries.
    static QString AppCaption();

signals:
    void PaneTextChanged(int pane, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QMainWindow> window_;
    MessageHook messageHook_;
    ChooserHook chooserHook_;
    FileHook fileHook_;
    QString panes_[3];
    int waitDepth_ = 0;
    int pumping_ = 0;  // inside PumpWaitingMessages: a flow is waiting
};
