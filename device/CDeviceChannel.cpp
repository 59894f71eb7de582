#include "device/CDeviceChannel.h"

#include "device/CSerComm.h"
#include "platform/Host.h"
#include "transfer/HSTRING.h"
#include "transfer/HWSTRING.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

unsigned long long NowSeconds()
{
    // Whole seconds on a clock that does not jump when the wall clock is set, so a transfer
    // never times out (or waits for ever) because of a time adjustment.
    return static_cast<unsigned long long>(
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now().time_since_epoch()).count());
}

// Window title and the texts of step lines 0 and 1 for the kinds that make their own window.
struct WindowTexts {
    int kind;
    const char* title;
    const char* step0;
    const char* step1;
};

constexpr WindowTexts kWindowTexts[] = {
    { CDeviceChannel::kKindScriptWrite, "Writing Script", "Preparing To Write", "Writing Data" },
    { CDeviceChannel::kKindScriptRead, "Reading Script", "Preparing To Read", "Reading Data" },
    { CDeviceChannel::kKindScriptLoad, "Loading Script", "Preparing To Load", "Loading Data" },
    { CDeviceChannel::kKindFlashImageWrite, "Storing Flash Image", "Sending Flash Image", "Writing To Flash" },
    { CDeviceChannel::kKindFlashImageRead, "Reading Flash Image", "Receiving Flash Image", "Storing Flash Image" },
};

const WindowTexts* WindowTextsFor(int kind)
{
    for (const WindowTexts& texts : kWindowTexts) {
        if (texts.kind == kind)
            return &texts;
    }
    return nullptr;
}

// The "(%d bytes)" line a kind shows once its total is known, and the step line it goes to.
struct TotalText {
    int kind;
    int step;
    const char* format;
};

constexpr TotalText kTotalTexts[] = {
    { CDeviceChannel::kKindApplication, 2, "Writing Firmware File to Device (%d bytes)" },
    { CDeviceChannel::kKindBootCode, 2, "Writing Firmware File to Device (%d bytes)" },
    { CDeviceChannel::kKindScriptWrite, 1, "Writing Script File to Device (%d bytes)" },
    { CDeviceChannel::kKindScriptLoad, 1, "Loading Script File to Device (%d bytes)" },
    { CDeviceChannel::kKindFlashFileWrite, 0, "Writing Flash File to Device (%d bytes)" },
    { CDeviceChannel::kKindFlashFileRead, 0, "Reading Flash File From Device (%d bytes)" },
    { CDeviceChannel::kKindFlashImageWrite, 0, "Writing Flash Image To Device (%d bytes)" },
    { CDeviceChannel::kKindFlashImageRead, 0, "Receiving Flash Image From Device (%d bytes)" },
};

const TotalText* TotalTextFor(int kind)
{
    for (const TotalText& text : kTotalTexts) {
        if (text.kind == kind)
            return &text;
    }
    return nullptr;
}

bool IsImageKind(int kind) { return kind == CDeviceChannel::kKindImageUpload || kind == CDeviceChannel::kKindImageDownload; }

// The step a kind marks once every byte has moved (and warns not to power cycle), or -1.
int CompletionStep(int kind)
{
    switch (kind) {
    case CDeviceChannel::kKindApplication:
    case CDeviceChannel::kKindBootCode: return 3;
    case CDeviceChannel::kKindFlashFileWrite:
    case CDeviceChannel::kKindFlashFileRead:
    case CDeviceChannel::kKindFlashImageWrite:
    case CDeviceChannel::kKindFlashImageRead: return 1;
    default: return -1;
    }
}

bool KindTracksTotal(int kind)
{
    switch (kind) {
    case 1: case 3: case 5: case 6: case 7: case 9: case 12: case 13: case 14: case 15: case 35: case 36:
        return true;
    default: return false;
    }
}

} // namespace

CDeviceChannel::CDeviceChannel(CSerComm* port)
    : m_pSerComm(port)
{
}

CDeviceChannel::~CDeviceChannel()
{
    // An exchange that ended by an exception-free early return still released its lock; but
    // make sure a device object that goes away never leaves the watcher held.
    if (m_pSerComm && m_ReceivedDataLockCount > 0 && m_pSerComm->IsWatcherHeldPaused())
        m_pSerComm->SetWatcherHeldPaused(false);
}

std::string CDeviceChannel::FormatCount(const char* format, unsigned value)
{
    char text[128];
    std::snprintf(text, sizeof text, format, static_cast<int>(value));
    return text;
}

// ---- HCOMM ----------------------------------------------------------------------------

void CDeviceChannel::ZeroElapsedTime() { m_ElapsedStart = NowSeconds(); }

unsigned CDeviceChannel::ElapsedTime() { return static_cast<unsigned>(NowSeconds() - m_ElapsedStart); }

bool CDeviceChannel::FlushReadBuffer()
{
    if (!m_pSerComm)
        return false;
    m_pSerComm->DrainInput(0);
    return true;
}

