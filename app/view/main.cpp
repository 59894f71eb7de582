// kestrel: the desktop settings editor for serial bar code readers.
//
//   kestrel [--port-path DEVICE]
//
// --port-path uses the serial port with that device path for this run only (./run passes
// the simulated reader's pseudo-terminal).
#include "app/view/CKestrelApp.h"

#include <QApplication>
#include <cstring>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    AppOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port-path") == 0 && i + 1 < argc)
            options.portPath = argv[++i];
        else if (std::strncmp(argv[i], "--port-path=", 12) == 0)
            options.portPath = argv[i] + 12;
    }
    CKestrelApp kestrel;
    if (!kestrel.InitInstance(options))
        return 1;
    return QApplication::exec();
}
