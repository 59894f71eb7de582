// CPreferencesDlg: "Preferences" — the serial port, the end-of-record character, the
// compression used for firmware transfers and the use of the DTR line.
//
// It edits the application's in-memory preferences and the per-user store; changes reach
// either only through OK, and OK does nothing while no port that exists is selected.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class CSerComm;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class SettingsStore;
class UserPreferences;

class CPreferencesDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kNoPorts = "No Ports Available";

    CPreferencesDlg(CSerComm& port, UserPreferences& preferences, SettingsStore& store, std::string companyRegKey,
                    QWidget* parent = nullptr);

    QComboBox* PortList() const { return ports_; }
    QLineEdit* EorEdit() const { return eor_; }
    QButtonGroup* Compression() const { return compression_; }
    QButtonGroup* Dtr() const { return dtr_; }

public slots:
    void accept() override;

private:
    CSerComm& port_;
    UserPreferences& preferences_;
    SettingsStore& store_;
    std::string companyRegKey_;
    std::vector<int> portNumbers_; // parallel to the list entries; empty when no port was found
    QComboBox* ports_ = nullptr;
    QLineEdit* eor_ = nullptr;
    QButtonGroup* compression_ = nullptr;
    QButtonGroup* dtr_ = nullptr;
};
