// Canvas: the drawing surface that printed pages are composed on.
//
// Page composition (the configuration table, barcode pages) is plain code that draws through
// this interface; the desktop program implements it over its painter for the preview and the
// printer, tests record the calls. Coordinates are device pixels of the page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CanvasRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    // Selects a font by face name and point size; false when the surface cannot make it (the
    // caller then falls back to the fixed system font).
    virtual bool SelectFont(const std::string& face, int pointSize) = 0;
    // The fixed system font every surface has.
    virtual void SelectFixedFont() = 0;
    // Makes the selected font bold (weight 700) or normal; surfaces without weights ignore it.
    virtual void SetBold(bool /*bold*/) {}
    // Height of a line of the selected font, in pixels.
    virtual int FontHeight() = 0;
    // Dots per inch of the surface.
    virtual int DotsPerInchX() = 0;
    virtual int DotsPerInchY() = 0;
    // Printable size in pixels.
    virtual int PageWidth() = 0;
    virtual int PageHeight() = 0;
    virtual int MeasureText(const std::string& text) = 0;
    // Draws `text` inside `rect`, breaking lines at blanks when `wordWrap` is set.
    virtual void DrawText(const CanvasRect& rect, const std::string& text, bool wordWrap) = 0;
    virtual void DrawLine(int x1, int y1, int x2, int y2) = 0;
    // Copies a 1-bit bitmap (rows of `stride` bytes, most significant bit first, 0 = black)
    // scaled into `destination`.
    virtual void CopyBitmap(const std::vector<std::uint8_t>& bits, int width, int height, int stride,
        const CanvasRect& destination)
        = 0;
    virtual void StartPage() = 0;
    virtual void EndPage() = 0;
};
