#include "document/CQLMenuDoc.h"

#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "device/CSerComm.h"
#include "device/DeviceFactory.h"
#include "document/CTabManager.h"
#include "document/DocumentFrame.h"
#include "document/PageControls.h"
#include "document/TextMeasurer.h"
#include "platform/Archive.h"
#include "platform/AtomicFile.h"
#include "platform/Host.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {

constexpr const char* kUnknownDeviceConnect = "Unknown Device, Cannot Connect";
constexpr const char* kNotInitialized = "Device Not Initialized, Cannot Connect";
constexpr const char* kUnknownDeviceOffline = "Unknown Device, Cannot Perform Offline Configure";
constexpr const char* kUnknownDeviceLoad = "Unknown Device, Cannot Save File";
constexpr const char* kRangeMessage = "Please enter a value between %d and %d";
constexpr const char* kTableNotSet
    = "Did not set table number correctly, settings will not be correctly written. "
      "Please try again or contact program vendor.";
constexpr const char* kNotAllWritten
    = "ERROR - Not all changes were written to the device. If any values on the Communications tab were "
      "changed, "
      "these values may not have been successfully written. Please check the Communication tab.";
constexpr const char* kAllWritten = "Changes successfully written to the device.";
constexpr const char* kProductIdDiffers
    = "Connected device product ID is not compatible with the menus displayed.  Send commands anyway?";
constexpr const char* kNotCompatible
    = "Connected device is not compatible with the menus displayed. Send commands anyway?";
constexpr const char* kCommandSent = "Command successfully sent to the device.";
constexpr const char* kCommandNotSent
    = "Did not send command. Please ensure the device is connected, pull trigger, then retry.";
constexpr const char* kDamagedFile = "The file could not be read. It is damaged or incomplete: ";
constexpr const char* kTableSeparator = "----------------";

// Block settings whose write is preceded by the block's defaults command, so the reader
// drops the old entries before it takes the new ones.
constexpr const char* kDefaultedBlocks[]
    = { "PREBLK", "SUFBLK", "DFMBLK", "AXPBLK", "AXSBLK", "AXDBLK", "SEQBLK" };
// String blocks that are cleared ("00") before they are written.
constexpr const char* kResetStringBlocks[] = { "OCRTMP", "OCRGPI", "OCRGPJ", "OCRCHK" };

constexpr unsigned kButtonReplyMs = 5000;

std::string GroupTableName(int table)
{
    return "Group Table " + std::to_string(table);
}

bool IsEditType(const std::string& type)
{
    return type == ControlType::Edit || type == ControlType::EditReadOnly || type == ControlType::Block
        || type == ControlType::BlockString;
}

bool IsRadioType(const std::string& type)
{
    return type == ControlType::Radio1 || type == ControlType::Radio2;
}

template <size_t N> bool IsOneOf(const std::string& tag, const char* const (&list)[N])
{
    return std::any_of(std::begin(list), std::end(list), [&tag](const char* item) { return tag == item; });
}

// Two %d fields, filled in order.
std::string FormatRange(int minimum, int maximum)
{
    std::string text = kRangeMessage;
    const size_t first = text.find("%d");
    text.replace(first, 2, std::to_string(minimum));
    const size_t second = text.find("%d", first);
    text.replace(second, 2, std::to_string(maximum));
    return text;
}

// The leading signed decimal number of a field, as a 64-bit value: blanks skipped, 0 when
// there is no number, and a number too long for 64 bits saturates (so it is out of any
// range rather than wrapped into one).
long long ParseInt64(const std::string& text)
{
    errno = 0;
    return std::strtoll(text.c_str(), nullptr, 10);
}

std::unique_ptr<ProgressWindow> OpenProgress(const std::string& title, const std::vector<std::string>& steps)
{
    std::unique_ptr<ProgressWindow> window = TheHost().CreateProgressWindow();
    if (!window) return window;
    window->SetTitle(title);
    for (size_t i = 0; i < steps.size(); ++i)
        window->SetStepText(static_cast<int>(i), steps[i]);
    window->Show();
    return window;
}

} // namespace

CQLMenuDoc::CQLMenuDoc(DocumentEnvironment environment)
    : env_(std::move(environment))
{
    if (!env_.measurer) {
        ownMeasurer_ = std::make_unique<FixedTextMeasurer>();
        env_.measurer = ownMeasurer_.get();
    }
}

