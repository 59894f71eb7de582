// CDataEditSheet: "Prefix/Suffix Data Formatter Control", the property sheet of the editors.
//
// A tab per page of CDataEditSheetModel: "Prefix/Suffix", "Data Format" and, for readers
// with an auxiliary port, their "Aux" twins. The pages edit the model's copies; OK applies
// them to the document's device, Cancel throws them away.
#pragma once

#include "wizards/CDataEditSheetModel.h"

#include <QDialog>
#include <QWidget>
#include <array>

class CQLMenuDoc;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;

class CPrefixSuffixPage final : public QWidget {
    Q_OBJECT
public:
    CPrefixSuffixPage(CDataEditSheetModel& sheet, bool auxiliary, QWidget* parent);
    QListWidget* List() const { return list_; }
    QPushButton* Button(const QString& caption) const;
    QCheckBox* Check(CPrefixSuffixPageModel::Check check) const { return checks_[check]; }
    QGroupBox* DataEnableGroup() const { return dataEnable_; }
    QGroupBox* TransmitGroup() const { return transmit_; }
    void Refill();

private:
    void Add();
    void Edit(std::int32_t kind);
    CDataEditSheetModel& sheet_;
    CPrefixSuffixPageModel& model_;
    bool auxiliary_;
    QListWidget* list_;
    QLabel* gauge_;
    QGroupBox* dataEnable_;
    QGroupBox* transmit_;
    std::array<QCheckBox*, 4> checks_ {};
    QPushButton* add_;
};

class CFormatPage final : public QWidget {
    Q_OBJECT
public:
    CFormatPage(CDataEditSheetModel& sheet, bool auxiliary, QWidget* parent);
    QListWidget* List() const { return list_; }
    QPushButton* Button(const QString& caption) const;
    QGroupBox* StateGroup() const { return stateGroup_; }
    QRadioButton* StateRadio(int state) const { return states_[static_cast<size_t>(state)]; }
    void Refill(int select);

private:
    void RunWizard(int row);
    CDataEditSheetModel& sheet_;
    CFormatPageModel& model_;
    bool auxiliary_;
    QListWidget* list_;
    QLabel* gauge_;
    QGroupBox* stateGroup_;
    std::array<QRadioButton*, 3> states_ {};
};

class CDataEditSheet final : public QDialog {
    Q_OBJECT
public:
    CDataEditSheet(CDataEditSheetModel& model, int firstPage, QWidget* parent = nullptr);
    QTabWidget* Tabs() const { return tabs_; }
    CPrefixSuffixPage* PrefixSuffixPage(bool auxiliary) const { return preSuf_[auxiliary ? 1 : 0]; }
    CFormatPage* FormatPage(bool auxiliary) const { return formats_[auxiliary ? 1 : 0]; }
    QPushButton* HelpButton() const { return help_; }

signals:
    void HelpRequested(int topic, const QString& caption);

private:
    CDataEditSheetModel& model_;
    QTabWidget* tabs_;
    std::array<CPrefixSuffixPage*, 2> preSuf_ {};
    std::array<CFormatPage*, 2> formats_ {};
    QPushButton* help_;
};

// "D&ata Editing Wizards": runs the sheet on the document's device, opened on `page`; on OK
// the records and enables go into the current table and the document is marked modified.
// False when the document cannot use the editors or the sheet was cancelled.
bool RunDataEditingWizards(CQLMenuDoc& document, int page, QWidget* parent);
// The sheet's page that shows a block setting's records; -1 for other settings.
int DataEditPageOfBlock(const std::string& tag);
