#include "barcode/CBarCodeSymbol.h"

#include "platform/Host.h"
#include "stripe32/stripe32.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace {

bool SameTag(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

// Commands whose description is a fixed text; `withValue` appends the value.
struct FixedDescription {
    const char* tag;
    const char* text;
    bool withValue;
};
constexpr std::array<FixedDescription, 24> kFixedDescriptions { {
    { "GRPSEL", "Application Group: ", true },
    { "BASEID", "Base ID: ", true },
    { "REMOVE", "Remove Scanner Association", false },
    { "PRECA2", "Clear Prefix", false },
    { "SUFCA2", "Clear Suffix", false },
    { "PREBK2", "Prefix Block: ", true },
    { "SUFBK2", "Suffix Block: ", true },
    { "CODIDX", "Transmit Code ID", false },
    { "AIMIDX", "Transmit AIM ID", false },
    { "PRE_EN", "Prefix Enable: ", true },
    { "SUF_EN", "Suffix Enable: ", true },
    { "AXPCA2", "Clear Aux Port Prefix", false },
    { "AXSCA2", "Clear Aux Port Suffix", false },
    { "AXP_EN", "Aux Port Prefix Enable: ", true },
    { "AXS_EN", "Aux Port Suffix Enable: ", true },
    { "AXPBK2", "Aux Port Prefix Block: ", true },
    { "AXSBK2", "Aux Port Suffix Block: ", true },
    { "DFMCA3", "Clear Data Formatter", false },
    { "AXDCA3", "Aux Port Clear Data Formatter", false },
    { "DFM_EN", "Data Formatter Enable: ", true },
    { "AXD_EN", "Aux Port Data Formatter Enable: ", true },
    { "DFMRQD", "Data Formatter Required", false },
    { "DFMBK3", "Data Formatter Block: ", true },
    { "AXDBK3", "Aux Port Data Formatter Block: ", true },
} };

struct TextSize {
    int width = 0;
    int height = 0;
};

} // namespace

std::string CBarCodeSymbol::Describe(const std::string& tag, const std::string& value,
    const std::vector<CaptionControl>& controls)
{
    std::string description;
    for (const CaptionControl& control : controls) {
        if (control.tag != tag)
            continue;
        description = control.caption;
        if (control.controlType == "CHECK")
            description += value == "0" ? " - OFF" : " - ON";
        else
            description += ": " + value;
        break;
    }
    for (const FixedDescription& fixed : kFixedDescriptions)
        if (SameTag(tag, fixed.tag))
            return fixed.withValue ? fixed.text + value : std::string(fixed.text);
    return description;
}

std::string CBarCodeSymbol::EncodedForm(const std::string& data)
{
    const std::string tag = data.size() > 1 ? data.substr(1, 6) : std::string();
    if (!SameTag(tag, "BASEID"))
        return data;
    // A Base ID symbol carries "~", the id and FNC3: the reader takes a tagless symbol as its
    // base's address.
    std::string encoded = data.substr(0, 1) + data.substr(std::min<size_t>(data.size(), 7));
    encoded.erase(std::remove(encoded.begin(), encoded.end(), '.'), encoded.end());
    return encoded;
}

CBarCodeSymbol::CBarCodeSymbol(Canvas& measure, const std::string& data, int placement, int captionInformation,
    int largestCaptionWidth, int moduleWidth, int barHeight, const std::vector<CaptionControl>& controls,
    bool showMessages)
    : data_(data), placement_(placement), information_(captionInformation)
{
    tag_ = data.size() > 1 ? data.substr(1, 6) : std::string();
    if (data.size() > 7) {
        const size_t end = data.find('.', 7);
        value_ = data.substr(7, end == std::string::npos ? std::string::npos : end - 7);
    }
    command_ = tag_ + value_;
    description_ = Describe(tag_, value_, controls);
    encoded_ = EncodedForm(data);

    if (!MakeBitmap(moduleWidth, barHeight)) {
        if (showMessages) {
            ShowMessage(kEncodeFailed);
            ShowMessage(kNoBitmap);
        }
        return;
    }
    MeasureCaption(measure, captionInformation, largestCaptionWidth);
    Layout(placement);
}