CQLMenuDoc::~CQLMenuDoc() = default;

const TabDefinitions& CQLMenuDoc::Definitions() const
{
    return env_.definitions ? *env_.definitions : TheTabDefinitions();
}

// ---- document life ---------------------------------------------------------------------------

void CQLMenuDoc::ClearDocument()
{
    device_.reset();
    bindings_.clear();
    pages_.clear();
    helpTable_.clear();
    // Whatever file the old contents came from, the document no longer holds them: saving
    // now must ask for a name, and the chooser and panes must not describe the old reader.
    MakeUntitled();
    chosenTable_ = 0;
    if (frame_) {
        frame_->FillTableChooser({}, -1, false);
        frame_->PagesRebuilt();
    }
    UpdateStatusPanes();
}

void CQLMenuDoc::MakeUntitled()
{
    title_ = kUntitled;
    modified_ = false;
    if (frame_) {
        frame_->SetTitle(title_);
        frame_->BecameUntitled();
    }
}

void CQLMenuDoc::InstallDevice(std::unique_ptr<CDevice> device)
{
    ClearDocument();
    if (!env_.catalogPath.empty() && !TheDeviceCatalog().Load(env_.catalogPath))
        ShowMessage("The device data file is corrupt or not found: " + env_.catalogPath
            + ". Please contact program vendor.");
    device_ = std::move(device);
    device_->SetEorText(env_.eorCharacter);
}

bool CQLMenuDoc::NewDocumentForClass(DeviceClassKind kind)
{
    std::unique_ptr<CDevice> device = CreateDevice(kind, env_.port);
    if (!device) {
        ClearDocument();
        return false;
    }
    InstallDevice(std::move(device));
    return true;
}

bool CQLMenuDoc::BuildTabViews(ProgressWindow* progress, int firstStep)
{
    bindings_.clear();
    pages_.clear();
    helpTable_.clear();
    if (!device_) return false;
    WaitCursor cursor;
    // The pages fill the window as it is now, not as the screen was at start-up.
    int width = env_.clientWidth;
    int height = env_.clientHeight;
    if (controls_ && controls_->PageArea(width, height)) {
        env_.clientWidth = width;
        env_.clientHeight = height;
    }
    CTabManager manager(*env_.measurer, width, height);
    std::optional<std::vector<PageTemplate>> pages
        = manager.BuildPages(*device_, Definitions(), progress, firstStep, bindings_);
    if (pages) pages_ = std::move(*pages);
    for (const ControlBinding& binding : bindings_) {
        if (helpTable_.size() == kMaxHelpBindings) break;
        helpTable_.emplace_back(binding.controlId, binding.helpId);
    }
    helpTable_.emplace_back(0, 0);
    if (frame_) frame_->PagesRebuilt();
    RefreshViews();
    const std::vector<std::string>& dropped = device_->Blocks().GetDroppedFragments();
    if (!dropped.empty())
        TheHost().SetStatusText("Skipped block pieces that are no records: " + dropped.front()
            + (dropped.size() > 1 ? " and " + std::to_string(dropped.size() - 1) + " more" : std::string()));
    UpdateStatusPanes();
    return pages.has_value();
}

void CQLMenuDoc::RefreshViews()
{
    // The block fields show what their records will write, whatever changed the records.
    if (device_) device_->Blocks().StoreBlockValues(*device_);
    if (device_ && controls_) CTabManager::RefreshControls(bindings_, *device_, *controls_);
    if (frame_) frame_->ValuesChanged();
}

// ---- connect and offline -----------------------------------------------------------------------

