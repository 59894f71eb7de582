// Command pictures: every toolbar button has one; our drawings are drawn afresh at 2x (not a
// 1x bitmap blown up), are real pictures, differ from each other, and their greyed state is
// plainly paler than the normal one. With KESTREL_TOOLBAR_PICTURE set, the toolbar (some
// commands greyed, as after start-up) is saved there at 2x for the README.
#include "GuiBench.h"

#include "app/view/CMainFrame.h"
#include "ui/Icons.h"

#include <QAction>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QToolBar>
#include <cstdlib>

namespace {

QImage Picture(const QIcon& icon, int size, qreal ratio, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(QSize(size, size), ratio, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Mean opacity and mean colourfulness (max - min channel) over all pixels, 0..255.
struct Looks {
    double alpha = 0;
    double colour = 0;
};

Looks LooksOf(const QImage& image)
{
    Looks looks;
    const double pixels = double(image.width()) * image.height();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            looks.alpha += c.alpha() / pixels;
            looks.colour += (std::max({ c.red(), c.green(), c.blue() }) - std::min({ c.red(), c.green(), c.blue() }))
                * (c.alpha() / 255.0) / pixels;
        }
    return looks;
}

} // namespace

class ToolbarIconsTest : public QObject {
    Q_OBJECT
private slots:
    void EveryToolbarCommandHasAPicture();
    void DrawingsAreSharpAtTwiceTheScale();
    void DrawingsAreRealAndDistinct();
    void GreyedStateIsPlainlyPaler();
};

void ToolbarIconsTest::EveryToolbarCommandHasAPicture()
{
    GuiBench bench("");
    QVERIFY(bench.Start());
    int buttons = 0;
    for (QAction* action : bench.Frame().ToolBar()->actions()) {
        if (action->isSeparator() || action == bench.Frame().TableChooserAction())
            continue;
        ++buttons;
        QVERIFY2(!action->icon().isNull(), qPrintable(action->text()));
        QVERIFY2(LooksOf(Picture(action->icon(), 24, 2.0)).alpha > 20, qPrintable(action->text()));
    }
    QVERIFY(buttons >= 12);

    if (const char* path = std::getenv("KESTREL_TOOLBAR_PICTURE")) {
        QToolBar* bar = bench.Frame().ToolBar();
        QImage picture(bar->size() * 2, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(2.0);
        picture.fill(bar->palette().window().color());
        QPainter painter(&picture);
        bar->render(&painter);
        painter.end();
        QVERIFY(picture.save(QString::fromLocal8Bit(path)));
    }
}

void ToolbarIconsTest::DrawingsAreSharpAtTwiceTheScale()
{
    for (KestrelIcon which : KestrelIcons::kAll) {
        const QIcon icon = KestrelIcons::Bundled(which);
        const QPixmap twice = icon.pixmap(QSize(24, 24), 2.0);
        QCOMPARE(twice.size(), QSize(48, 48));
        QCOMPARE(twice.deviceIndependentSize(), QSizeF(24, 24));
        // A 24-pixel picture at 2x holds exactly what a 48-pixel one at 1x does: drawn at
        // full resolution, not the 24-pixel bitmap scaled up.
        const QImage sharp = Picture(icon, 48, 1.0);
        QImage atTwice = Picture(icon, 24, 2.0);
        atTwice.setDevicePixelRatio(1.0);
        QCOMPARE(atTwice, sharp);
        const QImage blownUp = Picture(icon, 24, 1.0).scaled(48, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY2(blownUp != sharp, KestrelIcons::ThemeName(which));
    }
}

void ToolbarIconsTest::DrawingsAreRealAndDistinct()
{
    std::vector<QImage> seen;
    for (KestrelIcon which : KestrelIcons::kAll) {
        const QImage image = Picture(KestrelIcons::Bundled(which), 32, 1.0);
        const Looks looks = LooksOf(image);
        // A tenth of the square is covered at least (an SVG that fails to parse draws nothing).
        QVERIFY2(looks.alpha > 255 / 10, KestrelIcons::ThemeName(which));
        for (const QImage& other : seen)
            QVERIFY2(other != image, KestrelIcons::ThemeName(which));
        seen.push_back(image);
    }
}

void ToolbarIconsTest::GreyedStateIsPlainlyPaler()
{
    for (KestrelIcon which : KestrelIcons::kAll) {
        const QIcon icon = KestrelIcons::Bundled(which);
        const Looks normal = LooksOf(Picture(icon, 24, 2.0));
        const QImage greyed = Picture(icon, 24, 2.0, QIcon::Disabled);
        QCOMPARE(greyed.size(), QSize(48, 48));
        const Looks off = LooksOf(greyed);
        QVERIFY2(off.alpha < normal.alpha * 0.6, KestrelIcons::ThemeName(which));
        QVERIFY2(off.colour < 1.0, KestrelIcons::ThemeName(which));
        QVERIFY2(off.alpha > 10, KestrelIcons::ThemeName(which)); // still visible
    }
}

QTEST_MAIN(ToolbarIconsTest)
#include "ToolbarIconsTest.moc"
