// ChooseDeviceDlg: "Choose a Device" — the catalog's product names for an offline
// configuration. OK with nothing selected asks for a choice instead of closing.
#pragma once

#include "platform/Host.h"

#include <QDialog>
#include <vector>

class QListWidget;

class ChooseDeviceDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kSelectOne = "No Device Selected, Select One";

    ChooseDeviceDlg(const std::vector<DeviceChoice>& rows, QWidget* parent = nullptr);
    // The chosen catalog row, -1 when none.
    int ChosenRow() const;
    QListWidget* List() const { return list_; }

public slots:
    void accept() override;

private:
    std::vector<DeviceChoice> rows_;
    QListWidget* list_ = nullptr;
};
