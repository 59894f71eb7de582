// Pictures and reader events in the desktop program: the "Reader Events" dock (decoded data,
// pictures and HTag events as they arrive, polled while the program is idle), Device ->
// "Capture &Image..." for image-capable readers and File -> "Open &Picture...".
#pragma once

// moc cannot read the C++20 library headers these pull in, and needs none of them.
#ifndef Q_MOC_RUN
#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/image/HIMAGE.h"
#endif

#include <QDockWidget>

#include <functional>
#include <vector>

class CDevice;
class CPictureWindow;
class QAction;
class QListWidget;
class QMainWindow;
class QTimer;

class CReaderEventsDock final : public QDockWidget, public HPROCESSOR_EVENTS {
    Q_OBJECT
public:
    using DeviceSource = std::function<CDevice*()>;
    CReaderEventsDock(QMainWindow* frame, DeviceSource device);

    // Capture with the reader's own form `format` (0..9), subsample and quality; the picture
    // opens in a picture window, which is returned (nullptr when none arrived).
    CPictureWindow* Capture(int format, int subsample, int quality);
    // Opens a picture file in a picture window; nullptr with the message shown when it fails.
    CPictureWindow* OpenPicture(const QString& path);
    // Runs the dispatcher once over what the reader sent (the idle poll calls it).
    void Poll();

    QListWidget* List() const { return m_List; }
    QAction* CaptureAction() const { return m_Capture; }
    QAction* OpenAction() const { return m_Open; }

    // HPROCESSOR_EVENTS
    void DecodedData(const HSTRING& text) override;
    void PictureReceived(int code, const HSTRING& text, const HIMAGE& image) override;
    void HTagReceived(const HTAG& command, int code, const HSTRING& text) override;
    void TaggedData(const HSTRING& prefix, const HSTRING& block) override;

private:
    void AskAndCapture();
    void AskAndOpen();
    void UpdateActions();
    void Add(const QString& text);
    CPictureWindow* ShowPicture(const HIMAGE& image, const QString& result);

    DeviceSource m_Device;
    QMainWindow* m_Frame;
    QListWidget* m_List = nullptr;
    QAction* m_Capture = nullptr;
    QAction* m_Open = nullptr;
    QTimer* m_Idle = nullptr;
    // Pictures that arrived unasked, opened from the list.
    std::vector<HIMAGE> m_Pictures;
    bool m_Shown = false;
};

// Adds the dock and the two commands to the main window.
CReaderEventsDock* InstallReaderEvents(QMainWindow* frame, CReaderEventsDock::DeviceSource device);
