// AztecSymbol: the whole configuration as one Aztec menu symbol.
//
// The program asks its Aztec encoder through one entry with a fixed request record and gets
// back a locked movable memory block holding a 1-bit bitmap in the encoders' common form
// (rows padded to 16 bits, 0 = black). Behind that entry sits libzint; the size the caller
// passes (the dialog's slider, 1 to 10) is the number of pixels per module.
#pragma once

#include "barcode/MonoBitmap.h"
#include "platform/MovableMemory.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The request record, fields in the order the entry reads them. The data pointer is the
// only field whose width follows the machine; every other field has its fixed size and value.
struct AztecRequest {
    const char* data = nullptr; // a kAztecBufferSize buffer holding the zero-terminated text
    std::int32_t length = 0;
    std::int32_t size = 6; // 1 to 10
    std::int32_t zero0 = 0;
    std::int32_t zero1 = 0;
    std::int32_t one0 = 1;
    std::int32_t one1 = 1;
    std::uint8_t flag = 0;
    std::uint8_t unset[27] = {};
    std::int32_t zero2 = 0;
    std::int32_t zero3 = 0;
};
static_assert(offsetof(AztecRequest, length) == sizeof(void*), "length follows the data pointer");
static_assert(offsetof(AztecRequest, flag) == sizeof(void*) + 24, "the flag byte follows six 32-bit fields");
static_assert(offsetof(AztecRequest, zero2) == sizeof(void*) + 52, "the last two fields close the record");
static_assert(offsetof(AztecRequest, zero3) + 4 == sizeof(void*) + 60, "the fields have no gaps");

inline constexpr std::size_t kAztecBufferSize = 4000;
inline constexpr std::size_t kAztecMaxText = kAztecBufferSize - 1;

// The encoder entry: returns a block locked once (width x height pixels, rows padded to 16
// bits, 0 = black) or nullptr. A text longer than kAztecMaxText, one that does not fit in
// the largest Aztec symbol, or a size outside 1 to 10 is refused.
extern "C" HGLOBAL AztecEncoderEntry(const AztecRequest* request, std::int32_t* height, std::int32_t* width,
    unsigned char** bits);

class AztecSymbol {
public:
    static constexpr int kMinSize = 1;
    static constexpr int kMaxSize = 10;
    static constexpr int kDefaultSize = 6;
    static constexpr const char* kDefaultText = "DEFALT.";
    static constexpr const char* kFailed = "Failed to create Aztec menu symbol. Please contact program vendor.";

    // Builds the symbol of `text` at `size`. Empty text does nothing (true, bitmap kept).
    // On failure the previous bitmap stays and Error() says why; with `showMessages` the
    // reason is also shown to the user.
    bool Build(const std::string& text, int size, bool showMessages = true);

    const MonoBitmap& Bitmap() const { return bitmap_; }
    const std::string& Error() const { return error_; }
    const std::string& Text() const { return text_; }
    int Size() const { return size_; }

    // Why `text` cannot be carried, or "" when it can (length limits only).
    static std::string TooLongMessage(std::size_t length);

private:
    MonoBitmap bitmap_;
    std::string error_;
    std::string text_;
    int size_ = kDefaultSize;
};
