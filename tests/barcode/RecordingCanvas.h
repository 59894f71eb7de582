// A canvas that records what is drawn: every text with its rectangle, every bitmap copy with
// its target. Text is measured with fixed metrics (10 pixels a character, 32 pixels a line).
#pragma once

#include "document/Canvas.h"

#include <string>
#include <vector>

class RecordingCanvas : public Canvas {
public:
    struct Text {
        CanvasRect rect;
        std::string text;
    };
    struct Copy {
        CanvasRect rect;
        int width = 0;
        int height = 0;
    };

    bool SelectFont(const std::string&, int) override { return true; }
    void SelectFixedFont() override {}
    int FontHeight() override { return fontHeight; }
    int DotsPerInchX() override { return dpi; }
    int DotsPerInchY() override { return dpi; }
    int PageWidth() override { return pageWidth; }
    int PageHeight() override { return pageHeight; }
    int MeasureText(const std::string& text) override { return static_cast<int>(text.size()) * letterWidth; }
    void DrawText(const CanvasRect& rect, const std::string& text, bool) override { texts.push_back({ rect, text }); }
    void DrawLine(int x1, int y1, int x2, int y2) override { lines.push_back({ x1, y1, x2, y2 }); }
    void CopyBitmap(const std::vector<std::uint8_t>&, int width, int height, int, const CanvasRect& rect) override
    {
        copies.push_back({ rect, width, height });
    }
    void StartPage() override { ++pages; }
    void EndPage() override {}

    int fontHeight = 32;
    int letterWidth = 10;
    int dpi = 300;
    int pageWidth = 1200;
    int pageHeight = 1500;
    int pages = 0;
    std::vector<Text> texts;
    std::vector<CanvasRect> lines;
    std::vector<Copy> copies;
};

// The byte that ends every linear menu command after its ".".
inline constexpr char kFnc3 = '\x82';
inline std::string Linear(const std::string& command) { return "~" + command + "." + kFnc3; }
