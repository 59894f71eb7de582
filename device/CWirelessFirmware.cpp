// Firmware loading of the cordless base and scanner: new firmware starts with factory radio
// settings, so the base id and radio country code are read before the flash and written back
// once the reader is found again. A reader whose settings cannot be read is not flashed.

#include "device/CRFBaseDevice.h"
#include "device/CRFScannerDevice.h"
#include "device/CSerComm.h"
#include "platform/Host.h"
#include "transfer/HTRANSFER_STATUS.h"

#include <chrono>
#include <thread>

namespace {

constexpr unsigned kReplyMs = 1000;
constexpr int kConnectAttempts = 3;

// Busy wait that keeps the windows alive.
void Pause(unsigned milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        PumpWaitingMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::unique_ptr<ProgressWindow> OpenWindow(const std::string& title, std::initializer_list<const char*> steps)
{
    std::unique_ptr<ProgressWindow> window = TheHost().CreateProgressWindow();
    if (!window)
        return window;
    window->SetTitle(title);
    int n = 0;
    for (const char* step : steps)
        window->SetStepText(n++, step);
    window->Show();
    window->SetCurrentStep(0);
    return window;
}

} // namespace

// The saved query reply as a set command: its status byte and terminator become ".".
bool CWirelessDevice::WriteBackRadioSetting(const std::string& savedReply)
{
    std::string ignored;
    SendCommandAndWait("QxRcCd.", ignored, kReplyMs);
    const std::string command = savedReply.substr(0, savedReply.size() - 2) + ".";
    std::string reply;
    // Only an exchange that completed without ACK counts as refused.
    if (SendCommandAndWait(command, reply, kReplyMs) && ReplyComplete(reply) && reply.size() >= 2
        && reply[reply.size() - 2] != ACK)
        return false;
    return true;
}

bool CWirelessDevice::ReadRadioSetting(const char* query, std::string& reply)
{
    // A reader that refuses the query (ENQ, NAK) gave no value to write back either.
    return SendCommandAndWait(query, reply, kReplyMs) && ReplyComplete(reply) && reply.size() >= 2
        && reply[reply.size() - 2] == ACK;
}

bool CRFBaseDevice::FlashHexFile(const std::string& path, std::string& resultText)
{
    HReceivedDataLock lock(this);
    const std::string name = path.substr(path.find_last_of('/') + 1);
    std::unique_ptr<ProgressWindow> window = OpenWindow("Writing " + name + " to device.",
        { "Determining Base ID & Radio Country Code", "Writing Firmware File to Device", "Pausing for base to reset",
          "Auto Detecting Device", "Writing Base ID and Radio Country Code to Device" });
    auto step = [&window](int n) { if (window) window->SetCurrentStep(n); };

    std::string baseId, radioCode;
    if (!ReadRadioSetting("BASEID?.", baseId)) {
        resultText = "Did not read a valid Base ID, attempt to reflash.\rIf problem persists, contact program vendor.";
        return false;
    }
    if (!ReadRadioSetting("RADCOD?.", radioCode)) {
        resultText = "Did not read a valid radio country code, attempt to reflash or contact program vendor.";
        return false;
    }
    step(1);
    if (window)
        window->Hide();
    bool result = CDevice::FlashHexFile(path, resultText);

    if (window) {
        window->Show();
        window->SetCurrentStep(2);
        window->SetRange(10);
        window->SetPosition(0);
    }
    for (int i = 1; i <= 10; ++i) {
        Pause(500);
        if (window)
            window->SetPosition(i);
    }
    if (!m_pSerComm
        || m_pSerComm->OpenPort(m_pSerComm->BuildSettingsString(38400, 'N', 8, 1)) != CSerComm::kOpenOk) {
        resultText = "Unable to reopen com port for reconnect process";
        return false;
    }
    SendCommandNoWait("KESTRL.");
    Pause(500);
    step(3);
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        std::string settings;
        ProgressWindow* line = window.get();
        if (Connect(settings, [line](const std::string& text) { if (line) line->SetStepText(3, text); }) != kConnected)
            continue;
        step(4);
        if (!WriteBackRadioSetting(baseId)) {
            resultText = "Did not write a valid Base ID back to the base.  Please contact program vendor.";
            result = false;
        }
        if (!WriteBackRadioSetting(radioCode)) {
            resultText = "Did not write a valid radio country code back to the base.  Please contact program vendor.";
            result = false;
        }
        return result;
    }
    resultText = "Unable to connect after flash completed. \nDevice may have incorrect base id or radio country code";
    return false;
}

bool CRFScannerDevice::FlashHexFile(const std::string& path, std::string& resultText)
{
    HReceivedDataLock lock(this);
    const std::string name = path.substr(path.find_last_of('/') + 1);
    std::unique_ptr<ProgressWindow> window = OpenWindow("Writing " + name + " to device.",
        { "Determining Radio Country Code", "Writing Firmware File to Device", "Auto Detecting Device",
          "Writing Radio Country Code to Device" });
    auto step = [&window](int n) { if (window) window->SetCurrentStep(n); };

    std::string radioCode;
    if (!ReadRadioSetting("RADCOD?.", radioCode)) {
        resultText = "Did not read a valid radio country code, attempt to reflash.\rIf problem persists, contact "
                     "program vendor.";
        return false;
    }
    step(1);
    if (window)
        window->Hide();
    bool result = CDevice::FlashHexFile(path, resultText);
    if (window)
        window->Show();
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        ShowMessage("A connection to the device is going to occur. Press and hold the trigger during this phase to "
                    "enable the device to connect");
        step(2);
        std::string settings;
        if (Connect(settings) != kConnected)
            continue;
        step(3);
        if (!WriteBackRadioSetting(radioCode)) {
            resultText = "Did not write a valid radio country code back to the scanner, please contact program vendor.";
            result = false;
        }
        return result;
    }
    resultText = "Unable to connect after flash completed. \nDevice may have incorrect radio country code";
    return false;
}
