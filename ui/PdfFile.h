// PdfFile: pages drawn on a Canvas into a PDF file — the desktop program's exports and the
// command line tool's output files, from the same composition code as printing. A program
// without a QGuiApplication (kestrel-cli) gets one on the offscreen platform. The file is
// replaced atomically, so a failed export never leaves half a PDF.
#pragma once

#include <functional>
#include <string>

class Canvas;

// Makes the QGuiApplication fonts and painting need, on the offscreen platform, when the
// program has none yet.
void EnsureGuiApplication();

// Draws with `draw` (which calls StartPage/EndPage around each page and returns the page
// count) onto US Letter or A4 at `dpi`; false with a reason when nothing usable was written.
bool WritePdfFile(const std::string& path, const std::function<int(Canvas&)>& draw, std::string& error,
    int dpi = 600, bool a4 = false);
