// HTRANSFER_STATUS: the observer of a transfer.
//
// A transfer reports progress, step texts, retry warnings and busy periods here, and learns
// that the user wants to stop only through MayContinue. It also keeps the received-data lock
// count: while a command/response exchange owns the line (count above 0) the port watcher
// must stay out of the way; ReceivedDataLockSemaphoreWasChanged tells the realisation.
// The virtual operations are declared in slot order; keep it that way.
#pragma once

class HSTRING;
class HWSTRING;

class HTRANSFER_STATUS {
public:
    HTRANSFER_STATUS();
    HTRANSFER_STATUS(const HTRANSFER_STATUS& other);
    HTRANSFER_STATUS& operator=(const HTRANSFER_STATUS& other);
    virtual ~HTRANSFER_STATUS();

    virtual void PrepareDownloadStatus();
    virtual void PrepareDownloadStatus(HWSTRING* text);
    virtual void UpdateDownloadStatus(HWSTRING* text);
    virtual void CloseDownloadStatus();
    virtual bool MayContinue(unsigned bytesMoved, unsigned totalBytes);
    virtual bool MayContinue(unsigned bytesMoved, unsigned totalBytes, bool noDisplay);
    virtual void DownloadStartingHandler();
    virtual void DownloadFinishHandler();
    virtual void ReceivedProtocolCharacters(HSTRING* bytes);
    virtual void RetryWarning(HSTRING* text);
    virtual void DownloadStep(int step);
    virtual void WaitingForResponse();
    virtual void FinishedWaitingForResponse();
    virtual void SetProgressLevel(int position);
    virtual void SetProgressLevel(int position, int total);
    virtual void ReceivedDataLockSemaphoreWasChanged();
    virtual void DeviceDetected();

    void IncrementProcessReceivedDataLockSemaphore();
    // Never goes below 0, so an unbalanced release cannot leave the watcher paused forever.
    void DecrementProcessReceivedDataLockSemaphore();
    int GetProcessReceivedDataLockSemaphore() const { return m_ReceivedDataLockCount; }
    int GetActivityCounter() const { return m_ReceivedDataLockCount; }

    int GetTransferKind() const { return m_TransferKind; }
    void SetTransferKind(int kind) { m_TransferKind = kind; }
    HSTRING* StatusText() { return m_StatusText; }

protected:
    // Which transfer is being reported (1 application firmware, 7 script written, ...).
    int m_TransferKind = 0;
    HSTRING* m_StatusText = nullptr;
    int m_ReceivedDataLockCount = 0;
};

// Holds the received-data lock for a scope.
class HReceivedDataLock {
public:
    explicit HReceivedDataLock(HTRANSFER_STATUS* status) : m_Status(status)
    {
        if (m_Status)
            m_Status->IncrementProcessReceivedDataLockSemaphore();
    }
    ~HReceivedDataLock()
    {
        if (m_Status)
            m_Status->DecrementProcessReceivedDataLockSemaphore();
    }
    HReceivedDataLock(const HReceivedDataLock&) = delete;
    HReceivedDataLock& operator=(const HReceivedDataLock&) = delete;

private:
    HTRANSFER_STATUS* m_Status;
};
