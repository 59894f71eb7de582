// CMainTabView: the main window's client — one tab per generated page.
//
// It is the document's PageControls: the document reads and sets controls by identifier and
// this view finds the widget on whichever page holds it. It recreates the pages when the
// document rebuilds them, switches pages (Next, Prev, Ctrl+Tab), forwards Cut, Copy and Paste
// to the current edit field and lays out the configuration printout.
#pragma once

#include "document/PageControls.h"

#include <QTabWidget>
#include <memory>
#include <vector>

class CQLDynFormView;
class CQLMenuDoc;
class QLineEdit;
class QtTextMeasurer;

class CMainTabView final : public QTabWidget, public PageControls {
    Q_OBJECT
public:
    CMainTabView(CQLMenuDoc& document, QtTextMeasurer& measurer, QWidget* parent = nullptr);
    ~CMainTabView() override;

    // Recreates the pages from the document's templates.
    void RebuildPages();

    // Page switching; CanNext/CanPrev are the Window menu's enabled rules.
    bool CanNext() const { return currentIndex() >= 0 && currentIndex() < count() - 1; }
    bool CanPrev() const { return currentIndex() > 0; }
    void Next();
    void Prev();

    // The current page's edit field for the clipboard commands (null when none).
    QLineEdit* CurrentEdit() const;
    void Cut();
    void Copy();
    void Paste();

    CQLDynFormView* Page(int index) const;
    QWidget* ControlWidget(int id) const;

    // PageControls
    bool GetCheck(int id) override;
    void SetCheck(int id, bool checked) override;
    std::string GetText(int id) override;
    void SetText(int id, const std::string& text) override;
    void FillCombo(int id, const std::vector<std::string>& items) override;
    void SelectCombo(int id, int index) override;
    std::string GetComboSelection(int id) override;
    int FocusedControl() override;
    void SetFocus(int id) override;
    void BringPageToFront(int pageIndex) override;
    bool PageArea(int& width, int& height) override;

signals:
    void HelpRequested(int controlId);
    void CommandStateChanged();

protected:
    bool event(QEvent* event) override;

private:
    CQLMenuDoc& document_;
    QtTextMeasurer& measurer_;
};