bool CQLMenuDoc::Connect()
{
    UserOperation operation;
    std::unique_ptr<ProgressWindow> progress = OpenProgress("Connecting To Device",
        { "Auto Baud Detection", "Get Ranges and Defaults", "Checking For Unknown Device Settings",
            "Building Tab Views" });
    // The reader is found, identified and read into device objects of their own; the open
    // document is replaced only once a complete configuration has arrived. A reader that
    // vanishes half way, or a read the user stops, leaves the document (and its unsaved
    // changes) as it was.
    std::unique_ptr<CDevice> finder = CreateDevice(DeviceClassKind::CDevice, env_.port);
    finder->SetEorText(env_.eorCharacter);
    if (progress) progress->SetCurrentStep(0);
    std::string settings;
    const int connected = finder->Connect(settings, {}, progress.get());
    if (connected != CDevice::kConnected) return false;
    if (progress) progress->SetStepText(0, finder->LastStatusText());
    const DeviceClassKind kind = finder->DeviceName().ChooseDeviceClass();
    if (kind == DeviceClassKind::None) {
        ShowMessage(kUnknownDeviceConnect);
        return false;
    }
    std::unique_ptr<CDevice> fresh = CreateDevice(kind, env_.port);
    fresh->SetEorText(env_.eorCharacter);
    fresh->TakeLinkCodeFrom(*finder);
    if (!fresh->Initialize()) {
        ShowMessage(kNotInitialized);
        return false;
    }
    // The class may come from a row the user picked by hand for a reader the catalog does
    // not know; the new device object identifies the reader again and finds no row, so the
    // user's choice is carried over.
    CDeviceName& own = fresh->DeviceName();
    if (own.catalogRow < 0 && finder->DeviceName().catalogRow >= 0) {
        own.catalogRow = finder->DeviceName().catalogRow;
        own.UpdateDeviceId();
    }
    CDeviceName entry;
    entry.CopyIdentity(own);
    entry.UpdateDeviceId();
    if (fresh->HasTables()) fresh->GetTableCount(entry.revision == CDeviceName::kChosenByHand);
    if (progress) progress->SetCurrentStep(1);
    if (!fresh->ReadAllSettings(Definitions(), progress.get(), env_.excludedCommands)) return false;

    InstallDevice(std::move(fresh));
    entry_ = entry;
    FillTableChooser(false);
    BuildTabViews(progress.get(), 2);
    modified_ = false;
    title_ = kUntitled;
    if (frame_) frame_->SetTitle(title_);
    return true;
}

bool CQLMenuDoc::DetectNewDevice()
{
    WaitCursor cursor;
    if (Connect()) return true;
    ShowMessage(kUnableToConnect);
    if (frame_) frame_->ShowStartupChoice();
    return false;
}

void CQLMenuDoc::FillTableChooser(bool askDevice)
{
    if (!device_) return;
    std::vector<std::string> items;
    if (device_->HasTables()) {
        const int count = askDevice ? device_->GetTableCount(IsOffline())
                                    : std::clamp(device_->TableCount(), 1, CDeviceSetting::kMaxTables);
        for (int table = 0; table < count; ++table)
            items.push_back(GroupTableName(table));
        chosenTable_ = device_->CurrentTable();
        if (frame_) frame_->FillTableChooser(items, chosenTable_, true);
        return;
    }
    chosenTable_ = device_->CurrentTable();
    if (frame_) frame_->FillTableChooser(items, -1, false);
}

void CQLMenuDoc::OnTableChosen(int table)
{
    if (!device_) return;
    CollectValues();
    chosenTable_ = table;
    if (table == device_->CurrentTable()) return;
    if (device_->SelectTable(table, IsOffline())) BuildTabViews(nullptr, 0);
}

bool CQLMenuDoc::ShowTable(int table)
{
    if (!device_ || table < 0 || table >= std::clamp(device_->TableCount(), 1, CDeviceSetting::kMaxTables))
        return false;
    CollectValues();
    chosenTable_ = table;
    if (table != device_->CurrentTable()) {
        device_->SetCurrentTable(table);
        BuildTabViews(nullptr, 0);
    }
    return true;
}

bool CQLMenuDoc::OfflineConfigure()
{
    if (!ValidationGate()) return false;
    CDeviceName chosen;
    if (!chosen.ChooseDevice()) return false;
    entry_ = chosen;
    const DeviceClassKind kind = entry_.ChooseDeviceClass();
    if (kind == DeviceClassKind::None) {
        ShowMessage(kUnknownDeviceOffline);
        return false;
    }
    NewDocumentForClass(kind);
    modified_ = false;
    title_ = kUntitled;
    if (frame_) frame_->SetTitle(title_);
    std::unique_ptr<ProgressWindow> progress = OpenProgress("Preparing for Offline Configuration",
        { "Reading in the Default Configuration", "Checking For Unknown Device Settings",
            "Building Tab Views" });
    device_->DeviceName() = entry_;
    FillTableChooser();
    if (progress) progress->SetCurrentStep(0);
    if (!device_->BuildOfflineSettings(Definitions(), progress.get(), env_.excludedCommands)) return false;
    BuildTabViews(progress.get(), 1);
    return true;
}

