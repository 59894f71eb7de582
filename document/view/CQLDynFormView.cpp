#include "document/view/CQLDynFormView.h"

#include "catalog/TabDefinitions.h"
#include "document/CQLMenuDoc.h"
#include "ui/ByteText.h"
#include "ui/QtTextMeasurer.h"
#include "wizards/view/CDataEditSheet.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>

namespace {

// Combo rectangles carry the dropped height: seven times the closed one.
constexpr int kDroppedLines = 7;

bool Has(const PageItem& item, std::uint32_t flag)
{
    return (item.style & flag) != 0;
}

} // namespace

CQLDynFormView::CQLDynFormView(const PageTemplate& page, int pageIndex, CQLMenuDoc& document,
                               const QtTextMeasurer& measurer, QWidget* parent)
    : QScrollArea(parent), document_(document), pageIndex_(pageIndex)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    auto* canvas = new QWidget;
    canvas->setFont(measurer.Font());
    canvas->setObjectName(QStringLiteral("page"));
    for (const PageItem& item : page.items) {
        QWidget* widget = MakeItem(item, canvas);
        if (!widget)
            continue;
        int height = item.rect.cy;
        if (item.itemClass == ItemClass::ComboBox)
            height = std::max(1, item.rect.cy / kDroppedLines);
        widget->setGeometry(measurer.ToPixelsX(item.rect.x), measurer.ToPixelsY(item.rect.y),
                            measurer.ToPixelsX(item.rect.cx), measurer.ToPixelsY(height));
        widget->setFont(measurer.Font());
        controls_.insert(item.id, widget);
        ids_.insert(widget, item.id);
        widget->installEventFilter(this);
        // Frames are drawn behind the controls they hold.
        if (qobject_cast<QGroupBox*>(widget))
            widget->lower();
    }
    canvas->resize(measurer.ToPixelsX(page.cx), measurer.ToPixelsY(page.cy));
    setWidget(canvas);
}

void CQLDynFormView::AddBlockEditorAction(QLineEdit* edit, int id)
{
    // The six rule blocks open their page of the editor sheet from a button inside the field;
    // the field keeps its size, so the page layout does not change.
    const ControlBinding* binding = document_.FindBinding(id);
    const CDevice* device = document_.Device();
    if (!binding || !device || binding->controlType != ControlType::Block || binding->settingIndex < 0
        || binding->settingIndex >= static_cast<int>(device->Settings().size()))
        return;
    const int page = DataEditPageOfBlock(device->Settings()[static_cast<size_t>(binding->settingIndex)].tag);
    if (page < 0)
        return;
    QAction* open = edit->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView), QLineEdit::TrailingPosition);
    open->setObjectName(QStringLiteral("OpenDataEditor"));
    open->setToolTip(QStringLiteral("Edit in the Data Editing Wizards"));
    connect(open, &QAction::triggered, this, [this, page] { RunDataEditingWizards(document_, page, this); });
}

int CQLDynFormView::IdOf(const QWidget* widget) const
{
    return ids_.value(widget, 0);
}

QWidget* CQLDynFormView::MakeItem(const PageItem& item, QWidget* parentWidget)
{
    const QString caption = TextFromBytes(item.caption);
    const int id = item.id;
    QWidget* made = nullptr;
    switch (item.itemClass) {
    case ItemClass::Static: {
        auto* label = new QLabel(caption, parentWidget);
        made = label;
        break;
    }
    case ItemClass::Edit: {
        auto* edit = new QLineEdit(parentWidget);
        edit->setReadOnly(Has(item, ItemStyle::ReadOnly));
        edit->setFrame(Has(item, ItemStyle::Border));
        // Values are 8-bit text: a character with no byte of its own cannot be sent or saved.
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[\\x{0}-\\x{ff}]*")), edit));
        // Only what the user types changes the document; values the document puts in do not.
        connect(edit, &QLineEdit::textEdited, this, [this, id] { document_.OnControlChanged(id); });
        AddBlockEditorAction(edit, id);
        made = edit;
        break;
    }
    case ItemClass::ComboBox: {
        auto* combo = new QComboBox(parentWidget);
        combo->setEditable(false);
        combo->setMaxVisibleItems(kDroppedLines);
        // Only a change the user makes is a selection change; filling the list is not.
        connect(combo, &QComboBox::activated, this, [this, id](int) { document_.OnComboSelChange(id); });
        made = combo;
        break;
    }
    case ItemClass::Button:
        if (Has(item, ItemStyle::GroupBox)) {
            auto* frame = new QGroupBox(caption, parentWidget);
            frame->setAttribute(Qt::WA_TransparentForMouseEvents);
            made = frame;
        } else if (Has(item, ItemStyle::AutoCheckBox)) {
            auto* box = new QCheckBox(caption, parentWidget);
            connect(box, &QCheckBox::clicked, this, [this, id] { document_.OnControlChanged(id); });
            made = box;
        } else if (Has(item, ItemStyle::AutoRadioButton)) {
            auto* radio = new QRadioButton(caption, parentWidget);
            connect(radio, &QRadioButton::clicked, this, [this, id] { document_.OnControlChanged(id); });
            // All radio buttons share the page as parent; a button group keeps each run of
            // buttons (started by the group style) exclusive on its own.
            if (Has(item, ItemStyle::Group) || !radioGroup_) {
                radioGroup_ = new QButtonGroup(this);
                radioGroup_->setExclusive(true);
            }
            radioGroup_->addButton(radio);
            made = radio;
        } else {
            auto* button = new QPushButton(caption, parentWidget);
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this, [this, id] { document_.OnButton(id); });
            made = button;
        }
        break;
    }
    if (made && Has(item, ItemStyle::Disabled))
        made->setEnabled(false);
    if (made && !Has(item, ItemStyle::TabStop))
        made->setFocusPolicy(qobject_cast<QLineEdit*>(made) ? Qt::ClickFocus : Qt::NoFocus);
    return made;
}

bool CQLDynFormView::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    const int id = widget && !detached_ ? IdOf(widget) : 0;
    if (id != 0) {
        switch (event->type()) {
        case QEvent::FocusIn:
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                currentEdit_ = edit;
                emit CurrentEditChanged();
            }
            break;
        case QEvent::FocusOut:
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                currentEdit_ = edit;
                const auto reason = static_cast<QFocusEvent*>(event)->reason();
                // Focus that leaves for a message box, a menu or another window comes back;
                // only a move to another control ends the edit. The range message itself
                // takes the focus, so a check never starts inside another.
                if (!inKillFocus_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                    inKillFocus_ = true;
                    document_.OnEditKillFocus(id);
                    inKillFocus_ = false;
                }
            }
            break;
        case QEvent::ContextMenu:
        case QEvent::WhatsThis: // a click in Shift+F1 help mode
            emit HelpRequested(id);
            return true;
        case QEvent::QueryWhatsThis:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}
