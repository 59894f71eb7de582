// kestrel: the desktop settings editor for serial bar code readers.
//
//   kestrel [--port-path DEVICE] [--check] [FILE.kst]
//
// --port-path uses the serial port with that device path for this run only (./run passes
// the simulated reader's pseudo-terminal). FILE.kst is opened once start-up is done, in place
// of the start-up choice (the desktop file passes the file the user opened).
// --check runs start-up without waiting for anyone: every message goes to stderr instead of a
// box, the data folder in use is printed, and the program ends at once (0 all loaded, 1 the
// document failed to open, 2 a data file is missing or corrupt). Packagers and support use it
// to see that an installed copy finds its files.
#include "app/view/CKestrelApp.h"
#include "app/view/CMainFrame.h"
#include "ui/Icons.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <optional>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    QApplication::setDesktopFileName(QStringLiteral("kestrel"));
    QApplication::setWindowIcon(KestrelIcons::For(KestrelIcon::Application));
    AppOptions options;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port-path") == 0 && i + 1 < argc)
            options.portPath = argv[++i];
        else if (std::strncmp(argv[i], "--port-path=", 12) == 0)
            options.portPath = argv[i] + 12;
        else if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else if (argv[i][0] != '-' && options.documentPath.empty())
            // Absolute, so the title, the recent-file list and later saves name the same file.
            options.documentPath = QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath().toStdString();
        else
            std::fprintf(stderr, "kestrel: ignoring %s\n", argv[i]);
    }

    CKestrelApp kestrel;
    if (check) {
        options.showStartupChoice = false;
        options.waitForSplash = false;
        kestrel.Host().SetMessageHook([](const std::string& text, MsgButtons buttons, MsgIcon, int defaultButton) {
            std::fprintf(stderr, "%s\n", text.c_str());
            return std::optional<MsgAnswer>(DefaultMessageAnswer(buttons, defaultButton));
        });
    }
    if (!kestrel.InitInstance(options))
        return check ? 2 : 1;
    if (check) {
        const std::string& folder = kestrel.Startup().ProgramFolderPath();
        std::printf("data folder: %s\n", folder.empty() ? "." : folder.c_str());
        if (!options.documentPath.empty()) {
            if (kestrel.Frame()->DocumentPath() != options.documentPath)
                return 1;
            std::printf("document: %s\n", options.documentPath.c_str());
        }
        return 0;
    }
    return QApplication::exec();
}
