#include "ui/ChooseDeviceDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

ChooseDeviceDlg::ChooseDeviceDlg(const std::vector<DeviceChoice>& rows, QWidget* parent) : QDialog(parent), rows_(rows)
{
    setWindowTitle(QStringLiteral("Choose a Device"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    // The caller has already sorted the rows; the list keeps that order.
    for (const DeviceChoice& row : rows_)
        list_->addItem(QString::fromStdString(row.productName));
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ChooseDeviceDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ChooseDeviceDlg::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &ChooseDeviceDlg::accept);
    resize(360, 420);
}

int ChooseDeviceDlg::ChosenRow() const
{
    const int index = list_->currentRow();
    if (index < 0 || static_cast<size_t>(index) >= rows_.size() || list_->selectedItems().isEmpty())
        return -1;
    return rows_[static_cast<size_t>(index)].row;
}

void ChooseDeviceDlg::accept()
{
    if (ChosenRow() < 0) {
        ShowMessage(kSelectOne, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    QDialog::accept();
}
