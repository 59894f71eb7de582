// CQXFlashFileDlg: the firmware file dialog. A file-open dialog with a panel below the file
// list that shows what the selected file's description file (its title with ".DOC") says:
// description, product, revision and date, updated whenever the selection changes.
#pragma once

#include <QFileDialog>

class QLabel;

class CQXFlashFileDlg : public QFileDialog {
    Q_OBJECT

public:
    CQXFlashFileDlg(QWidget* parent, const QString& title, const QString& folder, const QString& filter);

    // Whether the dialog is the one for this filter (the firmware flows' filters).
    static bool IsFirmwareFilter(const std::string& filter);
    // The filter Qt is given: patterns split at commas as well as blanks, and matched
    // without regard to case ("*.hex" also takes "APP.HEX").
    static QString QtFilter(const QString& filter);

    // Fills the panel for a file (the companion is looked up beside it).
    void UpdatePanel(const QString& path);
    QString DescriptionText() const;
    QString ProductText() const;
    QString RevisionText() const;
    QString DateText() const;

private:
    QLabel* description_ = nullptr;
    QLabel* product_ = nullptr;
    QLabel* revision_ = nullptr;
    QLabel* date_ = nullptr;
};
