#include "document/view/CFileDescriptionDlg.h"

#include "ui/ByteText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CFileDescriptionDlg::CFileDescriptionDlg(const std::string& description, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("File Description"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Description for this Kestrel Settings File:"), this));
    editor_ = new QPlainTextEdit(this);
    editor_->setPlainText(TextFromBytes(description).left(kMaxLength));
    layout->addWidget(editor_);
    connect(editor_, &QPlainTextEdit::textChanged, this, &CFileDescriptionDlg::Limit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, 260);
}

void CFileDescriptionDlg::Limit()
{
    // Typing or pasting past the limit keeps the first 1000 characters, as the stored
    // description does. The file keeps one byte a character, so characters without a byte
    // of their own are not taken, and the cut can never fall inside a character.
    const QString text = editor_->toPlainText();
    if (text.size() <= kMaxLength && FitsInBytes(text))
        return;
    QSignalBlocker block(editor_);
    editor_->setPlainText(KeepByteCharacters(text).left(kMaxLength));
    editor_->moveCursor(QTextCursor::End);
}

std::string CFileDescriptionDlg::Description() const
{
    return BytesFromText(KeepByteCharacters(editor_->toPlainText()).left(kMaxLength));
}
