// ScriptedHost: a host for tests and for running flows unattended (the simulator's checks,
// kestrel-cli self tests). It records everything the flows show and answers from queues:
// message boxes take the next queued answer (the default button once the queue is empty),
// the device chooser the next queued row (cancel once empty), file dialogs the next path.
#pragma once

#include "platform/Host.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ScriptedHost : public Host {
public:
    struct Message {
        std::string text;
        std::string caption;
        MsgButtons buttons = MsgButtons::Ok;
        MsgIcon icon = MsgIcon::None;
        int defaultButton = 0;
        MsgAnswer answer = MsgAnswer::Ok;
    };

    // What one progress window went through.
    struct ProgressRecord {
        std::string title;
        std::map<int, std::string> steps;
        std::vector<int> currentSteps; // every SetCurrentStep, in order
        int range = 0;
        int position = 0;
        bool barShown = false;
        std::string warning;
        bool warningBold = false;
        bool shown = false;
        bool cancelled = false; // set it to make the window report Cancel
    };

    // Queues (filled by the test).
    std::deque<MsgAnswer> answers;
    std::deque<int> deviceChoices;
    std::deque<std::optional<std::string>> fileChoices;
    // Sets the user-abort flag on the n-th pump (counted from 1); 0 = never.
    int abortOnPump = 0;

    // Records.
    std::vector<Message> messages;
    std::vector<std::vector<DeviceChoice>> deviceChooserCalls;
    std::vector<FileRequest> fileRequests;
    std::vector<std::string> statusTexts;
    std::map<int, std::string> statusPanes;
    std::vector<std::shared_ptr<ProgressRecord>> progressWindows;
    int waitCursorDepth = 0;
    int waitCursorBegins = 0;
    int pumps = 0;

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

    // Texts of all message boxes, in order.
    std::vector<std::string> MessageTexts() const;
};

// Installs a host for the lifetime of the object and restores the silent host afterwards.
class ScopedHost {
public:
    explicit ScopedHost(Host& host) { InstallHost(&host); }
    ~ScopedHost() { InstallHost(nullptr); }
    ScopedHost(const ScopedHost&) = delete;
    ScopedHost& operator=(const ScopedHost&) = delete;
};
