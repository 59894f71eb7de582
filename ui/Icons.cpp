#include "ui/Icons.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

struct Drawing {
    KestrelIcon which;
    const char* themeName;
    const char* svg; // the body of a 24 x 24 SVG
};

// Drawn on a 24 x 24 grid with 1.5-pixel outlines, so the lines fall on whole pixels at 1x
// and 2x alike.
constexpr Drawing kDrawings[] = {
    { KestrelIcon::Open, "document-open",
      R"(<path d="M2.75 5.75h6l2 2h9.5v11.5h-17.5z" fill="#f2c55c" stroke="#9a6d12" stroke-width="1.5" stroke-linejoin="round"/>
         <path d="M2.75 19.25l3-8.5h17l-3 8.5z" fill="#f7d98c" stroke="#9a6d12" stroke-width="1.5" stroke-linejoin="round"/>)" },
    { KestrelIcon::Save, "document-save",
      R"(<path d="M3.75 3.75h13l3.5 3.5v13h-16.5z" fill="#3f76bf" stroke="#1d4e89" stroke-width="1.5" stroke-linejoin="round"/>
         <rect x="7" y="4.5" width="8.5" height="5.5" fill="#ffffff"/>
         <rect x="12.5" y="5.5" width="2" height="3.5" fill="#1d4e89"/>
         <rect x="6.5" y="13" width="11" height="6.5" fill="#e9eef5"/>)" },
    { KestrelIcon::FileDescription, "document-properties",
      R"(<path d="M4.75 2.75h10l4.5 4.5v14h-14.5z" fill="#ffffff" stroke="#5b6673" stroke-width="1.5" stroke-linejoin="round"/>
         <path d="M14.75 2.75v4.5h4.5" fill="none" stroke="#5b6673" stroke-width="1.5" stroke-linejoin="round"/>
         <path d="M7.5 11h9M7.5 14h9M7.5 17h6" stroke="#1d4e89" stroke-width="1.5"/>)" },
    { KestrelIcon::PrintConfiguration, "document-print",
      R"(<rect x="6.75" y="2.75" width="10.5" height="6" fill="#ffffff" stroke="#4a4f55" stroke-width="1.5"/>
         <rect x="2.75" y="8.75" width="18.5" height="8.5" rx="1.5" fill="#8c939b" stroke="#4a4f55" stroke-width="1.5"/>
         <rect x="6.75" y="13.75" width="10.5" height="7.5" fill="#ffffff" stroke="#4a4f55" stroke-width="1.5"/>
         <path d="M8.5 16.5h7M8.5 19h5" stroke="#4a4f55" stroke-width="1"/>
         <circle cx="18" cy="11.5" r="1" fill="#6fd36a"/>)" },
    { KestrelIcon::About, "help-about",
      R"(<circle cx="12" cy="12" r="9.25" fill="#2f6db5" stroke="#1d4e89" stroke-width="1.5"/>
         <circle cx="12" cy="7.5" r="1.5" fill="#ffffff"/>
         <path d="M12 10.5v7" stroke="#ffffff" stroke-width="2.5" stroke-linecap="round"/>)" },
    { KestrelIcon::WriteFirmware, "system-software-update",
      R"(<rect x="5.75" y="8.75" width="12.5" height="12.5" rx="1.5" fill="#3a3f45" stroke="#1f2226" stroke-width="1.5"/>
         <path d="M8.5 8.5v-2M12 8.5v-2M15.5 8.5v-2M4 12.5h-2M4 16.5h-2M20 12.5h2M20 16.5h2" stroke="#8a4b08" stroke-width="1.5"/>
         <path d="M12 1.5v7M9 5.5l3 3 3-3" fill="none" stroke="#d9822b" stroke-width="1.75" stroke-linecap="round" stroke-linejoin="round"/>
         <rect x="9" y="12" width="6" height="6" fill="#d9822b"/>)" },
    { KestrelIcon::WriteSettings, "kestrel-write-settings",
      R"(<rect x="9.75" y="3.75" width="11.5" height="16.5" rx="2" fill="#d7dde4" stroke="#4a4f55" stroke-width="1.5"/>
         <rect x="12" y="6.5" width="7" height="4" fill="#1d4e89"/>
         <path d="M12.5 13.5h6M12.5 16h6" stroke="#4a4f55" stroke-width="1.25"/>
         <path d="M1.5 12h8M6.5 8.5l3.5 3.5-3.5 3.5" fill="none" stroke="#1f8a45" stroke-width="2.25" stroke-linecap="round" stroke-linejoin="round"/>)" },
    { KestrelIcon::WriteAllTables, "kestrel-write-all-tables",
      R"(<rect x="11.75" y="2.75" width="9.5" height="5" fill="#d7dde4" stroke="#4a4f55" stroke-width="1.5"/>
         <rect x="11.75" y="9.5" width="9.5" height="5" fill="#d7dde4" stroke="#4a4f55" stroke-width="1.5"/>
         <rect x="11.75" y="16.25" width="9.5" height="5" fill="#d7dde4" stroke="#4a4f55" stroke-width="1.5"/>
         <path d="M1.5 12h7.5M5.5 8l4 4-4 4" fill="none" stroke="#1f8a45" stroke-width="2.25" stroke-linecap="round" stroke-linejoin="round"/>
         <path d="M9.5 5.25h1.5M9.5 18.75h1.5" stroke="#1f8a45" stroke-width="1.5"/>)" },
    { KestrelIcon::DetectDevice, "system-search",
      R"(<circle cx="10" cy="10" r="6.25" fill="#e3eefb" stroke="#1d4e89" stroke-width="2"/>
         <path d="M14.75 14.75l6 6" stroke="#1d4e89" stroke-width="3" stroke-linecap="round"/>
         <path d="M7 7.5v5M8.75 7.5v5M11 7.5v5M13 7.5v5" stroke="#1a1a1a" stroke-width="1"/>
         <path d="M5.5 10h9" stroke="#e0312b" stroke-width="1.25"/>)" },
    { KestrelIcon::OfflineConfigure, "document-new",
      R"(<path d="M3.75 2.75h9l4 4v14.5h-13z" fill="#ffffff" stroke="#5b6673" stroke-width="1.5" stroke-linejoin="round"/>
         <path d="M12.75 2.75v4h4" fill="none" stroke="#5b6673" stroke-width="1.5" stroke-linejoin="round"/>
         <circle cx="16.5" cy="16.5" r="4.5" fill="#1d4e89"/>
         <circle cx="16.5" cy="16.5" r="1.75" fill="#ffffff"/>
         <path d="M16.5 10.5v2M16.5 20.5v2M10.5 16.5h2M20.5 16.5h2M12.3 12.3l1.4 1.4M19.3 19.3l1.4 1.4M12.3 20.7l1.4-1.4M19.3 13.7l1.4-1.4"
               stroke="#1d4e89" stroke-width="1.75"/>)" },
    { KestrelIcon::PrintBarcode, "kestrel-print-barcode",
      R"(<rect x="1.75" y="4.75" width="20.5" height="14.5" rx="1.5" fill="#ffffff" stroke="#4a4f55" stroke-width="1.5"/>
         <path d="M5 7.5v9M7.5 7.5v9M11 7.5v9M15 7.5v9M19 7.5v9" stroke="#1a1a1a" stroke-width="1.5"/>
         <path d="M9 7.5v9M13 7.5v9M17 7.5v9" stroke="#1a1a1a" stroke-width="1"/>)" },
    { KestrelIcon::DataEditingWizards, "kestrel-data-wizards",
      R"(<path d="M3.5 20.5l11-11" stroke="#4a2a72" stroke-width="3" stroke-linecap="round"/>
         <path d="M12.5 11.5l2-2" stroke="#f2c55c" stroke-width="3" stroke-linecap="round"/>
         <path d="M17 2.5l1 2.5 2.5 1-2.5 1-1 2.5-1-2.5-2.5-1 2.5-1z" fill="#8e5cc7"/>
         <path d="M8 3l.6 1.4 1.4.6-1.4.6L8 7l-.6-1.4L6 5l1.4-.6z" fill="#8e5cc7"/>
         <path d="M19.5 13l.6 1.4 1.4.6-1.4.6-.6 1.4-.6-1.4-1.4-.6 1.4-.6z" fill="#8e5cc7"/>)" },
    { KestrelIcon::Application, "kestrel",
      R"(<rect x="1" y="1" width="22" height="22" rx="4.5" fill="#2563a8"/>
         <rect x="4" y="5.5" width="16" height="11.5" rx="1.25" fill="#ffffff"/>
         <path d="M6 7v8M8 7v8M10.5 7v8M13 7v8M15.5 7v8M18 7v8" stroke="#1a1a1a" stroke-width="1.25"/>
         <path d="M3 11h18" stroke="#e0312b" stroke-width="1.25"/>
         <path d="M8 19h8l-1.25 2.25h-5.5z" fill="#ffffff"/>)" },
};

