// The one-page print of the Aztec and RS-232 dialogs: a document with one page that holds
// one symbol, on the printer Print Setup chose or in a PDF file.
#pragma once

#include "barcode/BarcodeSheets.h"

#include <functional>

class QPrinter;

// `draw` composes the page. The messages of a failed start or drawing are the dialogs'.
// True when the page was printed.
bool PrintSymbolPage(QPrinter* chosen, const char* documentName, const std::string& pdfTitle,
    const std::function<SymbolPageResult(Canvas&)>& draw);
