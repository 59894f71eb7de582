#include "document/view/CMainTabView.h"

#include "document/CQLMenuDoc.h"
#include "document/view/CQLDynFormView.h"
#include "ui/ByteText.h"
#include "ui/QtTextMeasurer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QTabBar>
#include <QLineEdit>

CMainTabView::CMainTabView(CQLMenuDoc& document, QtTextMeasurer& measurer, QWidget* parent)
    : QTabWidget(parent), document_(document), measurer_(measurer)
{
    setDocumentMode(true);
    setUsesScrollButtons(true);
    connect(this, &QTabWidget::currentChanged, this, &CMainTabView::CommandStateChanged);
}

CMainTabView::~CMainTabView() = default;

void CMainTabView::RebuildPages()
{
    std::vector<CQLDynFormView*> old;
    for (int i = 0; i < count(); ++i)
        if (auto* page = Page(i)) {
            page->Detach();
            old.push_back(page);
        }
    clear();
    for (CQLDynFormView* page : old)
        page->deleteLater();
    const std::vector<PageTemplate>& pages = document_.Pages();
    for (size_t i = 0; i < pages.size(); ++i) {
        auto* view = new CQLDynFormView(pages[i], static_cast<int>(i), document_, measurer_, this);
        connect(view, &CQLDynFormView::HelpRequested, this, &CMainTabView::HelpRequested);
        connect(view, &CQLDynFormView::CurrentEditChanged, this, &CMainTabView::CommandStateChanged);
        addTab(view, TextFromBytes(pages[i].caption));
    }
    emit CommandStateChanged();
}

CQLDynFormView* CMainTabView::Page(int index) const
{
    return qobject_cast<CQLDynFormView*>(widget(index));
}

QWidget* CMainTabView::ControlWidget(int id) const
{
    for (int i = 0; i < count(); ++i)
        if (CQLDynFormView* page = Page(i))
            if (QWidget* control = page->Control(id))
                return control;
    return nullptr;
}

void CMainTabView::Next()
{
    if (CanNext())
        setCurrentIndex(currentIndex() + 1);
}

void CMainTabView::Prev()
{
    if (CanPrev())
        setCurrentIndex(currentIndex() - 1);
}

bool CMainTabView::event(QEvent* event)
{
    // Ctrl+Tab belongs to page switching; the focus chain must not swallow it first.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::ControlModifier) && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            if (key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier))
                Prev();
            else
                Next();
            return true;
        }
    }
    return QTabWidget::event(event);
}

QLineEdit* CMainTabView::CurrentEdit() const
{
    CQLDynFormView* page = Page(currentIndex());
    return page ? page->CurrentEdit() : nullptr;
}

void CMainTabView::Cut()
{
    if (QLineEdit* edit = CurrentEdit())
        edit->cut();
}

void CMainTabView::Copy()
{
    if (QLineEdit* edit = CurrentEdit())
        edit->copy();
}

void CMainTabView::Paste()
{
    if (QLineEdit* edit = CurrentEdit())
        edit->paste();
}

bool CMainTabView::GetCheck(int id)
{
    auto* button = qobject_cast<QAbstractButton*>(ControlWidget(id));
    return button && button->isChecked();
}

void CMainTabView::SetCheck(int id, bool checked)
{
    auto* button = qobject_cast<QAbstractButton*>(ControlWidget(id));
    if (!button)
        return;
    // An exclusive group refuses to clear its checked button; a value that matches none of
    // the options must leave every button of the group clear, or the next collect would
    // write back an option the reader does not hold.
    QButtonGroup* group = button->group();
    if (!checked && group && group->exclusive() && button->isChecked()) {
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    button->setChecked(checked);
}

std::string CMainTabView::GetText(int id)
{
    if (auto* edit = qobject_cast<QLineEdit*>(ControlWidget(id)))
        return BytesFromText(edit->text());
    return {};
}

void CMainTabView::SetText(int id, const std::string& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(ControlWidget(id))) {
        edit->setText(TextFromBytes(text));
        edit->setCursorPosition(0);
    }
}

void CMainTabView::FillCombo(int id, const std::vector<std::string>& items)
{
    if (auto* combo = qobject_cast<QComboBox*>(ControlWidget(id))) {
        combo->clear();
        for (const std::string& item : items)
            combo->addItem(TextFromBytes(item));
        combo->setCurrentIndex(-1);
    }
}

void CMainTabView::SelectCombo(int id, int index)
{
    if (auto* combo = qobject_cast<QComboBox*>(ControlWidget(id)))
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

std::string CMainTabView::GetComboSelection(int id)
{
    auto* combo = qobject_cast<QComboBox*>(ControlWidget(id));
    if (!combo || combo->currentIndex() < 0)
        return {};
    return BytesFromText(combo->currentText());
}

int CMainTabView::FocusedControl()
{
    QWidget* focused = QApplication::focusWidget();
    if (!focused)
        return 0;
    for (int i = 0; i < count(); ++i)
        if (CQLDynFormView* page = Page(i))
            if (const int id = page->IdOf(focused))
                return id;
    return 0;
}

void CMainTabView::SetFocus(int id)
{
    if (QWidget* control = ControlWidget(id)) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->selectAll();
    }
}

void CMainTabView::BringPageToFront(int pageIndex)
{
    if (pageIndex >= 0 && pageIndex < count())
        setCurrentIndex(pageIndex);
}

bool CMainTabView::PageArea(int& width, int& height)
{
    // The view's own size less the row of tabs; a page's scroll area has no frame.
    const QSize area = contentsRect().size();
    const int tabs = tabBar()->isVisible() ? tabBar()->height() : tabBar()->sizeHint().height();
    if (area.width() <= 0 || area.height() - tabs <= 0)
        return false;
    width = area.width();
    height = area.height() - tabs;
    return true;
}
