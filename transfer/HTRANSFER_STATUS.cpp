#include "transfer/HTRANSFER_STATUS.h"

#include "transfer/HSTRING.h"
#include "transfer/HWSTRING.h"

HTRANSFER_STATUS::HTRANSFER_STATUS() : m_StatusText(new HSTRING(20, true)) { }

HTRANSFER_STATUS::HTRANSFER_STATUS(const HTRANSFER_STATUS& other)
    : m_TransferKind(other.m_TransferKind), m_StatusText(new HSTRING(*other.m_StatusText)),
      m_ReceivedDataLockCount(other.m_ReceivedDataLockCount)
{
}

HTRANSFER_STATUS& HTRANSFER_STATUS::operator=(const HTRANSFER_STATUS& other)
{
    if (this != &other) {
        m_TransferKind = other.m_TransferKind;
        m_StatusText->Copy(*other.m_StatusText);
        m_ReceivedDataLockCount = other.m_ReceivedDataLockCount;
    }
    return *this;
}

HTRANSFER_STATUS::~HTRANSFER_STATUS() { delete m_StatusText; }

void HTRANSFER_STATUS::PrepareDownloadStatus()
{
    HWSTRING empty;
    PrepareDownloadStatus(&empty);
}

void HTRANSFER_STATUS::PrepareDownloadStatus(HWSTRING*) { }

void HTRANSFER_STATUS::UpdateDownloadStatus(HWSTRING*) { }

void HTRANSFER_STATUS::CloseDownloadStatus() { }

bool HTRANSFER_STATUS::MayContinue(unsigned bytesMoved, unsigned totalBytes)
{
    return MayContinue(bytesMoved, totalBytes, false);
}

bool HTRANSFER_STATUS::MayContinue(unsigned, unsigned, bool) { return true; }

void HTRANSFER_STATUS::DownloadStartingHandler() { }

void HTRANSFER_STATUS::DownloadFinishHandler() { }

void HTRANSFER_STATUS::ReceivedProtocolCharacters(HSTRING*) { }

void HTRANSFER_STATUS::RetryWarning(HSTRING*) { }

void HTRANSFER_STATUS::DownloadStep(int) { }

void HTRANSFER_STATUS::WaitingForResponse() { }

void HTRANSFER_STATUS::FinishedWaitingForResponse() { }

void HTRANSFER_STATUS::SetProgressLevel(int position) { SetProgressLevel(position, -1); }

void HTRANSFER_STATUS::SetProgressLevel(int, int) { }

void HTRANSFER_STATUS::ReceivedDataLockSemaphoreWasChanged() { }

void HTRANSFER_STATUS::DeviceDetected() { }

void HTRANSFER_STATUS::IncrementProcessReceivedDataLockSemaphore()
{
    ++m_ReceivedDataLockCount;
    ReceivedDataLockSemaphoreWasChanged();
}

void HTRANSFER_STATUS::DecrementProcessReceivedDataLockSemaphore()
{
    if (m_ReceivedDataLockCount > 0)
        --m_ReceivedDataLockCount;
    ReceivedDataLockSemaphoreWasChanged();
}