// ---- values ------------------------------------------------------------------------------------------

const ControlBinding* CQLMenuDoc::FindBinding(int controlId) const
{
    for (const ControlBinding& binding : bindings_)
        if (binding.controlId == controlId) return &binding;
    return nullptr;
}

bool CQLMenuDoc::ValidationGate()
{
    if (controls_) {
        const int focused = controls_->FocusedControl();
        if (focused != 0) OnEditKillFocus(focused);
    }
    if (inputValid_) return true;
    inputValid_ = true;
    return false;
}

void CQLMenuDoc::OnEditKillFocus(int controlId)
{
    const ControlBinding* binding = FindBinding(controlId);
    if (!binding || !device_ || !controls_ || !IsEditType(binding->controlType)) return;
    const auto& settings = device_->Settings();
    if (binding->settingIndex < 0 || binding->settingIndex >= static_cast<int>(settings.size())) return;
    const CDeviceSetting& setting = settings[static_cast<size_t>(binding->settingIndex)];
    if (binding->controlType == ControlType::Block && CBlockSet::IsRecordBlock(setting.tag)) {
        BlockFieldKillFocus(*binding, setting.tag);
        return;
    }
    if (setting.minimum == setting.maximum || binding->controlType == ControlType::Block
        || binding->controlType == ControlType::BlockString)
        return;
    const long long value = ParseInt64(controls_->GetText(controlId));
    if (value >= setting.minimum && value <= setting.maximum) return;
    ShowMessage(FormatRange(setting.minimum, setting.maximum));
    controls_->BringPageToFront(binding->pageIndex);
    controls_->SetFocus(controlId);
    inputValid_ = false;
}

void CQLMenuDoc::BlockFieldKillFocus(const ControlBinding& binding, const std::string& tag)
{
    // Typed block text becomes the current table's records; the records are what a write
    // sends, so text that does not parse keeps the focus instead of being lost.
    CBlockSet& blocks = device_->Blocks();
    const std::string text = controls_->GetText(binding.controlId);
    const int table = device_->CurrentTable();
    if (text == blocks.GetBlockText(tag, table)) return;
    const CBlockSet before = blocks;
    BlockTextError error;
    std::string refused;
    if (!blocks.SetBlockText(tag, table, text, error)) {
        refused = error.Message(tag);
    } else if (const CDeviceSetting* setting = device_->FindSetting(tag)) {
        refused = BlockSizeRefusal(tag, blocks.GetBlockText(tag, table).size(), setting->maximum);
        if (!refused.empty()) blocks = before;
    }
    if (!refused.empty()) {
        ShowMessage(refused);
        controls_->BringPageToFront(binding.pageIndex);
        controls_->SetFocus(binding.controlId);
        inputValid_ = false;
        return;
    }
    RecordsChanged();
}

void CQLMenuDoc::RecordsChanged()
{
    // Other fields may hold edits not yet collected; a refresh must not throw them away.
    CollectValues();
    modified_ = true;
    RefreshViews();
}

void CQLMenuDoc::OnComboSelChange(int controlId)
{
    const ControlBinding* binding = FindBinding(controlId);
    if (!binding || !device_ || !controls_ || binding->controlType != ControlType::ComboBox) return;
    auto& settings = device_->Settings();
    if (binding->settingIndex < 0 || binding->settingIndex >= static_cast<int>(settings.size())) return;
    CDeviceSetting& setting = settings[static_cast<size_t>(binding->settingIndex)];
    const std::string caption = controls_->GetComboSelection(controlId);
    for (size_t k = 0; k < setting.optionCaptions.size(); ++k) {
        if (setting.optionCaptions[k] != caption) continue;
        if (k < setting.allowedValues.size()) {
            setting.SetValue(device_->TableCount(), device_->CurrentTable(), setting.allowedValues[k]);
            modified_ = true;
        }
        return;
    }
}

void CQLMenuDoc::OnControlChanged(int controlId)
{
    if (device_ && FindBinding(controlId)) modified_ = true;
}

