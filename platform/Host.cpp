#include "platform/Host.h"

#include <atomic>

namespace {

// Answers every question with its default button and shows nothing: the host of a
// process that has not installed one (and of library code run on its own).
class SilentProgressWindow final : public ProgressWindow {
public:
    void SetTitle(const std::string&) override { }
    void SetStepText(int, const std::string&) override { }
    void SetCurrentStep(int) override { }
    void SetRange(int) override { }
    void SetPosition(int) override { }
    void ShowBar(bool) override { }
    void SetWarning(const std::string&, bool) override { }
    void Show() override { }
    void Hide() override { }
    bool IsCancelled() const override { return false; }
};

class SilentHost final : public Host {
public:
    MsgAnswer MessageBox(const std::string&, const std::string&, MsgButtons buttons, MsgIcon,
                         int defaultButton) override
    {
        return DefaultMessageAnswer(buttons, defaultButton);
    }
    std::unique_ptr<ProgressWindow> CreateProgressWindow() override
    {
        return std::make_unique<SilentProgressWindow>();
    }
    void SetStatusText(const std::string&) override { }
    void SetStatusPane(int, const std::string&) override { }
    void BeginWaitCursor() override { }
    void EndWaitCursor() override { }
    void PumpWaitingMessages() override { }
    int ChooseDevice(const std::vector<DeviceChoice>&) override { return -1; }
    bool ChooseFile(const FileRequest&, std::string&) override { return false; }
};

SilentHost silentHost;
Host* installedHost = &silentHost;
// Read by the port watcher thread's owner and set from message handlers; atomic so a
// future background reader never sees a torn value.
std::atomic<bool> userAbort { false };
// How many UserOperation scopes are open (they nest: a write reconnects).
int userOperations = 0;

} // namespace

MsgAnswer DefaultMessageAnswer(MsgButtons buttons, int defaultButton)
{
    auto pick = [defaultButton](std::initializer_list<MsgAnswer> answers) {
        const int index = (defaultButton >= 0 && defaultButton < static_cast<int>(answers.size())) ? defaultButton : 0;
        return *(answers.begin() + index);
    };
    switch (buttons) {
    case MsgButtons::Ok: return MsgAnswer::Ok;
    case MsgButtons::OkCancel: return pick({ MsgAnswer::Ok, MsgAnswer::Cancel });
    case MsgButtons::YesNo: return pick({ MsgAnswer::Yes, MsgAnswer::No });
    case MsgButtons::YesNoCancel: return pick({ MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel });
    case MsgButtons::RetryCancel: return pick({ MsgAnswer::Retry, MsgAnswer::Cancel });
    case MsgButtons::AbortRetryIgnore: return pick({ MsgAnswer::Abort, MsgAnswer::Retry, MsgAnswer::Ignore });
    }
    return MsgAnswer::Ok;
}

Host& TheHost() { return *installedHost; }

void InstallHost(Host* host) { installedHost = host ? host : &silentHost; }

MsgAnswer ShowMessage(const std::string& text, MsgButtons buttons, MsgIcon icon, int defaultButton)
{
    return TheHost().MessageBox(text, "Kestrel 2003", buttons, icon, defaultButton);
}

bool UserAbortRequested() { return userAbort.load(); }

void SetUserAbort(bool abort) { userAbort.store(abort); }

void RequestUserAbort()
{
    if (userOperations > 0)
        userAbort.store(true);
}

bool UserOperationRunning() { return userOperations > 0; }

UserOperation::UserOperation()
{
    if (userOperations++ == 0)
        userAbort.store(false);
}

UserOperation::~UserOperation() { --userOperations; }

void PumpWaitingMessages() { TheHost().PumpWaitingMessages(); }
