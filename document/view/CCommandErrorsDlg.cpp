#include "document/view/CCommandErrorsDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

CCommandErrorsDlg::CCommandErrorsDlg(const std::vector<std::string>& notKnown,
                                     const std::vector<std::string>& outOfRange,
                                     const std::vector<std::string>& noResponse, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Command Errors"));
    auto* layout = new QVBoxLayout(this);
    static constexpr const char* kHeadings[3] = { "Commands which are not known in the device:",
                                                  "Commands which are out of range:",
                                                  "Commands which had no response from the device:" };
    const std::vector<std::string>* contents[3] = { &notKnown, &outOfRange, &noResponse };
    for (int i = 0; i < 3; ++i) {
        layout->addWidget(new QLabel(QString::fromLatin1(kHeadings[i]), this));
        lists_[i] = new QListWidget(this);
        for (const std::string& line : *contents[i])
            lists_[i]->addItem(QString::fromStdString(line));
        layout->addWidget(lists_[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(420, 480);
}
