// CAztecBCDlg: "Print Aztec Menu Bar Code" — the whole configuration as one Aztec symbol,
// with a size slider (pixels per module, 1 to 10) and a one-page print.
#pragma once

#include "barcode/AztecSymbol.h"

#include <QDialog>

#include <string>

class QLabel;
class QPrinter;
class QPushButton;
class QSlider;

class CAztecBCDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kDocumentName = "Aztec Barcode";
    static constexpr const char* kFailedDriver = "Failed to start driver. Please contact program vendor.";
    static constexpr const char* kPrintSetupFailed = "Print setup failed. Please contact program vendor.";

    CAztecBCDlg(const std::string& text = AztecSymbol::kDefaultText, const std::string& product = {},
        const std::string& file = {}, QPrinter* printer = nullptr, QWidget* parent = nullptr);

    const AztecSymbol& Symbol() const { return symbol_; }
    QSlider* SizeSlider() const { return slider_; }
    QPushButton* PrintButton() const { return print_; }
    // Prints the page; false when nothing was printed.
    bool Print();

private:
    void Rebuild();

    std::string product_;
    std::string file_;
    QPrinter* chosenPrinter_;
    AztecSymbol symbol_;
    QLabel* preview_ = nullptr;
    QLabel* xDimension_ = nullptr;
    QSlider* slider_ = nullptr;
    QPushButton* print_ = nullptr;
};
