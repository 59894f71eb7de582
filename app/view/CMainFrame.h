// CMainFrame: the program's one main window — menu, toolbar with the table chooser, status
// bar with the device and build panes, and the page view as its client.
//
// It routes commands to the document, keeps the enabled state of every command, keeps the
// recent-file list, and is the DocumentFrame the document drives (table chooser, "Command
// Errors", "File Description", the start-up choice, the title and the page views).
#pragma once

#include "app/view/CConfigSourceDlg.h"
#include "app/view/HelpWindow.h"
#include "document/DocumentFrame.h"
#include "ui/CommunicationLogDlg.h"

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

class CKestrelApp;
class CMainTabView;
class CQLMenuDoc;
class HelpWindow;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QToolBar;
class QPrinter;

// Every command of the menu, for lookups by tests and the enabled rules.
enum class Command {
    Open, Save, SaveAs, PrintConfiguration, PrintCloning, PrintKestrelBarcode, PrintPreview, PrintSetup, Preferences,
    Exit, Cut, Copy, Paste, FileDescription, ViewToolbar, ViewStatusBar, WriteSettings, WriteAllTables,
    WriteFirmware, WriteBootCode, DetectDevice, OfflineConfigure, DataEditingWizards, WriteRadioFirmware, NextPage, PrevPage,
    About, HelpTopics, ExportReport, CommunicationLog
};

class CMainFrame final : public QMainWindow, public DocumentFrame, public ConfigSourceActions {
    Q_OBJECT
public:
    static constexpr int kRecentFiles = 4;

    CMainFrame(CKestrelApp& app, CQLMenuDoc& document);
    ~CMainFrame() override;

    CMainTabView* TabView() const { return tabView_; }
    QAction* Action(Command command) const;
    QComboBox* TableChooser() const { return tableChooser_; }
    QAction* TableChooserAction() const { return tableChooserAction_; }
    QToolBar* ToolBar() const { return toolBar_; }
    QLabel* DevicePane() const { return devicePane_; }
    QLabel* BuildPane() const { return buildPane_; }
    const std::string& DocumentPath() const { return path_; }
    QStringList RecentFiles() const;
    HelpWindow* Help() const { return help_; }

    // Runs the start-up choice; 1 configured, 2 cancelled.
    int RunStartupChoice();
    void UpdateCommandStates();

    // ---- DocumentFrame --------------------------------------------------------------------------------
    void FillTableChooser(const std::vector<std::string>& items, int selected, bool enabled) override;
    void ShowCommandErrors(const std::vector<std::string>& notKnown, const std::vector<std::string>& outOfRange,
                           const std::vector<std::string>& noResponse) override;
    bool EditFileDescription(std::string& description) override;
    void ShowStartupChoice() override;
    void SetTitle(const std::string& title) override;
    void BecameUntitled() override;
    void PagesRebuilt() override;
    void ValuesChanged() override;

    // ---- ConfigSourceActions -----------------------------------------------------------------------
    bool ConnectToDevice() override;
    bool OfflineConfigure() override;
    bool LoadConfigFromFile() override;
    bool CanPrintRs232Barcode() const override { return true; }
    void PrintRs232Barcode() override;
    bool CanFlashFirmware() const override { return true; }
    void FlashFirmware() override;
    void Preferences() override;

    // ---- commands -----------------------------------------------------------------------------------------
    // "Write New Firmware into Device": validation, the flash, its result, then the start-up
    // choice (CMainFrameFirmware.cpp).
    void WriteNewFirmware();
    bool LoadFirmwareIntoDevice(bool bootCode = false);
    void WriteNewBootCode();
    bool OpenDocument(const std::string& path);
    // Save and Save As need a device object: without one there is nothing to write.
    bool CanSave() const;
    bool SaveDocument();
    bool SaveDocumentAs();
    void About();
    void ShowHelpFor(int controlId);
    // Help -> "Communication Log...": the traffic on the reader's line (modeless).
    void ShowCommunicationLog();
    CommunicationLogDlg* CommunicationLog() const { return communicationLog_; }
    // Prints the configuration table: on the default printer, or into a PDF file the user
    // names when no printer is installed. False when nothing was printed.
    bool PrintConfiguration();
    void PrintPreview();
    void PrintSetup();
    // "Print Cloning Bar Codes": the configuration as linear or Aztec menu symbols.
    void PrintCloningBarcodes();
    // A report of the configuration (identity, changed settings, rules, the document's
    // SHA-256) into a PDF or HTML file the user names. False when nothing was written.
    bool ExportReport();
    // Paints the configuration table on `printer`; the page count.
    int PaintConfiguration(QPrinter& printer);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, Command command, const char* text, const char* prompt, const char* tip = nullptr);
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void OnOpen();
    void OnTableChosen(int index);
    void AddRecentFile(const std::string& path);
    void LoadRecentFiles();
    void StoreRecentFiles();
    void UpdateRecentMenu();
    bool MaybeSave();

    CKestrelApp& app_;
    CQLMenuDoc& document_;
    CMainTabView* tabView_ = nullptr;
    std::map<Command, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    QStringList recentFiles_;
    QToolBar* toolBar_ = nullptr;
    QComboBox* tableChooser_ = nullptr;
    QAction* tableChooserAction_ = nullptr;
    QLabel* devicePane_ = nullptr;
    QLabel* buildPane_ = nullptr;
    QPointer<HelpWindow> help_;
    QPointer<CommunicationLogDlg> communicationLog_;
    std::string path_;
    bool inStartupChoice_ = false;
    std::unique_ptr<QPrinter> printer_;
};