void CQLMenuDoc::CollectValues()
{
    if (!device_ || !controls_) return;
    auto& settings = device_->Settings();
    const int table = device_->CurrentTable();
    // Controls are compared with the values as they were before collecting: when two
    // controls show one setting, the one the user left alone must not undo the other's edit.
    std::vector<std::string> before;
    before.reserve(settings.size());
    for (const CDeviceSetting& setting : settings)
        before.push_back(setting.ValueForDevice(table));
    for (const ControlBinding& binding : bindings_) {
        if (binding.settingIndex < 0 || binding.settingIndex >= static_cast<int>(settings.size())) continue;
        CDeviceSetting& setting = settings[static_cast<size_t>(binding.settingIndex)];
        std::string value;
        const std::string& type = binding.controlType;
        if (type == ControlType::Check) {
            value = controls_->GetCheck(binding.controlId) ? "1" : "0";
        } else if (IsEditType(type)) {
            value = controls_->GetText(binding.controlId);
        } else if (IsRadioType(type)) {
            const auto option = static_cast<size_t>(binding.optionIndex);
            // Only the checked button speaks for its setting; an option beyond the allowed
            // values has nothing to say.
            if (!controls_->GetCheck(binding.controlId) || option >= setting.allowedValues.size()) continue;
            value = setting.allowedValues[option];
        } else {
            continue;
        }
        if (value != before[static_cast<size_t>(binding.settingIndex)]
            && value != setting.ValueForDevice(table)) {
            setting.SetValue(device_->TableCount(), table, value);
            modified_ = true;
        }
    }
}

// ---- writing --------------------------------------------------------------------------------------------

std::string CQLMenuDoc::BuildWriteCommand() const
{
    std::string text;
    if (!device_) return text;
    const auto& settings = device_->Settings();
    int lastRadioSetting = -1;
    for (const ControlBinding& binding : bindings_) {
        if (binding.settingIndex < 0 || binding.settingIndex >= static_cast<int>(settings.size())) continue;
        const CDeviceSetting& setting = settings[static_cast<size_t>(binding.settingIndex)];
        const std::string value = setting.ValueForDevice(device_->CurrentTable());
        const std::string& type = binding.controlType;
        const bool radio = IsRadioType(type);
        if (radio) {
            // A run of buttons of one setting is one entry.
            if (binding.settingIndex != lastRadioSetting) text += setting.tag + value + ";";
        } else if (type == ControlType::Check || type == ControlType::Edit) {
            if (setting.minimum != setting.maximum) text += setting.tag + value + ";";
        } else if (type == ControlType::Block && CBlockSet::IsRecordBlock(setting.tag)) {
            // Sent as records by the device's block commands.
        } else if (type == ControlType::Block) {
            if (IsOneOf(setting.tag, kDefaultedBlocks)) text += setting.tag.substr(0, 3) + "DFT;";
            text += setting.tag + value + ";";
        } else if (type == ControlType::BlockString) {
            if (IsOneOf(setting.tag, kResetStringBlocks)) text += setting.tag + "00;";
            text += setting.tag + value + ";";
        } else if (type == ControlType::ComboBox) {
            text += setting.tag + value + ";";
        }
        lastRadioSetting = radio ? binding.settingIndex : -1;
    }
    return text;
}

bool CQLMenuDoc::SendWriteCommand(ProgressWindow* progress)
{
    std::string text = BuildWriteCommand();
    if (text.empty() || !device_) return true;
    text.back() = '.';
    CommandErrors errors;
    const bool result = device_->WriteCommands(text, progress, errors);
    const std::string table = GroupTableName(device_->CurrentTable());
    auto append = [&table](std::vector<std::string>& target, const std::vector<std::string>& failed) {
        if (failed.empty()) return;
        target.push_back(table);
        target.push_back(kTableSeparator);
        target.insert(target.end(), failed.begin(), failed.end());
    };
    append(notKnown_, errors.notPresent);
    append(outOfRange_, errors.outOfRange);
    append(noResponse_, errors.noResponse);
    return result;
}

