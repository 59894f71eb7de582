// CControlCharDlg: "Select ASCII Control Characters", the picker every editor field uses.
#pragma once

#include "wizards/ControlCharPicker.h"

#include <QDialog>

class QLineEdit;
class QListWidget;

class CControlCharDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CControlCharDlg(QWidget* parent = nullptr, bool delimiterEditing = false);

    QListWidget* List() const { return list_; }
    QLineEdit* Selected() const { return selected_; }
    // A double-click on a row.
    void PickRow(int row);
    PickedText Result() const;

    // Opens the picker; the picked text, or nothing on Cancel.
    static bool Pick(QWidget* parent, PickedText& picked);

private:
    ControlCharPicker model_;
    QListWidget* list_;
    QLineEdit* selected_;
    QLineEdit* left_;
    QLineEdit* right_;
};