const Drawing& DrawingOf(KestrelIcon which)
{
    for (const Drawing& drawing : kDrawings)
        if (drawing.which == which)
            return drawing;
    return kDrawings[0];
}

QByteArray SvgOf(KestrelIcon which)
{
    return QByteArrayLiteral(R"(<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" viewBox="0 0 24 24">)")
        + QByteArray(DrawingOf(which).svg) + QByteArrayLiteral("</svg>");
}

// Grey, lighter and half transparent: what a command that cannot run looks like.
QImage Greyed(const QImage& image)
{
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb pixel = line[x];
            const int level = 128 + qGray(pixel) / 2;
            line[x] = qRgba(level, level, level, qAlpha(pixel) * 45 / 100);
        }
    }
    return grey;
}

// Draws the SVG afresh for every size and pixel ratio, instead of scaling one bitmap.
class SvgIconEngine final : public QIconEngine {
public:
    explicit SvgIconEngine(QByteArray svg) : svg_(std::move(svg)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pixmap = Render(rect.size() * ratio, mode);
        pixmap.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, pixmap);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override { return Render(size, mode); }

    // `size` is in device pixels already; QIcon sets the pixel ratio on the result.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal) override
    {
        return Render(size, mode);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SvgIconEngine(svg_); }
    QString key() const override { return QStringLiteral("KestrelSvg"); }
    bool isNull() override { return svg_.isEmpty(); }

private:
    QPixmap Render(const QSize& size, QIcon::Mode mode) const
    {
        if (size.isEmpty())
            return {};
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QSvgRenderer renderer(svg_);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        return QPixmap::fromImage(mode == QIcon::Disabled ? Greyed(image) : image);
    }

    QByteArray svg_;
};

} // namespace

namespace KestrelIcons {

QIcon For(KestrelIcon which)
{
    return QIcon::fromTheme(QString::fromLatin1(ThemeName(which)), Bundled(which));
}

QIcon Bundled(KestrelIcon which)
{
    return QIcon(new SvgIconEngine(SvgOf(which)));
}

const char* ThemeName(KestrelIcon which)
{
    return DrawingOf(which).themeName;
}

} // namespace KestrelIcons
