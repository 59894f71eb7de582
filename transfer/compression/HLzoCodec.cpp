// LZO mode 8 through liblzo2.
#include "transfer/compression/HLzoCodec.h"

#include <algorithm>
#include <memory>

#include <lzo/lzo1x.h>

namespace {

bool LibraryReady()
{
    // lzo_init checks that the library was built for this ABI; once per process is enough.
    static const bool ready = lzo_init() == LZO_E_OK;
    return ready;
}

// LZO1X's worst case for incompressible input.
std::size_t WorstCase(std::size_t length) { return length + length / 16 + 64 + 3; }

} // namespace

bool HLzoCodec::Compress(std::span<const uint8_t> input, std::vector<uint8_t>& output)
{
    output.clear();
    if (!LibraryReady())
        return false;
    // The work memory must be aligned for the library's own types.
    constexpr std::size_t kWorkWords = (LZO1X_999_MEM_COMPRESS + sizeof(lzo_align_t) - 1) / sizeof(lzo_align_t);
    auto work = std::make_unique<lzo_align_t[]>(kWorkWords);
    output.resize(WorstCase(input.size()));
    lzo_uint packed = output.size();
    if (lzo1x_999_compress(input.data(), input.size(), output.data(), &packed, work.get()) != LZO_E_OK) {
        output.clear();
        return false;
    }
    // The optimiser decodes the block while rewriting it, so it needs room for the data.
    std::vector<uint8_t> scratch(std::max<std::size_t>(input.size(), 1));
    lzo_uint restored = input.size();
    if (lzo1x_optimize(output.data(), packed, scratch.data(), &restored, nullptr) != LZO_E_OK ||
        restored != input.size()) {
        output.clear();
        return false;
    }
    output.resize(packed);
    return true;
}

bool HLzoCodec::Decompress(std::span<const uint8_t> input, std::size_t maximum, std::size_t expectedLength,
                           std::vector<uint8_t>& output)
{
    output.clear();
    if (!LibraryReady() || input.empty())
        return false;
    const std::size_t limit = expectedLength ? std::min(expectedLength, maximum) : maximum;
    // Without a known length, start from a generous guess and double on overrun.
    std::size_t capacity = expectedLength ? limit : std::min(limit, input.size() * 8 + 1024);
    for (;;) {
        output.resize(capacity);
        lzo_uint produced = capacity;
        const int result = lzo1x_decompress_safe(input.data(), input.size(), output.data(), &produced, nullptr);
        if (result == LZO_E_OK || result == LZO_E_INPUT_NOT_CONSUMED) {
            output.resize(produced);
            return true;
        }
        if (result != LZO_E_OUTPUT_OVERRUN || capacity >= limit)
            break;
        capacity = capacity > limit / 2 ? limit : capacity * 2;
    }
    output.clear();
    return false;
}
