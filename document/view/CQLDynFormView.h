// CQLDynFormView: one generated page — the widgets of a page template at the template's
// rectangles, in a scrolling area so a page larger than the window stays reachable.
//
// It forwards what the user does to the document: a button click, a drop-down selection
// change, an edit field losing the focus (the range check). The edit field that last had the
// focus is the one Cut, Copy and Paste act on. A right click on a control asks for its help.
#pragma once

#include "document/PageTemplate.h"

#include <QHash>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>

class CQLMenuDoc;
class QLineEdit;
class QtTextMeasurer;

class CQLDynFormView final : public QScrollArea {
    Q_OBJECT
public:
    CQLDynFormView(const PageTemplate& page, int pageIndex, CQLMenuDoc& document, const QtTextMeasurer& measurer,
                   QWidget* parent = nullptr);

    int PageIndex() const { return pageIndex_; }
    // The widget of a control identifier on this page, nullptr when it is not here.
    QWidget* Control(int id) const { return controls_.value(id, nullptr); }
    const QHash<int, QWidget*>& Controls() const { return controls_; }
    // The edit field Cut/Copy/Paste act on (null when none has had the focus yet).
    QLineEdit* CurrentEdit() const { return currentEdit_.data(); }
    int IdOf(const QWidget* widget) const;
    // Stops forwarding before the page is thrown away: a field losing the focus because it
    // is being destroyed is not an edit the user finished.
    void Detach() { detached_ = true; }

signals:
    void HelpRequested(int controlId);
    void CurrentEditChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* MakeItem(const PageItem& item, QWidget* parentWidget);
    void AddBlockEditorAction(QLineEdit* edit, int id);

    CQLMenuDoc& document_;
    int pageIndex_;
    QHash<int, QWidget*> controls_;
    QHash<const QWidget*, int> ids_;
    QPointer<QLineEdit> currentEdit_;
    class QButtonGroup* radioGroup_ = nullptr;
    bool inKillFocus_ = false;
    bool detached_ = false;
};
