#include "wizards/view/CPreSufWizardSheet.h"

#include "wizards/view/CControlCharDlg.h"
#include "wizards/view/WizardWidgets.h"

#include <QComboBox>
#include <QLabel>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

PreSufDataEditor::PreSufDataEditor(PreSufDataField& field, std::string marker, QWidget* parent)
    : QWidget(parent), field_(field), marker_(std::move(marker))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("PreSufData"));
    edit_->setFont(FixedPitchFont(10));
    layout->addWidget(edit_);
    auto* row = new QHBoxLayout;
    controlChars_ = new QPushButton(QStringLiteral("Control Characters"), this);
    insertCodeId_ = new QPushButton(QStringLiteral("Insert Code ID"), this);
    for (QPushButton* button : { controlChars_, insertCodeId_ }) {
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    row->addStretch();
    layout->addLayout(row);
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) { field_.text = text.toStdString(); });
    connect(controlChars_, &QPushButton::clicked, this, [this] {
        PickedText picked;
        if (!CControlCharDlg::Pick(this, picked))
            return;
        field_.AppendPicked(picked);
        Load();
    });
    connect(insertCodeId_, &QPushButton::clicked, this, [this] {
        field_.InsertCodeId(marker_);
        Load();
    });
}

void PreSufDataEditor::Load()
{
    const QSignalBlocker quiet(edit_);
    edit_->setText(QString::fromStdString(field_.text));
}

CPreSufWizardSheet::CPreSufWizardSheet(CPreSufWizardModel& model, QWidget* parent)
    : QWizard(parent), model_(model)
{
    setWindowTitle(Q(CPreSufWizardModel::kTitle));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage, false);
    using Page = CPreSufWizardModel::Page;
    for (const Page kind : model_.Pages()) {
        auto* page = new QWizardPage(this);
        page->setTitle(Q(CPreSufWizardModel::PageTitle(kind)));
        auto* layout = new QVBoxLayout(page);
        layout->addWidget(BlueLabel(CPreSufWizardModel::PageInstruction(kind), page));
        switch (kind) {
        case Page::Symbology:
            symbologies_ = new QComboBox(page);
            for (const std::string& name : model_.SymbologyChoices())
                symbologies_->addItem(QString::fromStdString(name));
            symbologies_->setCurrentIndex(symbologies_->count() > 0 ? 0 : -1);
            layout->addWidget(symbologies_);
            break;
        case Page::Selection:
            prefix_ = new QRadioButton(QStringLiteral("Prefix"), page);
            suffix_ = new QRadioButton(QStringLiteral("Suffix"), page);
            prefix_->setChecked(model_.IsPrefix());
            suffix_->setChecked(!model_.IsPrefix());
            layout->addWidget(prefix_);
            layout->addWidget(suffix_);
            connect(prefix_, &QRadioButton::toggled, this, [this](bool on) { model_.SetPrefix(on); });
            break;
        case Page::Data:
            data_ = new PreSufDataEditor(model_.Data(), model_.CodeIdMarker(), page);
            layout->addWidget(data_);
            break;
        }
        layout->addStretch();
        addPage(page);
    }
    connect(this, &QWizard::currentIdChanged, this, [this](int) {
        if (data_ && currentPage() == data_->parentWidget())
            data_->Load();
    });
}

bool CPreSufWizardSheet::validateCurrentPage()
{
    // The chosen symbology is read when its page is left.
    if (symbologies_ && currentPage() == symbologies_->parentWidget() && symbologies_->currentIndex() >= 0)
        model_.SetSymbology(symbologies_->currentText().toStdString());
    return QWizard::validateCurrentPage();
}

void CPreSufWizardSheet::reject()
{
    model_.Cancel();
    QWizard::reject();
}

CPreSufDataDlg::CPreSufDataDlg(const std::string& data, std::string marker, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Prefix/Suffix Data"));
    field_.text = data;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BlueLabel("Enter Prefix or Suffix Data", this));
    editor_ = new PreSufDataEditor(field_, std::move(marker), this);
    editor_->Load();
    layout->addWidget(editor_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    editor_->Field()->selectAll();
    editor_->Field()->setFocus();
}
