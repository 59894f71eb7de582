// QtProgressWindow: the modeless progress window of the long flows (connect, read, write,
// flash) — a title, numbered step lines with a marker on the current one, a bar, a warning
// line and Cancel. Cancel does what Escape does anywhere: it sets the process-wide abort flag,
// so every wait of the running flow ends early.
#pragma once

#include "platform/Host.h"

#include <QDialog>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

class QtProgressWindow final : public QDialog, public ProgressWindow {
    Q_OBJECT
public:
    static constexpr int kMaxSteps = 32;

    explicit QtProgressWindow(QWidget* parent = nullptr);

    void SetTitle(const std::string& title) override;
    void SetStepText(int step, const std::string& text) override;
    void SetCurrentStep(int step) override;
    void SetRange(int total) override;
    void SetPosition(int position) override;
    void ShowBar(bool show) override;
    void SetWarning(const std::string& text, bool bold) override;
    void Show() override;
    void Hide() override;
    bool IsCancelled() const override { return cancelled_; }

    // For tests and screenshots.
    QString StepLine(int step) const;
    int CurrentStep() const { return current_; }
    QString Warning() const;
    void Cancel();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void RenderSteps();

    std::vector<QString> steps_;
    std::vector<QLabel*> stepLabels_;
    QWidget* stepBox_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* warning_ = nullptr;
    QPushButton* cancel_ = nullptr;
    int current_ = -1;
    bool cancelled_ = false;
};
