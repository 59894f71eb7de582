#include "wizards/view/CDataEditSheet.h"

#include "app/view/HelpWindow.h"
#include "document/CQLMenuDoc.h"
#include "wizards/CFormatWizardModel.h"
#include "wizards/CPreSufWizardModel.h"
#include "wizards/view/CFormatWizSheet.h"
#include "wizards/view/CPreSufWizardSheet.h"
#include "wizards/view/WizardWidgets.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPushButton* FindButton(const QWidget* page, const QString& caption)
{
    for (QPushButton* button : page->findChildren<QPushButton*>())
        if (button->text() == caption)
            return button;
    return nullptr;
}

// "Try It": a sample scan run through the page's rules as they are now.
QGroupBox* MakeTryIt(CDataEditSheetModel& sheet, bool auxiliary, QWidget* parent)
{
    auto* group = new QGroupBox(QStringLiteral("Try It"), parent);
    group->setObjectName(QStringLiteral("TryIt"));
    auto* layout = new QVBoxLayout(group);
    auto* row = new QHBoxLayout;
    auto* sample = new QLineEdit(QStringLiteral("Code 39=1234AA5678"), group);
    sample->setObjectName(QStringLiteral("TryItSample"));
    auto* run = new QPushButton(QStringLiteral("Try It"), group);
    run->setAutoDefault(false);
    row->addWidget(sample);
    row->addWidget(run);
    layout->addLayout(row);
    auto* output = new QPlainTextEdit(group);
    output->setObjectName(QStringLiteral("TryItOutput"));
    output->setReadOnly(true);
    output->setFont(FixedPitchFont(9));
    output->setMaximumHeight(90);
    layout->addWidget(output);
    auto show = [&sheet, auxiliary, sample, output] {
        QString text;
        for (const std::string& line : sheet.TryIt(auxiliary, sample->text().toStdString()))
            text += Q(line) + QLatin1Char('\n');
        output->setPlainText(text);
    };
    QObject::connect(run, &QPushButton::clicked, group, show);
    QObject::connect(sample, &QLineEdit::returnPressed, group, show);
    return group;
}

// Column captions over a fixed-pitch list, in the list's font so they line up.
QLabel* MakeHeader(const std::string& text, QWidget* parent)
{
    auto* header = new QLabel(Q(text), parent);
    header->setFont(FixedPitchFont(10));
    header->setIndent(4);
    return header;
}

QListWidget* MakeList(QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setFont(FixedPitchFont(10));
    list->setMinimumSize(620, 180);
    return list;
}

} // namespace

// ---- Prefix/Suffix ------------------------------------------------------------------------------

CPrefixSuffixPage::CPrefixSuffixPage(CDataEditSheetModel& sheet, bool auxiliary, QWidget* parent)
    : QWidget(parent), sheet_(sheet), model_(sheet.PrefixSuffixPage(auxiliary)), auxiliary_(auxiliary)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeHeader(FitColumn("Symbology", 20, 0) + FitColumn("Prefix", 20, 0) + "Suffix", this));
    list_ = MakeList(this);
    list_->setObjectName(QStringLiteral("PrefixSuffixList"));
    layout->addWidget(list_);
    gauge_ = new QLabel(this);
    layout->addWidget(gauge_);

    auto* buttons = new QHBoxLayout;
    for (const char* caption : { "Add", "Delete", "Delete All", "Edit Prefix", "Edit Suffix" }) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    add_ = Button(QStringLiteral("Add"));
    connect(add_, &QPushButton::clicked, this, &CPrefixSuffixPage::Add);
    connect(Button(QStringLiteral("Delete")), &QPushButton::clicked, this, [this] {
        if (model_.Delete(list_->currentRow()))
            Refill();
    });
    connect(Button(QStringLiteral("Delete All")), &QPushButton::clicked, this, [this] {
        model_.DeleteAll();
        Refill();
    });
    connect(Button(QStringLiteral("Edit Prefix")), &QPushButton::clicked, this, [this] { Edit(CPreSufEntry::kPrefix); });
    connect(Button(QStringLiteral("Edit Suffix")), &QPushButton::clicked, this, [this] { Edit(CPreSufEntry::kSuffix); });

    auto* groups = new QHBoxLayout;
    dataEnable_ = new QGroupBox(QStringLiteral("Data Enable"), this);
    transmit_ = new QGroupBox(QStringLiteral("Transmit"), this);
    const char* captions[4] = { "Prefix On", "Suffix On", "Code ID", "Aim ID" };
    for (int i = 0; i < 4; ++i) {
        QGroupBox* group = i < 2 ? dataEnable_ : transmit_;
        if (!group->layout())
            new QVBoxLayout(group);
        auto* box = new QCheckBox(QString::fromLatin1(captions[i]), group);
        const auto check = static_cast<CPrefixSuffixPageModel::Check>(i);
        box->setChecked(model_.IsChecked(check));
        box->setVisible(model_.IsCheckVisible(check));
        connect(box, &QCheckBox::toggled, this, [this, check](bool on) { model_.SetChecked(check, on); });
        group->layout()->addWidget(box);
        checks_[static_cast<size_t>(i)] = box;
    }
    dataEnable_->setVisible(model_.IsDataEnableGroupVisible());
    transmit_->setVisible(model_.IsTransmitGroupVisible());
    groups->addWidget(dataEnable_);
    groups->addWidget(transmit_);
    groups->addStretch();
    layout->addLayout(groups);
    layout->addWidget(MakeTryIt(sheet_, auxiliary_, this));
    Refill();
}

