// Application and boot-code downloads on the command processor.
//
// Every check that can refuse the image (size, signature, device type, application kind)
// runs before the first command that changes the reader (232WRD2!, ASYSTA, SETBOOTCODE...,
// the HModem start command): a refused image leaves the reader exactly as it was. Once the
// word format and ASYSTA have been changed they are put back whatever the transfer did.

#include "transfer/HCOMMAND_PROCESSOR.h"

#include "transfer/HCOMM.h"
#include "transfer/HMODEM.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/firmware/FirmwareImage.h"

#include <cstdio>
#include <span>
#include <string>

namespace {

constexpr unsigned char SYN = 0x16;
constexpr unsigned char CR = 0x0D;
constexpr unsigned char ACK = 0x06;
constexpr unsigned char NAK = 0x15;

constexpr int kApplicationTransfer = 1;
constexpr int kBootCodeTransfer = 3;

constexpr const char* kSuccess = "Successfully flashed ";
constexpr const char* kNotCompatible = "Binary code is not compatible with product";
constexpr const char* kNoDeviceType = "No response to device type query";
constexpr const char* kTypeMismatch = "Device type doesn't match binary code";
constexpr const char* kKindMismatch = "Application type doesn't match binary code";
constexpr const char* kUserTerminated = "HModem Download - User terminated download";
constexpr const char* kStorageFailed = "Application storage failed";
constexpr const char* kStorageTimeout = "HModem Download - Timeout waiting for device to complete storage";

const char* HModemFailureText(int result)
{
    switch (result) {
    case HMODEM_RECEIVER_UNRESPONSIVE: return "HModem Download - Timeout while waiting for reader response";
    case HMODEM_NO_START_CHARACTER: return "HModem Download - Reader not ready to receive data";
    case HMODEM_OTHER_SIDE_CANCELLED: return "HModem Download - Reader terminated download";
    case HMODEM_WE_CANCELLED: return kUserTerminated;
    default: return "HModem Download Error";
    }
}

std::string Formatted(const char* format, unsigned value)
{
    char text[160];
    std::snprintf(text, sizeof text, format, static_cast<int>(value));
    return text;
}

// A whole decimal number that fits the limits we can use; false for anything else.
bool WholeDecimal(const std::string& text, unsigned& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

bool WholeHex(const std::string& text, uint32_t& value)
{
    if (text.empty() || text.size() > 8)
        return false;
    value = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit < 0)
            return false;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return true;
}

std::string AsText(const HSTRING& s) { return std::string(s.Text(), s.Length()); }

HSTRING StartCommand(const char* name)
{
    HSTRING command(16);
    command.AppendByte(SYN);
    command.Append("N,");
    command.Append(name);
    command.AppendByte(CR);
    return command;
}

// What every download does around its work: the address prefix off, the received-data lock,
// the transfer kind and the download status window; all undone in reverse on the way out.
class DownloadScope {
public:
    DownloadScope(bool& addressing, HTRANSFER_STATUS* status, int kind)
        : addressing_(addressing), savedAddressing_(addressing), status_(status), lock_(status)
    {
        addressing_ = false;
        if (status_) {
            savedKind_ = status_->GetTransferKind();
            status_->SetTransferKind(kind);
            status_->PrepareDownloadStatus();
        }
    }
    ~DownloadScope()
    {
        if (status_) {
            status_->CloseDownloadStatus();
            status_->SetTransferKind(savedKind_);
        }
        addressing_ = savedAddressing_;
    }
    DownloadScope(const DownloadScope&) = delete;
    DownloadScope& operator=(const DownloadScope&) = delete;

private:
    bool& addressing_;
    bool savedAddressing_;
    HTRANSFER_STATUS* status_;
    HReceivedDataLock lock_;
    int savedKind_ = 0;
};

} // namespace

unsigned HCOMMAND_PROCESSOR::QuerySizeLimit(const char* tag, unsigned fallback)
{
    HSTRING reply(32);
    if (!QueryCommand(tag, &reply, true) || reply.Length() < 2 || reply[reply.Length() - 1] != ACK)
        return fallback;
    unsigned limit = 0;
    const std::string text(reply.Text(), reply.Length() - 1);
    return WholeDecimal(text, limit) ? limit : fallback;
}

