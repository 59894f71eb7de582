#include "transfer/view/CReaderEventsDock.h"

#include "catalog/CDeviceName.h"
#include "device/CDevice.h"
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HTAG.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/image/HImageFormats.h"
#include "transfer/view/CPictureWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFormLayout>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSpinBox>
#include <QTimer>

namespace {

QString Text(const HSTRING& s) { return QString::fromLatin1(s.Text(), int(s.Length())); }

QMenu* FindMenu(QMainWindow* frame, const QString& title)
{
    for (QAction* action : frame->menuBar()->actions()) {
        if (action->text() == title && action->menu())
            return action->menu();
    }
    return frame->menuBar()->addMenu(title);
}

// The forms a user picks from, in the reader's numbering.
constexpr struct {
    int format;
    const char* caption;
} kForms[] = { { 5, "Gray, 8 bits (uncompressed)" }, { 0, "Gray, KIM coded" }, { 6, "JPEG" },
               { 4, "Binary, 1 bit" },                { 7, "Binary, run coded" }, { 3, "TIFF, 8 bits" },
               { 1, "TIFF, CCITT G3" },               { 2, "TIFF, CCITT G4" },    { 8, "BMP" },
               { 9, "Binary, zlib rows" } };

} // namespace

CReaderEventsDock::CReaderEventsDock(QMainWindow* frame, DeviceSource device)
    : QDockWidget(QStringLiteral("Reader Events"), frame), m_Device(std::move(device)), m_Frame(frame)
{
    setObjectName(QStringLiteral("readerEventsDock"));
    m_List = new QListWidget(this);
    setWidget(m_List);
    connect(m_List, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QVariant index = item->data(Qt::UserRole);
        if (index.isValid() && index.toInt() < int(m_Pictures.size()))
            ShowPicture(m_Pictures[size_t(index.toInt())], item->text());
    });

    m_Capture = new QAction(QStringLiteral("Capture &Image..."), this);
    m_Capture->setStatusTip(QStringLiteral("Take a picture with the connected imager"));
    connect(m_Capture, &QAction::triggered, this, &CReaderEventsDock::AskAndCapture);
    m_Open = new QAction(QStringLiteral("Open &Picture..."), this);
    m_Open->setStatusTip(QStringLiteral("Open a KIM, PNG, TIFF or BMP picture"));
    connect(m_Open, &QAction::triggered, this, &CReaderEventsDock::AskAndOpen);

    // What the reader sends on its own is picked up while the program has nothing else to do.
    m_Idle = new QTimer(this);
    m_Idle->setInterval(200);
    connect(m_Idle, &QTimer::timeout, this, [this] {
        UpdateActions();
        Poll();
    });
    m_Idle->start();
}

void CReaderEventsDock::UpdateActions()
{
    CDevice* device = m_Device ? m_Device() : nullptr;
    m_Capture->setEnabled(device && device->IsImageCapable());
}

void CReaderEventsDock::Poll()
{
    CDevice* device = m_Device ? m_Device() : nullptr;
    // Only while the program is really idle: no flow running (they show the wait cursor) and
    // no dialog open, so no exchange's answer is ever taken for something the reader said.
    if (!device || QApplication::overrideCursor() || QApplication::activeModalWidget())
        return;
    HCOMMAND_PROCESSOR& processor = device->CommandHandler();
    // Never while an exchange owns the line.
    HTRANSFER_STATUS* status = processor.Status();
    if (processor.ReceivedDataBusy() || (status && status->GetProcessReceivedDataLockSemaphore() > 0))
        return;
    processor.SetEventSink(this);
    processor.ProcessPendingData();
}

void CReaderEventsDock::Add(const QString& text)
{
    // Hidden until the reader has something to say, so the pages keep their room.
    if (!m_Shown) {
        m_Shown = true;
        show();
    }
    m_List->addItem(text);
    m_List->scrollToBottom();
}

void CReaderEventsDock::DecodedData(const HSTRING& text) { Add(QStringLiteral("Data: ") + Text(text)); }

void CReaderEventsDock::PictureReceived(int code, const HSTRING& text, const HIMAGE& image)
{
    m_Pictures.push_back(image);
    auto* item = new QListWidgetItem(
        QStringLiteral("Picture: %1 (%2 x %3)").arg(Text(text)).arg(image.width).arg(image.height), m_List);
    item->setData(Qt::UserRole, int(m_Pictures.size() - 1));
    if (!m_Shown) {
        m_Shown = true;
        show();
    }
    m_List->scrollToBottom();
    (void)code;
}

void CReaderEventsDock::HTagReceived(const HTAG& command, int code, const HSTRING& text)
{
    QString line = QStringLiteral("HTag %1 (%2): %3").arg(QString::fromStdString(command.Name())).arg(code).arg(Text(text).trimmed());
    if (command.Data().Length() > 0 && command.Data().Length() <= 200)
        line += QStringLiteral(" — ") + Text(command.Data());
    Add(line);
}

