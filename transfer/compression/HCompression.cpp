// Mode dispatch for HModem compression (the modes are listed in HCompression.h).
#include "transfer/compression/HCompression.h"

#include "transfer/compression/HDeflateCodec.h"
#include "transfer/compression/HDeltaHuffman.h"
#include "transfer/compression/HJpegCodec.h"
#include "transfer/compression/HLzoCodec.h"
#include "transfer/compression/HLzss.h"

#include <array>
#include <new>

namespace {

constexpr std::array<const char*, HCompression::kModeCount> kModeNames = {
    "none", "LZSS", "delta+Huffman", "JPEG", "JPEG fast", "JPEG (5)", "deflate", "deflate Huffman-only", "LZO1X-999",
};

bool Pack(HCompressionMode mode, std::span<const uint8_t> input, std::vector<uint8_t>& output)
{
    switch (mode) {
    case HCompressionMode::None:
        return false;
    case HCompressionMode::Lzss:
        return HLzss::Compress(input, output);
    case HCompressionMode::DeltaHuffman:
        return HDeltaHuffman::Compress(input, HCompression::kDeltaRowWidth, output);
    case HCompressionMode::JpegAccurate:
    case HCompressionMode::JpegAccurateAlias:
        return HJpegCodec::Compress(input, false, output);
    case HCompressionMode::JpegFast:
        return HJpegCodec::Compress(input, true, output);
    case HCompressionMode::Deflate:
        return HDeflateCodec::Compress(input, false, output);
    case HCompressionMode::DeflateHuffmanOnly:
        return HDeflateCodec::Compress(input, true, output);
    case HCompressionMode::Lzo:
        return HLzoCodec::Compress(input, output);
    }
    return false;
}

bool Unpack(HCompressionMode mode, std::span<const uint8_t> input, std::size_t maximum, std::size_t expectedLength,
            std::vector<uint8_t>& output)
{
    switch (mode) {
    case HCompressionMode::None:
        if (input.size() > maximum)
            return false;
        output.assign(input.begin(), input.end());
        return true;
    case HCompressionMode::Lzss:
        return HLzss::Decompress(input, maximum, output);
    case HCompressionMode::DeltaHuffman:
        return HDeltaHuffman::Decompress(input, maximum, output);
    case HCompressionMode::JpegAccurate:
    case HCompressionMode::JpegFast:
    case HCompressionMode::JpegAccurateAlias:
        return HJpegCodec::Decompress(input, maximum, output);
    case HCompressionMode::Deflate:
    case HCompressionMode::DeflateHuffmanOnly:
        return HDeflateCodec::Decompress(input, maximum, expectedLength, output);
    case HCompressionMode::Lzo:
        return HLzoCodec::Decompress(input, maximum, expectedLength, output);
    }
    return false;
}

} // namespace

const char* HCompression::ModeName(unsigned mode)
{
    return IsKnownMode(mode) ? kModeNames[mode] : "unknown";
}

unsigned HCompression::Compress(unsigned mode, std::span<const uint8_t> input, std::vector<uint8_t>& output)
{
    output.clear();
    try {
        if (IsKnownMode(mode) && mode != 0 && !input.empty()) {
            std::vector<uint8_t> packed;
            // Only a real saving is worth a header that readers must decode.
            if (Pack(static_cast<HCompressionMode>(mode), input, packed) && packed.size() < input.size()) {
                output = std::move(packed);
                return mode;
            }
        }
        output.assign(input.begin(), input.end());
    } catch (const std::bad_alloc&) {
        // Out of memory while packing: plain data still go, when they fit.
        output.clear();
        output.assign(input.begin(), input.end());
    }
    return 0;
}

bool HCompression::Decompress(unsigned mode, std::span<const uint8_t> input, std::size_t maximum,
                              std::vector<uint8_t>& output, std::size_t expectedLength)
{
    output.clear();
    if (!IsKnownMode(mode))
        return false;
    try {
        if (Unpack(static_cast<HCompressionMode>(mode), input, maximum, expectedLength, output))
            return true;
    } catch (const std::bad_alloc&) {
    }
    output.clear();
    return false;
}
