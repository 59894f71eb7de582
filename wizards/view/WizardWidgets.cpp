#include "wizards/view/WizardWidgets.h"

#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>

QFont FixedPitchFont(int points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(points);
    return font;
}

QLabel* BlueLabel(std::string_view text, QWidget* parent)
{
    auto* label = new QLabel(Q(text), parent);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: blue"));
    return label;
}

QString Q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QString ShownText(const std::string& text)
{
    QString shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20)
            shown += QChar(0x2400 + byte);
        else
            shown += QChar::fromLatin1(c);
    }
    return shown;
}

void FillList(QListWidget* list, const std::vector<std::string>& rows, int selected)
{
    list->clear();
    for (const std::string& row : rows)
        list->addItem(Q(row));
    list->setCurrentRow(selected);
}
