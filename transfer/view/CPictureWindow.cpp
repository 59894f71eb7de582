#include "transfer/view/CPictureWindow.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

QImage ToQImage(const HIMAGE& image)
{
    if (!image.Valid())
        return QImage();
    QImage out(image.width, image.height, QImage::Format_Grayscale8);
    for (int y = 0; y < image.height; ++y)
        std::copy_n(image.pixels.data() + size_t(y) * image.width, image.width, out.scanLine(y));
    return out;
}

CPictureView::CPictureView(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void CPictureView::SetPicture(const QImage& image, const HREAD_CHECK& check)
{
    m_Image = image;
    m_Check = check;
    updateGeometry();
    update();
}

void CPictureView::SetScale(double scale)
{
    m_Scale = scale > 0 ? scale : 1.0;
    resize(sizeHint());
    update();
}

QSize CPictureView::sizeHint() const
{
    return QSize(int(m_Image.width() * m_Scale + 0.5), int(m_Image.height() * m_Scale + 0.5));
}

void CPictureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (m_Image.isNull())
        return;
    painter.drawImage(QRectF(0, 0, m_Image.width() * m_Scale, m_Image.height() * m_Scale), m_Image);
    // Symbols the read check found, outlined through their four corners.
    painter.setPen(QPen(QColor(0, 200, 0), 2));
    for (const HREAD_SYMBOL& symbol : m_Check.symbols) {
        QPolygonF outline;
        for (const auto& c : symbol.corners)
            outline << QPointF(c[0] * m_Scale, c[1] * m_Scale);
        painter.drawPolygon(outline);
    }
}

void CPictureView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position() / m_Scale;
    emit PixelHovered(int(at.x()), int(at.y()));
}

CPictureWindow::CPictureWindow(const HIMAGE& image, const QString& result, const HPICTURE_INFO& info, QWidget* parent)
    : QWidget(parent, Qt::Window), m_Picture(image), m_Info(info)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Picture"));
    m_Check = ReadCheck(m_Picture);

    auto* fit = new QToolButton(this);
    fit->setText(QStringLiteral("&Fit"));
    fit->setCheckable(true);
    fit->setChecked(true);
    fit->setObjectName(QStringLiteral("fitButton"));
    auto* save = new QPushButton(QStringLiteral("Save &As..."), this);
    save->setObjectName(QStringLiteral("saveAsButton"));
    m_InfoLabel = new QLabel(this);
    m_PixelLabel = new QLabel(this);
    m_PixelLabel->setObjectName(QStringLiteral("pixelLabel"));
    m_View = new CPictureView;
    m_View->SetPicture(ToQImage(m_Picture), m_Check);
    m_Scroll = new QScrollArea(this);
    m_Scroll->setWidget(m_View);
    m_Scroll->setAlignment(Qt::AlignCenter);

    const char* format = HImageFormats::FormatName(int(m_Picture.parameters.GetInt("F")));
    QString text = QStringLiteral("%1 x %2, %3 — %4").arg(m_Picture.width).arg(m_Picture.height)
                       .arg(QString::fromLatin1(format ? format : "?"), result);
    for (const HREAD_SYMBOL& symbol : m_Check.symbols)
        text += QStringLiteral("; %1 \"%2\"").arg(QString::fromStdString(symbol.symbology),
                                                   QString::fromStdString(symbol.text));
    m_InfoLabel->setText(text);

    auto* bar = new QHBoxLayout;
    bar->addWidget(fit);
    bar->addWidget(save);
    bar->addWidget(m_PixelLabel, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_Scroll, 1);
    layout->addWidget(m_InfoLabel);

    connect(fit, &QToolButton::toggled, this, &CPictureWindow::SetFit);
    connect(save, &QPushButton::clicked, this, &CPictureWindow::ChooseAndSave);
    connect(m_View, &CPictureView::PixelHovered, this, &CPictureWindow::ShowPixel);
    resize(std::min(m_Picture.width + 40, 1000), std::min(m_Picture.height + 100, 800));
    ApplyScale();
}

QString CPictureWindow::InfoText() const { return m_InfoLabel->text(); }

QString CPictureWindow::PixelText() const { return m_PixelLabel->text(); }

void CPictureWindow::SetFit(bool fit)
{
    m_Fit = fit;
    ApplyScale();
}

void CPictureWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ApplyScale();
}

void CPictureWindow::ApplyScale()
{
    if (!m_Picture.Valid())
        return;
    double scale = 1.0;
    if (m_Fit) {
        const QSize room = m_Scroll->viewport()->size();
        scale = std::min(double(room.width()) / m_Picture.width, double(room.height()) / m_Picture.height);
        if (scale <= 0)
            scale = 1.0;
    }
    m_View->SetScale(scale);
}

void CPictureWindow::ShowPixel(int x, int y)
{
    if (x < 0 || y < 0 || x >= m_Picture.width || y >= m_Picture.height) {
        m_PixelLabel->clear();
        return;
    }
    m_PixelLabel->setText(QStringLiteral("(%1, %2) = %3").arg(x).arg(y).arg(m_Picture.pixels[size_t(y) * m_Picture.width + x]));
}

bool CPictureWindow::SaveAs(const QString& path, QString* error)
{
    std::string why;
    if (HImageFormats::WriteFile(m_Picture, path.toStdString(), m_Info, why))
        return true;
    if (error)
        *error = QString::fromStdString(why);
    return false;
}

void CPictureWindow::ChooseAndSave()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Picture As"), QString(),
        QStringLiteral("KIM pictures (*.kim);;PNG pictures (*.png);;TIFF pictures (*.tif *.tiff);;Bitmaps (*.bmp)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveAs(path, &error))
        QMessageBox::warning(this, QStringLiteral("Save Picture"), error);
}