bool CBarCodeSymbol::MakeBitmap(int moduleWidth, int barHeight)
{
    bitmap_ = {};
    if (encoded_.empty() || moduleWidth < 1 || barHeight < 1)
        return false;
    std::int32_t width = 0;
    unsigned char* bits = nullptr;
    HGLOBAL block = qxCode128Encode(encoded_.data(), static_cast<std::int32_t>(encoded_.size()), moduleWidth,
        barHeight, &width, &bits);
    if (!block || !bits || width <= 0)
        return false;
    // The encoder repeats every row moduleWidth times; only the first barHeight rows are kept.
    bitmap_ = MonoBitmap::TakeEncoderResult(block, bits, width, barHeight);
    return true;
}

void CBarCodeSymbol::MeasureCaption(Canvas& measure, int information, int largestCaptionWidth)
{
    const int lineHeight = measure.FontHeight();
    letterWidth_ = measure.MeasureText("W");
    lineHeight_ = lineHeight;
    lineGap_ = lineHeight / 16;
    auto size = [&](const std::string& text) {
        return TextSize { measure.MeasureText(text.empty() ? "WWW" : text), lineHeight };
    };
    TextSize caption;
    switch (information) {
    case kDescriptionAndCommand: {
        const TextSize command = size(command_);
        const TextSize description = size(description_);
        caption = { std::max(command.width, description.width), command.height + description.height + lineGap_ };
        break;
    }
    case kCommandOnly:
        caption = size(command_);
        break;
    case kDescriptionOnly:
        caption = size(description_);
        break;
    default:
        caption = size("WWW");
        break;
    }
    if (caption.width > largestCaptionWidth) {
        caption.width = largestCaptionWidth;
        caption.height = lineGap_ + 2 * caption.height;
    }
    captionWidth_ = caption.width;
    captionHeight_ = caption.height;
}

void CBarCodeSymbol::Layout(int placement)
{
    const int bw = bitmap_.width;
    const int bh = bitmap_.height;
    const int tw = captionWidth_;
    const int th = captionHeight_;
    if (placement == kLeft || placement == kRight) {
        if (placement == kLeft) {
            captionOffsetX_ = 0;
            bitmapOffsetX_ = tw + letterWidth_;
        } else {
            bitmapOffsetX_ = 0;
            captionOffsetX_ = bw + letterWidth_;
        }
        boxWidth_ = letterWidth_ + bw + tw;
        boxHeight_ = std::max(bh, th);
        captionOffsetY_ = th < bh ? bh / 2 - th / 2 : 0;
        bitmapOffsetY_ = bh < th ? th / 2 - bh / 2 : 0;
        return;
    }
    if (placement == kAbove) {
        captionOffsetY_ = 0;
        bitmapOffsetY_ = th + lineGap_;
    } else {
        bitmapOffsetY_ = 0;
        captionOffsetY_ = bh + lineGap_;
    }
    boxHeight_ = th + lineGap_ + bh;
    boxWidth_ = std::max(bw, tw);
    captionOffsetX_ = tw < bw ? bw / 2 - tw / 2 : 0;
    bitmapOffsetX_ = bw < tw ? tw / 2 - bw / 2 : 0;
}

bool CBarCodeSymbol::Draw(Canvas& canvas, int x, int y) const
{
    if (bitmapOffsetX_ == -1 || bitmapOffsetY_ == -1 || captionOffsetX_ == -1 || captionOffsetY_ == -1)
        return false;
    if (bitmap_.Empty()) {
        ShowMessage(kDrawFailed);
        return false;
    }
    const int left = x + bitmapOffsetX_;
    const int top = y + bitmapOffsetY_;
    canvas.CopyBitmap(bitmap_.bits, bitmap_.width, bitmap_.height, bitmap_.stride,
        { left, top, left + bitmap_.width, top + bitmap_.height });

    const CanvasRect caption { x + captionOffsetX_, y + captionOffsetY_, x + captionOffsetX_ + captionWidth_,
        y + captionOffsetY_ + captionHeight_ };
    switch (information_) {
    case kDescriptionAndCommand: {
        canvas.DrawText(caption, description_, true);
        const int commandLeft = caption.left + (captionWidth_ - canvas.MeasureText(command_)) / 2;
        const int commandTop = caption.top + lineHeight_ + lineGap_;
        const int commandRight = std::max(caption.right, commandLeft + canvas.MeasureText(command_));
        canvas.DrawText({ commandLeft, commandTop, commandRight, commandTop + lineHeight_ }, command_, false);
        break;
    }
    case kCommandOnly:
        canvas.DrawText(caption, command_, true);
        break;
    case kDescriptionOnly:
        canvas.DrawText(caption, description_, true);
        break;
    default:
        break;
    }
    return true;
}
