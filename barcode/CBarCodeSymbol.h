// CBarCodeSymbol: one linear menu bar code — a Code 128 symbol that carries one menu command
// ("~", tag, value, ".", FNC3), with its caption texts and the layout of bars and caption in
// the symbol's box.
//
// The symbol is built complete in one step (bitmap, captions, layout) and only read after.
// A command the encoder refuses leaves the symbol without bars: its offsets stay -1, its box
// is empty and Draw draws nothing.
#pragma once

#include "barcode/MonoBitmap.h"
#include "document/Canvas.h"

#include <string>
#include <vector>

// What the description caption needs of one control of the document, in control order.
struct CaptionControl {
    std::string tag;
    std::string caption;
    std::string controlType;
};

class CBarCodeSymbol {
public:
    // Caption placement.
    static constexpr int kLeft = 0;
    static constexpr int kBelow = 1;
    static constexpr int kRight = 2;
    static constexpr int kAbove = 3;
    // Caption information.
    static constexpr int kDescriptionAndCommand = 1;
    static constexpr int kCommandOnly = 2;
    static constexpr int kDescriptionOnly = 3;

    static constexpr const char* kEncodeFailed
        = "Failed to create Linear Code 128 menu symbol. Please contact program vendor.";
    static constexpr const char* kNoBitmap = "Unable to create barcode bitmap. Please contact program vendor.";
    static constexpr const char* kDrawFailed = "CBarCodeSymbol::Draw setup failed. Please contact program vendor.";

    // `measure` is the surface the captions will be drawn on (its selected font). With
    // `showMessages` off a failed encoding is left to the caller to report.
    CBarCodeSymbol(Canvas& measure, const std::string& data, int placement, int captionInformation,
        int largestCaptionWidth, int moduleWidth, int barHeight, const std::vector<CaptionControl>& controls = {},
        bool showMessages = true);

    bool Draw(Canvas& canvas, int x, int y) const;

    int BoxWidth() const { return boxWidth_; }
    int BoxHeight() const { return boxHeight_; }
    bool HasBitmap() const { return bitmapOffsetX_ != -1; }

    const std::string& Data() const { return data_; }
    // The bytes the bars carry (a Base ID symbol leaves out its tag and periods).
    const std::string& EncodedData() const { return encoded_; }
    const std::string& Tag() const { return tag_; }
    const std::string& Value() const { return value_; }
    const std::string& CommandCaption() const { return command_; }
    const std::string& DescriptionCaption() const { return description_; }
    const MonoBitmap& Bitmap() const { return bitmap_; }
    int BitmapOffsetX() const { return bitmapOffsetX_; }
    int BitmapOffsetY() const { return bitmapOffsetY_; }
    int CaptionOffsetX() const { return captionOffsetX_; }
    int CaptionOffsetY() const { return captionOffsetY_; }
    int CaptionWidth() const { return captionWidth_; }
    int CaptionHeight() const { return captionHeight_; }

    // The description of a command: the first control showing its tag, then the fixed texts
    // of the block and wireless commands.
    static std::string Describe(const std::string& tag, const std::string& value,
        const std::vector<CaptionControl>& controls);
    // "~" + tag + value + "." + FNC3 with the Base ID rule applied: what the bars carry.
    static std::string EncodedForm(const std::string& data);

private:
    bool MakeBitmap(int moduleWidth, int barHeight);
    void MeasureCaption(Canvas& measure, int information, int largestCaptionWidth);
    void Layout(int placement);

    std::string data_;
    std::string encoded_;
    std::string tag_;
    std::string value_;
    std::string command_;
    std::string description_;
    MonoBitmap bitmap_;
    int placement_ = kBelow;
    int information_ = kDescriptionOnly;
    int captionWidth_ = 0;
    int captionHeight_ = 0;
    int captionOffsetX_ = -1;
    int captionOffsetY_ = -1;
    int bitmapOffsetX_ = -1;
    int bitmapOffsetY_ = -1;
    int boxWidth_ = 0;
    int boxHeight_ = 0;
    int letterWidth_ = 0;
    int lineHeight_ = 0;
    int lineGap_ = 0;
};
