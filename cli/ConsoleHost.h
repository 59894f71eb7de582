// ConsoleHost: the host of kestrel-cli. Messages go to standard error as they are; questions
// are answered from the command line (--yes, --no, --choose-device ...), or asked on the
// terminal when there is one, or answered with the default button — a script never hangs on
// a prompt.
#pragma once

#include "platform/Host.h"

#include <cstdio>
#include <deque>
#include <optional>
#include <string>

class ConsoleHost : public Host {
public:
    enum class Preset { None, Yes, No };

    Preset preset = Preset::None;
    std::optional<int> deviceChoice;
    std::deque<std::string> fileChoices;
    bool quiet = false;
    bool interactive = false; // standard input is a terminal

    ConsoleHost();

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                         int defaultButton = 0) override;
    std::unique_ptr<ProgressWindow> CreateProgressWindow() override;
    void SetStatusText(const std::string& text) override;
    void SetStatusPane(int pane, const std::string& text) override;
    void BeginWaitCursor() override { }
    void EndWaitCursor() override { }
    void PumpWaitingMessages() override { }
    int ChooseDevice(const std::vector<DeviceChoice>& rows) override;
    bool ChooseFile(const FileRequest& request, std::string& path) override;

    // Ctrl+C sets the user-abort flag the first time (so long operations stop cleanly) and
    // ends the program the second time.
    static void InstallInterruptHandler();

private:
    std::string AskLine(const std::string& prompt);
};
