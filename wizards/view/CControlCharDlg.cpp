#include "wizards/view/CControlCharDlg.h"

#include "wizards/view/WizardWidgets.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

CControlCharDlg::CControlCharDlg(QWidget* parent, bool delimiterEditing)
    : QDialog(parent), model_(delimiterEditing)
{
    setWindowTitle(QString::fromLatin1(ControlCharPicker::kTitle.data(), ControlCharPicker::kTitle.size()));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Hex   Dec   Char Name Description"), this));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ControlCharList"));
    list_->setFont(FixedPitchFont(10));
    for (const std::string& row : ControlCharPicker::Rows())
        list_->addItem(ShownText(row));
    list_->setMinimumWidth(420);
    layout->addWidget(list_);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { PickRow(list_->row(item)); });

    auto* form = new QFormLayout;
    selected_ = new QLineEdit(this);
    selected_->setReadOnly(true);
    form->addRow(QStringLiteral("Selected ASCII Text:"), selected_);
    left_ = new QLineEdit(QString::fromStdString(model_.LeftDelimiter()), this);
    right_ = new QLineEdit(QString::fromStdString(model_.RightDelimiter()), this);
    left_->setEnabled(delimiterEditing);
    right_->setEnabled(delimiterEditing);
    connect(left_, &QLineEdit::textChanged, this, [this](const QString& text) { model_.SetLeftDelimiter(text.toStdString()); });
    connect(right_, &QLineEdit::textChanged, this, [this](const QString& text) { model_.SetRightDelimiter(text.toStdString()); });
    form->addRow(QStringLiteral("Left Delimiter:"), left_);
    form->addRow(QStringLiteral("Right Delimiter:"), right_);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CControlCharDlg::PickRow(int row)
{
    if (model_.Pick(row))
        selected_->setText(QString::fromStdString(model_.SelectedText()));
}

PickedText CControlCharDlg::Result() const
{
    return { model_.SelectedText(), model_.LeftDelimiter(), model_.RightDelimiter() };
}

bool CControlCharDlg::Pick(QWidget* parent, PickedText& picked)
{
    CControlCharDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    picked = dialog.Result();
    return true;
}
