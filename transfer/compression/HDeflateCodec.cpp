// zlib modes 6 and 7.
#include "transfer/compression/HDeflateCodec.h"

#include <algorithm>
#include <limits>

#include <zlib.h>

namespace {

constexpr int kLevel = 9;
constexpr int kWindowBits = 15;   // 15 = zlib header and trailer, 32 KiB window
constexpr int kMemoryLevel = 8;
constexpr std::size_t kChunkLimit = std::numeric_limits<uInt>::max();

} // namespace

bool HDeflateCodec::Compress(std::span<const uint8_t> input, bool huffmanOnly, std::vector<uint8_t>& output)
{
    output.clear();
    if (input.size() > kChunkLimit)
        return false;
    z_stream stream {};
    if (deflateInit2(&stream, kLevel, Z_DEFLATED, kWindowBits, kMemoryLevel,
                     huffmanOnly ? Z_HUFFMAN_ONLY : Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    // deflateBound is large enough for one Z_FINISH call to complete.
    output.resize(deflateBound(&stream, static_cast<uLong>(input.size())));
    stream.next_in = const_cast<Bytef*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(std::min(output.size(), kChunkLimit));
    const int result = deflate(&stream, Z_FINISH);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        output.clear();
        return false;
    }
    return true;
}

bool HDeflateCodec::Decompress(std::span<const uint8_t> input, std::size_t maximum, std::size_t expectedLength,
                               std::vector<uint8_t>& output)
{
    output.clear();
    if (input.size() > kChunkLimit)
        return false;
    z_stream stream {};
    if (inflateInit2(&stream, kWindowBits) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());

    // One byte beyond the maximum tells "exactly the maximum" from "too much".
    const std::size_t limit = maximum == std::numeric_limits<std::size_t>::max() ? maximum : maximum + 1;
    std::size_t capacity = expectedLength ? expectedLength + 1 : input.size() * 4 + 1024;
    capacity = std::min(capacity, limit);
    output.resize(capacity);
    int result = Z_OK;
    for (;;) {
        const std::size_t produced = stream.total_out;
        if (produced == output.size()) {
            if (output.size() >= limit)
                break;
            output.resize(std::min(limit, output.size() * 2));
        }
        stream.next_out = output.data() + produced;
        stream.avail_out = static_cast<uInt>(std::min(output.size() - produced, kChunkLimit));
        result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            break;
        // Z_BUF_ERROR with input left means "more room please"; without input, truncation.
        if (result != Z_OK && !(result == Z_BUF_ERROR && stream.avail_in > 0))
            break;
        if (result == Z_BUF_ERROR && stream.avail_out > 0)
            break;
        if (stream.avail_in == 0 && stream.avail_out > 0)
            break;
    }
    const std::size_t produced = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END || produced > maximum) {
        output.clear();
        return false;
    }
    output.resize(produced);
    return true;
}