bool CQLMenuDoc::CheckConnectedDevice()
{
    if (!device_) return false;
    if (!device_->VerifyDevicePresent()) {
        std::unique_ptr<ProgressWindow> searching = OpenProgress("Searching for Device...", {});
        std::string settings;
        const int connected = device_->Connect(settings, {}, searching.get());
        if (searching) searching->Hide();
        if (connected != CDevice::kConnected) {
            ShowMessage(kUnableToConnect);
            return false;
        }
    }
    bool sameLength = false;
    const bool compatible = device_->IsCompatible(entry_);
    const bool productMatches
        = ProductIdsMatch(device_->DeviceName().productId, entry_.productId, &sameLength);
    if (compatible && productMatches) return true;
    const char* question = compatible ? kProductIdDiffers : kNotCompatible;
    return ShowMessage(question, MsgButtons::YesNo, MsgIcon::Warning, 1) == MsgAnswer::Yes;
}

bool CQLMenuDoc::WriteCurrentTable()
{
    UserOperation operation;  // one Escape ends the write and the re-detect after it
    if (!device_ || !ValidationGate() || !CheckConnectedDevice()) return false;
    std::unique_ptr<ProgressWindow> progress = OpenProgress("Writing New Settings to Device",
        { "Determine device's current table", "Writing to device", "Read settings back from the device." });
    if (progress) progress->SetCurrentStep(0);
    CollectValues();
    const bool multiTable = device_->TableCount() >= 2;
    if (multiTable && !device_->SelectTable(chosenTable_, false)) ShowMessage(kTableNotSet);
    if (progress) progress->SetCurrentStep(1);
    device_->BeginSettingsWrite();
    SendWriteCommand(progress.get());
    device_->EndSettingsWrite();
    if (progress) progress->Hide();
    const bool clean = ReportResult();
    if (!multiTable) return DetectNewDevice() && clean;
    if (progress) {
        progress->Show();
        progress->SetCurrentStep(2);
    }
    for (;;) {
        if (device_->ReadBackCurrentTable(progress.get())) {
            BuildTabViews(nullptr, 0);
            return clean;
        }
        if (ShowMessage(kUnableToConnect, MsgButtons::RetryCancel) != MsgAnswer::Retry) return false;
    }
}

bool CQLMenuDoc::WriteAllTables()
{
    UserOperation operation;
    if (!device_ || !ValidationGate() || !CheckConnectedDevice()) return false;
    CollectValues();
    const int tables = std::clamp(device_->TableCount(), 1, CDeviceSetting::kMaxTables);
    std::vector<std::string> steps;
    for (int table = 0; table < tables; ++table)
        steps.push_back("Writing Settings To Table " + std::to_string(table));
    std::unique_ptr<ProgressWindow> progress = OpenProgress("Writing Settings To All Tables", steps);
    device_->BeginSettingsWrite();
    const int remembered = device_->CurrentTable();
    for (int table = 0; table < tables; ++table) {
        device_->SelectTable(table, false);
        if (progress) progress->SetCurrentStep(table);
        if (!SendWriteCommand(progress.get())) break;
    }
    if (progress) progress->Hide();
    device_->SelectTable(remembered, false);
    device_->EndSettingsWrite();
    const bool clean = ReportResult();
    return DetectNewDevice() && clean;
}

std::string CQLMenuDoc::CommandCaption(const std::string& tag) const
{
    if (device_) {
        const auto& settings = device_->Settings();
        for (const ControlBinding& binding : bindings_) {
            if (binding.settingIndex >= 0 && binding.settingIndex < static_cast<int>(settings.size())
                && settings[static_cast<size_t>(binding.settingIndex)].tag == tag)
                return binding.caption;
        }
    }
    return tag;
}

bool CQLMenuDoc::ReportResult()
{
    const bool clean = notKnown_.empty() && outOfRange_.empty() && noResponse_.empty();
    if (clean) {
        ShowMessage(kAllWritten);
    } else {
        ShowMessage(kNotAllWritten);
        auto shown = [this](const std::vector<std::string>& list) {
            std::vector<std::string> lines;
            for (const std::string& entry : list)
                lines.push_back(CommandCaption(entry));
            return lines;
        };
        if (frame_) frame_->ShowCommandErrors(shown(notKnown_), shown(outOfRange_), shown(noResponse_));
    }
    notKnown_.clear();
    outOfRange_.clear();
    noResponse_.clear();
    return clean;
}

