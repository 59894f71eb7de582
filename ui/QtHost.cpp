#include "ui/QtHost.h"

#include "ui/CQXFlashFileDlg.h"
#include "ui/ChooseDeviceDlg.h"
#include "ui/QtProgressWindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

namespace {

struct ButtonSet {
    MsgButtons buttons;
    std::vector<std::pair<QMessageBox::StandardButton, MsgAnswer>> members;
};

// The buttons of each set, in the order the default-button index counts them.
const std::vector<ButtonSet>& ButtonSets()
{
    static const std::vector<ButtonSet> sets = {
        { MsgButtons::Ok, { { QMessageBox::Ok, MsgAnswer::Ok } } },
        { MsgButtons::OkCancel, { { QMessageBox::Ok, MsgAnswer::Ok }, { QMessageBox::Cancel, MsgAnswer::Cancel } } },
        { MsgButtons::YesNo, { { QMessageBox::Yes, MsgAnswer::Yes }, { QMessageBox::No, MsgAnswer::No } } },
        { MsgButtons::YesNoCancel,
          { { QMessageBox::Yes, MsgAnswer::Yes },
            { QMessageBox::No, MsgAnswer::No },
            { QMessageBox::Cancel, MsgAnswer::Cancel } } },
        { MsgButtons::RetryCancel,
          { { QMessageBox::Retry, MsgAnswer::Retry }, { QMessageBox::Cancel, MsgAnswer::Cancel } } },
        { MsgButtons::AbortRetryIgnore,
          { { QMessageBox::Abort, MsgAnswer::Abort },
            { QMessageBox::Retry, MsgAnswer::Retry },
            { QMessageBox::Ignore, MsgAnswer::Ignore } } },
    };
    return sets;
}

const ButtonSet& SetFor(MsgButtons buttons)
{
    for (const ButtonSet& set : ButtonSets())
        if (set.buttons == buttons)
            return set;
    return ButtonSets().front();
}

QMessageBox::Icon IconFor(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None: return QMessageBox::NoIcon;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The answer a box gives when it is closed without a button (Escape, window close): the
// cancelling member of the set, else the default one.
MsgAnswer EscapeAnswer(const ButtonSet& set, int defaultButton)
{
    for (const auto& member : set.members)
        if (member.second == MsgAnswer::Cancel || member.second == MsgAnswer::No)
            return member.second;
    if (set.members.size() == 1)
        return set.members.front().second;
    return set.members[static_cast<size_t>(std::clamp<int>(defaultButton, 0, int(set.members.size()) - 1))].second;
}

} // namespace

QtHost::QtHost()
{
    qApp->installEventFilter(this);
}

QtHost::~QtHost()
{
    if (qApp)
        qApp->removeEventFilter(this);
    if (&TheHost() == this)
        InstallHost(nullptr);
}

QString QtHost::AppCaption()
{
    return QStringLiteral("Kestrel 2003");
}

void QtHost::SetMainWindow(QMainWindow* window)
{
    window_ = window;
}

QWidget* QtHost::Parent() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return window_.data();
}

MsgAnswer QtHost::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                             int defaultButton)
{
    const ButtonSet& set = SetFor(buttons);
    if (messageHook_)
        if (std::optional<MsgAnswer> answer = messageHook_(text, buttons, icon, defaultButton))
            return *answer;

    QMessageBox box(Parent());
    box.setWindowTitle(caption.empty() ? AppCaption() : QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setIcon(IconFor(icon));
    std::vector<std::pair<QAbstractButton*, MsgAnswer>> made;
    for (const auto& member : set.members)
        made.emplace_back(box.addButton(member.first), member.second);
    const size_t chosenDefault = static_cast<size_t>(std::clamp<int>(defaultButton, 0, int(made.size()) - 1));
    box.setDefaultButton(static_cast<QPushButton*>(made[chosenDefault].first));
    box.exec();
    for (const auto& [button, answer] : made)
        if (box.clickedButton() == button)
            return answer;
    return EscapeAnswer(set, defaultButton);
}

std::unique_ptr<ProgressWindow> QtHost::CreateProgressWindow()
{
    return std::make_unique<QtProgressWindow>(window_.data());
}

void QtHost::SetStatusText(const std::string& text)
{
    SetStatusPane(0, text);
}

void QtHost::SetStatusPane(int pane, const std::string& text)
{
    if (pane < 0 || pane > 2)
        return;
    panes_[pane] = QString::fromStdString(text);
    emit PaneTextChanged(pane, panes_[pane]);
}

QString QtHost::PaneText(int pane) const
{
    return pane >= 0 && pane <= 2 ? panes_[pane] : QString();
}

void QtHost::BeginWaitCursor()
{
    if (waitDepth_++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtHost::EndWaitCursor()
{
    if (waitDepth_ > 0 && --waitDepth_ == 0)
        QApplication::restoreOverrideCursor();
}

void QtHost::PumpWaitingMessages()
{
    ++pumping_;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    --pumping_;
}

bool QtHost::eventFilter(QObject* watched, QEvent* event)
{
    // Only an Escape that reaches a flow's wait cancels it. One that closes a dialog (a
    // message box the flow shows, Preferences between operations) is that dialog's own.
    if (pumping_ > 0 && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        RequestUserAbort();
    return QObject::eventFilter(watched, event);
}

int QtHost::ChooseDevice(const std::vector<DeviceChoice>& rows)
{
    if (chooserHook_)
        return chooserHook_(rows);
    ChooseDeviceDlg dialog(rows, Parent());
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return dialog.ChosenRow();
}

bool QtHost::ChooseFile(const FileRequest& request, std::string& path)
{
    if (fileHook_)
        return fileHook_(request, path);
    // Firmware files get the dialog that shows their description files.
    if (request.kind == FileDialogKind::Open && CQXFlashFileDlg::IsFirmwareFilter(request.filter)) {
        CQXFlashFileDlg dialog(Parent(), QString::fromStdString(request.title),
                               QString::fromStdString(request.initialPath), QString::fromStdString(request.filter));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        path = dialog.selectedFiles().front().toStdString();
        return true;
    }
    QFileDialog dialog(Parent(), QString::fromStdString(request.title), QString::fromStdString(request.initialPath),
                       QString::fromStdString(request.filter));
    if (request.kind == FileDialogKind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (!request.defaultExtension.empty()) {
        QString suffix = QString::fromStdString(request.defaultExtension);
        if (suffix.startsWith(QLatin1Char('.')))
            suffix.remove(0, 1);
        dialog.setDefaultSuffix(suffix);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = dialog.selectedFiles().front().toStdString();
    return true;
}
