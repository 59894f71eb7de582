#include "cli/ConsoleHost.h"

#include "platform/ScriptedHost.h"

#include <unistd.h>

#include <cctype>
#include <csignal>
#include <iostream>
#include <string>

namespace {

volatile std::sig_atomic_t interrupts = 0;

extern "C" void OnInterrupt(int)
{
    if (interrupts != 0)
        _exit(130);
    interrupts = 1;
    SetUserAbort(true);
}

// Progress goes to standard error, one line per step, so output stays parseable.
class ConsoleProgressWindow final : public ProgressWindow {
public:
    explicit ConsoleProgressWindow(bool quiet)
        : quiet_(quiet)
    {
    }
    void SetTitle(const std::string& title) override
    {
        title_ = title;
        if (!quiet_ && !title.empty())
            std::cerr << title << '\n';
    }
    void SetStepText(int step, const std::string& text) override
    {
        if (step >= 0 && step < 16)
            steps_[step] = text;
    }
    void SetCurrentStep(int step) override
    {
        if (!quiet_ && step >= 0 && step < 16 && !steps_[step].empty())
            std::cerr << "  " << (step + 1) << ". " << steps_[step] << '\n';
    }
    void SetRange(int) override { }
    void SetPosition(int) override { }
    void ShowBar(bool) override { }
    void SetWarning(const std::string& text, bool) override
    {
        if (!quiet_ && !text.empty())
            std::cerr << "  " << text << '\n';
    }
    void Show() override { }
    void Hide() override { }
    bool IsCancelled() const override { return UserAbortRequested(); }

private:
    bool quiet_;
    std::string title_;
    std::string steps_[16];
};

const char* AnswerName(MsgAnswer answer)
{
    switch (answer) {
    case MsgAnswer::Ok: return "OK";
    case MsgAnswer::Cancel: return "Cancel";
    case MsgAnswer::Yes: return "Yes";
    case MsgAnswer::No: return "No";
    case MsgAnswer::Retry: return "Retry";
    case MsgAnswer::Abort: return "Abort";
    case MsgAnswer::Ignore: return "Ignore";
    }
    return "OK";
}

} // namespace

ConsoleHost::ConsoleHost()
    : interactive(::isatty(STDIN_FILENO) != 0)
{
}

void ConsoleHost::InstallInterruptHandler() { std::signal(SIGINT, OnInterrupt); }

std::string ConsoleHost::AskLine(const std::string& prompt)
{
    std::cerr << prompt << std::flush;
    std::string line;
    if (!std::getline(std::cin, line))
        return {};
    return line;
}

MsgAnswer ConsoleHost::MessageBox(const std::string& text, const std::string&, MsgButtons buttons, MsgIcon,
                                  int defaultButton)
{
    std::cerr << text << '\n';
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    const MsgAnswer fallback = DefaultMessageAnswer(buttons, defaultButton);
    // --yes / --no pick the positive or negative button of whatever set is shown.
    if (preset != Preset::None) {
        const bool yes = preset == Preset::Yes;
        switch (buttons) {
        case MsgButtons::Ok: return MsgAnswer::Ok;
        case MsgButtons::OkCancel: return yes ? MsgAnswer::Ok : MsgAnswer::Cancel;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel: return yes ? MsgAnswer::Yes : MsgAnswer::No;
        case MsgButtons::RetryCancel: return yes ? MsgAnswer::Retry : MsgAnswer::Cancel;
        case MsgButtons::AbortRetryIgnore: return yes ? MsgAnswer::Retry : MsgAnswer::Abort;
        }
    }
    if (!interactive) {
        std::cerr << "-> " << AnswerName(fallback) << '\n';
        return fallback;
    }
    for (;;) {
        const std::string line = AskLine(std::string("[") + AnswerName(fallback) + "] (y/n/c/r/a/i) ");
        if (line.empty())
            return fallback;
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        auto offered = [buttons](MsgAnswer answer) {
            switch (buttons) {
            case MsgButtons::Ok: return answer == MsgAnswer::Ok;
            case MsgButtons::OkCancel: return answer == MsgAnswer::Ok || answer == MsgAnswer::Cancel;
            case MsgButtons::YesNo: return answer == MsgAnswer::Yes || answer == MsgAnswer::No;
            case MsgButtons::YesNoCancel:
                return answer == MsgAnswer::Yes || answer == MsgAnswer::No || answer == MsgAnswer::Cancel;
            case MsgButtons::RetryCancel: return answer == MsgAnswer::Retry || answer == MsgAnswer::Cancel;
            case MsgButtons::AbortRetryIgnore:
                return answer == MsgAnswer::Abort || answer == MsgAnswer::Retry || answer == MsgAnswer::Ignore;
            }
            return false;
        };
        const MsgAnswer wanted = c == 'y' ? (offered(MsgAnswer::Yes) ? MsgAnswer::Yes : MsgAnswer::Ok)
            : c == 'n'                    ? MsgAnswer::No
            : c == 'c'                    ? MsgAnswer::Cancel
            : c == 'r'                    ? MsgAnswer::Retry
            : c == 'a'                    ? MsgAnswer::Abort
            : c == 'i'                    ? MsgAnswer::Ignore
                                          : MsgAnswer::Ok;
        if (offered(wanted))
            return wanted;
    }
}

std::unique_ptr<ProgressWindow> ConsoleHost::CreateProgressWindow()
{
    return std::make_unique<ConsoleProgressWindow>(quiet);
}

// The status bar's texts ("Loading Tab Info") only matter in a window.
void ConsoleHost::SetStatusText(const std::string&) { }

void ConsoleHost::SetStatusPane(int, const std::string&) { }

int ConsoleHost::ChooseDevice(const std::vector<DeviceChoice>& rows)
{
    auto offered = [&rows](int row) {
        for (const auto& choice : rows)
            if (choice.row == row)
                return true;
        return false;
    };
    if (deviceChoice) {
        if (offered(*deviceChoice))
            return *deviceChoice;
        std::cerr << "Catalog row " << *deviceChoice << " is not offered for selection.\n";
        return -1;
    }
    if (!interactive) {
        std::cerr << "Choose a Device: no device chosen (use --choose-device ROW; see 'kestrel-cli devices').\n";
        return -1;
    }
    std::cerr << "Choose a Device\n";
    for (const auto& choice : rows)
        std::cerr << "  " << choice.row << "  " << choice.productName << '\n';
    for (;;) {
        const std::string line = AskLine("Catalog row (empty to cancel): ");
        if (line.empty())
            return -1;
        try {
            const int row = std::stoi(line);
            if (offered(row))
                return row;
        } catch (const std::exception&) {
        }
        std::cerr << "No Device Selected, Select One\n";
    }
}

bool ConsoleHost::ChooseFile(const FileRequest& request, std::string& path)
{
    if (!fileChoices.empty()) {
        path = fileChoices.front();
        fileChoices.pop_front();
        return true;
    }
    if (!interactive)
        return false;
    path = AskLine((request.title.empty() ? std::string("File") : request.title) + ": ");
    return !path.empty();
}
