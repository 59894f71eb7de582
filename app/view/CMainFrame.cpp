#include "app/view/CMainFrame.h"

#include "app/view/CKestrelApp.h"
#include "app/view/CPreferencesDlg.h"
#include "app/view/HelpWindow.h"
#include "app/view/SplashDisplay.h"
#include "catalog/CDeviceSetting.h"
#include "document/CQLMenuDoc.h"
#include "document/ConfigurationPrint.h"
#include "document/ConfigurationReport.h"
#include "platform/AtomicFile.h"
#include "ui/PdfFile.h"
#include "ui/CommunicationLogDlg.h"
#include "platform/TrafficLog.h"
#include "ui/QtCanvas.h"
#include "document/view/CCommandErrorsDlg.h"
#include "document/view/CFileDescriptionDlg.h"
#include "document/view/CMainTabView.h"
#include "wizards/view/CDataEditSheet.h"
#include "transfer/view/CReaderEventsDock.h"
#include "ui/Icons.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>
#include <QWhatsThis>

namespace {

constexpr const char* kFilter = "Kestrel 2003 Files (*.kst)";
constexpr const char* kExtension = ".kst";
constexpr const char* kAppTitle = "Kestrel 2003";

std::string RecentKey(const std::string& companyRegKey)
{
    return "Software\\" + companyRegKey + "\\kestrel\\Recent File List";
}

} // namespace

