// The picture window: one picture from a reader or a file, fitted to the window or at 1:1,
// the pixel under the cursor, size, form and result (a partial picture shows its corrupt
// text), the symbols the read check found outlined, and Save As KIM, PNG, TIFF or BMP.
#pragma once

// moc cannot read the C++20 library headers these pull in, and needs none of them.
#ifndef Q_MOC_RUN
#include "transfer/image/HIMAGE.h"
#include "transfer/image/HImageFormats.h"
#include "transfer/image/HReadCheck.h"
#endif

#include <QImage>
#include <QWidget>

class QLabel;
class QScrollArea;
class QToolButton;

// The picture itself: paints the image at the chosen scale and reports the pixel under the mouse.
class CPictureView final : public QWidget {
    Q_OBJECT
public:
    explicit CPictureView(QWidget* parent = nullptr);
    void SetPicture(const QImage& image, const HREAD_CHECK& check);
    void SetScale(double scale);
    double Scale() const { return m_Scale; }
    QSize sizeHint() const override;

signals:
    void PixelHovered(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage m_Image;
    HREAD_CHECK m_Check;
    double m_Scale = 1.0;
};

class CPictureWindow final : public QWidget {
    Q_OBJECT
public:
    // `result` is the reception text ("Image successfully received", or the corrupt text).
    CPictureWindow(const HIMAGE& image, const QString& result, const HPICTURE_INFO& info, QWidget* parent = nullptr);

    const HIMAGE& Picture() const { return m_Picture; }
    // Saves in the kind the name's extension says; false with the message shown.
    bool SaveAs(const QString& path, QString* error = nullptr);
    void SetFit(bool fit);
    bool Fit() const { return m_Fit; }
    QString PixelText() const;
    QString InfoText() const;
    const HREAD_CHECK& Check() const { return m_Check; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ChooseAndSave();
    void ApplyScale();
    void ShowPixel(int x, int y);

    HIMAGE m_Picture;
    HPICTURE_INFO m_Info;
    HREAD_CHECK m_Check;
    bool m_Fit = true;
    CPictureView* m_View = nullptr;
    QScrollArea* m_Scroll = nullptr;
    QLabel* m_InfoLabel = nullptr;
    QLabel* m_PixelLabel = nullptr;
};

// A gray QImage of the picture (shares nothing with it).
QImage ToQImage(const HIMAGE& image);
