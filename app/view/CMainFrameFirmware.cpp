// The main window's firmware commands: "Write New Firmware into Device", the privileged
// "Write New Boot Code into Device" and the start-up choice's "Flash Firmware". All load with
// the user's compression preference; the result text, when there is one, is shown in a box.

#include "app/UserPreferences.h"
#include "app/view/CKestrelApp.h"
#include "app/view/CMainFrame.h"
#include "device/CDevice.h"
#include "device/FirmwareFolders.h"
#include "document/CQLMenuDoc.h"
#include "platform/Host.h"
#include "platform/SettingsStore.h"

namespace {

// The file dialogs' folders live in the user's settings ("Settings" section).
class StoredFirmwareFolders final : public FirmwareFolders {
public:
    StoredFirmwareFolders(SettingsStore& store, std::string key) : store_(store), key_(std::move(key)) { }
    std::string Get(const std::string& name) override { return store_.GetString(Hive::CurrentUser, key_, name, ""); }
    void Set(const std::string& name, const std::string& folder) override
    {
        store_.WriteString(Hive::CurrentUser, key_, name, folder);
    }

private:
    SettingsStore& store_;
    std::string key_;
};

} // namespace

bool CMainFrame::LoadFirmwareIntoDevice(bool bootCode)
{
    StoredFirmwareFolders folders(app_.Store(), UserPreferences::SettingsKey(app_.Startup().Vendor().companyRegKey));
    InstallFirmwareFolders(&folders);
    // The document's device object when there is one (it knows the reader already), else one
    // that searches the port first.
    CDevice* device = document_.Device();
    CDevice searcher(&app_.Port());
    if (!device) {
        searcher.SetEorText(app_.Preferences().eorCharacter);
        device = &searcher;
    }
    std::string result;
    const int compression = app_.Preferences().codeCompression;
    // The reader says nothing more once the boot code is in, so the transfer's end is its end.
    const bool ok = bootCode ? device->LoadBootCodeEx(result, compression, false)
                             : device->LoadFirmwareEx(result, compression, nullptr, true, true);
    InstallFirmwareFolders(nullptr);
    if (!result.empty())
        ShowMessage(result);
    return ok;
}

void CMainFrame::FlashFirmware() { LoadFirmwareIntoDevice(); }

void CMainFrame::WriteNewFirmware()
{
    if (!document_.ValidationGate())
        return;
    LoadFirmwareIntoDevice();
    ShowStartupChoice();
}

void CMainFrame::WriteNewBootCode()
{
    if (!document_.ValidationGate())
        return;
    LoadFirmwareIntoDevice(true);
    ShowStartupChoice();
}
