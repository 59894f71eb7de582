#include "ui/QtProgressWindow.h"

#include <QCloseEvent>
#include <algorithm>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

QtProgressWindow::QtProgressWindow(QWidget* parent) : QDialog(parent)
{
    setModal(false);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setMinimumWidth(380);
    auto* layout = new QVBoxLayout(this);
    stepBox_ = new QWidget(this);
    auto* stepLayout = new QVBoxLayout(stepBox_);
    stepLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stepBox_);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->hide();
    layout->addWidget(bar_);
    warning_ = new QLabel(this);
    warning_->setWordWrap(true);
    warning_->hide();
    layout->addWidget(warning_);
    cancel_ = new QPushButton(tr("Cancel"), this);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, &QtProgressWindow::Cancel);
}

void QtProgressWindow::SetTitle(const std::string& title)
{
    setWindowTitle(QString::fromStdString(title));
}

void QtProgressWindow::SetStepText(int step, const std::string& text)
{
    // Flows number their steps from 0; a bad number from a caller must not grow the window
    // without bound.
    if (step < 0 || step >= kMaxSteps)
        return;
    if (static_cast<size_t>(step) >= steps_.size())
        steps_.resize(static_cast<size_t>(step) + 1);
    steps_[static_cast<size_t>(step)] = QString::fromStdString(text);
    RenderSteps();
}

void QtProgressWindow::SetCurrentStep(int step)
{
    current_ = step;
    RenderSteps();
    QCoreApplication::processEvents();
}

QString QtProgressWindow::StepLine(int step) const
{
    if (step < 0 || static_cast<size_t>(step) >= stepLabels_.size())
        return {};
    return stepLabels_[static_cast<size_t>(step)]->text();
}

void QtProgressWindow::RenderSteps()
{
    auto* layout = static_cast<QVBoxLayout*>(stepBox_->layout());
    while (stepLabels_.size() < steps_.size()) {
        auto* label = new QLabel(stepBox_);
        layout->addWidget(label);
        stepLabels_.push_back(label);
    }
    for (size_t i = 0; i < steps_.size(); ++i) {
        const bool current = static_cast<int>(i) == current_;
        // The arrow marks where the flow is; the numbers let a user tell support how far it got.
        const QString line = QStringLiteral("%1 %2. %3")
                                 .arg(current ? QStringLiteral("\u25B6") : QStringLiteral("   "))
                                 .arg(i + 1)
                                 .arg(steps_[i]);
        stepLabels_[i]->setText(line);
        QFont font = stepLabels_[i]->font();
        font.setBold(current);
        stepLabels_[i]->setFont(font);
    }
}

void QtProgressWindow::SetRange(int total)
{
    bar_->setRange(0, total > 0 ? total : 1);
}

void QtProgressWindow::SetPosition(int position)
{
    bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
    QCoreApplication::processEvents();
}

void QtProgressWindow::ShowBar(bool show)
{
    bar_->setVisible(show);
}

void QtProgressWindow::SetWarning(const std::string& text, bool bold)
{
    warning_->setText(QString::fromStdString(text));
    QFont font = warning_->font();
    font.setBold(bold);
    warning_->setFont(font);
    warning_->setVisible(!text.empty());
}

QString QtProgressWindow::Warning() const
{
    return warning_->text();
}

void QtProgressWindow::Show()
{
    show();
    raise();
    QCoreApplication::processEvents();
}

void QtProgressWindow::Hide()
{
    hide();
}

void QtProgressWindow::Cancel()
{
    cancelled_ = true;
    SetUserAbort(true);
}

void QtProgressWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape must cancel the flow, not just close this window while the flow runs on.
    if (event->key() == Qt::Key_Escape) {
        Cancel();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void QtProgressWindow::closeEvent(QCloseEvent* event)
{
    Cancel();
    event->ignore();
}
