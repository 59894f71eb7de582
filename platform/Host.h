// Host: the one way Qt-free code reaches the user.
//
// Flows in kestrel_core show message boxes, progress windows with numbered steps, status
// texts and a wait cursor, ask the user to choose a device or a file, and pump window
// messages while they wait (so Escape can cancel). They do all of that through the host
// installed for the process: the Qt host in the desktop program, the console host in
// kestrel-cli, the scripted host in tests. Texts are passed through byte for byte.
#pragma once

#include <memory>
#include <string>
#include <vector>

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// A modeless progress window: a title, up to four numbered step lines with a marker on the
// current one, a bar, a warning line (bold when asked) and a Cancel button.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetStepText(int step, const std::string& text) = 0;
    virtual void SetCurrentStep(int step) = 0;
    virtual void SetRange(int total) = 0;
    virtual void SetPosition(int position) = 0;
    virtual void ShowBar(bool show) = 0;
    virtual void SetWarning(const std::string& text, bool bold) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // True once the user pressed Cancel (or Escape) in this window.
    virtual bool IsCancelled() const = 0;
};

// One row offered by the device chooser: the catalog row index and its product name.
struct DeviceChoice {
    int row = -1;
    std::string productName;
};

enum class FileDialogKind { Open, Save };

struct FileRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string title;
    std::string filter;      // "Kestrel 2003 Files (*.kst)" style
    std::string defaultExtension;
    std::string initialPath;
};

class Host {
public:
    virtual ~Host() = default;

    // defaultButton is the 0-based index of the default button in the set.
    virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                 MsgIcon icon, int defaultButton = 0) = 0;
    virtual std::unique_ptr<ProgressWindow> CreateProgressWindow() = 0;

    // The message pane of the status bar, and the other panes by number (1, 2, ...).
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetStatusPane(int pane, const std::string& text) = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Runs the window messages that are waiting (never blocks). An Escape key press among
    // them sets the process-wide user-abort flag.
    virtual void PumpWaitingMessages() = 0;

    // "Choose a Device": returns the chosen catalog row, or -1 when cancelled. The rows are
    // already filtered and sorted by the caller.
    virtual int ChooseDevice(const std::vector<DeviceChoice>& rows) = 0;

    // File open/save dialog; false when cancelled.
    virtual bool ChooseFile(const FileRequest& request, std::string& path) = 0;
};

// The host installed for the process (a silent one that answers every box with its default
// button until something else is installed). Installing nullptr restores the silent host.
Host& TheHost();
void InstallHost(Host* host);

// The answer a message box gives when nobody is there to press a button: its default button
// (the first one when the index is out of range).
MsgAnswer DefaultMessageAnswer(MsgButtons buttons, int defaultButton);

// Shorthand used by flows that only need to tell the user something.
MsgAnswer ShowMessage(const std::string& text, MsgButtons buttons = MsgButtons::Ok,
                      MsgIcon icon = MsgIcon::None, int defaultButton = 0);

// The process-wide user-abort flag: Escape sets it, every long wait reads it.
bool UserAbortRequested();
void SetUserAbort(bool abort);

// Escape and Cancel go through here: they set the flag only while a user operation runs.
// An Escape that merely closes a dialog between operations must not cancel the next one.
void RequestUserAbort();
bool UserOperationRunning();

// One operation the user started (connect, detect, read, write, a read for printing, a
// flash or a transfer), for a scope. The outermost one clears the abort flag, so an Escape
// left over from earlier never reaches it; nested ones (a write's reconnect) keep the flag,
// so one Escape still ends the whole operation.
class UserOperation {
public:
    UserOperation();
    ~UserOperation();
    UserOperation(const UserOperation&) = delete;
    UserOperation& operator=(const UserOperation&) = delete;
};

// Lets waiting window messages run (through the host).
void PumpWaitingMessages();

// Wait cursor for a scope.
class WaitCursor {
public:
    WaitCursor() { TheHost().BeginWaitCursor(); }
    ~WaitCursor() { TheHost().EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
