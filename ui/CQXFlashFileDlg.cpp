#include "ui/CQXFlashFileDlg.h"

#include "transfer/firmware/FlashDocFile.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>

namespace {

QString Text(const std::string& bytes)
{
    // Description files come from anywhere: UTF-8 when they are, else Latin-1 byte for byte.
    const QByteArray raw = QByteArray::fromStdString(bytes);
    const QString utf8 = QString::fromUtf8(raw);
    return utf8.contains(QChar::ReplacementCharacter) ? QString::fromLatin1(raw) : utf8;
}

// "*.hex" -> "*.[hH][eE][xX]".
QString AnyCase(const QString& pattern)
{
    QString out;
    for (const QChar c : pattern) {
        if (c.isLetter())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

} // namespace

CQXFlashFileDlg::CQXFlashFileDlg(QWidget* parent, const QString& title, const QString& folder, const QString& filter)
    : QFileDialog(parent, title, folder, QtFilter(filter))
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);

    auto* panel = new QGroupBox(this);
    auto* form = new QFormLayout(panel);
    description_ = new QLabel(QString::fromLatin1(kNoDocFileText), panel);
    product_ = new QLabel(panel);
    revision_ = new QLabel(panel);
    date_ = new QLabel(panel);
    for (QLabel* value : { description_, product_, revision_, date_ }) {
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    description_->setWordWrap(true);
    form->addRow(QStringLiteral("File Description:"), description_);
    form->addRow(QStringLiteral("Product:"), product_);
    form->addRow(QStringLiteral("Revision:"), revision_);
    form->addRow(QStringLiteral("Date:"), date_);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
    connect(this, &QFileDialog::currentChanged, this, &CQXFlashFileDlg::UpdatePanel);
}

bool CQXFlashFileDlg::IsFirmwareFilter(const std::string& filter)
{
    return filter == "Intel hex files (*.hex)" || filter == "Binary files (*.bin,*.axf)";
}

QString CQXFlashFileDlg::QtFilter(const QString& filter)
{
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    if (open < 0 || !filter.endsWith(QLatin1Char(')')))
        return filter;
    const QStringList patterns
        = filter.mid(open + 1, filter.size() - open - 2).split(QRegularExpression(QStringLiteral("[ ,;]+")), Qt::SkipEmptyParts);
    QStringList expanded;
    for (const QString& pattern : patterns)
        expanded << AnyCase(pattern);
    return filter.left(open) + QLatin1Char('(') + expanded.join(QLatin1Char(' ')) + QLatin1Char(')');
}

void CQXFlashFileDlg::UpdatePanel(const QString& path)
{
    const FlashDocInfo info = FlashDocFile::ForFirmwareFile(path.toStdString());
    description_->setText(Text(info.description));
    product_->setText(Text(info.product));
    revision_->setText(Text(info.revision));
    date_->setText(Text(info.date));
}

QString CQXFlashFileDlg::DescriptionText() const { return description_->text(); }
QString CQXFlashFileDlg::ProductText() const { return product_->text(); }
QString CQXFlashFileDlg::RevisionText() const { return revision_->text(); }
QString CQXFlashFileDlg::DateText() const { return date_->text(); }