// ---- buttons ------------------------------------------------------------------------------------------

void CQLMenuDoc::OnButton(int controlId)
{
    const ControlBinding* found = FindBinding(controlId);
    if (!found || !device_) return;
    const ControlBinding binding = *found; // a re-detect below replaces the bindings
    CollectValues();
    const auto& settings = device_->Settings();
    if (binding.settingIndex < 0 || binding.settingIndex >= static_cast<int>(settings.size())) return;
    const std::string tag = settings[static_cast<size_t>(binding.settingIndex)].tag;
    if (binding.controlType == ControlType::DefCmd)
        ButtonDefaults(tag);
    else if (binding.controlType == ControlType::Command)
        ButtonCommand(binding, false);
    else if (binding.controlType == ControlType::MsgCmd)
        ButtonCommand(binding, true);
}

void CQLMenuDoc::ButtonDefaults(const std::string& tag)
{
    CBlockSet& blocks = device_->Blocks();
    const int current = std::clamp(device_->CurrentTable(), 0, CBlockSet::kTableLists - 1);
    if (tag == "DEFALT") {
        blocks.GetPrefixSuffixList(current).clear();
        blocks.GetDataFormatList(current).clear();
    } else if (tag == "PAPDFT") {
        for (int table = 0; table < CBlockSet::kTableLists; ++table) {
            blocks.GetPrefixSuffixList(table).clear();
            blocks.GetDataFormatList(table).clear();
        }
    }
    const int tables = device_->TableCount();
    for (CDeviceSetting& setting : device_->Settings()) {
        if (tag == "PAPDFT") {
            setting.ResetAllTablesToDefault(tables);
            continue;
        }
        if (tag != "DEFALT" && setting.tag.compare(0, 3, tag, 0, 3) != 0) continue;
        if (setting.sameAllTables)
            setting.ResetAllTablesToDefault(tables);
        else
            setting.tableValues[static_cast<size_t>(current)] = setting.defaultValue;
        // A block's own defaults button ("PREDFT") resets its records too: the records are
        // what its field shows and what a write sends. A default that does not parse empties it.
        if (tag != "DEFALT" && CBlockSet::IsRecordBlock(setting.tag)) {
            BlockTextError error;
            if (!blocks.SetBlockText(setting.tag, current, setting.defaultValue, error))
                blocks.SetBlockText(setting.tag, current, "", error);
        }
    }
    modified_ = true;
    RefreshViews();
}

void CQLMenuDoc::ButtonCommand(const ControlBinding& binding, bool showAnswer)
{
    UserOperation operation;
    const std::string tag = device_->Settings()[static_cast<size_t>(binding.settingIndex)].tag;
    if (!device_->VerifyDevicePresent()) {
        ShowMessage(kCommandNotSent);
        return;
    }
    std::string reply;
    const bool complete = device_->SendCommandAndWait(tag + ".", reply, kButtonReplyMs);
    const char status = reply.size() >= 2 ? reply[reply.size() - 2] : '\0';
    if (complete && status == CMenuCommands::ACK) {
        if (showAnswer) {
            std::string answer;
            const size_t at = reply.find(tag);
            if (at == 0)
                answer = reply.size() > 8 ? reply.substr(6, reply.size() - 8) : std::string();
            else if (at != std::string::npos)
                answer = reply.substr(0, at);
            ShowMessage(binding.caption + " : " + answer);
        } else {
            TheHost().SetStatusText(kCommandSent);
        }
        if (tag == "DEFCUS") DetectNewDevice();
        return;
    }
    const char* reason = status == CMenuCommands::NAK ? "Command out of range: "
        : status == CMenuCommands::ENQ                ? "Command not present in device: "
                                                      : "Error, no response for this command: ";
    ShowMessage(reason + tag + " = " + binding.caption);
}

// ---- main window pieces ---------------------------------------------------------------------------------

void CQLMenuDoc::FileDescription()
{
    if (!ValidationGate() || !frame_) return;
    std::string text = description_;
    if (frame_->EditFileDescription(text)) {
        SetDescription(text);
        modified_ = true;
    }
}

