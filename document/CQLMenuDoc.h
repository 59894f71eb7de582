// CQLMenuDoc: the program's one document.
//
// It owns the device object, the bindings between page controls and device settings, the
// page templates, the failed-command lists of a write, the document's own catalog entry and
// the file description. It runs the main flows: connect and build the pages from what the
// reader reports, prepare a configuration offline, check the reader before writing, write
// the current table or all tables and report what failed, react to buttons and edits on the
// pages, and save and load configuration documents (".kst").
//
// It reaches the user through the host, the main window through DocumentFrame and the page
// controls through PageControls; it needs no window system.
#pragma once

#include "catalog/CDeviceName.h"
#include "catalog/DeviceClassKind.h"
#include "device/CDevice.h"
#include "document/PageTemplate.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CSerComm;
class DocumentFrame;
class PageControls;
class ProgressWindow;
class TabDefinitions;
class TextMeasurer;

// What the application hands the document.
struct DocumentEnvironment {
    CSerComm* port = nullptr;
    const TabDefinitions* definitions = nullptr; // the process-wide tab definitions when null
    std::string catalogPath; // program folder + device file; "" = keep the loaded catalog
    std::string eorCharacter = "0D"; // the user's "EOR Character" preference
    std::vector<std::string> excludedCommands; // never read from a reader on this machine
    TextMeasurer* measurer = nullptr; // a fixed-metrics stand-in when null
    int clientWidth = 0; // the tab view's client size in pixels
    int clientHeight = 0;
};

class CQLMenuDoc {
public:
    static constexpr const char* kUntitled = "Untitled";
    // What the status panes show while there is no device object.
    static constexpr const char* kNoConnectedDevice = "No Connected Device";
    static constexpr size_t kMaxHelpBindings = 500;
    static constexpr size_t kMaxDescription = 1000;
    static constexpr const char* kUnableToConnect
        = "Unable to connect to device. Please ensure the device is connected, pull trigger, then retry. "
          "\nIf "
          "required scan the Kestrel Barcode to put the device into serial mode.";
    static constexpr const char* kNotCompatibleFile
        = "The file to be loaded is not compatible with this version.";

    explicit CQLMenuDoc(DocumentEnvironment environment);
    ~CQLMenuDoc();
    CQLMenuDoc(const CQLMenuDoc&) = delete;
    CQLMenuDoc& operator=(const CQLMenuDoc&) = delete;

    void SetFrame(DocumentFrame* frame) { frame_ = frame; }
    void SetControls(PageControls* controls) { controls_ = controls; }

    // ---- document life -------------------------------------------------------------------
    // Clears the document and makes a device object of `kind`; false for DeviceClassKind::None.
    bool NewDocumentForClass(DeviceClassKind kind);
    void ClearDocument();

    // ---- flows -------------------------------------------------------------------------------
    bool Connect();
    // Connect, or on failure the unable-to-connect message and the start-up choice.
    bool DetectNewDevice();
    bool OfflineConfigure();
    // Fills the "Group Table" chooser; `askDevice` false takes the count the device already
    // read instead of asking the reader again.
    void FillTableChooser(bool askDevice = true);
    void OnTableChosen(int table);
    // Shows another table of the document without telling the reader (editing a saved
    // configuration); false for a table the device does not have.
    bool ShowTable(int table);
    // Runs the range check of the focused field; false stops the command that asked.
    bool ValidationGate();
    void CollectValues();
    // The write command of the device's current table ("" when nothing is to be written).
    std::string BuildWriteCommand() const;
    // Sends it, adding the failures to the document's lists; the device's result.
    bool SendWriteCommand(ProgressWindow* progress);
    bool WriteCurrentTable();
    bool WriteAllTables();
    // Shows the outcome of a write and empties the lists; true when nothing failed.
    bool ReportResult();
    bool CheckConnectedDevice();
    void FileDescription();
    void UpdateStatusPanes();

