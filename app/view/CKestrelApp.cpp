#include "app/view/CKestrelApp.h"

#include "app/view/CMainFrame.h"
#include "app/view/SplashDisplay.h"
#include "document/CQLMenuDoc.h"
#include "platform/LinuxSerialPortSystem.h"
#include "platform/UdevSerialMonitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>

CKestrelApp::CKestrelApp() : startup_(store_) {}

CKestrelApp::~CKestrelApp()
{
    frame_.reset();
    document_.reset();
    InstallHost(nullptr);
}

bool CKestrelApp::InitInstance(const AppOptions& options)
{
    QElapsedTimer clock;
    clock.start();
    InstallHost(&host_);

    // Vendor settings, the store's branch and the program folder.
    startup_.Configure(options.startup);

    // The splash goes up first, so the user sees the program at once.
    splash_ = new SplashDisplay(startup_.ProgramFolderPath() + startup_.Vendor().splashFile,
                                startup_.Vendor().partNumber);
    splash_->setAttribute(Qt::WA_DeleteOnClose);
    splash_->ShowTimed();

    // The document (which loads the catalog) and the main window.
    const bool catalogLoaded = startup_.LoadCatalog();
    (void)catalogLoaded;
    measurer_ = std::make_unique<QtTextMeasurer>(QtTextMeasurer::PageFont());
    DocumentEnvironment environment;
    environment.port = &port_;
    environment.catalogPath = startup_.CatalogPath();
    environment.eorCharacter = preferences_.eorCharacter;
    environment.excludedCommands = startup_.Vendor().excludedCommands;
    SetOrvApplicationFlag(startup_.Vendor().orvApplication != 0);
    environment.measurer = measurer_.get();
    if (QScreen* screen = QApplication::primaryScreen()) {
        environment.clientWidth = screen->availableGeometry().width();
        environment.clientHeight = screen->availableGeometry().height() - 120; // menu, toolbar, tabs, status
    }
    document_ = std::make_unique<CQLMenuDoc>(environment);
    frame_ = std::make_unique<CMainFrame>(*this, *document_);
    host_.SetMainWindow(frame_.get());
    frame_->showMaximized();
    splash_->raise();
    QCoreApplication::processEvents();
    shownAfterMs_ = clock.elapsed();

    startup_.LoadTabFile();
    startup_.LoadPreferences();
    preferences_ = startup_.Preferences();
    ApplyPreferences();
    if (!options.portPath.empty() && !UsePortPath(options.portPath))
        std::fprintf(stderr, "kestrel: no serial port has the path %s\n", options.portPath.c_str());
    StartHotPlug();

    if (options.waitForSplash)
        while (splash_ && !splash_->IsClosed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 50);

    if (!startup_.BothLoaded()) {
        ShowMessage(startup_.FailureMessage());
        return false;
    }
    host_.SetStatusText("Ready");
    if (!options.documentPath.empty() && frame_->OpenDocument(options.documentPath)) {
        frame_->UpdateCommandStates();
        return true;
    }
    if (options.showStartupChoice)
        frame_->RunStartupChoice();
    return true;
}

void CKestrelApp::ApplyPreferences()
{
    port_.SetPortNumber(preferences_.comPort);
    port_.SetBaudLimits(preferences_.maxBaud, preferences_.minBaud);
    port_.SetDtrMode(preferences_.dtrConfiguration);
    if (document_)
        document_->SetEorCharacter(preferences_.eorCharacter);
}

bool CKestrelApp::UsePortPath(const std::string& path)
{
    auto* machinePorts = dynamic_cast<LinuxSerialPortSystem*>(&TheSerialPortSystem());
    if (!machinePorts)
        return false;
    machinePorts->Rescan();
    const std::string name = machinePorts->PortNameForDevice(path);
    if (name.size() <= 3)
        return false;
    preferences_.comPort = std::atoi(name.c_str() + 3);
    preferences_.LoadBaudLimits(store_, startup_.Vendor().companyRegKey, preferences_.comPort);
    ApplyPreferences();
    return true;
}

void CKestrelApp::StartHotPlug()
{
    // Only the machine's own ports produce udev notices; a test's simulated ports do not.
    auto* machinePorts = dynamic_cast<LinuxSerialPortSystem*>(&TheSerialPortSystem());
    if (!machinePorts)
        return;
    udev_ = std::make_unique<UdevSerialMonitor>(*machinePorts);
    if (!udev_->IsActive())
        return;
    udevNotifier_ = new QSocketNotifier(udev_->Fd(), QSocketNotifier::Read, this);
    connect(udevNotifier_, &QSocketNotifier::activated, this, [this] {
        const std::vector<SerialPortNotice> notices = udev_->ProcessEvents();
        if (!notices.empty())
            port_.HandlePortNotices(notices);
    });
}
