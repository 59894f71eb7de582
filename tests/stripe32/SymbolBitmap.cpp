#include "SymbolBitmap.h"

#include <array>
#include <cstring>

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

std::string SymbolBitmap::Modules(std::size_t line, std::size_t moduleWidth) const
{
    std::string modules;
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); x += moduleWidth)
        modules += Pixel(line, x) ? '0' : '1';
    return modules;
}

bool SymbolBitmap::ScanlinesIdentical() const
{
    for (std::size_t line = 1; line < Scanlines(); ++line) {
        if (std::memcmp(bits, bits + line * Stride(), Stride()) != 0) return false;
    }
    return true;
}

bool SymbolBitmap::PaddingWhite() const
{
    for (std::size_t line = 0; line < Scanlines(); ++line) {
        for (std::size_t x = static_cast<std::size_t>(width); x < Stride() * 8; ++x) {
            if (!Pixel(line, x)) return false;
        }
    }
    return true;
}

SymbolBitmap EncodeCode128(const std::string& data, std::int32_t moduleWidth, std::int32_t rowCount)
{
    SymbolBitmap symbol;
    symbol.handle = qxCode128Encode(data.data(), static_cast<std::int32_t>(data.size()), moduleWidth,
        rowCount, &symbol.width, &symbol.bits);
    return symbol;
}

SymbolBitmap EncodeCode39(const std::string& data, std::int32_t wide, std::int32_t narrow,
    std::int32_t height, bool addCheck, bool omitStartStop)
{
    SymbolBitmap symbol;
    symbol.handle = qxCode39Encode(data.data(), static_cast<std::int32_t>(data.size()), wide, narrow, height,
        &symbol.width, addCheck ? 1 : 0, omitStartStop ? 1 : 0, &symbol.bits);
    return symbol;
}

std::optional<Decoded> DecodeLinear(const SymbolBitmap& symbol, const std::string& format, bool code39Check)
{
    if (symbol.handle == nullptr) return std::nullopt;
    const std::size_t height = symbol.Scanlines();
    std::vector<std::uint8_t> luminance(static_cast<std::size_t>(symbol.width) * height);
    for (std::size_t line = 0; line < height; ++line) {
        for (std::size_t x = 0; x < static_cast<std::size_t>(symbol.width); ++x)
            luminance[line * symbol.width + x] = symbol.Pixel(line, x) ? 255 : 0;
    }
    ZXing::ImageView image(luminance.data(), symbol.width, static_cast<int>(height), ZXing::ImageFormat::Lum);
    ZXing::DecodeHints hints;
    hints.setFormats(format == "Code39" ? ZXing::BarcodeFormat::Code39 : ZXing::BarcodeFormat::Code128);
    hints.setTryCode39ExtendedMode(true);
    hints.setValidateCode39CheckSum(code39Check);
    const ZXing::Result result = ZXing::ReadBarcode(image, hints);
    if (!result.isValid()) return std::nullopt;
    const auto& bytes = result.bytes();
    return Decoded { std::string(bytes.begin(), bytes.end()), result.symbologyIdentifier() };
}

namespace {

// Code 128 symbol characters as modules (ISO/IEC 15417 Table 1), the form the golden tests
// compare against; value 106 is the menu start character. The decoder round trips confirm
// this table and the library's independently.
// clang-format off
constexpr std::array<const char*, 107> kReferenceModules = {
    /*   0 */ "11011001100", "11001101100", "11001100110", "10010011000", "10010001100", "10001001100",
    /*   6 */ "10011001000", "10011000100", "10001100100", "11001001000", "11001000100", "11000100100",
    /*  12 */ "10110011100", "10011011100", "10011001110", "10111001100", "10011101100", "10011100110",
    /*  18 */ "11001110010", "11001011100", "11001001110", "11011100100", "11001110100", "11101101110",
    /*  24 */ "11101001100", "11100101100", "11100100110", "11101100100", "11100110100", "11100110010",
    /*  30 */ "11011011000", "11011000110", "11000110110", "10100011000", "10001011000", "10001000110",
    /*  36 */ "10110001000", "10001101000", "10001100010", "11010001000", "11000101000", "11000100010",
    /*  42 */ "10110111000", "10110001110", "10001101110", "10111011000", "10111000110", "10001110110",
    /*  48 */ "11101110110", "11010001110", "11000101110", "11011101000", "11011100010", "11011101110",
    /*  54 */ "11101011000", "11101000110", "11100010110", "11101101000", "11101100010", "11100011010",
    /*  60 */ "11101111010", "11001000010", "11110001010", "10100110000", "10100001100", "10010110000",
    /*  66 */ "10010000110", "10000101100", "10000100110", "10110010000", "10110000100", "10011010000",
    /*  72 */ "10011000010", "10000110100", "10000110010", "11000010010", "11001010000", "11110111010",
    /*  78 */ "11000010100", "10001111010", "10100111100", "10010111100", "10010011110", "10111100100",
    /*  84 */ "10011110100", "10011110010", "11110100100", "11110010100", "11110010010", "11011011110",
    /*  90 */ "11011110110", "11110110110", "10101111000", "10100011110", "10001011110", "10111101000",
    /*  96 */ "10111100010", "11110101000", "11110100010", "10111011110", "10111101110", "11101011110",
    /* 102 */ "11110101110", "11010000100", "11010010000", "11010011100", "11100010100",
};
// clang-format on

} // namespace

std::string Code128Modules(const std::vector<int>& values)
{
    std::string modules(10, '0');
    for (int value : values)
        modules += kReferenceModules.at(static_cast<std::size_t>(value));
    return modules + "1100011101011" + std::string(10, '0');
}
