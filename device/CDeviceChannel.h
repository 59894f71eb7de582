// CDeviceChannel: the program's transfer channel and progress reporter in one object.
//
// The transfer protocols (HModem, the command processor, flashing, image capture) talk to a
// reader through HCOMM and report through HTRANSFER_STATUS. The device object is both: it
// inherits this class, which realises HCOMM over the serial port (CSerComm, not owned) and
// HTRANSFER_STATUS over the host's progress window. Raising the received-data lock keeps the
// port watcher paused for as long as an exchange owns the line.
#pragma once

#include "transfer/HCOMM.h"
#include "transfer/HTRANSFER_STATUS.h"

#include <functional>
#include <memory>
#include <string>

class CSerComm;
class ProgressWindow;

class CDeviceChannel : public HCOMM, public HTRANSFER_STATUS {
public:
    // Transfer kinds this status realisation knows (HTRANSFER_STATUS::SetTransferKind).
    enum TransferKind {
        kKindApplication = 1,
        kKindBootCode = 3,
        kKindImageUpload = 5,
        kKindImageDownload = 6,
        kKindScriptWrite = 7,
        kKindScriptRead = 8,
        kKindScriptLoad = 9,
        kKindFlashFileWrite = 12,
        kKindFlashFileRead = 13,
        kKindFlashImageWrite = 14,
        kKindFlashImageRead = 15,
        kKindJpegReceive = 16,
        kKindDeviceFlashing = 35,  // '#'
        kKindWritingTarget = 36,   // '$'
    };

    static constexpr const char* kPowerCycleWarning = "DO NOT POWER CYCLE DEVICE!";

    explicit CDeviceChannel(CSerComm* port = nullptr);
    ~CDeviceChannel() override;
    CDeviceChannel(const CDeviceChannel&) = delete;
    CDeviceChannel& operator=(const CDeviceChannel&) = delete;

    void SetSerialPort(CSerComm* port) { m_pSerComm = port; }
    CSerComm* GetSerialPort() const { return m_pSerComm; }

    // HCOMM over the serial port.
    using HCOMM::FlushReadBuffer;
    using HCOMM::Read;
    using HCOMM::Write;
    void ZeroElapsedTime() override;
    unsigned ElapsedTime() override;
    bool FlushReadBuffer() override;
    bool Read(HSTRING* buffer, unsigned wanted, unsigned timeOutMs) override;
    bool Write(HSTRING* buffer, int start, int count, bool waitUntilSent) override;
    bool IsPortAssigned() override;
    bool FlushWriteBuffer() override;
    unsigned BytesInWriteBuffer() override;
    void HCommSleep(unsigned milliseconds) override;
    bool SwitchTo8BitTransferMode() override;
    bool RevertFrom8BitTransferMode() override;

    // HTRANSFER_STATUS over the progress window.
    using HTRANSFER_STATUS::MayContinue;
    using HTRANSFER_STATUS::PrepareDownloadStatus;
    using HTRANSFER_STATUS::SetProgressLevel;
    void PrepareDownloadStatus(HWSTRING* text) override;
    void UpdateDownloadStatus(HWSTRING* text) override;
    void CloseDownloadStatus() override;
    bool MayContinue(unsigned bytesMoved, unsigned totalBytes, bool noDisplay) override;
    void DownloadStep(int step) override;
    void WaitingForResponse() override;
    void FinishedWaitingForResponse() override;
    void SetProgressLevel(int position, int total) override;
    void ReceivedDataLockSemaphoreWasChanged() override;
    void DeviceDetected() override;

    // Flows that make their own transfer progress window (firmware loading) lend it here for
    // the duration; nullptr takes it back. Windows this class makes itself take precedence.
    void SetTransferProgressWindow(ProgressWindow* window) { m_pFlowWindow = window; }
    ProgressWindow* TransferProgressWindow() const;
    ProgressWindow* ImageWindow() const { return m_ImageWindow.get(); }

    // Called by DeviceDetected; the desktop program posts its "device detected" message here.
    void SetDeviceDetectedHandler(std::function<void()> handler) { m_DeviceDetected = std::move(handler); }

    // Device classes that capture and send pictures answer true; only they get the image window.
    virtual bool IsImageCapable() const { return false; }
    // The command processor's capture mode (a picture streaming in) suppresses the image window.
    virtual bool IsCaptureModeOn() const { return false; }

    unsigned ProgressPosition() const { return m_Position; }
    unsigned ProgressTotal() const { return m_Total; }

protected:
    CSerComm* m_pSerComm = nullptr;

private:
    bool ImageWindowAllowed() const;
    void ReachedTotal(int step);
    static std::string FormatCount(const char* format, unsigned value);

    unsigned long long m_ElapsedStart = 0;
    unsigned m_Position = 0;
    unsigned m_Total = 0;
    int m_SavedDataBits = -1;
    int m_SavedParity = -1;
    int m_SavedStopBits = -1;
    std::unique_ptr<ProgressWindow> m_TransferWindow;
    std::unique_ptr<ProgressWindow> m_ImageWindow;
    ProgressWindow* m_pFlowWindow = nullptr;
    std::function<void()> m_DeviceDetected;
};
