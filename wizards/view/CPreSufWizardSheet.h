// The prefix/suffix editor's dialogs: "Prefix Suffix Wizard" (a QWizard over
// CPreSufWizardModel) and "Prefix/Suffix Data", the edit of one record's data.
#pragma once

#include "wizards/CPreSufWizardModel.h"

#include <QDialog>
#include <QWizard>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The data field with "Control Characters" and "Insert Code ID", on the wizard's last page
// and in "Prefix/Suffix Data".
class PreSufDataEditor final : public QWidget {
    Q_OBJECT
public:
    PreSufDataEditor(PreSufDataField& field, std::string marker, QWidget* parent);
    QLineEdit* Field() const { return edit_; }
    QPushButton* ControlChars() const { return controlChars_; }
    QPushButton* InsertCodeId() const { return insertCodeId_; }
    void Load();

private:
    PreSufDataField& field_;
    std::string marker_;
    QLineEdit* edit_;
    QPushButton* controlChars_;
    QPushButton* insertCodeId_;
};

class CPreSufWizardSheet final : public QWizard {
    Q_OBJECT
public:
    CPreSufWizardSheet(CPreSufWizardModel& model, QWidget* parent = nullptr);

    CPreSufWizardModel& Model() { return model_; }
    QComboBox* SymbologyList() const { return symbologies_; }
    QRadioButton* PrefixRadio() const { return prefix_; }
    QRadioButton* SuffixRadio() const { return suffix_; }
    PreSufDataEditor* Data() const { return data_; }

    bool validateCurrentPage() override;
    void reject() override;

private:
    CPreSufWizardModel& model_;
    QComboBox* symbologies_ = nullptr;
    QRadioButton* prefix_ = nullptr;
    QRadioButton* suffix_ = nullptr;
    PreSufDataEditor* data_ = nullptr;
};

class CPreSufDataDlg final : public QDialog {
    Q_OBJECT
public:
    CPreSufDataDlg(const std::string& data, std::string marker, QWidget* parent = nullptr);
    PreSufDataEditor* Editor() const { return editor_; }
    const PreSufDataField& Field() const { return field_; }

private:
    PreSufDataField field_;
    PreSufDataEditor* editor_;
};
