#include "app/view/CConfigSourceDlg.h"

#include "platform/Host.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

struct ChoiceRow {
    ConfigChoice choice;
    const char* button;
    const char* explanation;
};

// The buttons in the order shown, each with the sentence beside it.
constexpr ChoiceRow kRows[] = {
    { ConfigChoice::Connect, "Connect To Device",
      "Connect to a device. This will build the menus dynamically.  The device must be powered and configured for "
      "RS-232 communications." },
    { ConfigChoice::Offline, "Offline Configure", "Perform an offline configuration for any device." },
    { ConfigChoice::LoadFile, "Load Config From File", "Load a configuration from a previously saved Kestrel data file." },
    { ConfigChoice::PrintBarcode, "Print RS-232 Bar Code",
      "Print the Kestrel bar code.  When scanned, this bar code reconfigures the device for RS-232 communications so "
      "that it can connect to Kestrel. " },
    { ConfigChoice::FlashFirmware, "Flash Firmware", "Flash new firmware into the device." },
    { ConfigChoice::Cancel, "Cancel", "Cancel this operation." },
};

} // namespace

CConfigSourceDlg::CConfigSourceDlg(ConfigSourceActions& actions, QWidget* parent) : QDialog(parent), actions_(actions)
{
    setWindowTitle(QStringLiteral("Configuration Options"));
    setObjectName(QStringLiteral("configSource"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Please choose one of the following:"), this), 0, 0, 1, 2);
    int row = 1;
    for (const ChoiceRow& entry : kRows) {
        auto* button = new QPushButton(QString::fromLatin1(entry.button), this);
        button->setAutoDefault(false);
        auto* text = new QLabel(QString::fromLatin1(entry.explanation), this);
        text->setWordWrap(true);
        text->setMinimumWidth(360);
        grid->addWidget(button, row, 0, Qt::AlignTop);
        grid->addWidget(text, row, 1);
        buttons_[entry.choice] = button;
        const ConfigChoice choice = entry.choice;
        connect(button, &QPushButton::clicked, this, [this, choice] {
            choice_ = choice;
            accept();
        });
        ++row;
    }
    // Their work arrives with the bar code and firmware parts of the program; until then the
    // buttons say so by being unavailable rather than doing nothing.
    buttons_[ConfigChoice::PrintBarcode]->setEnabled(actions_.CanPrintRs232Barcode());
    buttons_[ConfigChoice::FlashFirmware]->setEnabled(actions_.CanFlashFirmware());
    buttons_[ConfigChoice::Connect]->setDefault(true);
}

QPushButton* CConfigSourceDlg::Button(ConfigChoice choice) const
{
    const auto found = buttons_.find(choice);
    return found == buttons_.end() ? nullptr : found->second;
}

void CConfigSourceDlg::reject()
{
    // Escape or the window's close box mean Cancel.
    choice_ = ConfigChoice::Cancel;
    QDialog::accept();
}

int CConfigSourceDlg::DoModal()
{
    for (;;) {
        choice_ = ConfigChoice::None;
        exec();
        if (const int result = Perform(choice_))
            return result;
    }
}

int CConfigSourceDlg::Perform(ConfigChoice choice)
{
    // The dialog is hidden while a choice runs, so progress windows and messages are on top.
    switch (choice) {
    case ConfigChoice::Connect:
        return actions_.ConnectToDevice() ? kConfigured : 0;
    case ConfigChoice::Offline:
        return actions_.OfflineConfigure() ? kConfigured : 0;
    case ConfigChoice::LoadFile:
        return actions_.LoadConfigFromFile() ? kConfigured : 0;
    case ConfigChoice::PrintBarcode:
        if (actions_.CanPrintRs232Barcode())
            actions_.PrintRs232Barcode();
        return 0;
    case ConfigChoice::FlashFirmware:
        if (actions_.CanFlashFirmware())
            actions_.FlashFirmware();
        return 0;
    case ConfigChoice::Preferences:
        actions_.Preferences();
        return 0;
    case ConfigChoice::Cancel:
        return kCancelled;
    case ConfigChoice::None:
        break;
    }
    ShowMessage(kFatal);
    return 0;
}
