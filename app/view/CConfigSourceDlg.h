// CConfigSourceDlg: "Configuration Options" — the start-up choice. The user connects to a
// reader, prepares a configuration offline, loads a saved one, prints the RS-232 bar code or
// flashes firmware; the dialog comes back until a configuration is set up or the user cancels.
#pragma once

#include <QDialog>
#include <map>

class QPushButton;

enum class ConfigChoice { None, Connect, Offline, LoadFile, PrintBarcode, FlashFirmware, Preferences, Cancel };

// What the choices do; the main window provides them.
class ConfigSourceActions {
public:
    virtual ~ConfigSourceActions() = default;
    virtual bool ConnectToDevice() = 0;       // shows its own failure message
    virtual bool OfflineConfigure() = 0;
    virtual bool LoadConfigFromFile() = 0;    // false when the file dialog was cancelled
    virtual bool CanPrintRs232Barcode() const = 0;
    virtual void PrintRs232Barcode() = 0;
    virtual bool CanFlashFirmware() const = 0;
    virtual void FlashFirmware() = 0;
    virtual void Preferences() = 0;
};

class CConfigSourceDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kConfigured = 1;
    static constexpr int kCancelled = 2;
    static constexpr const char* kFatal = "Fatal Error in CConfigSourceDlg::DoModal, Please contact program vendor.";

    explicit CConfigSourceDlg(ConfigSourceActions& actions, QWidget* parent = nullptr);

    // Runs the choice until a configuration is set up (1) or the user cancels (2).
    int DoModal();
    // Carries out one choice as DoModal would; 0 means "show the dialog again".
    int Perform(ConfigChoice choice);

    QPushButton* Button(ConfigChoice choice) const;
    ConfigChoice LastChoice() const { return choice_; }

protected:
    void reject() override;

private:
    ConfigSourceActions& actions_;
    std::map<ConfigChoice, QPushButton*> buttons_;
    ConfigChoice choice_ = ConfigChoice::None;
};
