#include "ui/CommunicationLogDlg.h"

#include "platform/AtomicFile.h"
#include "platform/Host.h"
#include "platform/TrafficLog.h"
#include "ui/ByteText.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

CommunicationLogDlg::CommunicationLogDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Communication Log"));
    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setMaximumBlockCount(static_cast<int>(TrafficLog::kRingLines));
    layout->addWidget(text_);
    status_ = new QLabel(this);
    layout->addWidget(status_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close, this);
    connect(buttons->button(QDialogButtonBox::Save), &QPushButton::clicked, this, &CommunicationLogDlg::Save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(900, 520);
    timer_ = new QTimer(this);
    timer_->setInterval(500);
    connect(timer_, &QTimer::timeout, this, &CommunicationLogDlg::Refresh);
    timer_->start();
    Refresh();
}

void CommunicationLogDlg::Refresh()
{
    const TrafficLog& log = TrafficLog::Instance();
    const std::uint64_t added = log.LinesAdded();
    if (added != seen_) {
        const std::vector<std::string> lines = log.Lines();
        const size_t fresh = static_cast<size_t>(std::min<std::uint64_t>(added - seen_, lines.size()));
        const bool atEnd = text_->verticalScrollBar()->value() == text_->verticalScrollBar()->maximum();
        for (size_t i = lines.size() - fresh; i < lines.size(); ++i)
            text_->appendPlainText(TextFromBytes(lines[i]));
        seen_ = added;
        if (atEnd)
            text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
    }
    QString status = QStringLiteral("%1 lines since the program started").arg(added);
    if (const std::uint64_t dropped = log.DroppedLines())
        status += QStringLiteral("; %1 lines could not be written to the trace file").arg(dropped);
    status_->setText(status);
}

bool CommunicationLogDlg::SaveTo(const std::string& path)
{
    std::string error;
    if (WriteFileAtomically(path, BytesFromText(text_->toPlainText()) + "\n", &error))
        return true;
    ShowMessage("The log could not be saved to " + path + ": " + error, MsgButtons::Ok, MsgIcon::Error);
    return false;
}

void CommunicationLogDlg::Save()
{
    FileRequest request;
    request.kind = FileDialogKind::Save;
    request.title = "Save Communication Log";
    request.filter = "Log Files (*.log)";
    request.defaultExtension = ".log";
    std::string path;
    if (TheHost().ChooseFile(request, path))
        SaveTo(path);
}
