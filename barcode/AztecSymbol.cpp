#include "barcode/AztecSymbol.h"

#include "platform/Host.h"

#include <zint.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct ZintDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

bool ModuleIsDark(const zint_symbol& symbol, int row, int column)
{
    return ((symbol.encoded_data[row][column >> 3] >> (column & 7)) & 1) != 0;
}

} // namespace

extern "C" HGLOBAL AztecEncoderEntry(const AztecRequest* request, std::int32_t* height, std::int32_t* width,
    unsigned char** bits)
{
    if (bits)
        *bits = nullptr;
    if (!request || !request->data || request->length <= 0
        || static_cast<std::size_t>(request->length) > kAztecMaxText || request->size < AztecSymbol::kMinSize
        || request->size > AztecSymbol::kMaxSize)
        return nullptr;
    std::unique_ptr<zint_symbol, ZintDeleter> symbol(ZBarcode_Create());
    if (!symbol)
        return nullptr;
    symbol->symbology = BARCODE_AZTEC;
    symbol->input_mode = DATA_MODE;
    const int result = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(request->data),
        request->length);
    if (result >= ZINT_ERROR || symbol->rows <= 0 || symbol->width <= 0)
        return nullptr;

    const int scale = request->size;
    const int pixelsWide = symbol->width * scale;
    const int pixelsHigh = symbol->rows * scale;
    const size_t stride = static_cast<size_t>((pixelsWide + 15) / 16 * 2);
    HGLOBAL block = GlobalAlloc(GHND, stride * static_cast<size_t>(pixelsHigh));
    auto* out = block ? static_cast<unsigned char*>(GlobalLock(block)) : nullptr;
    if (!out) {
        if (block)
            GlobalFree(block);
        return nullptr;
    }
    std::memset(out, 0xFF, stride * static_cast<size_t>(pixelsHigh));
    for (int y = 0; y < pixelsHigh; ++y)
        for (int x = 0; x < pixelsWide; ++x)
            if (ModuleIsDark(*symbol, y / scale, x / scale))
                out[static_cast<size_t>(y) * stride + static_cast<size_t>(x / 8)]
                    &= static_cast<unsigned char>(~(0x80u >> (x % 8)));
    if (width)
        *width = pixelsWide;
    if (height)
        *height = pixelsHigh;
    if (bits)
        *bits = out;
    return block;
}

std::string AztecSymbol::TooLongMessage(std::size_t length)
{
    if (length <= kAztecMaxText)
        return {};
    char text[200];
    std::snprintf(text, sizeof text,
        "The settings text is %zu bytes long; one Aztec symbol carries at most %zu. Nothing was printed.", length,
        kAztecMaxText);
    return text;
}

bool AztecSymbol::Build(const std::string& text, int size, bool showMessages)
{
    text_ = text;
    size_ = size;
    error_.clear();
    if (text.empty())
        return true;
    // The text is never cut to fit: a cloning symbol that lost its tail would configure a
    // reader only partly without anyone noticing.
    error_ = TooLongMessage(text.size());
    if (error_.empty()) {
        std::string buffer(kAztecBufferSize, '\0');
        std::memcpy(buffer.data(), text.data(), text.size());
        AztecRequest request;
        request.data = buffer.data();
        request.length = static_cast<std::int32_t>(text.size());
        request.size = size;
        std::int32_t height = 0;
        std::int32_t width = 0;
        unsigned char* bits = nullptr;
        HGLOBAL block = AztecEncoderEntry(&request, &height, &width, &bits);
        if (block && bits) {
            bitmap_ = MonoBitmap::TakeEncoderResult(block, bits, width, height);
            return true;
        }
        if (block)
            GlobalFree(block);
        error_ = size < kMinSize || size > kMaxSize
            ? std::string(kFailed)
            : "The settings text (" + std::to_string(text.size())
                + " bytes) does not fit in one Aztec symbol. Nothing was printed.";
    }
    if (showMessages)
        ShowMessage(error_);
    return false;
}
