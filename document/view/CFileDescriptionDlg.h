// CFileDescriptionDlg: "File Description" — the free text saved with a configuration,
// at most 1000 characters.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

class CFileDescriptionDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 1000;

    explicit CFileDescriptionDlg(const std::string& description, QWidget* parent = nullptr);
    std::string Description() const;
    QPlainTextEdit* Editor() const { return editor_; }

private:
    void Limit();
    QPlainTextEdit* editor_ = nullptr;
};
