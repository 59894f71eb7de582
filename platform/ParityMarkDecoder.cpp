#include "platform/ParityMarkDecoder.h"

#include <algorithm>

namespace {
constexpr uint8_t kMarkLead = 0xFF;
constexpr uint8_t kErrorMark = 0x00;
} // namespace

void ParityMarkDecoder::Feed(const uint8_t* raw, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint8_t byte = raw[i];
        if (carry_.empty()) {
            if (byte == kMarkLead)
                carry_.push_back(byte);
            else
                decoded_.push_back(byte);
            continue;
        }
        if (carry_.size() == 1) {
            if (byte == kMarkLead) {
                decoded_.push_back(kMarkLead);  // 0xFF 0xFF: a real 0xFF
                carry_.clear();
            } else if (byte == kErrorMark) {
                carry_.push_back(byte);
            } else {
                // 0xFF then anything else cannot come from the driver; keep both bytes
                // rather than lose data.
                decoded_.push_back(kMarkLead);
                decoded_.push_back(byte);
                carry_.clear();
            }
            continue;
        }
        decoded_.push_back(errorChar_);  // 0xFF 0x00 x: x arrived with a parity error
        carry_.clear();
    }
}

size_t ParityMarkDecoder::Take(uint8_t* out, size_t count)
{
    const size_t take = std::min(count, decoded_.size());
    std::copy_n(decoded_.begin(), take, out);
    decoded_.erase(decoded_.begin(), decoded_.begin() + static_cast<std::ptrdiff_t>(take));
    return take;
}

void ParityMarkDecoder::Clear()
{
    carry_.clear();
    decoded_.clear();
}
