// The data formatter's dialogs: the wizard (a QWizard over CFormatWizardModel), "Format
// Commands" and "Data Formatter Command".
#pragma once

#include "wizards/CFormatWizardModel.h"

#include <QDialog>
#include <QWizard>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class CFormatCommandDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CFormatCommandDlg(const std::string& code, QWidget* parent = nullptr);
    CFormatCommandEntry& Model() { return model_; }
    QLineEdit* Field(int field) const { return fields_[static_cast<size_t>(field)]; }
    QPushButton* ControlChars() const { return controlChars_; }
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Changed(int field);
    CFormatCommandEntry model_;
    std::array<QLineEdit*, 2> fields_ {};
    QPushButton* controlChars_;
    int target_ = 0;
};

class CFormatCommandsDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CFormatCommandsDlg(QWidget* parent = nullptr);
    QListWidget* List() const { return list_; }
    // What the chosen command added ("" when none).
    const std::string& Collected() const { return collected_; }
    void accept() override;

private:
    QListWidget* list_;
    std::string collected_;
};

class CFormatWizSheet final : public QWizard {
    Q_OBJECT
public:
    CFormatWizSheet(CFormatWizardModel& model, QWidget* parent = nullptr);

    CFormatWizardModel& Model() { return model_; }
    QComboBox* TerminalList() const { return terminals_; }
    QCheckBox* AnyTerminal() const { return anyTerminal_; }
    QComboBox* SymbologyList() const { return symbologies_; }
    QLineEdit* LengthField() const { return length_; }
    QCheckBox* AnyLength() const { return anyLength_; }
    QRadioButton* SlotRadio(int slot) const { return slots_[static_cast<size_t>(slot)]; }
    QPlainTextEdit* Commands() const { return commands_; }
    QPushButton* SelectCommand() const { return selectCommand_; }
    QPushButton* EraseSequence() const { return erase_; }

    bool validateCurrentPage() override;
    void accept() override;
    // Set by a Finish that passed the model's checks.
    bool Finished() const { return finished_; }
    CFormatKeyEntry& Result() { return result_; }
    void SetResult(const CFormatKeyEntry& entry) { result_ = entry; }

private:
    CFormatWizardModel& model_;
    CFormatKeyEntry result_;
    bool finished_ = false;
    QComboBox* terminals_ = nullptr;
    QCheckBox* anyTerminal_ = nullptr;
    QComboBox* symbologies_ = nullptr;
    QLineEdit* length_ = nullptr;
    QCheckBox* anyLength_ = nullptr;
    std::array<QRadioButton*, 4> slots_ {};
    QPlainTextEdit* commands_ = nullptr;
    QPushButton* selectCommand_ = nullptr;
    QPushButton* erase_ = nullptr;
};
