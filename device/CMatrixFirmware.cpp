// Binary firmware for the matrix classes: application images and boot code, each chosen in
// the firmware file dialog and sent by the command processor over HModem.

#include "device/CMatrixDevice.h"

#include "device/CSerComm.h"
#include "device/FirmwareFolders.h"
#include "platform/Host.h"
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HSTRING.h"
#include "transfer/firmware/FirmwareFileReader.h"

#include <memory>
#include <vector>

namespace {

constexpr const char* kBinaryFilter = "Binary files (*.bin,*.axf)";
constexpr const char* kFlashTitle = "Select File to be Flashed Into Unit";
constexpr const char* kBootTitle = "Select Boot Code File to be Flashed Into Unit";
constexpr const char* kNoPort = "Failed to flash file into device\r\nUnable to open the comm port";
constexpr const char* kBootWarning = "Boot downloading is dangerous!!  If anything goes wrong in this process, your "
                                     "reader will be permanently disabled.\r\n\r\nDo you really want to continue?";
constexpr const char* kBootWarningAgain = "Are you sure that you really want to do this?";

// The window lent to the channel for a download, taken back however the download ends.
class LentWindow {
public:
    LentWindow(CDeviceChannel& channel, ProgressWindow* window) : channel_(channel)
    {
        channel_.SetTransferProgressWindow(window);
    }
    ~LentWindow() { channel_.SetTransferProgressWindow(nullptr); }
    LentWindow(const LentWindow&) = delete;
    LentWindow& operator=(const LentWindow&) = delete;

private:
    CDeviceChannel& channel_;
};

} // namespace

bool CMatrixDevice::LoadFirmwareFromFile(std::string& resultText, int compressionMode, bool* hexPath, bool optionA,
                                         bool optionB)
{
    if (hexPath)
        *hexPath = false;
    return DownloadBinaryFile(resultText, false, compressionMode, optionA, optionB, false);
}

bool CMatrixDevice::LoadBootCodeFromFile(std::string& resultText, int compressionMode, bool waitForReader)
{
    resultText.clear();
    for (const char* warning : { kBootWarning, kBootWarningAgain })
        if (TheHost().MessageBox(warning, "", MsgButtons::OkCancel, MsgIcon::Warning, 1) != MsgAnswer::Ok)
            return false;
    return DownloadBinaryFile(resultText, true, compressionMode, true, true, waitForReader);
}

bool CMatrixDevice::DownloadBinaryFile(std::string& resultText, bool bootCode, int compressionMode, bool optionA,
                                       bool optionB, bool waitForReader)
{
    resultText.clear();
    if (!m_pSerComm) {
        resultText = kNoPort;
        return false;
    }
    std::string path;
    if (!ChooseFirmwareFile(kBinaryFilter, bootCode ? kBootTitle : kFlashTitle,
                            bootCode ? kInitBootFlashDir : kInitFlashDir, path))
        return false;

    WaitCursor busy;
    std::unique_ptr<ProgressWindow> window = TheHost().CreateProgressWindow();
    if (window) {
        window->SetTitle("Writing " + path + " to device.");
        window->SetStepText(0, "Verifying Integrity of Firmware File");
        window->SetStepText(1, "Verifying Compatibility of Connected Device");
        window->SetStepText(2, "Writing Firmware File to Device");
        window->SetStepText(3, "Waiting For Device To Flash Firmware File");
        window->Show();
        window->SetCurrentStep(0);
    }
    LentWindow lent(*this, window.get());

    std::vector<uint8_t> image;
    switch (ReadFirmwareFile(path, image)) {
    case FirmwareFileRead::OpenError: resultText = "Error opening " + path; break;
    case FirmwareFileRead::ReadError: resultText = "Error reading " + path; break;
    case FirmwareFileRead::Ok: break;
    }
    bool ok = false;
    if (resultText.empty()) {
        HSTRING text(128);
        const auto length = static_cast<unsigned>(image.size());
        const auto mode = static_cast<unsigned>(compressionMode);
        ok = bootCode ? m_pCommandHandler->DownloadBootCode(image.data(), length, mode, waitForReader, &text)
                      : m_pCommandHandler->DownloadApplication(image.data(), length, mode, optionA, optionB, &text);
        resultText.assign(text.Text(), text.Length());
    }
    if (window)
        window->Hide();
    return ok;
}
