// Firmware loading for every device class: finding the reader and making the device object
// of its class, the hex file dialog, and the record-by-record hex flash with its retries.
// The binary downloads of the matrix classes build on the same search (CMatrixFirmware.cpp).

#include "device/CDevice.h"
#include "device/CSerComm.h"
#include "device/DeviceFactory.h"
#include "device/FirmwareFolders.h"
#include "platform/Host.h"
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HSTRING.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/firmware/FirmwareFileReader.h"
#include "transfer/firmware/IntelHexFile.h"

#include <map>
#include <vector>

namespace {

constexpr const char* kSearching = "Searching for Device...";
constexpr const char* kNoDevice = "No Device Detected.  Cancelling Firmware Load.";
constexpr const char* kUnknownDevice = "Unknown Device.  Cancelling Firmware Load.";
constexpr const char* kSuccess = "Successfully flashed ";
constexpr const char* kFailedStart = "Failed to flash ";
constexpr const char* kFailedEnd = " into device\r\n";
constexpr const char* kNoPort = "Unable to open the comm port";
constexpr const char* kIncompatible = "The selected file is incompatible with the connected device";
constexpr const char* kCorrupt = "The selected file is corrupt";
constexpr const char* kNoResponse = "Device failed to respond to commands";
constexpr const char* kCommError = "Error communicating with device";
constexpr const char* kRetryText = "Communication error occurred during flash operation. \r\n\r\n"
                                   "WARNING: Canceling the flash operation could leave the \r\n"
                                   "\t    unit in an inoperable state.  Please check  \r\n"
                                   "\t    your serial cable connection and retry.";
constexpr const char* kHexFilter = "Intel hex files (*.hex)";
constexpr const char* kFlashTitle = "Select File to be Flashed Into Unit";

constexpr unsigned kEorDrainMs = 50;
constexpr unsigned kEnterFlashDrainMs = 500;
constexpr unsigned kRecordAckMs = 6000;
constexpr int kFailuresBeforeAsking = 3;
constexpr uint8_t kRecordAccepted = 0x06;
constexpr uint8_t kRecordAcceptedAlso = 0xFE;

class MemoryFolders final : public FirmwareFolders {
public:
    std::string Get(const std::string& name) override { return folders_[name]; }
    void Set(const std::string& name, const std::string& folder) override { folders_[name] = folder; }

private:
    std::map<std::string, std::string> folders_;
};

MemoryFolders gMemoryFolders;
FirmwareFolders* gFolders = &gMemoryFolders;

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

FirmwareFolders& TheFirmwareFolders() { return *gFolders; }
void InstallFirmwareFolders(FirmwareFolders* folders) { gFolders = folders ? folders : &gMemoryFolders; }

bool CDevice::ChooseFirmwareFile(const char* filter, const char* title, const char* folderName, std::string& path)
{
    FileRequest request;
    request.kind = FileDialogKind::Open;
    request.title = title;
    request.filter = filter;
    request.initialPath = TheFirmwareFolders().Get(folderName);
    if (!TheHost().ChooseFile(request, path))
        return false;
    TheFirmwareFolders().Set(folderName, FolderOf(path));
    return true;
}

// ---- finding the reader -------------------------------------------------------------------------

std::unique_ptr<CDevice> CDevice::FindDeviceForFirmware(std::string& resultText)
{
    // A firmware load is a fresh start: an Escape from before must not cancel it.
    SetUserAbort(false);
    const bool connected = m_pSerComm && m_pSerComm->IsOpen() && m_DeviceName.catalogRow >= 0
        && m_DeviceName.revision != CDeviceName::kChosenByHand;
    std::unique_ptr<ProgressWindow> window;
    if (!connected) {
        window = TheHost().CreateProgressWindow();
        if (window) {
            window->SetTitle(kSearching);
            window->Show();
        }
        std::string settings;
        ProgressWindow* line = window.get();
        const int result = Connect(
            settings, [line](const std::string& text) { if (line) line->SetStepText(1, text); }, window.get());
        if (result != kConnected) {
            if (!UserAbortRequested())
                resultText = kNoDevice;
            return nullptr;
        }
    }
    if (UserAbortRequested())
        return nullptr;
    const DeviceClassKind kind = m_DeviceName.ChooseDeviceClass();
    std::unique_ptr<CDevice> device = CreateDevice(kind, m_pSerComm);
    if (!device) {
        resultText = kUnknownDevice;
        return nullptr;
    }
    device->m_DeviceName = m_DeviceName;
    device->m_LinkCode = m_LinkCode;
    device->m_EorText = m_EorText;
    device->m_UseCts = m_UseCts;
    // The new object goes on with what this one's command processor learnt of the reader
    // (its device type, whether it runs boot code, the address switch), on its own channel.
    auto handler = std::make_unique<HCOMMAND_PROCESSOR>(*m_pCommandHandler);
    handler->Rebind(device.get(), device.get());
    device->m_pCommandHandler = std::move(handler);
    if (window)
        window->Hide();
    return device;
}

bool CDevice::LoadFirmwareEx(std::string& resultText, int compressionMode, bool* hexPath, bool optionA, bool optionB)
{
    UserOperation operation;
    resultText.clear();
    std::unique_ptr<CDevice> device = FindDeviceForFirmware(resultText);
    if (!device)
        return false;
    return device->LoadFirmwareFromFile(resultText, compressionMode, hexPath, optionA, optionB);
}

bool CDevice::LoadBootCodeEx(std::string& resultText, int compressionMode, bool waitForReader)
{
    UserOperation operation;
    resultText.clear();
    std::unique_ptr<CDevice> device = FindDeviceForFirmware(resultText);
    if (!device)
        return false;
    return device->LoadBootCodeFromFile(resultText, compressionMode, waitForReader);
}

bool CDevice::LoadFirmwareFromFile(std::string& resultText, int, bool* hexPath, bool, bool)
{
    if (hexPath)
        *hexPath = true;
    resultText.clear();
    std::string path;
    if (!ChooseFirmwareFile(kHexFilter, kFlashTitle, kInitFlashDir, path))
        return false;
    return FlashHexFile(path, resultText);
}

// ---- hex record flashing ------------------------------------------------------------------------

bool CDevice::HexFileSuitsDevice(const std::string& path)
{
    // A file named after a revision text ("QX80001005-013.hex") names its model; it must be
    // one this class takes. Other names say nothing about the model and pass.
    CDeviceName named;
    named.ParseRevision(FileNameOf(path));
    return named.catalogRow < 0 || IsCompatible(named);
}

bool CDevice::FlashHexFile(const std::string& path, std::string& resultText)
{
    const std::string name = FileNameOf(path);
    const std::string failed = std::string(kFailedStart) + name + kFailedEnd;
    resultText = kSuccess + name;
    if (!m_pSerComm) {
        resultText = failed + kNoPort;
        return false;
    }
    HReceivedDataLock lock(this);
    WaitCursor busy;
    std::unique_ptr<ProgressWindow> window = TheHost().CreateProgressWindow();
    auto step = [&window](int n) { if (window) window->SetCurrentStep(n); };
    if (window) {
        window->SetTitle("Writing " + name + " to device.");
        window->SetStepText(0, "Verifying Compatibility of Connected Device");
        window->SetStepText(1, "Verifying Integrity of Firmware File");
        window->SetStepText(2, "Writing Firmware File to Device");
        window->Show();
    }
    step(0);
    auto fail = [&](const char* why) {
        resultText = failed + why;
        if (window)
            window->Hide();
        return false;
    };
    if (!HexFileSuitsDevice(path))
        return fail(kIncompatible);

    step(1);
    std::vector<uint8_t> file;
    if (ReadFirmwareFile(path, file) != FirmwareFileRead::Ok)
        return fail(kCorrupt);
    if (window)
        window->SetRange(static_cast<int>(file.size() / 100));
    IntelHexImage image;
    // The whole file is checked before the reader is touched: a reader left in its loader
    // with half an image is worse off than one that got nothing.
    if (!ParseIntelHex(file, image))
        return fail(kCorrupt);
    if (window)
        window->SetPosition(static_cast<int>(file.size() / 100));

    std::string enterFlash, flashSettings, afterFlash;
    if (!GetFlashLineSetup(enterFlash, flashSettings, afterFlash)) {
        // A reader that answered the probe but neither its identity nor the flash rate query,
        // and whose model the user named, is taken to be one an interrupted flash left in its
        // loader: the loader listens on the line it answered on and takes records as they come.
        if (m_DeviceName.revision != CDeviceName::kChosenByHand || !m_pSerComm->GetCurrentSettings(flashSettings))
            return fail(kNoResponse);
        enterFlash.clear();
        afterFlash = std::string { SYN, 'I', CR };
    }
    m_pSerComm->WriteByte(EorByte());
    m_pSerComm->DrainInput(kEorDrainMs);
    m_pSerComm->WriteText(enterFlash);
    m_pSerComm->DrainInput(kEnterFlashDrainMs);
    if (m_pSerComm->OpenPort(flashSettings) != CSerComm::kOpenOk)
        return fail(kNoPort);

    step(2);
    const unsigned total = static_cast<unsigned>(image.bytes.size());
    if (window) {
        window->SetRange(static_cast<int>(total / 100));
        window->SetPosition(0);
    }
    unsigned sent = 0;
    for (std::size_t i = 0; i < image.RecordCount(); ++i) {
        const auto record = image.Record(i);
        int failures = 0;
        for (;;) {
            HSTRING out(record.data(), static_cast<unsigned>(record.size()), false, true, true);
            Write(&out);
            uint8_t answer = 0;
            unsigned got = 0;
            if (Read(&answer, &got, 1, kRecordAckMs) && got == 1
                && (answer == kRecordAccepted || answer == kRecordAcceptedAlso))
                break;
            if (++failures < kFailuresBeforeAsking)
                continue;
            if (TheHost().MessageBox(kRetryText, "", MsgButtons::RetryCancel, MsgIcon::Warning) != MsgAnswer::Retry)
                return fail(kCommError);
            failures = 0;
        }
        sent += static_cast<unsigned>(record.size());
        if (window)
            window->SetPosition(static_cast<int>(sent / 100));
        PumpWaitingMessages();
        if (image.RecordType(i) == HexEndOfFile) {
            if (window)
                window->SetPosition(static_cast<int>(total / 100));
            break;
        }
    }
    if (!afterFlash.empty())
        m_pSerComm->WriteText(afterFlash);
    if (window)
        window->Hide();
    return true;
}
