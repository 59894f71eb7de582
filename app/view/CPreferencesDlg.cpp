#include "app/view/CPreferencesDlg.h"

#include "app/UserPreferences.h"
#include "device/CSerComm.h"
#include "platform/SettingsStore.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdlib>

namespace {

// Stored values of the two radio groups, in button order.
constexpr int kCompressionValues[] = { 0, 6, 7 };
constexpr const char* kCompressionNames[] = { "None", "L-V", "Huffman" };
constexpr int kDtrValues[] = { 0, 1, 2 };
constexpr const char* kDtrNames[] = { "Disabled", "Enabled", "Used For Flow Control" };
static_assert(std::size(kCompressionValues) == std::size(kCompressionNames));
static_assert(std::size(kDtrValues) == std::size(kDtrNames));

template <size_t N>
QButtonGroup* RadioGroup(QWidget* owner, QVBoxLayout* layout, const QString& title, const char* const (&names)[N],
                         const int (&values)[N], int current)
{
    auto* box = new QGroupBox(title, owner);
    auto* inner = new QVBoxLayout(box);
    auto* group = new QButtonGroup(owner);
    int checked = 0; // a stored value the dialog does not know shows the first choice
    for (size_t i = 0; i < N; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(names[i]), box);
        group->addButton(button, static_cast<int>(i));
        inner->addWidget(button);
        if (values[i] == current)
            checked = static_cast<int>(i);
    }
    group->button(checked)->setChecked(true);
    layout->addWidget(box);
    return group;
}

} // namespace

CPreferencesDlg::CPreferencesDlg(CSerComm& port, UserPreferences& preferences, SettingsStore& store,
                                 std::string companyRegKey, QWidget* parent)
    : QDialog(parent), port_(port), preferences_(preferences), store_(store), companyRegKey_(std::move(companyRegKey))
{
    setWindowTitle(QStringLiteral("Preferences"));
    auto* layout = new QVBoxLayout(this);

    auto* portRow = new QHBoxLayout;
    portRow->addWidget(new QLabel(QStringLiteral("Comm Port"), this));
    ports_ = new QComboBox(this);
    ports_->setEditable(false);
    portRow->addWidget(ports_, 1);
    layout->addLayout(portRow);

    port_.EnumeratePorts();
    const QString current = QStringLiteral("COM%1").arg(port_.GetPortNumber());
    for (int i = 0; i < port_.GetPortCount(); ++i) {
        const std::string name = port_.GetPortName(i);
        // The number is the integer after "COM"; display names add the device in brackets.
        portNumbers_.push_back(name.size() > 3 ? std::atoi(name.c_str() + 3) : 0);
        ports_->addItem(QString::fromStdString(port_.GetPortDisplayName(i)), QString::fromStdString(name));
    }
    if (portNumbers_.empty()) {
        ports_->addItem(QString::fromLatin1(kNoPorts));
    } else {
        ports_->setCurrentIndex(-1);
        for (int i = 0; i < ports_->count(); ++i)
            if (ports_->itemData(i).toString() == current)
                ports_->setCurrentIndex(i);
    }

    auto* eorBox = new QGroupBox(QStringLiteral("End Of Record Char"), this);
    auto* eorLayout = new QHBoxLayout(eorBox);
    eor_ = new QLineEdit(QString::fromStdString(preferences_.eorCharacter), eorBox);
    eorLayout->addWidget(eor_);
    layout->addWidget(eorBox);

    compression_ = RadioGroup(this, layout, QStringLiteral("Code Compression"), kCompressionNames, kCompressionValues,
                              preferences_.codeCompression);
    dtr_ = RadioGroup(this, layout, QStringLiteral("DTR Configuration"), kDtrNames, kDtrValues,
                      preferences_.dtrConfiguration);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPreferencesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    if (parent)
        move(parent->geometry().center() - rect().center());
}

void CPreferencesDlg::accept()
{
    const int index = ports_->currentIndex();
    // Only a port that was found can be confirmed; with none the dialog stays open.
    if (index < 0 || static_cast<size_t>(index) >= portNumbers_.size())
        return;
    const int chosen = portNumbers_[static_cast<size_t>(index)];
    const bool portChanged = chosen != port_.GetPortNumber();
    preferences_.comPort = port_.GetPortNumber();
    preferences_.ApplyChoices(store_, companyRegKey_, chosen, kCompressionValues[std::max(0, compression_->checkedId())],
                              kDtrValues[std::max(0, dtr_->checkedId())], eor_->text().toStdString());
    port_.SetDtrMode(preferences_.dtrConfiguration);
    if (portChanged) {
        port_.SetPortNumber(chosen);
        port_.SetBaudLimits(preferences_.maxBaud, preferences_.minBaud);
    }
    QDialog::accept();
}