CMainFrame::CMainFrame(CKestrelApp& app, CQLMenuDoc& document) : app_(app), document_(document)
{
    // The line is logged from the start (before any port opens), so the Communication Log
    // can show everything since the program started.
    TrafficLog::Instance().SetRecording(true);
    tabView_ = new CMainTabView(document_, app_.Measurer(), this);
    setCentralWidget(tabView_);
    BuildMenus();
    InstallReaderEvents(this, [this] { return document_.Device(); });
    BuildToolBar();
    BuildStatusBar();
    LoadRecentFiles();
    document_.SetFrame(this);
    document_.SetControls(tabView_);
    connect(tabView_, &CMainTabView::CommandStateChanged, this, &CMainFrame::UpdateCommandStates);
    connect(tabView_, &CMainTabView::HelpRequested, this, &CMainFrame::ShowHelpFor);
    connect(&app_.Host(), &QtHost::PaneTextChanged, this, [this](int pane, const QString& text) {
        if (pane == 0)
            statusBar()->showMessage(text);
        else if (pane == 1)
            devicePane_->setText(text);
        else if (pane == 2)
            buildPane_->setText(text);
    });
    // Enabled states follow the document and the focus; refreshing them when the program is
    // idle keeps menus and toolbar right without every flow having to say what changed.
    auto* idle = new QTimer(this);
    idle->setInterval(250);
    connect(idle, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    idle->start();
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::UpdateCommandStates);
    SetTitle(CQLMenuDoc::kUntitled);
    resize(1024, 720);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame()
{
    // Children (actions, the page view) go away after this body; nothing may call back into
    // the half-destroyed window while they do.
    disconnect(qApp, nullptr, this, nullptr);
    tabView_->disconnect(this);
    disconnect(&app_.Host(), nullptr, this, nullptr);
    document_.SetFrame(nullptr);
    document_.SetControls(nullptr);
}

QAction* CMainFrame::Action(Command command) const
{
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

QAction* CMainFrame::AddCommand(QMenu* menu, Command command, const char* text, const char* prompt, const char* tip)
{
    auto* action = new QAction(QString::fromLatin1(text), this);
    if (prompt)
        action->setStatusTip(QString::fromLatin1(prompt));
    if (tip)
        action->setToolTip(QString::fromLatin1(tip));
    menu->addAction(action);
    actions_[command] = action;
    return action;
}

void CMainFrame::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_ = file;
    AddCommand(file, Command::Open, "&Open...", "Open an existing document", "Open");
    AddCommand(file, Command::Save, "&Save\tCtrl+S", "Save the active document", "Save")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    AddCommand(file, Command::SaveAs, "Save &As...", "Save the active document with a new name", "Save As");
    file->addSeparator();
    AddCommand(file, Command::PrintConfiguration, "&Print Configuration...\tCtrl+P",
               "Print the configuration of the device", "Print")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    AddCommand(file, Command::PrintCloning, "Print &Cloning Bar Codes", "Create and Print Cloning Bar Codes",
               "Print Cloning Bar Codes");
    AddCommand(file, Command::PrintKestrelBarcode, "Print &Kestrel Bar Code",
               "Print the bar code that puts the device into RS-232 mode", "Print Kestrel Bar Code");
    AddCommand(file, Command::PrintPreview, "Print Pre&view", "Display full pages", "Print Preview");
    AddCommand(file, Command::PrintSetup, "P&rint Setup...", "Change the printer and printing options",
               "Print Setup");
    AddCommand(file, Command::ExportReport, "&Export Report...",
               "Export a report of the configuration as a PDF or HTML file", "Export Report");
    file->addSeparator();
    AddCommand(file, Command::Preferences, "Pre&ferences", "Configure preferences for the application",
               "Preferences");
    recentSeparator_ = file->addSeparator();
    for (int i = 0; i < kRecentFiles; ++i) {
        auto* recent = new QAction(this);
        recent->setVisible(false);
        connect(recent, &QAction::triggered, this, [this, i] {
            if (i < recentFiles_.size() && MaybeSave())
                OpenDocument(recentFiles_[i].toStdString());
        });
        file->addAction(recent);
        recentActions_.push_back(recent);
    }
    file->addSeparator();
    AddCommand(file, Command::Exit, "E&xit", "Quit the application; prompts to save documents", "Exit");

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddCommand(edit, Command::Cut, "Cu&t\tCtrl+X", "Cut the selection and put it on the Clipboard", "Cut")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
    AddCommand(edit, Command::Copy, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard", "Copy")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    AddCommand(edit, Command::Paste, "&Paste\tCtrl+V", "Insert Clipboard contents", "Paste")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
    edit->addSeparator();
    AddCommand(edit, Command::FileDescription, "&File Description", "View and Edit File Description Text",
               "Display File Description");

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    AddCommand(view, Command::ViewToolbar, "&Toolbar", "Show or hide the toolbar", "Toggle ToolBar")->setCheckable(true);
    AddCommand(view, Command::ViewStatusBar, "&Status Bar", "Show or hide the status bar", "Toggle StatusBar")
        ->setCheckable(true);

    QMenu* device = menuBar()->addMenu(QStringLiteral("&Device"));
    AddCommand(device, Command::WriteSettings, "&Write New Settings to Device", "Write new menu settings to device",
               "Write Settings to Device");
    AddCommand(device, Command::WriteAllTables, "Write All &Tables to Device",
               "Write all settings for all tables to the device.", "Write All Tables");
    AddCommand(device, Command::WriteFirmware, "Write New &Firmware into Device",
               "Writes new firmware into the connected device", "Write Firmware into Device");
    // New boot code can leave a reader unusable for good: only privileged users see the entry.
    AddCommand(device, Command::WriteBootCode, "Write New &Boot Code into Device",
               "Writes new boot code into the connected device", "Write Boot Code into Device")
        ->setVisible(app_.Startup().AdvancedUserPrivileges() == 1);
    device->addSeparator();
    AddCommand(device, Command::DetectDevice, "&Detect New Device", "Search for a connected device", "Detect Device");
    AddCommand(device, Command::OfflineConfigure, "&Offline Configure",
               "Perform an offline configuration of the device", "Offline Configure");
    AddCommand(device, Command::DataEditingWizards, "D&ata Editing Wizards",
               "Perform Prefix, Suffix and Data Formatting", "Data Formatting");
    device->addSeparator();
    AddCommand(device, Command::WriteRadioFirmware, "Write New Firmware into &Radio",
               "Writes new radio firmware into the connected device", "Write Radio Firmware");

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    AddCommand(window, Command::NextPage, "&Next\tCtrl-Tab", "Show the next page", "Next Page")
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab));
    AddCommand(window, Command::PrevPage, "&Prev\tCtrl-Shift-Tab", "Show the previous page", "Previous Page")
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddCommand(help, Command::HelpTopics, "&Help Topics", "List Help topics", "Help Topics")
        ->setShortcut(QKeySequence(Qt::Key_F1));
    // Shift+F1: the next control clicked shows its own help topic.
    auto* helpMode = new QAction(QStringLiteral("What's This?"), this);
    helpMode->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    helpMode->setStatusTip(QStringLiteral("Display help for clicked buttons, menus and windows"));
    connect(helpMode, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addAction(helpMode);
    AddCommand(help, Command::CommunicationLog, "&Communication Log...",
               "Show every byte exchanged with the reader since the program started", "Communication Log");
    AddCommand(help, Command::About, "&About Kestrel...", "Display program information, version number and copyright",
               "About");

    connect(actions_[Command::Open], &QAction::triggered, this, &CMainFrame::OnOpen);
    connect(actions_[Command::WriteFirmware], &QAction::triggered, this, &CMainFrame::WriteNewFirmware);
    connect(actions_[Command::WriteBootCode], &QAction::triggered, this, &CMainFrame::WriteNewBootCode);
    connect(actions_[Command::Save], &QAction::triggered, this, &CMainFrame::SaveDocument);
    connect(actions_[Command::SaveAs], &QAction::triggered, this, &CMainFrame::SaveDocumentAs);
    connect(actions_[Command::Preferences], &QAction::triggered, this, &CMainFrame::Preferences);
    connect(actions_[Command::PrintConfiguration], &QAction::triggered, this, &CMainFrame::PrintConfiguration);
    connect(actions_[Command::PrintPreview], &QAction::triggered, this, &CMainFrame::PrintPreview);
    connect(actions_[Command::PrintCloning], &QAction::triggered, this, &CMainFrame::PrintCloningBarcodes);
    connect(actions_[Command::PrintKestrelBarcode], &QAction::triggered, this, &CMainFrame::PrintRs232Barcode);
    connect(actions_[Command::PrintSetup], &QAction::triggered, this, &CMainFrame::PrintSetup);
    connect(actions_[Command::ExportReport], &QAction::triggered, this, &CMainFrame::ExportReport);
    connect(actions_[Command::Exit], &QAction::triggered, this, &QWidget::close);
    connect(actions_[Command::Cut], &QAction::triggered, tabView_, &CMainTabView::Cut);
    connect(actions_[Command::Copy], &QAction::triggered, tabView_, &CMainTabView::Copy);
    connect(actions_[Command::Paste], &QAction::triggered, tabView_, &CMainTabView::Paste);
    connect(actions_[Command::FileDescription], &QAction::triggered, this, [this] { document_.FileDescription(); });
    connect(actions_[Command::ViewToolbar], &QAction::toggled, this, [this](bool on) { toolBar_->setVisible(on); });
    connect(actions_[Command::ViewStatusBar], &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });
    connect(actions_[Command::WriteSettings], &QAction::triggered, this, [this] { document_.WriteCurrentTable(); });
    connect(actions_[Command::WriteAllTables], &QAction::triggered, this, [this] { document_.WriteAllTables(); });
    connect(actions_[Command::DetectDevice], &QAction::triggered, this, [this] { document_.DetectNewDevice(); });
    connect(actions_[Command::OfflineConfigure], &QAction::triggered, this, [this] { document_.OfflineConfigure(); });
    connect(actions_[Command::DataEditingWizards], &QAction::triggered, this,
            [this] { RunDataEditingWizards(document_, 0, this); });
    connect(actions_[Command::NextPage], &QAction::triggered, tabView_, &CMainTabView::Next);
    connect(actions_[Command::PrevPage], &QAction::triggered, tabView_, &CMainTabView::Prev);
    connect(actions_[Command::About], &QAction::triggered, this, &CMainFrame::About);
    connect(actions_[Command::CommunicationLog], &QAction::triggered, this, &CMainFrame::ShowCommunicationLog);
    connect(actions_[Command::HelpTopics], &QAction::triggered, this, [this] {
        if (!help_)
            help_ = new HelpWindow(this);
        help_->ShowContents();
    });
}