    // ---- notifications from the pages ----------------------------------------------------------
    void OnButton(int controlId);
    void OnEditKillFocus(int controlId);
    void OnComboSelChange(int controlId);
    // The user changed a check box, a radio button or the text of an edit field: the
    // document now differs from what was read or saved.
    void OnControlChanged(int controlId);
    // Puts the setting values into the controls.
    void RefreshViews();
    // The prefix/suffix or data-format records were edited (the editor sheet's OK).
    void RecordsChanged();

    // ---- configuration documents --------------------------------------------------------------
    bool Save(const std::string& path);
    std::string SaveToBytes();
    bool Load(const std::string& path);
    bool LoadFromBytes(std::string_view bytes);

    // ---- command states ---------------------------------------------------------------------------
    bool CanWriteCurrentTable() const;
    bool CanWriteAllTables() const;
    bool CanUseWizards() const;

    // ---- state --------------------------------------------------------------------------------------
    CDevice* Device() { return device_.get(); }
    const CDevice* Device() const { return device_.get(); }
    const CDeviceName& DocumentEntry() const { return entry_; }
    CDeviceName& DocumentEntry() { return entry_; }
    const std::vector<ControlBinding>& Bindings() const { return bindings_; }
    const std::vector<PageTemplate>& Pages() const { return pages_; }
    // The "EOR Character" preference changed: the next connect gives it to the device.
    void SetEorCharacter(const std::string& text) { env_.eorCharacter = text; }
    const std::string& Description() const { return description_; }
    void SetDescription(const std::string& text) { description_ = text.substr(0, kMaxDescription); }
    bool InputValid() const { return inputValid_; }
    bool IsModified() const { return modified_; }
    const std::string& Title() const { return title_; }
    int ChosenTable() const { return chosenTable_; }
    bool IsOffline() const { return entry_.revision == CDeviceName::kChosenByHand; }
    // Pairs (control, help identifier), ended by a pair of zeros.
    const std::vector<std::pair<int, std::int32_t>>& HelpTable() const { return helpTable_; }
    const std::vector<std::string>& NotKnownCommands() const { return notKnown_; }
    const std::vector<std::string>& OutOfRangeCommands() const { return outOfRange_; }
    const std::vector<std::string>& NoResponseCommands() const { return noResponse_; }
    // The binding of a control, nullptr when none.
    const ControlBinding* FindBinding(int controlId) const;
    // How a failed command is shown: the caption of the first control of its setting.
    std::string CommandCaption(const std::string& tag) const;

private:
    // Replaces the pages from the device's settings; progress from `firstStep`.
    bool BuildTabViews(ProgressWindow* progress, int firstStep);
    void InstallDevice(std::unique_ptr<CDevice> device);
    bool ReadDocument(std::string_view bytes);
    const TabDefinitions& Definitions() const;
    std::string ControlValue(const ControlBinding& binding);
    void ButtonDefaults(const std::string& tag);
    void BlockFieldKillFocus(const ControlBinding& binding, const std::string& tag);
    void ButtonCommand(const ControlBinding& binding, bool showAnswer);
    void MakeUntitled();

    DocumentEnvironment env_;
    std::unique_ptr<TextMeasurer> ownMeasurer_;
    DocumentFrame* frame_ = nullptr;
    PageControls* controls_ = nullptr;

    std::unique_ptr<CDevice> device_;
    std::vector<ControlBinding> bindings_;
    std::vector<PageTemplate> pages_;
    std::vector<std::string> notKnown_;
    std::vector<std::string> outOfRange_;
    std::vector<std::string> noResponse_;
    CDeviceName entry_;
    bool inputValid_ = true;
    std::string description_;
    std::vector<std::pair<int, std::int32_t>> helpTable_;

    std::string title_ = kUntitled;
    bool modified_ = false;
    int chosenTable_ = 0;
};