QPushButton* CPrefixSuffixPage::Button(const QString& caption) const
{
    return FindButton(this, caption);
}

void CPrefixSuffixPage::Refill()
{
    const int remembered = list_->currentRow();
    const std::vector<std::string> rows = model_.Rows();
    FillList(list_, rows, SelectionAfterRefill(remembered, static_cast<int>(rows.size())));
    add_->setEnabled(model_.CanAdd());
    gauge_->setText(Q(sheet_.Gauge(auxiliary_ ? 2 : 0)));
}

void CPrefixSuffixPage::Add()
{
    CPreSufWizardModel wizardModel(model_.FreeSymbologies(), auxiliary_, model_.CodeIdMarker());
    CPreSufWizardSheet wizard(wizardModel, this);
    if (wizard.exec() == QDialog::Accepted) {
        std::vector<CPreSufEntry> after = model_.Entries();
        after.push_back(wizardModel.Finish());
        const std::string refused = sheet_.RefusePrefixSuffix(auxiliary_, after);
        if (refused.empty())
            model_.Append(wizardModel.Finish());
        else
            ShowWizardMessage(refused);
    }
    Refill();
}

void CPrefixSuffixPage::Edit(std::int32_t kind)
{
    const std::optional<CPrefixSuffixPageModel::Edit> edit = model_.BeginEdit(list_->currentRow(), kind);
    if (!edit)
        return;
    CPreSufDataDlg dialog(edit->entry.GetData(), model_.CodeIdMarker(), this);
    if (dialog.exec() == QDialog::Accepted) {
        const PreSufDataField& field = dialog.Field();
        std::vector<CPreSufEntry> after = model_.Entries();
        CPreSufEntry changed = edit->entry;
        changed.SetData(field.text, field.left, field.right);
        if (edit->created)
            after.push_back(changed);
        else
            after[static_cast<size_t>(edit->row)] = changed;
        const std::string refused = sheet_.RefusePrefixSuffix(auxiliary_, after);
        if (refused.empty())
            model_.FinishEdit(*edit, field.text, field.left, field.right);
        else
            ShowWizardMessage(refused);
    }
    Refill();
}

// ---- Data Format ----------------------------------------------------------------------------------

CFormatPage::CFormatPage(CDataEditSheetModel& sheet, bool auxiliary, QWidget* parent)
    : QWidget(parent), sheet_(sheet), model_(sheet.FormatPage(auxiliary)), auxiliary_(auxiliary)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeHeader(FitColumn("P/A", 4, 0) + FitColumn("Terminal ID", 25, 0)
                                     + FitColumn("Symbology", 16, 0) + FitColumn("Len", 5, 0) + "Commands",
                                 this));
    list_ = MakeList(this);
    list_->setObjectName(QStringLiteral("FormatList"));
    layout->addWidget(list_);
    gauge_ = new QLabel(this);
    layout->addWidget(gauge_);
    auto* buttons = new QHBoxLayout;
    for (const char* caption : { "Add", "Edit", "Delete", "Delete All", "Move Up", "Move Down" }) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    connect(Button(QStringLiteral("Add")), &QPushButton::clicked, this, [this] { RunWizard(-1); });
    connect(Button(QStringLiteral("Edit")), &QPushButton::clicked, this, [this] {
        if (model_.CheckSelection(list_->currentRow()))
            RunWizard(list_->currentRow());
    });
    connect(Button(QStringLiteral("Delete")), &QPushButton::clicked, this, [this] {
        if (model_.Delete(list_->currentRow()))
            Refill(list_->currentRow());
    });
    connect(Button(QStringLiteral("Delete All")), &QPushButton::clicked, this, [this] {
        model_.DeleteAll();
        Refill(-1);
    });
    connect(Button(QStringLiteral("Move Up")), &QPushButton::clicked, this, [this] {
        const int row = model_.MoveUp(list_->currentRow());
        if (row >= 0)
            Refill(row);
    });
    connect(Button(QStringLiteral("Move Down")), &QPushButton::clicked, this, [this] {
        const int row = model_.MoveDown(list_->currentRow());
        if (row >= 0)
            Refill(row);
    });

    stateGroup_ = new QGroupBox(QStringLiteral("Formatter State"), this);
    auto* stateLayout = new QHBoxLayout(stateGroup_);
    const char* captions[3] = { "Off", "On", "Required" };
    for (int state = 0; state < 3; ++state) {
        auto* radio = new QRadioButton(QString::fromLatin1(captions[state]), stateGroup_);
        radio->setChecked(model_.CheckedState() == state);
        connect(radio, &QRadioButton::clicked, this, [this, state] { model_.SetState(state); });
        stateLayout->addWidget(radio);
        states_[static_cast<size_t>(state)] = radio;
    }
    stateGroup_->setVisible(model_.IsStateGroupVisible());
    layout->addWidget(stateGroup_);
    layout->addWidget(MakeTryIt(sheet_, auxiliary_, this));
    Refill(-1);
}

