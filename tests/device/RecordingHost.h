// A host that records what the device code shows: message texts, pumps, wait cursor depth,
// and every progress window with its texts, so tests can assert them byte for byte.
#pragma once

#include "platform/Host.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct RecordedWindow {
    std::string title;
    std::map<int, std::string> steps;
    int currentStep = -1;
    int range = 0;
    int position = 0;
    bool barShown = true;
    std::string warning;
    bool warningBold = false;
    bool shown = false;
    bool cancelled = false;
    bool destroyed = false;
};

class RecordingProgressWindow final : public ProgressWindow {
public:
    explicit RecordingProgressWindow(std::shared_ptr<RecordedWindow> record) : record_(std::move(record)) { }
    ~RecordingProgressWindow() override { record_->destroyed = true; }
    void SetTitle(const std::string& title) override { record_->title = title; }
    void SetStepText(int step, const std::string& text) override { record_->steps[step] = text; }
    void SetCurrentStep(int step) override { record_->currentStep = step; }
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
    std::shared_ptr<RecordedWindow> record_;
};

class RecordingHost final : public Host {
public:
    RecordingHost() { InstallHost(this); }
    ~RecordingHost() override { InstallHost(nullptr); }

    MsgAnswer MessageBox(const std::string& text, const std::string&, MsgButtons, MsgIcon, int) override
    {
        messages.push_back(text);
        return MsgAnswer::Ok;
    }
    std::unique_ptr<ProgressWindow> CreateProgressWindow() override
    {
        windows.push_back(std::make_shared<RecordedWindow>());
        return std::make_unique<RecordingProgressWindow>(windows.back());
    }
    void SetStatusText(const std::string& text) override { status = text; }
    void SetStatusPane(int, const std::string&) override { }
    void BeginWaitCursor() override { ++waitDepth; }
    void EndWaitCursor() override { --waitDepth; }
    void PumpWaitingMessages() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }
    int ChooseDevice(const std::vector<DeviceChoice>&) override { return -1; }
    bool ChooseFile(const FileRequest&, std::string&) override { return false; }

    std::vector<std::string> messages;
    std::vector<std::shared_ptr<RecordedWindow>> windows;
    std::string status;
    int waitDepth = 0;
    long pumps = 0;
    std::function<void()> onPump;
};