void CMainFrame::BuildToolBar()
{
    toolBar_ = new QToolBar(QStringLiteral("Kestrel Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("KestrelToolbar"));
    toolBar_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    addToolBar(Qt::TopToolBarArea, toolBar_);
    const std::pair<Command, KestrelIcon> pictures[] = {
        { Command::Open, KestrelIcon::Open },
        { Command::Save, KestrelIcon::Save },
        { Command::FileDescription, KestrelIcon::FileDescription },
        { Command::PrintConfiguration, KestrelIcon::PrintConfiguration },
        { Command::About, KestrelIcon::About },
        { Command::WriteFirmware, KestrelIcon::WriteFirmware },
        { Command::WriteSettings, KestrelIcon::WriteSettings },
        { Command::WriteAllTables, KestrelIcon::WriteAllTables },
        { Command::DetectDevice, KestrelIcon::DetectDevice },
        { Command::OfflineConfigure, KestrelIcon::OfflineConfigure },
        { Command::PrintKestrelBarcode, KestrelIcon::PrintBarcode },
        { Command::DataEditingWizards, KestrelIcon::DataEditingWizards },
    };
    for (const auto& [command, picture] : pictures)
        actions_[command]->setIcon(KestrelIcons::For(picture));

    // The 19 positions, in order; the last is the table chooser.
    toolBar_->addAction(actions_[Command::Open]);
    toolBar_->addAction(actions_[Command::Save]);
    toolBar_->addAction(actions_[Command::FileDescription]);
    toolBar_->addSeparator();
    toolBar_->addAction(actions_[Command::PrintConfiguration]);
    toolBar_->addAction(actions_[Command::About]);
    toolBar_->addSeparator();
    toolBar_->addAction(actions_[Command::WriteFirmware]);
    toolBar_->addAction(actions_[Command::WriteSettings]);
    toolBar_->addAction(actions_[Command::WriteAllTables]);
    toolBar_->addSeparator();
    toolBar_->addAction(actions_[Command::DetectDevice]);
    toolBar_->addAction(actions_[Command::OfflineConfigure]);
    toolBar_->addSeparator();
    toolBar_->addAction(actions_[Command::PrintKestrelBarcode]);
    toolBar_->addSeparator();
    toolBar_->addAction(actions_[Command::DataEditingWizards]);
    toolBar_->addSeparator();

    tableChooser_ = new QComboBox(toolBar_);
    tableChooser_->setObjectName(QStringLiteral("TableChooser"));
    tableChooser_->setEditable(false);
    tableChooser_->setFixedWidth(150);
    tableChooser_->setMaxVisibleItems(6); // about 100 pixels of list
    QFont bold = tableChooser_->font();
    bold.setBold(true);
    bold.setPixelSize(12);
    tableChooser_->setFont(bold);
    connect(tableChooser_, &QComboBox::activated, this, &CMainFrame::OnTableChosen);
    tableChooserAction_ = toolBar_->addWidget(tableChooser_);
    tableChooserAction_->setVisible(false);

    actions_[Command::ViewToolbar]->setChecked(true);
}

void CMainFrame::BuildStatusBar()
{
    devicePane_ = new QLabel(QString::fromLatin1(CQLMenuDoc::kNoConnectedDevice), this);
    buildPane_ = new QLabel(QString::fromLatin1(CQLMenuDoc::kNoConnectedDevice), this);
    // Wide enough for a long product name without the bar jumping as names change.
    const int paneWidth = devicePane_->fontMetrics().horizontalAdvance(
        QStringLiteral("No Connected Device                        "));
    devicePane_->setMinimumWidth(paneWidth);
    buildPane_->setMinimumWidth(buildPane_->fontMetrics().horizontalAdvance(QStringLiteral("No Connected Device  ")));
    for (QLabel* pane : { devicePane_, buildPane_ }) {
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        statusBar()->addPermanentWidget(pane);
    }
    statusBar()->showMessage(QStringLiteral("Ready"));
    actions_[Command::ViewStatusBar]->setChecked(true);
}

void CMainFrame::UpdateCommandStates()
{
    actions_[Command::WriteSettings]->setEnabled(document_.CanWriteCurrentTable());
    actions_[Command::WriteAllTables]->setEnabled(document_.CanWriteAllTables());
    actions_[Command::WriteFirmware]->setEnabled(true);
    actions_[Command::WriteBootCode]->setEnabled(true);
    actions_[Command::PrintCloning]->setEnabled(true);
    actions_[Command::PrintKestrelBarcode]->setEnabled(true);
    actions_[Command::DataEditingWizards]->setEnabled(document_.CanUseWizards());
    const bool hasDevice = document_.Device() != nullptr;
    actions_[Command::Save]->setEnabled(CanSave());
    actions_[Command::SaveAs]->setEnabled(CanSave());
    actions_[Command::PrintConfiguration]->setEnabled(hasDevice);
    actions_[Command::PrintPreview]->setEnabled(hasDevice);
    actions_[Command::ExportReport]->setEnabled(hasDevice);
    // No command is bound to the radio firmware entry: it is always greyed.
    actions_[Command::WriteRadioFirmware]->setEnabled(false);
    actions_[Command::NextPage]->setEnabled(tabView_->CanNext());
    actions_[Command::PrevPage]->setEnabled(tabView_->CanPrev());
    QLineEdit* edit = tabView_->CurrentEdit();
    const bool hasEdit = edit != nullptr;
    actions_[Command::Cut]->setEnabled(hasEdit && !edit->isReadOnly());
    actions_[Command::Copy]->setEnabled(hasEdit);
    actions_[Command::Paste]->setEnabled(hasEdit && !edit->isReadOnly());
}

// ---- DocumentFrame -----------------------------------------------------------------------------------

void CMainFrame::FillTableChooser(const std::vector<std::string>& items, int selected, bool enabled)
{
    tableChooser_->clear();
    for (const std::string& item : items)
        tableChooser_->addItem(QString::fromStdString(item));
    tableChooser_->setCurrentIndex(selected >= 0 && selected < tableChooser_->count() ? selected : -1);
    tableChooser_->setEnabled(enabled);
    // Shown only while the device has tables.
    tableChooserAction_->setVisible(enabled && !items.empty());
}

void CMainFrame::OnTableChosen(int index)
{
    if (index >= 0)
        document_.OnTableChosen(index);
}

void CMainFrame::ShowCommandErrors(const std::vector<std::string>& notKnown,
                                   const std::vector<std::string>& outOfRange,
                                   const std::vector<std::string>& noResponse)
{
    CCommandErrorsDlg dialog(notKnown, outOfRange, noResponse, this);
    dialog.exec();
}

bool CMainFrame::EditFileDescription(std::string& description)
{
    CFileDescriptionDlg dialog(description, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    description = dialog.Description();
    return true;
}

void CMainFrame::ShowStartupChoice()
{
    // A flow that asks for the choice while the choice itself is running (a failed connect
    // started from it) returns to the dialog that is already open.
    if (inStartupChoice_)
        return;
    RunStartupChoice();
}

int CMainFrame::RunStartupChoice()
{
    inStartupChoice_ = true;
    CConfigSourceDlg dialog(*this, this);
    const int result = dialog.DoModal();
    inStartupChoice_ = false;
    UpdateCommandStates();
    return result;
}

void CMainFrame::SetTitle(const std::string& title)
{
    setWindowTitle(QString::fromStdString(title) + QStringLiteral(" - ") + QString::fromLatin1(kAppTitle));
}

void CMainFrame::BecameUntitled()
{
    path_.clear();
}

void CMainFrame::PagesRebuilt()
{
    tabView_->RebuildPages();
    UpdateCommandStates();
}

void CMainFrame::ValuesChanged()
{
    UpdateCommandStates();
}

// ---- start-up choice actions ---------------------------------------------------------------------------

bool CMainFrame::ConnectToDevice()
{
    WaitCursor cursor;
    if (document_.Connect())
        return true;
    ShowMessage(CQLMenuDoc::kUnableToConnect);
    return false;
}

bool CMainFrame::OfflineConfigure()
{
    return document_.OfflineConfigure();
}

bool CMainFrame::LoadConfigFromFile()
{
    FileRequest request;
    request.kind = FileDialogKind::Open;
    request.title = "Open";
    request.filter = kFilter;
    request.defaultExtension = kExtension;
    std::string path;
    if (!TheHost().ChooseFile(request, path))
        return false;
    // A file that cannot be opened or is damaged configures nothing: the start-up choice
    // comes back instead of leaving the user in an empty window.
    return OpenDocument(path);
}

void CMainFrame::Preferences()
{
    CPreferencesDlg dialog(app_.Port(), app_.Preferences(), app_.Store(), app_.Startup().Vendor().companyRegKey, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    app_.ApplyPreferences();
    // The reader may be on another port or speak at other limits now.
    if (!inStartupChoice_)
        document_.DetectNewDevice();
}

// ---- documents -------------------------------------------------------------------------------------------

void CMainFrame::OnOpen()
{
    if (!MaybeSave())
        return;
    LoadConfigFromFile();
}

bool CMainFrame::OpenDocument(const std::string& path)
{
    if (!document_.Load(path))
        return false;
    path_ = path;
    SetTitle(QFileInfo(QString::fromStdString(path)).fileName().toStdString());
    AddRecentFile(path);
    return true;
}

bool CMainFrame::CanSave() const
{
    return document_.Device() != nullptr;
}

bool CMainFrame::SaveDocument()
{
    // Saving reads the pages, so a value typed out of range stops it like any other command.
    if (!CanSave() || !document_.ValidationGate())
        return false;
    if (path_.empty())
        return SaveDocumentAs();
    if (!document_.Save(path_))
        return false;
    AddRecentFile(path_);
    return true;
}

bool CMainFrame::SaveDocumentAs()
{
    if (!CanSave() || !document_.ValidationGate())
        return false;
    FileRequest request;
    request.kind = FileDialogKind::Save;
    request.title = "Save As";
    request.filter = kFilter;
    request.defaultExtension = kExtension;
    request.initialPath = path_;
    std::string path;
    if (!TheHost().ChooseFile(request, path))
        return false;
    if (!document_.Save(path))
        return false;
    path_ = path;
    SetTitle(QFileInfo(QString::fromStdString(path)).fileName().toStdString());
    AddRecentFile(path);
    return true;
}

bool CMainFrame::MaybeSave()
{
    if (!document_.IsModified())
        return true;
    const QString name = path_.empty() ? QString::fromLatin1(CQLMenuDoc::kUntitled)
                                       : QFileInfo(QString::fromStdString(path_)).fileName();
    const MsgAnswer answer = ShowMessage("Save changes to " + name.toStdString() + "?", MsgButtons::YesNoCancel,
                                         MsgIcon::Warning, 0);
    if (answer == MsgAnswer::Cancel)
        return false;
    if (answer == MsgAnswer::Yes)
        return SaveDocument();
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (MaybeSave()) {
        if (help_)
            help_->close();
        event->accept();
    } else {
        event->ignore();
    }
}

QStringList CMainFrame::RecentFiles() const
{
    return recentFiles_;
}

void CMainFrame::AddRecentFile(const std::string& path)
{
    const QString full = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    recentFiles_.removeAll(full);
    recentFiles_.prepend(full);
    while (recentFiles_.size() > kRecentFiles)
        recentFiles_.removeLast();
    StoreRecentFiles();
    UpdateRecentMenu();
}

void CMainFrame::LoadRecentFiles()
{
    const std::string key = RecentKey(app_.Startup().Vendor().companyRegKey);
    recentFiles_.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::string entry = app_.Store().GetString(Hive::CurrentUser, key, "File" + std::to_string(i), "");
        if (!entry.empty())
            recentFiles_.append(QString::fromStdString(entry));
    }
    UpdateRecentMenu();
}

void CMainFrame::StoreRecentFiles()
{
    const std::string key = RecentKey(app_.Startup().Vendor().companyRegKey);
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::string name = "File" + std::to_string(i);
        if (i <= recentFiles_.size())
            app_.Store().WriteString(Hive::CurrentUser, key, name, recentFiles_[i - 1].toStdString());
        else
            app_.Store().DeleteValue(Hive::CurrentUser, key, name);
    }
}

void CMainFrame::UpdateRecentMenu()
{
    for (int i = 0; i < kRecentFiles; ++i) {
        QAction* action = recentActions_[static_cast<size_t>(i)];
        if (i < recentFiles_.size()) {
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(recentFiles_[i]).fileName()));
            action->setStatusTip(recentFiles_[i]);
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
    recentSeparator_->setVisible(!recentFiles_.isEmpty());
}

// ---- help and about --------------------------------------------------------------------------------------

void CMainFrame::About()
{
    SplashDisplay about(app_.Startup().ProgramFolderPath() + app_.Startup().Vendor().splashFile,
                        app_.Startup().Vendor().partNumber, this);
    about.setModal(true);
    about.exec();
}

void CMainFrame::ShowCommunicationLog()
{
    if (!communicationLog_)
        communicationLog_ = new CommunicationLogDlg(this);
    communicationLog_->show();
    communicationLog_->raise();
}

void CMainFrame::ShowHelpFor(int controlId)
{
    const ControlBinding* binding = document_.FindBinding(controlId);
    if (!binding)
        return;
    int helpId = 0;
    for (const auto& [control, help] : document_.HelpTable())
        if (control == controlId)
            helpId = help;
    QString details;
    if (const CDevice* device = document_.Device()) {
        const auto& settings = device->Settings();
        if (binding->settingIndex >= 0 && binding->settingIndex < static_cast<int>(settings.size())) {
            const CDeviceSetting& setting = settings[static_cast<size_t>(binding->settingIndex)];
            details = QStringLiteral("Menu command: %1\n").arg(QString::fromStdString(setting.tag));
            if (setting.minimum != setting.maximum)
                details += QStringLiteral("Range: %1 to %2\n").arg(setting.minimum).arg(setting.maximum);
            details += QStringLiteral("Default: %1").arg(QString::fromStdString(setting.defaultValue));
        }
    }
    if (!help_)
        help_ = new HelpWindow(this);
    help_->ShowTopic(helpId, QString::fromStdString(binding->caption), details);
}

// ---- printing ---------------------------------------------------------------------------------------------

int CMainFrame::PaintConfiguration(QPrinter& printer)
{
    const CDevice* device = document_.Device();
    if (!device)
        return 0;
    ConfigurationPrint print(ConfigurationPrint::BuildRows(document_.Bindings(), *device));
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    QtCanvas canvas(painter, &printer, page.width(), page.height(), printer.logicalDpiX(), printer.logicalDpiY());
    const int pages = print.Prepare(canvas);
    for (int i = 0; i < pages; ++i) {
        canvas.StartPage();
        print.DrawPage(canvas, i);
        canvas.EndPage();
    }
    painter.end();
    return pages;
}

bool CMainFrame::PrintConfiguration()
{
    if (!document_.Device() || !document_.ValidationGate())
        return false;
    document_.CollectValues();
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // Without an installed printer the configuration goes into a PDF file.
    if (QPrinterInfo::availablePrinters().isEmpty() || printer_->outputFormat() == QPrinter::PdfFormat) {
        FileRequest request;
        request.kind = FileDialogKind::Save;
        request.title = "Print Configuration to PDF";
        request.filter = "PDF Files (*.pdf)";
        request.defaultExtension = ".pdf";
        std::string file;
        if (!TheHost().ChooseFile(request, file))
            return false;
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(QString::fromStdString(file));
    } else {
        // "Print Configuration..." lets the user pick the printer, pages and copies first.
        QPrintDialog dialog(printer_.get(), this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    if (PaintConfiguration(*printer_) > 0)
        return true;
    ShowMessage("The configuration could not be printed.", MsgButtons::Ok, MsgIcon::Error);
    return false;
}

void CMainFrame::PrintPreview()
{
    if (!document_.Device() || !document_.ValidationGate())
        return;
    document_.CollectValues();
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintPreviewDialog preview(printer_.get(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) { PaintConfiguration(*printer); });
    preview.exec();
}

void CMainFrame::PrintSetup()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPageSetupDialog setup(printer_.get(), this);
    setup.exec();
}

bool CMainFrame::ExportReport()
{
    if (!document_.Device() || !document_.ValidationGate())
        return false;
    FileRequest request;
    request.kind = FileDialogKind::Save;
    request.title = "Export Report";
    request.filter = "PDF Files (*.pdf);;HTML Files (*.html)";
    request.defaultExtension = ".pdf";
    std::string file;
    if (!TheHost().ChooseFile(request, file))
        return false;
    const std::string source = path_.empty() ? std::string(CQLMenuDoc::kUntitled) : path_;
    const ConfigurationReport report
        = ConfigurationReport::Build(document_, document_.SaveToBytes(), source, std::string());
    const QString suffix = QFileInfo(QString::fromStdString(file)).suffix().toLower();
    std::string error;
    const bool written = suffix == QStringLiteral("html") || suffix == QStringLiteral("htm")
        ? WriteFileAtomically(file, report.ToHtml(), &error)
        : WritePdfFile(file, [&report](Canvas& canvas) { return report.Draw(canvas); }, error);
    if (!written) {
        ShowMessage("The report could not be written to " + file + ": " + error, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    statusBar()->showMessage(QStringLiteral("Report written to %1").arg(QString::fromStdString(file)));
    return true;
}
