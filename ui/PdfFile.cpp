#include "ui/PdfFile.h"

#include "platform/AtomicFile.h"
#include "ui/QtCanvas.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstdlib>
#include <memory>

// Fonts and painting need a QGuiApplication; a command line tool has no display, so it
// always uses the offscreen platform.
void EnsureGuiApplication()
{
    if (QGuiApplication::instance())
        return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "kestrel-cli";
    static char* argv[] = { name, nullptr };
    static std::unique_ptr<QGuiApplication> application = std::make_unique<QGuiApplication>(argc, argv);
}

bool WritePdfFile(const std::string& path, const std::function<int(Canvas&)>& draw, std::string& error, int dpi, bool a4)
{
    EnsureGuiApplication();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    int pages = 0;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(dpi);
        writer.setPageSize(QPageSize(a4 ? QPageSize::A4 : QPageSize::Letter));
        writer.setPageMargins(QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
        writer.setCreator(QStringLiteral("kestrel-cli"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            error = "the PDF could not be started";
            return false;
        }
        const QRect page = writer.pageLayout().paintRectPixels(dpi);
        QtCanvas canvas(painter, &writer, page.width(), page.height(), dpi, dpi);
        pages = draw(canvas);
        painter.end();
    }
    if (pages <= 0) {
        error = "nothing to print";
        return false;
    }
    const QByteArray& bytes = buffer.data();
    return WriteFileAtomically(path, std::string(bytes.constData(), static_cast<size_t>(bytes.size())), &error);
}
