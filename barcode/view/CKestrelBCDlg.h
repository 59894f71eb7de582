// CKestrelBCDlg: "Kestrel RS232 Barcode" — the stored interface symbol that switches a
// reader to the serial settings this program talks to, and a one-page print of it.
#pragma once

#include "barcode/MonoBitmap.h"

#include <QDialog>

class QLabel;
class QPrinter;
class QPushButton;

class CKestrelBCDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kDocumentName = "Kestrel Barcode";

    explicit CKestrelBCDlg(QPrinter* printer, QWidget* parent = nullptr);

    const MonoBitmap& Image() const { return image_; }
    QPushButton* PrintButton() const { return print_; }
    bool Print();

private:
    QPrinter* chosenPrinter_;
    MonoBitmap image_;
    QPushButton* print_ = nullptr;
};

// The shared one-symbol print of the Aztec and RS-232 dialogs.
class QImage;
QImage MonoBitmapImage(const MonoBitmap& bitmap);
