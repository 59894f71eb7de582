// CommunicationLogDlg: Help -> "Communication Log..." — the traffic on the reader's line
// since the program started, newest last, growing while it is open, and saved on request.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QTimer;

class CommunicationLogDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CommunicationLogDlg(QWidget* parent = nullptr);

    // Takes the lines recorded since the last look; the dialog's timer calls it.
    void Refresh();
    QPlainTextEdit* Text() const { return text_; }
    // Writes the shown log to `path` (atomically); false with the reason shown.
    bool SaveTo(const std::string& path);

private:
    void Save();

    QPlainTextEdit* text_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* timer_ = nullptr;
    std::uint64_t seen_ = 0;
};
