#include "app/view/HelpWindow.h"
#include "app/view/HelpContents.h"

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
    browser_->setHtml(QString::fromUtf8(kHelpContentsHtml));
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