void CReaderEventsDock::TaggedData(const HSTRING& prefix, const HSTRING& block)
{
    Add(QStringLiteral("Tagged %1: %2").arg(Text(prefix), Text(block)));
}

CPictureWindow* CReaderEventsDock::ShowPicture(const HIMAGE& image, const QString& result)
{
    CDevice* device = m_Device ? m_Device() : nullptr;
    HPICTURE_INFO info;
    if (device)
        info = HImageFormats::InfoFor(image, device->DeviceName().ProductName(),
                                      device->DeviceName().baseNumber + " " + std::to_string(device->DeviceName().revision));
    auto* window = new CPictureWindow(image, result, info, m_Frame);
    window->show();
    return window;
}

CPictureWindow* CReaderEventsDock::Capture(int format, int subsample, int quality)
{
    CDevice* device = m_Device ? m_Device() : nullptr;
    if (!device || !device->IsImageCapable())
        return nullptr;
    HCOMMAND_PROCESSOR& processor = device->CommandHandler();
    processor.SetEventSink(this);
    processor.SetCaptureMode(true);
    const size_t before = m_Pictures.size();
    const bool headerForm = format == 0 || format == 4 || format == 5 || format == 6 || format == 7;
    bool sent = false;
    if (headerForm) {
        sent = processor.CapturePlain(subsample, format, quality);
    } else {
        HTAG request("IMGSHP");
        request.SetProtocol(2);
        request.SetInt("S", subsample);
        request.SetInt("F", format);
        request.SetInt("J", quality);
        sent = processor.SendHTag(request, false, nullptr);
    }
    QElapsedTimer clock;
    clock.start();
    while (sent && m_Pictures.size() == before && clock.elapsed() < 60000) {
        processor.ProcessReceivedData(nullptr, true);
        QApplication::processEvents();
    }
    processor.SetCaptureMode(false);
    if (m_Pictures.size() == before) {
        QMessageBox::warning(m_Frame, QStringLiteral("Capture Image"), QStringLiteral("No picture arrived from the device."));
        return nullptr;
    }
    return ShowPicture(m_Pictures.back(), m_List->item(m_List->count() - 1)->text());
}

void CReaderEventsDock::AskAndCapture()
{
    QDialog dialog(m_Frame);
    dialog.setWindowTitle(QStringLiteral("Capture Image"));
    auto* form = new QFormLayout(&dialog);
    auto* forms = new QComboBox(&dialog);
    for (const auto& f : kForms)
        forms->addItem(QString::fromLatin1(f.caption), f.format);
    auto* subsample = new QSpinBox(&dialog);
    subsample->setRange(1, 10);
    auto* quality = new QSpinBox(&dialog);
    quality->setRange(1, 100);
    quality->setValue(80);
    form->addRow(QStringLiteral("&Form:"), forms);
    form->addRow(QStringLiteral("&Subsample:"), subsample);
    form->addRow(QStringLiteral("JPEG &quality:"), quality);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() == QDialog::Accepted)
        Capture(forms->currentData().toInt(), subsample->value(), quality->value());
}

CPictureWindow* CReaderEventsDock::OpenPicture(const QString& path)
{
    HIMAGE image;
    HPICTURE_INFO info;
    std::string error;
    if (!HImageFormats::ReadFile(path.toStdString(), image, info, error)) {
        QMessageBox::warning(m_Frame, QStringLiteral("Open Picture"), QString::fromStdString(error));
        return nullptr;
    }
    auto* window = new CPictureWindow(image, path, info, m_Frame);
    window->show();
    return window;
}

void CReaderEventsDock::AskAndOpen()
{
    const QString path = QFileDialog::getOpenFileName(m_Frame, QStringLiteral("Open Picture"), QString(),
                                                      QStringLiteral("Pictures (*.kim *.png *.tif *.tiff *.bmp)"));
    if (!path.isEmpty())
        OpenPicture(path);
}

CReaderEventsDock* InstallReaderEvents(QMainWindow* frame, CReaderEventsDock::DeviceSource device)
{
    auto* dock = new CReaderEventsDock(frame, std::move(device));
    frame->addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    QMenu* file = FindMenu(frame, QStringLiteral("&File"));
    // Beside the other open commands when there is a separator to go before, else at the end.
    QAction* before = nullptr;
    for (QAction* action : file->actions()) {
        if (action->isSeparator()) {
            before = action;
            break;
        }
    }
    file->insertAction(before, dock->OpenAction());
    QMenu* deviceMenu = FindMenu(frame, QStringLiteral("&Device"));
    deviceMenu->addSeparator();
    deviceMenu->addAction(dock->CaptureAction());
    if (QMenu* view = FindMenu(frame, QStringLiteral("&View")))
        view->addAction(dock->toggleViewAction());
    return dock;
}