QPushButton* CFormatPage::Button(const QString& caption) const
{
    return FindButton(this, caption);
}

void CFormatPage::Refill(int select)
{
    const std::vector<std::string> rows = model_.Rows();
    FillList(list_, rows, SelectionAfterRefill(select, static_cast<int>(rows.size())));
    gauge_->setText(Q(sheet_.Gauge(auxiliary_ ? 3 : 1)));
}

void CFormatPage::RunWizard(int row)
{
    const CFormatKeyEntry entry = row >= 0 ? model_.Entries()[static_cast<size_t>(row)] : CFormatKeyEntry();
    CFormatWizardModel wizardModel(model_.Symbologies(), model_.Terminals(), entry, auxiliary_,
                                   std::string(row >= 0 ? CFormatPageModel::kEditTitle : CFormatWizardModel::kAddTitle));
    wizardModel.SetBlockCheck(sheet_.FormatCheck(auxiliary_, row));
    CFormatWizSheet wizard(wizardModel, this);
    wizard.SetResult(entry);
    const int remembered = list_->currentRow();
    if (wizard.exec() == QDialog::Accepted && wizard.Finished()) {
        if (row >= 0)
            model_.Entries()[static_cast<size_t>(row)] = wizard.Result();
        else
            model_.Append(wizard.Result());
    }
    Refill(remembered);
}

// ---- the sheet ------------------------------------------------------------------------------------

CDataEditSheet::CDataEditSheet(CDataEditSheetModel& model, int firstPage, QWidget* parent)
    : QDialog(parent), model_(model)
{
    setWindowTitle(Q(CDataEditSheetModel::kTitle));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    for (int page = 0; page < model_.PageCount(); ++page) {
        const bool auxiliary = CDataEditSheetModel::IsAuxiliaryPage(page);
        QWidget* widget = nullptr;
        if (CDataEditSheetModel::KindOf(page) == CDataEditSheetModel::PageKind::PrefixSuffix)
            widget = preSuf_[auxiliary ? 1 : 0] = new CPrefixSuffixPage(model_, auxiliary, tabs_);
        else
            widget = formats_[auxiliary ? 1 : 0] = new CFormatPage(model_, auxiliary, tabs_);
        tabs_->addTab(widget, Q(CDataEditSheetModel::PageTitle(page)));
    }
    if (firstPage >= 0 && firstPage < tabs_->count())
        tabs_->setCurrentIndex(firstPage);
    layout->addWidget(tabs_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    help_ = buttons->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help_, &QPushButton::clicked, this, [this] {
        const int page = tabs_->currentIndex();
        emit HelpRequested(CDataEditSheetModel::HelpTopic(page), tabs_->tabText(page));
    });
    layout->addWidget(buttons);
}

int DataEditPageOfBlock(const std::string& tag)
{
    if (tag == "PREBK2" || tag == "SUFBK2") return 0;
    if (tag == "DFMBK3") return 1;
    if (tag == "AXPBK2" || tag == "AXSBK2") return 2;
    if (tag == "AXDBK3") return 3;
    return -1;
}

bool RunDataEditingWizards(CQLMenuDoc& document, int page, QWidget* parent)
{
    if (!document.CanUseWizards() || !document.ValidationGate())
        return false;
    CDevice& device = *document.Device();
    CDataEditSheetModel model(device.Blocks(), device, device.GetBarcodeLead(), [&device](std::string_view tag) {
        const CDeviceSetting* setting = device.FindSetting(std::string(tag));
        return setting ? static_cast<long long>(setting->maximum) : 0LL;
    });
    CDataEditSheet sheet(model, page < model.PageCount() ? page : 0, parent);
    QObject::connect(&sheet, &CDataEditSheet::HelpRequested, &sheet, [&sheet](int topic, const QString& caption) {
        auto* help = new HelpWindow(&sheet);
        help->ShowTopic(topic, caption, QStringLiteral("Help topic %1").arg(topic));
    });
    if (sheet.exec() != QDialog::Accepted)
        return false;
    if (model.Apply(device.Blocks(), device))
        document.RecordsChanged();
    return true;
}
