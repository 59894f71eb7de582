// kestrel: the desktop settings editor for serial bar code readers.
#include "app/view/CKestrelApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    CKestrelApp kestrel;
    if (!kestrel.InitInstance())
        return 1;
    return QApplication::exec();
}
