// CLinBCDlg: "Print Linear Bar Code" — previews the cloning sheet one page at a time, lets
// the user choose columns, caption placement and content, bar size, title and comments, and
// prints every page.
#pragma once

#include "barcode/LinearBarcodePage.h"

#include <QDialog>
#include <QImage>

#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSlider;

class CLinBCDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kBitmapFailed
        = "Error Creating Barcode Bitmap. Change Color Palette to 256 colors in Display Properties";
    static constexpr const char* kCouldNotStart = "Could not start printing document. Please contact program vendor.";
    static constexpr const char* kDocumentName = "Linear Barcode";

    CLinBCDlg(const std::string& data, const std::string& product, const std::string& file,
        std::vector<CaptionControl> controls, QPrinter* printer, QWidget* parent = nullptr);

    // The composed page of the preview and what the builder made of it.
    const QImage& PageImage() const { return page_; }
    const LinearBarcodePage& Builder() const { return builder_; }
    LinearPageSettings Settings() const;
    // Prints every page; false when nothing was printed.
    bool Print();

    // Widgets, for tests.
    QRadioButton* OneColumn() const { return oneColumn_; }
    QRadioButton* TwoColumns() const { return twoColumns_; }
    QRadioButton* Placement(int placement) const { return placements_[placement]; }
    QCheckBox* DescriptionBox() const { return description_; }
    QCheckBox* CommandBox() const { return command_; }
    QSlider* HorizontalSize() const { return horizontal_; }
    QSlider* VerticalSize() const { return vertical_; }
    QPushButton* NextPage() const { return next_; }
    QPushButton* PreviousPage() const { return previous_; }
    QPushButton* PrintButton() const { return print_; }
    QLabel* XDimension() const { return xDimension_; }

private:
    void SetUpPrinter();
    void Recompose(PageRequest request);
    void UpdateXDimension();

    std::string data_;
    std::string product_;
    std::string file_;
    std::vector<CaptionControl> controls_;
    QPrinter* chosenPrinter_;
    int printerDpi_ = 600;
    QSize printable_;
    QSize pageSize_;
    LinearBarcodePage builder_;
    QImage page_;

    QRadioButton* oneColumn_ = nullptr;
    QRadioButton* twoColumns_ = nullptr;
    QRadioButton* placements_[4] = {};
    QCheckBox* description_ = nullptr;
    QCheckBox* command_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* comments_ = nullptr;
    QSlider* horizontal_ = nullptr;
    QSlider* vertical_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* print_ = nullptr;
    QLabel* preview_ = nullptr;
    QLabel* xDimension_ = nullptr;
};