void CQLMenuDoc::UpdateStatusPanes()
{
    if (!device_) {
        TheHost().SetStatusPane(1, kNoConnectedDevice);
        TheHost().SetStatusPane(2, kNoConnectedDevice);
        return;
    }
    const CDeviceName& own = device_->DeviceName();
    std::string first;
    if (IsOffline() && entry_.catalogRow >= 0)
        first = entry_.ProductName();
    else if (own.catalogRow < 0)
        first = "No Device Selected";
    else
        first = own.ProductName();
    std::string second;
    if (device_->Settings().empty())
        second.clear(); // a document without settings has no pages to speak of
    else if (IsOffline())
        second = "Tabs Built Offline";
    else if (own.catalogRow >= 0)
        second = "Tabs Built Online";
    TheHost().SetStatusPane(1, first);
    TheHost().SetStatusPane(2, second);
}

bool CQLMenuDoc::CanWriteCurrentTable() const
{
    return device_ && entry_.catalogRow >= 0;
}

bool CQLMenuDoc::CanWriteAllTables() const
{
    return device_ && device_->HasTables();
}

bool CQLMenuDoc::CanUseWizards() const
{
    return device_ && device_->GetWizardFlag() && entry_.catalogRow >= 0;
}

// ---- configuration documents ------------------------------------------------------------------------------

std::string CQLMenuDoc::SaveToBytes()
{
    CollectValues();
    CArchiveWriter archive;
    archive.WriteString(description_);
    WriteDeviceName(archive, entry_);
    if (device_) device_->Write(archive);
    return archive.TakeBytes();
}

bool CQLMenuDoc::Save(const std::string& path)
{
    if (!device_) return false;
    const std::string bytes = SaveToBytes();
    // Written through a temporary file and renamed, so a failed save never leaves half a
    // document where the old one was.
    std::string error;
    if (!WriteFileAtomically(path, bytes, &error)) {
        ShowMessage("Unable to save the file " + path + ": " + error);
        return false;
    }
    modified_ = false;
    return true;
}

bool CQLMenuDoc::Load(const std::string& path)
{
    std::string bytes;
    std::string error;
    if (!CArchiveReader::LoadFile(path, bytes, &error)) {
        ShowMessage("Unable to open the file " + path + ": " + error);
        return false;
    }
    return LoadFromBytes(bytes);
}

bool CQLMenuDoc::LoadFromBytes(std::string_view bytes)
{
    try {
        return ReadDocument(bytes);
    } catch (const ArchiveError& damage) {
        // Everything was read into fresh objects, so the document shown before is untouched.
        ShowMessage(std::string(kDamagedFile) + damage.what());
        return false;
    }
}

bool CQLMenuDoc::ReadDocument(std::string_view bytes)
{
    CArchiveReader archive(bytes);
    std::string description = archive.ReadString();
    std::unique_ptr<ProgressWindow> progress = OpenProgress(
        "Reading Configuration From File", { "Checking For Unknown Device Settings", "Building Tab Views" });
    CDeviceName entry = ReadDeviceName(archive);
    entry.MatchRow();
    entry.UpdateDeviceId();
    const DeviceClassKind kind = entry.ChooseDeviceClass();
    if (kind == DeviceClassKind::None) {
        ShowMessage(kUnknownDeviceLoad);
        return false;
    }
    std::unique_ptr<CDevice> device = CreateDevice(kind, env_.port);
    device->SetEorText(env_.eorCharacter);
    const bool compatible = device->Read(archive);

    // The document's end-of-record text is the one it was saved with.
    const std::string eor = device->EorText();
    InstallDevice(std::move(device));
    device_->SetEorText(eor);
    description_ = std::move(description);
    entry_ = entry;
    if (!compatible) {
        // The document becomes a device without settings: no page is built.
        ShowMessage(kNotCompatibleFile);
        device_->Settings().clear();
        chosenTable_ = 0;
        if (frame_) frame_->FillTableChooser({}, -1, false);
        UpdateStatusPanes();
        modified_ = false;
        return false;
    }
    std::vector<std::string> items;
    if (device_->HasTables()) {
        for (int table = 0; table < device_->TableCount(); ++table)
            items.push_back(GroupTableName(table));
    }
    chosenTable_ = device_->CurrentTable();
    if (frame_) frame_->FillTableChooser(items, items.empty() ? -1 : chosenTable_, !items.empty());
    BuildTabViews(progress.get(), 0);
    modified_ = false;
    return true;
}
