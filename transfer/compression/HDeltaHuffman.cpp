// Vertical delta plus adaptive Huffman, mode 2 (see HDeltaHuffman.h).
#include "transfer/compression/HDeltaHuffman.h"

#include "transfer/compression/HAdaptiveHuffman.h"
#include "transfer/compression/HBitStream.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace {

constexpr std::size_t kHeaderSize = 8;

bool Fail(std::vector<uint8_t>& output)
{
    output.clear();
    return false;
}

} // namespace

void HDeltaHuffman::ApplyDelta(std::span<uint8_t> data, uint32_t rowWidth)
{
    if (rowWidth == 0)
        return;
    // Backwards, so every subtraction still sees the original byte of the row above.
    for (std::size_t i = data.size(); i-- > rowWidth;)
        data[i] = static_cast<uint8_t>(data[i] - data[i - rowWidth]);
}

void HDeltaHuffman::RemoveDelta(std::span<uint8_t> data, uint32_t rowWidth)
{
    if (rowWidth == 0)
        return;
    for (std::size_t i = rowWidth; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(data[i] + data[i - rowWidth]);
}

bool HDeltaHuffman::Compress(std::span<const uint8_t> input, uint32_t rowWidth, std::vector<uint8_t>& output)
{
    output.clear();
    if (rowWidth == 0 || input.size() > std::numeric_limits<uint32_t>::max())
        return false;
    std::vector<uint8_t> delta(input.begin(), input.end());
    ApplyDelta(delta, rowWidth);

    HPutLittleEndian32(output, static_cast<uint32_t>(input.size()));
    HPutLittleEndian32(output, rowWidth);
    HBitWriter bits(output);
    auto model = std::make_unique<HAdaptiveHuffman>();
    for (const uint8_t byte : delta)
        model->Encode(bits, byte);
    model->Encode(bits, HAdaptiveHuffman::kEndOfStream);
    bits.Flush();
    return true;
}

bool HDeltaHuffman::Decompress(std::span<const uint8_t> input, std::size_t maximum, std::vector<uint8_t>& output)
{
    output.clear();
    if (input.size() < kHeaderSize)
        return false;
    const uint32_t length = HGetLittleEndian32(input, 0);
    const uint32_t rowWidth = HGetLittleEndian32(input, 4);
    if (length > maximum || rowWidth == 0)
        return false;
    // A known byte costs at least one bit, so the input bounds what is worth reserving.
    output.reserve(std::min<std::size_t>(length, (input.size() - kHeaderSize) * 8));

    HBitReader bits(input.subspan(kHeaderSize));
    auto model = std::make_unique<HAdaptiveHuffman>();
    for (;;) {
        int symbol = 0;
        if (!model->Decode(bits, symbol))
            return Fail(output);
        if (symbol == HAdaptiveHuffman::kEndOfStream)
            break;
        if (output.size() >= length)
            return Fail(output);
        output.push_back(static_cast<uint8_t>(symbol));
    }
    if (output.size() != length)
        return Fail(output);
    RemoveDelta(output, rowWidth);
    return true;
}
