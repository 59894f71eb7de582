#include "app/view/SplashDisplay.h"

#include "app/VersionInfo.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The picture used when the vendor names none or it cannot be read: drawn here, so the
// program needs no image file to start.
QPixmap BuiltInPicture()
{
    QPixmap picture(420, 150);
    QPainter painter(&picture);
    QLinearGradient sky(0, 0, 0, 150);
    sky.setColorAt(0, QColor(0x1d, 0x3b, 0x5c));
    sky.setColorAt(1, QColor(0x4f, 0x86, 0xb5));
    painter.fillRect(picture.rect(), sky);
    painter.setPen(Qt::white);
    QFont title = painter.font();
    title.setPointSize(28);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(picture.rect().adjusted(0, 0, 0, -30), Qt::AlignCenter, QStringLiteral("Kestrel"));
    QFont sub = painter.font();
    sub.setPointSize(10);
    sub.setBold(false);
    painter.setFont(sub);
    painter.drawText(picture.rect().adjusted(0, 60, 0, 0), Qt::AlignCenter,
                     QStringLiteral("Settings for serial bar code readers"));
    return picture;
}

} // namespace

SplashDisplay::SplashDisplay(const std::string& pictureFile, const std::string& partNumber, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("splash"));
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    QPixmap pixmap;
    if (pictureFile.empty() || !pixmap.load(QString::fromStdString(pictureFile)))
        pixmap = BuiltInPicture();
    picture->setPixmap(pixmap);
    layout->addWidget(picture);
    version_ = new QLabel(QString::fromStdString(VersionInfo::VersionLine()), this);
    build_ = new QLabel(QString::fromStdString(VersionInfo::BuildLine()), this);
    part_ = new QLabel(QString::fromStdString(partNumber), this);
    for (QLabel* line : { version_, build_, part_ })
        layout->addWidget(line, 0, Qt::AlignHCenter);
    part_->setVisible(!partNumber.empty());
}

void SplashDisplay::ShowTimed()
{
    setModal(false);
    show();
    raise();
    QTimer::singleShot(kDisplayMs, Qt::PreciseTimer, this, [this] { done(QDialog::Accepted); });
}

void SplashDisplay::mousePressEvent(QMouseEvent*)
{
    // The modal About box ends with a click; the timed start-up picture only with its timer.
    if (isModal())
        done(QDialog::Accepted);
}

void SplashDisplay::done(int result)
{
    closed_ = true;
    QDialog::done(result);
}

QString SplashDisplay::VersionText() const
{
    return version_->text();
}

QString SplashDisplay::BuildText() const
{
    return build_->text();
}

QString SplashDisplay::PartNumberText() const
{
    return part_->text();
}
