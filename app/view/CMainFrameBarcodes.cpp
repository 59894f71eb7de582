// The main window's bar code commands: cloning bar codes of the open configuration, and the
// RS-232 interface bar code (also reached from the start-up choice).
#include "app/view/CMainFrame.h"

#include "barcode/CloningText.h"
#include "barcode/view/CAztecBCDlg.h"
#include "barcode/view/CKestrelBCDlg.h"
#include "barcode/view/CLinBCDlg.h"
#include "document/CQLMenuDoc.h"

#include <QPrinter>

void CMainFrame::PrintCloningBarcodes()
{
    CDevice* device = document_.Device();
    if (!device)
        return;
    const CloningForm form = ChooseCloningForm(*device);
    std::string text;
    if (!BuildCloningText(document_, form, text))
        return;
    const std::string product = device->DeviceName().ProductName();
    if (form == CloningForm::Linear) {
        CLinBCDlg dialog(text, product, path_, CaptionControlsOf(document_), printer_.get(), this);
        dialog.exec();
        return;
    }
    CAztecBCDlg dialog(text, product, path_, printer_.get(), this);
    dialog.exec();
}

void CMainFrame::PrintRs232Barcode()
{
    CKestrelBCDlg dialog(printer_.get(), this);
    dialog.exec();
}