bool CDeviceChannel::Read(HSTRING* buffer, unsigned wanted, unsigned timeOutMs)
{
    if (!m_pSerComm || !buffer || buffer->Locked())
        return false;
    if (wanted > buffer->Capacity() && buffer->AutoResize())
        buffer->Reserve(wanted);
    buffer->Empty();
    // A fixed or borrowed buffer smaller than asked is filled to its capacity, never past it.
    const unsigned room = std::min(wanted, buffer->Capacity());
    const Clock::time_point start = Clock::now();
    unsigned have = 0;
    while (have < room) {
        const int got = m_pSerComm->ReadBytes(buffer->Data() + have, room - have, 10);
        if (got > 0)
            have += static_cast<unsigned>(got);
        ::PumpWaitingMessages();
        if (have >= room || UserAbortRequested())
            break;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (elapsed >= static_cast<long long>(timeOutMs))
            break;
        // ReadBytes returns at once on a closed port; do not spin the processor meanwhile.
        if (got <= 0 && !m_pSerComm->IsOpen())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    buffer->SetLength(have);
    return true;
}

bool CDeviceChannel::Write(HSTRING* buffer, int start, int count, bool waitUntilSent)
{
    if (!m_pSerComm || !buffer)
        return false;
    // Keep the range inside the buffer whatever the caller computed.
    const long length = static_cast<long>(buffer->Length());
    const long first = std::clamp<long>(start, 0, length);
    const long bytes = std::clamp<long>(count, 0, length - first);
    const int written = m_pSerComm->WriteBytes(buffer->Data() + first, static_cast<size_t>(bytes));
    if (waitUntilSent) {
        // Until the queue is empty; a line that is closed or an Escape ends the wait, so a
        // reader holding CTS low cannot freeze the program.
        while (m_pSerComm->OutputQueueCount() > 0 && m_pSerComm->IsOpen() && !UserAbortRequested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ::PumpWaitingMessages();
        }
    }
    // Only a write of everything asked for is a success: protocols treat false as a line fault.
    return written == bytes && bytes == count;
}

bool CDeviceChannel::IsPortAssigned() { return m_pSerComm != nullptr; }

bool CDeviceChannel::FlushWriteBuffer()
{
    if (!m_pSerComm)
        return false;
    m_pSerComm->FlushOutput();
    return true;
}

unsigned CDeviceChannel::BytesInWriteBuffer()
{
    return m_pSerComm ? static_cast<unsigned>(m_pSerComm->OutputQueueCount()) : 0;
}

void CDeviceChannel::HCommSleep(unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool CDeviceChannel::SwitchTo8BitTransferMode()
{
    if (!m_pSerComm || !m_pSerComm->IsOpen())
        return false;
    m_SavedDataBits = m_pSerComm->GetDataBits();
    m_SavedParity = m_pSerComm->GetParity();
    m_SavedStopBits = m_pSerComm->GetStopBits();
    m_pSerComm->SetDataBits(8);
    m_pSerComm->SetParity('N');
    return m_pSerComm->SetStopBits(1);
}

bool CDeviceChannel::RevertFrom8BitTransferMode()
{
    if (!m_pSerComm || !m_pSerComm->IsOpen())
        return false;
    if (m_SavedDataBits < 0 || m_SavedParity < 0 || m_SavedStopBits < 0)
        return true;  // never switched: the line is as it was
    m_pSerComm->SetDataBits(m_SavedDataBits);
    m_pSerComm->SetParity(static_cast<char>(m_SavedParity));
    return m_pSerComm->SetStopBits(m_SavedStopBits);
}

// ---- HTRANSFER_STATUS -----------------------------------------------------------------

ProgressWindow* CDeviceChannel::TransferProgressWindow() const
{
    return m_TransferWindow ? m_TransferWindow.get() : m_pFlowWindow;
}

bool CDeviceChannel::ImageWindowAllowed() const
{
    return IsImageCapable() && IsImageKind(m_TransferKind) && m_pSerComm && !IsCaptureModeOn();
}

void CDeviceChannel::PrepareDownloadStatus(HWSTRING*)
{
    m_Position = 0;
    m_Total = 0;
    if (const WindowTexts* texts = WindowTextsFor(m_TransferKind)) {
        m_TransferWindow = TheHost().CreateProgressWindow();
        m_TransferWindow->SetTitle(texts->title);
        m_TransferWindow->SetStepText(0, texts->step0);
        m_TransferWindow->SetStepText(1, texts->step1);
        m_TransferWindow->Show();
        m_TransferWindow->SetCurrentStep(0);
        return;
    }
    if (ImageWindowAllowed()) {
        m_ImageWindow = TheHost().CreateProgressWindow();
        m_ImageWindow->SetStepText(0, m_TransferKind == kKindImageUpload ? "Uploading image from the device..."
                                                                         : "Downloading image to the device...");
        m_ImageWindow->SetRange(static_cast<int>(m_Total));
        m_ImageWindow->ShowBar(true);
        m_ImageWindow->Show();
    }
}

void CDeviceChannel::UpdateDownloadStatus(HWSTRING* text)
{
    ProgressWindow* window = TransferProgressWindow();
    if (!window)
        return;
    if (m_TransferKind == kKindDeviceFlashing) {
        window->SetStepText(3, "Waiting For Device To Flash Firmware File");
    } else if (m_TransferKind == kKindWritingTarget) {
        HSTRING target;
        if (text)
            text->CopyTo(target);
        window->SetStepText(3, std::string("Writing firmware to ") + std::string(target.Text(), target.Length()));
    } else {
        return;
    }
    window->SetCurrentStep(3);
    window->ShowBar(true);
}

void CDeviceChannel::CloseDownloadStatus()
{
    if (WindowTextsFor(m_TransferKind) && m_TransferWindow) {
        m_TransferWindow->Hide();
        m_TransferWindow.reset();
    }
    if (m_ImageWindow && IsImageKind(m_TransferKind)) {
        if (ImageWindowAllowed()) {
            m_ImageWindow->SetPosition(static_cast<int>(m_Total));
            m_ImageWindow->Hide();
        }
        m_ImageWindow.reset();
    }
}

void CDeviceChannel::ReachedTotal(int step)
{
    ProgressWindow* window = TransferProgressWindow();
    if (!window)
        return;
    window->SetCurrentStep(step);
    window->SetWarning(kPowerCycleWarning, true);
    window->ShowBar(false);
}

bool CDeviceChannel::MayContinue(unsigned bytesMoved, unsigned totalBytes, bool noDisplay)
{
    ProgressWindow* window = TransferProgressWindow();
    const bool imageKind = IsImageKind(m_TransferKind);
    ProgressWindow* bar = imageKind ? (ImageWindowAllowed() ? m_ImageWindow.get() : nullptr) : window;
    if (!noDisplay) {
        if (totalBytes != 0 && totalBytes != m_Total) {
            m_Total = totalBytes;
            if (imageKind) {
                if (bar) {
                    bar->SetRange(static_cast<int>(m_Total));
                    bar->SetStepText(0, FormatCount(m_TransferKind == kKindImageUpload
                                                        ? "Uploading %d byte image from the device..."
                                                        : "Downloading %d byte image to the device...",
                                                    m_Total));
                }
            } else if (const TotalText* text = TotalTextFor(m_TransferKind); text && window) {
                window->SetStepText(text->step, FormatCount(text->format, m_Total));
                window->SetRange(static_cast<int>(m_Total));
            }
        }
        if (bytesMoved != 0) {
            m_Position += bytesMoved;
            if (bar)
                bar->SetPosition(static_cast<int>(m_Position));
            const int step = CompletionStep(m_TransferKind);
            if (step >= 0 && m_Total != 0 && m_Position >= m_Total)
                ReachedTotal(step);
        }
    }
    ::PumpWaitingMessages();
    if (UserAbortRequested())
        return false;
    ProgressWindow* cancellable = imageKind ? m_ImageWindow.get() : window;
    return !(cancellable && cancellable->IsCancelled());
}

void CDeviceChannel::SetProgressLevel(int position, int total)
{
    const bool imageKind = IsImageKind(m_TransferKind);
    ProgressWindow* bar = imageKind ? (ImageWindowAllowed() ? m_ImageWindow.get() : nullptr) : TransferProgressWindow();
    if (total != -1 && total >= 0 && static_cast<unsigned>(total) != m_Total && KindTracksTotal(m_TransferKind)) {
        m_Total = static_cast<unsigned>(total);
        if (bar)
            bar->SetRange(total);
    }
    if (position >= 0 && static_cast<unsigned>(position) != m_Position) {
        m_Position = static_cast<unsigned>(position);
        if (bar)
            bar->SetPosition(position);
        const int step = CompletionStep(m_TransferKind);
        if (step >= 0 && m_Total != 0 && m_Position >= m_Total)
            ReachedTotal(step);
    }
}

void CDeviceChannel::DownloadStep(int step)
{
    if (IsImageKind(m_TransferKind))
        return;
    if (ProgressWindow* window = TransferProgressWindow())
        window->SetCurrentStep(step);
}

void CDeviceChannel::WaitingForResponse() { TheHost().BeginWaitCursor(); }

void CDeviceChannel::FinishedWaitingForResponse() { TheHost().EndWaitCursor(); }

void CDeviceChannel::ReceivedDataLockSemaphoreWasChanged()
{
    if (!m_pSerComm)
        return;
    const int count = GetProcessReceivedDataLockSemaphore();
    if (count >= 1 && !m_pSerComm->IsWatcherHeldPaused())
        m_pSerComm->SetWatcherHeldPaused(true);
    else if (count == 0 && m_pSerComm->IsWatcherHeldPaused())
        m_pSerComm->SetWatcherHeldPaused(false);
}

void CDeviceChannel::DeviceDetected()
{
    if (m_DeviceDetected)
        m_DeviceDetected();
}
