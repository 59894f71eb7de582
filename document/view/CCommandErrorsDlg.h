// CCommandErrorsDlg: "Command Errors" — what a write could not change, in three lists: not
// known in the reader, out of range, no response. Entries are already in display form
// (control captions, table headings).
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

class CCommandErrorsDlg final : public QDialog {
    Q_OBJECT
public:
    CCommandErrorsDlg(const std::vector<std::string>& notKnown, const std::vector<std::string>& outOfRange,
                      const std::vector<std::string>& noResponse, QWidget* parent = nullptr);
    QListWidget* List(int which) const { return lists_[which]; }

private:
    QListWidget* lists_[3] = {};
};
