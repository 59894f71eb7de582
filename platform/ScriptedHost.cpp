#include "platform/ScriptedHost.h"

#include <initializer_list>

namespace {

class ScriptedProgressWindow final : public ProgressWindow {
public:
    explicit ScriptedProgressWindow(std::shared_ptr<ScriptedHost::ProgressRecord> record)
        : record_(std::move(record))
    {
    }
    void SetTitle(const std::string& title) override { record_->title = title; }
    void SetStepText(int step, const std::string& text) override { record_->steps[step] = text; }
    void SetCurrentStep(int step) override { record_->currentSteps.push_back(step); }
    void SetRange(int total) override { record_->range = total; }
    void SetPosition(int position) override { record_->position = position; }
    void ShowBar(bool show) override { record_->barShown = show; }
    void SetWarning(const std::string& text, bool bold) override
    {
        record_->warning = text;
        record_->warningBold = bold;
    }
    void Show() override { record_->shown = true; }
    void Hide() override { record_->shown = false; }
    bool IsCancelled() const override { return record_->cancelled; }

private:
    std::shared_ptr<ScriptedHost::ProgressRecord> record_;
};

} // namespace

MsgAnswer ScriptedHost::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                   MsgIcon icon, int defaultButton)
{
    MsgAnswer answer = DefaultMessageAnswer(buttons, defaultButton);
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    messages.push_back({ text, caption, buttons, icon, defaultButton, answer });
    return answer;
}

std::unique_ptr<ProgressWindow> ScriptedHost::CreateProgressWindow()
{
    auto record = std::make_shared<ProgressRecord>();
    progressWindows.push_back(record);
    return std::make_unique<ScriptedProgressWindow>(record);
}

void ScriptedHost::SetStatusText(const std::string& text) { statusTexts.push_back(text); }

void ScriptedHost::SetStatusPane(int pane, const std::string& text) { statusPanes[pane] = text; }

void ScriptedHost::BeginWaitCursor()
{
    ++waitCursorDepth;
    ++waitCursorBegins;
}

void ScriptedHost::EndWaitCursor() { --waitCursorDepth; }

void ScriptedHost::PumpWaitingMessages()
{
    ++pumps;
    if (abortOnPump > 0 && pumps == abortOnPump)
        SetUserAbort(true);
}

int ScriptedHost::ChooseDevice(const std::vector<DeviceChoice>& rows)
{
    deviceChooserCalls.push_back(rows);
    if (deviceChoices.empty())
        return -1;
    const int row = deviceChoices.front();
    deviceChoices.pop_front();
    return row;
}

bool ScriptedHost::ChooseFile(const FileRequest& request, std::string& path)
{
    fileRequests.push_back(request);
    if (fileChoices.empty())
        return false;
    const auto choice = fileChoices.front();
    fileChoices.pop_front();
    if (!choice)
        return false;
    path = *choice;
    return true;
}

std::vector<std::string> ScriptedHost::MessageTexts() const
{
    std::vector<std::string> texts;
    for (const auto& message : messages)
        texts.push_back(message.text);
    return texts;
}
