#include "app/view/HelpWindow.h"

#include <QTextBrowser>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Kestrel Help"));
    auto* layout = new QVBoxLayout(this);
    browser_ = new QTextBrowser(this);
    layout->addWidget(browser_);
    resize(460, 320);
}

void HelpWindow::ShowContents()
{
    browser_->setHtml(QStringLiteral(
        "<h3>Kestrel</h3>"
        "<p><b>Connect To Device</b> finds the reader on the serial port chosen in <i>File &gt; Preferences</i>, "
        "reads every setting it knows and shows them on the pages.</p>"
        "<p>Change settings on the pages, then use <i>Device &gt; Write New Settings to Device</i>. Readers with "
        "several settings tables show a <i>Group Table</i> chooser in the toolbar; <i>Write All Tables to "
        "Device</i> writes every table.</p>"
        "<p><b>Offline Configure</b> prepares a configuration for a model chosen from the list, without a "
        "reader. <i>File &gt; Save</i> keeps a configuration in a .kst file.</p>"
        "<p>Right-click any setting for its own help topic. Ctrl+Tab and Ctrl+Shift+Tab switch pages.</p>"));
    show();
    raise();
}

void HelpWindow::ShowTopic(int helpId, const QString& caption, const QString& details)
{
    browser_->setHtml(QStringLiteral("<h3>%1</h3><p>%2</p><p><small>Help topic %3</small></p>")
                          .arg(caption.toHtmlEscaped(), details.toHtmlEscaped().replace(QLatin1Char('\n'),
                                                                                        QStringLiteral("<br>")))
                          .arg(helpId));
    show();
    raise();
}

QString HelpWindow::Text() const
{
    return browser_->toPlainText();
}