bool HCOMMAND_PROCESSOR::QueryDeviceType(unsigned& type, bool& bootMode, bool& answered)
{
    type = 0;
    bootMode = false;
    HSTRING reply(32);
    answered = SendSynNCommand("DEVICETYPE", &reply);
    if (!answered)
        return false;
    std::string text = AsText(reply);
    text.pop_back(); // the CR that completed it
    std::string number;
    if (text.rfind("APP,", 0) == 0) {
        number = text.substr(4);
    } else if (text.rfind("BOOT,", 0) == 0) {
        number = text.substr(5);
        bootMode = true;
    } else {
        return false;
    }
    return WholeDecimal(number, type) && type > 0;
}

bool HCOMMAND_PROCESSOR::WaitForStorage(int confirmations, HSTRING& resultText)
{
    const unsigned storageSeconds = m_StorageWaitMs / 1000;
    const unsigned statusSeconds = m_StatusMessageWaitMs / 1000;
    unsigned limit = storageSeconds;
    m_Channel->ZeroElapsedTime();
    while (confirmations > 0 && m_Channel->ElapsedTime() < limit) {
        if (m_Status && !m_Status->MayContinue(0, 0, true)) {
            resultText.Copy(kUserTerminated);
            return false;
        }
        unsigned char byte = 0;
        unsigned got = 0;
        if (!m_Channel->Read(&byte, &got, 1, m_Channel->ReadTimeOut) || got != 1)
            continue;
        if (byte == ACK) {
            --confirmations;
        } else if (byte == NAK) {
            // The reader refused the image: a second confirmation will not come.
            resultText.Copy(kStorageFailed);
            ProcessPendingData();
            return false;
        } else {
            ClearStatusMessageArrived();
            const HSTRING first(&byte, 1);
            ProcessReceivedData(&first, false);
            if (StatusMessageArrived()) {
                // The reader says it is busy storing: from now on it must speak up more often.
                ClearStatusMessageArrived();
                limit = statusSeconds;
                m_Channel->ZeroElapsedTime();
            }
        }
    }
    if (confirmations > 0) {
        resultText.Copy(kStorageTimeout);
        return false;
    }
    return true;
}

bool HCOMMAND_PROCESSOR::CheckDownloadImage(const unsigned char* image, unsigned length, bool bootCode,
                                            FirmwareImageInfo& info, unsigned& deviceType, bool& bootMode,
                                            HSTRING& result)
{
    ProcessPendingData();
    if (m_Status)
        m_Status->DownloadStep(0);
    const char* what = bootCode ? "Boot code" : "Application";
    const unsigned limit = bootCode ? QuerySizeLimit("MSZBOT", kDefaultBootCodeLimit)
                                    : QuerySizeLimit("MSZAPP", kDefaultApplicationLimit);
    if (length > limit) {
        result.Copy((what + Formatted(" is too large; must not be greater than %d bytes", limit)).c_str());
        return false;
    }
    if (length == 0) {
        result.Copy((std::string(what) + " size must be greater than zero").c_str());
        return false;
    }
    const auto type = bootCode ? FirmwareImageType::BootCode : FirmwareImageType::Application;
    if (ParseFirmwareImage(std::span<const uint8_t>(image, length), type, info) != FirmwareImageStatus::Ok) {
        result.Copy(kNotCompatible);
        return false;
    }
    if (m_Status)
        m_Status->DownloadStep(1);
    bool answered = false;
    const bool typeRead = QueryDeviceType(deviceType, bootMode, answered);
    if (!answered) {
        result.Copy(kNoDeviceType);
        return false;
    }
    // An application names the device types it runs on; boot code goes only into a reader
    // that runs its application (the boot code it has is what would bring it back if this
    // went wrong) and is made for exactly that reader's type.
    const bool suits = bootCode ? !bootMode && deviceType == info.bootDeviceType : info.SupportsDeviceType(deviceType);
    if (!typeRead || !suits) {
        result.Copy(kTypeMismatch);
        return false;
    }
    return true;
}

