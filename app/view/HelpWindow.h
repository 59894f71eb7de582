// HelpWindow: the program's own small help window — the contents page, or the topic of one
// control (what the setting is, its command tag, range and default) on a right click.
#pragma once

#include <QDialog>

class QTextBrowser;

class HelpWindow final : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    void ShowContents();
    void ShowTopic(int helpId, const QString& caption, const QString& details);
    QString Text() const;

private:
    QTextBrowser* browser_ = nullptr;
};
