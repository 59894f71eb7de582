// CKestrelApp: the application object — vendor settings, the per-user store, the data
// files, the one serial port, the document and the main window, started in their order.
#pragma once

#include "app/StartupModel.h"
#include "device/CSerComm.h"
#include "platform/SettingsStore.h"
#include "ui/QtHost.h"
#include "ui/QtTextMeasurer.h"
#include "app/view/SplashDisplay.h"

#include <QObject>
#include <QPointer>
#include <chrono>
#include <memory>

class CMainFrame;
class CQLMenuDoc;
class QSocketNotifier;
class SplashDisplay;
class UdevSerialMonitor;

struct AppOptions {
    StartupOptions startup;
    bool showStartupChoice = true; // tests drive the choice themselves
    bool waitForSplash = true;     // step 15: keep running messages until the splash closes
    // Use the port with this device path for this run (./run points it at the simulator's
    // pseudo-terminal); the stored preference is left alone.
    std::string portPath;
    // A document to open once start-up is done, in place of the start-up choice; when it
    // cannot be opened (its message shown), the choice runs after all.
    std::string documentPath;
};

class CKestrelApp final : public QObject {
    Q_OBJECT
public:
    CKestrelApp();
    ~CKestrelApp() override;

    // Start-up in its order; false when the program must end (a data file failed).
    bool InitInstance(const AppOptions& options = {});

    SettingsStore& Store() { return store_; }
    StartupModel& Startup() { return startup_; }
    UserPreferences& Preferences() { return preferences_; }
    CSerComm& Port() { return port_; }
    QtHost& Host() { return host_; }
    QtTextMeasurer& Measurer() { return *measurer_; }
    CQLMenuDoc* Document() { return document_.get(); }
    CMainFrame* Frame() { return frame_.get(); }
    SplashDisplay* Splash() { return splash_.data(); }
    // Milliseconds from the start of InitInstance until the main window and splash showed.
    long long ShownAfterMs() const { return shownAfterMs_; }

    // After Preferences: the new preferences reach the port and the document.
    void ApplyPreferences();

private:
    void StartHotPlug();
    bool UsePortPath(const std::string& path);

    SettingsStore store_;
    StartupModel startup_;
    UserPreferences preferences_;
    CSerComm port_;
    QtHost host_;
    std::unique_ptr<QtTextMeasurer> measurer_;
    std::unique_ptr<CQLMenuDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    QPointer<SplashDisplay> splash_;
    std::unique_ptr<UdevSerialMonitor> udev_;
    QSocketNotifier* udevNotifier_ = nullptr;
    long long shownAfterMs_ = -1;
};
