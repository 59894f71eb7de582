#include "wizards/view/CFormatWizSheet.h"

#include "wizards/view/CControlCharDlg.h"
#include "wizards/view/WizardWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

// ---- Data Formatter Command ------------------------------------------------------------------

CFormatCommandDlg::CFormatCommandDlg(const std::string& code, QWidget* parent)
    : QDialog(parent), model_(code)
{
    setWindowTitle(QStringLiteral("Data Formatter Command"));
    const FormatCommand& command = model_.Command();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BlueLabel(command.title, this));
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    layout->addWidget(rule);
    auto* help = new QLabel(Q(command.help), this);
    help->setWordWrap(true);
    layout->addWidget(help);
    const std::string_view prompts[2] = { command.prompt1, command.prompt2 };
    for (int field = 0; field < 2; ++field) {
        auto* label = new QLabel(Q(prompts[field]), this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Parameter%1").arg(field + 1));
        fields_[static_cast<size_t>(field)] = edit;
        label->setVisible(model_.HasField(field));
        edit->setVisible(model_.HasField(field));
        edit->installEventFilter(this);
        layout->addWidget(label);
        layout->addWidget(edit);
        connect(edit, &QLineEdit::textEdited, this, [this, field] { Changed(field); });
    }
    controlChars_ = new QPushButton(QStringLiteral("Control Chars"), this);
    controlChars_->setAutoDefault(false);
    controlChars_->setEnabled(model_.ControlCharsEnabled(0));
    connect(controlChars_, &QPushButton::clicked, this, [this] {
        PickedText picked;
        if (!CControlCharDlg::Pick(this, picked))
            return;
        QLineEdit* target = fields_[static_cast<size_t>(target_)];
        target->setText(Q(model_.AppendPicked(target_, target->text().toStdString(), picked.text)));
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->addButton(controlChars_, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFormatCommandDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    if (model_.HasField(0))
        fields_[0]->setFocus();
}

bool CFormatCommandDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        for (int field = 0; field < 2; ++field) {
            if (watched == fields_[static_cast<size_t>(field)]) {
                target_ = field;
                controlChars_->setEnabled(model_.ControlCharsEnabled(field));
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CFormatCommandDlg::Changed(int field)
{
    QLineEdit* edit = fields_[static_cast<size_t>(field)];
    const QString shown = Q(model_.ChangeField(field, edit->text().toStdString()));
    if (shown != edit->text())
        edit->setText(shown);
}

void CFormatCommandDlg::accept()
{
    const int missing = model_.Confirm();
    if (missing >= 0) {
        fields_[static_cast<size_t>(missing)]->setFocus();
        return;
    }
    QDialog::accept();
}

// ---- Format Commands ----------------------------------------------------------------------------

CFormatCommandsDlg::CFormatCommandsDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Format Commands"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BlueLabel(CFormatCommandsList::kInstruction, this));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("FormatCommandList"));
    for (const std::string& title : CFormatCommandsList::Titles())
        list_->addItem(Q(title));
    list_->setCurrentRow(-1);
    list_->setMinimumWidth(560);
    layout->addWidget(list_);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFormatCommandsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CFormatCommandsDlg::accept()
{
    const std::optional<std::string> code = CFormatCommandsList::CodeOf(list_->currentRow());
    if (!code)
        return;
    CFormatCommandDlg entry(*code, this);
    if (entry.exec() == QDialog::Accepted)
        collected_ += entry.Model().Sequence();
    QDialog::accept();
}

// ---- the wizard ------------------------------------------------------------------------------------

CFormatWizSheet::CFormatWizSheet(CFormatWizardModel& model, QWidget* parent)
    : QWizard(parent), model_(model)
{
    setWindowTitle(Q(model_.Title()));
    setWizardStyle(QWizard::ClassicStyle);
    using Page = CFormatWizardModel::Page;
    for (const Page kind : model_.Pages()) {
        auto* page = new QWizardPage(this);
        page->setTitle(Q(CFormatWizardModel::PageTitle(kind)));
        auto* layout = new QVBoxLayout(page);
        layout->addWidget(BlueLabel(CFormatWizardModel::PageInstruction(kind), page));
        switch (kind) {
        case Page::Terminal: {
            terminals_ = new QComboBox(page);
            for (const std::string& name : model_.TerminalChoices())
                terminals_->addItem(Q(name));
            terminals_->setCurrentText(Q(model_.Terminal()));
            anyTerminal_ = new QCheckBox(QStringLiteral("Apply format to any Terminal Interface"), page);
            anyTerminal_->setChecked(model_.IsAnyTerminal());
            terminals_->setEnabled(!model_.IsAnyTerminal());
            connect(anyTerminal_, &QCheckBox::toggled, this, [this](bool on) {
                terminals_->setEnabled(!on);
                if (on) {
                    model_.SetAnyTerminal(true);
                    terminals_->setCurrentText(Q(model_.Terminal()));
                }
            });
            layout->addWidget(terminals_);
            layout->addWidget(anyTerminal_);
            break;
        }
        case Page::Symbology:
            symbologies_ = new QComboBox(page);
            for (const std::string& name : model_.SymbologyChoices())
                symbologies_->addItem(Q(name));
            symbologies_->setCurrentIndex(model_.SymbologyIndex());
            layout->addWidget(symbologies_);
            break;
        case Page::Length: {
            length_ = new QLineEdit(Q(model_.Length()), page);
            anyLength_ = new QCheckBox(QStringLiteral("Apply format to any length code"), page);
            anyLength_->setChecked(model_.IsAnyLength());
            length_->setEnabled(!model_.IsAnyLength());
            connect(length_, &QLineEdit::textChanged, this, [this](const QString& text) { model_.SetLength(text.toStdString()); });
            connect(anyLength_, &QCheckBox::toggled, this, [this](bool on) {
                length_->setEnabled(!on);
                if (on) {
                    model_.SetAnyLength(true);
                    length_->setText(Q(model_.Length()));
                } else {
                    length_->selectAll();
                    length_->setFocus();
                }
            });
            layout->addWidget(length_);
            layout->addWidget(anyLength_);
            break;
        }
        case Page::Alternate: {
            const char* captions[4] = { "Primary", "Alternate 1", "Alternate 2", "Alternate 3" };
            for (int slot = 0; slot < 4; ++slot) {
                auto* radio = new QRadioButton(QString::fromLatin1(captions[slot]), page);
                radio->setChecked(model_.Slot() == slot);
                connect(radio, &QRadioButton::toggled, this, [this, slot](bool on) {
                    if (on)
                        model_.SetSlot(slot);
                });
                slots_[static_cast<size_t>(slot)] = radio;
                layout->addWidget(radio);
            }
            break;
        }
        case Page::Data: {
            commands_ = new QPlainTextEdit(Q(model_.Commands()), page);
            commands_->setObjectName(QStringLiteral("CommandSequence"));
            commands_->setFont(FixedPitchFont(10));
            connect(commands_, &QPlainTextEdit::textChanged, this,
                    [this] { model_.SetCommands(commands_->toPlainText().toStdString()); });
            auto* row = new QHBoxLayout;
            selectCommand_ = new QPushButton(QStringLiteral("Select Command..."), page);
            erase_ = new QPushButton(QStringLiteral("Erase Current Sequence"), page);
            row->addWidget(selectCommand_);
            row->addWidget(erase_);
            row->addStretch();
            connect(selectCommand_, &QPushButton::clicked, this, [this] {
                CFormatCommandsDlg dialog(this);
                dialog.exec();
                model_.AppendCommands(dialog.Collected());
                commands_->setPlainText(Q(model_.Commands()));
            });
            connect(erase_, &QPushButton::clicked, this, [this] { commands_->clear(); });
            layout->addWidget(commands_);
            layout->addLayout(row);
            break;
        }
        }
        layout->addStretch();
        addPage(page);
    }
}

bool CFormatWizSheet::validateCurrentPage()
{
    // Drop-down values are read when their page is left.
    QWidget* page = currentPage();
    if (terminals_ && page == terminals_->parentWidget() && terminals_->currentIndex() >= 0)
        model_.SetTerminal(terminals_->currentText().toStdString());
    if (symbologies_ && page == symbologies_->parentWidget() && symbologies_->currentIndex() >= 0)
        model_.SetSymbology(symbologies_->currentText().toStdString());
    return QWizard::validateCurrentPage();
}

void CFormatWizSheet::accept()
{
    validateCurrentPage();
    if (!model_.Finish(result_))
        return;
    finished_ = true;
    QWizard::accept();
}