bool HCOMMAND_PROCESSOR::DownloadApplication(const unsigned char* image, unsigned length, unsigned compressionMode,
                                             bool optionA, bool optionB, HSTRING* resultText)
{
    HSTRING scratch(128);
    HSTRING& result = resultText ? *resultText : scratch;
    result.Empty();
    if (!m_Channel || !m_Channel->IsPortAssigned())
        return false;
    DownloadScope scope(m_UseAddress, m_Status, kApplicationTransfer);
    result.Copy(kSuccess);
    FirmwareImageInfo info;
    unsigned deviceType = 0;
    bool bootMode = false;
    if (!CheckDownloadImage(image, length, false, info, deviceType, bootMode, result))
        return false;
    HSTRING reply(64);
    if (QueryCommand("APPMSK", &reply, true) && reply.Length() >= 1 && reply[reply.Length() - 1] == ACK) {
        uint32_t accepted = 0;
        const bool whole = WholeHex(std::string(reply.Text(), reply.Length() - 1), accepted);
        if (!whole || (info.kindMask != 0 && (info.kindMask & accepted) == 0)) {
            result.Copy(kKindMismatch);
            return false;
        }
    }

    // From here on the reader is changed; its word format and ASYSTA are kept to be put back.
    HSTRING savedWordFormat(32);
    HSTRING savedAsysta(32);
    SendAndWait("232WRD$!", &savedWordFormat);
    SendAndWait("232WRD2!", &reply);
    m_Channel->SwitchTo8BitTransferMode();
    SendAndWait("ASYSTA$!", &savedAsysta);
    SendAndWait(optionA ? "ASYSTA1!" : "ASYSTA0!", &reply);
    if (m_Status)
        m_Status->DownloadStep(2);

    int outcome = 0;
    {
        HMODEM modem(m_Channel, m_Status, this);
        const HSTRING start = StartCommand(optionB ? "NEWAPP" : "NEWAPPRAM");
        outcome = modem.Transmit(image, length, start.Data(), start.Length(), false, true, compressionMode);
    }
    bool ok = false;
    if (outcome == HMODEM_SUCCESS) {
        const int confirmations = !optionA ? 0 : (bootMode && info.bootAck ? 2 : 1);
        ok = WaitForStorage(confirmations, result);
    } else {
        result.Copy(HModemFailureText(outcome));
    }

    if (!bootMode) {
        // A reader that runs from RAM, or that was told not to confirm, may not answer yet.
        const bool waitForReplies = optionA && !info.ramOnly;
        for (const HSTRING* saved : { &savedAsysta, &savedWordFormat }) {
            if (saved->Length() == 0)
                continue; // never asked back: sending nothing beats sending a bare prefix
            if (waitForReplies)
                SendAndWait(*saved, &reply);
            else
                SendOnly(*saved);
        }
        m_Channel->RevertFrom8BitTransferMode();
    }
    return ok;
}

bool HCOMMAND_PROCESSOR::DownloadBootCode(const unsigned char* image, unsigned length, unsigned compressionMode,
                                          bool waitForReader, HSTRING* resultText)
{
    HSTRING scratch(128);
    HSTRING& result = resultText ? *resultText : scratch;
    result.Empty();
    if (!m_Channel || !m_Channel->IsPortAssigned())
        return false;
    DownloadScope scope(m_UseAddress, m_Status, kBootCodeTransfer);
    result.Copy(kSuccess);
    FirmwareImageInfo info;
    unsigned deviceType = 0;
    bool bootMode = false;
    if (!CheckDownloadImage(image, length, true, info, deviceType, bootMode, result))
        return false;

    if (m_Status)
        m_Status->DownloadStep(2);
    HSTRING reply(32);
    SendSynNCommand("SETBOOTCODEDOWNLOADMODE", &reply);
    HMODEM modem(m_Channel, m_Status, this);
    const HSTRING start = StartCommand("NEWBOOT");
    const int outcome = modem.Transmit(image, length, start.Data(), start.Length(), waitForReader, true, compressionMode);
    if (outcome != HMODEM_SUCCESS) {
        result.Copy(HModemFailureText(outcome));
        return false;
    }
    return true;
}
