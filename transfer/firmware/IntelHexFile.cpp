#include "transfer/firmware/IntelHexFile.h"

namespace {

int HexDigit(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsLineBreak(uint8_t c) { return c == '\r' || c == '\n'; }
bool IsBlank(uint8_t c) { return c == ' ' || c == '\t'; }

// The data length each record type must have; -1: any.
int RequiredLength(uint8_t type)
{
    switch (type) {
    case HexData: return -1;
    case HexEndOfFile: return 0;
    case HexExtendedSegment: return 2;
    case HexStartSegment: return 4;
    case HexExtendedLinear: return 2;
    case HexStartLinear: return 4;
    default: return -2;
    }
}

bool Fail(std::string* error, std::size_t line, const char* what)
{
    if (error)
        *error = "line " + std::to_string(line) + ": " + what;
    return false;
}

void AddRange(std::vector<IntelHexRange>& ranges, uint32_t first, uint32_t count)
{
    const uint32_t last = first + count - 1;
    if (!ranges.empty() && ranges.back().last + 1 == first && ranges.back().last != UINT32_MAX) {
        ranges.back().last = last;
        return;
    }
    ranges.push_back({ first, last });
}

} // namespace

std::span<const uint8_t> IntelHexImage::Record(std::size_t index) const
{
    const std::size_t start = recordStarts[index];
    return std::span<const uint8_t>(bytes).subspan(start, static_cast<std::size_t>(bytes[start + 1]) + 6);
}

bool ParseIntelHex(std::span<const uint8_t> file, IntelHexImage& image, std::string* error)
{
    image = {};
    IntelHexImage out;
    // Every record byte takes two characters in the file, so this is never too little.
    out.bytes.reserve(file.size() * 6 / 10 + 16);
    uint32_t base = 0;
    std::size_t line = 1;
    std::size_t i = 0;
    bool ended = false;
    while (i < file.size()) {
        const uint8_t c = file[i];
        if (IsLineBreak(c) || IsBlank(c)) {
            if (c == '\n' || (c == '\r' && (i + 1 >= file.size() || file[i + 1] != '\n')))
                ++line;
            ++i;
            continue;
        }
        if (ended)
            return Fail(error, line, "data after the end-of-file record");
        if (c != ':')
            return Fail(error, line, "a record must start with ':'");
        // Collect the hex pairs up to the end of the line.
        std::vector<uint8_t> fields;
        std::size_t j = i + 1;
        while (j < file.size() && !IsLineBreak(file[j])) {
            if (IsBlank(file[j])) {
                // Trailing blanks are tolerated; blanks inside a record are not.
                std::size_t k = j;
                while (k < file.size() && IsBlank(file[k]))
                    ++k;
                if (k < file.size() && !IsLineBreak(file[k]))
                    return Fail(error, line, "blank inside a record");
                j = k;
                break;
            }
            if (j + 1 >= file.size() || IsLineBreak(file[j + 1]) || IsBlank(file[j + 1]))
                return Fail(error, line, "odd number of hex digits");
            const int hi = HexDigit(file[j]);
            const int lo = HexDigit(file[j + 1]);
            if (hi < 0 || lo < 0)
                return Fail(error, line, "not a hex digit");
            fields.push_back(static_cast<uint8_t>(hi * 16 + lo));
            j += 2;
        }
        i = j;
        if (fields.size() < 5)
            return Fail(error, line, "record too short");
        const uint8_t count = fields[0];
        if (fields.size() != static_cast<std::size_t>(count) + 5)
            return Fail(error, line, "byte count does not match the record");
        const uint8_t type = fields[3];
        const int required = RequiredLength(type);
        if (required == -2)
            return Fail(error, line, "unknown record type");
        if (required >= 0 && count != required)
            return Fail(error, line, "wrong length for the record type");
        uint8_t sum = 0;
        for (uint8_t b : fields)
            sum = static_cast<uint8_t>(sum + b);
        if (sum != 0)
            return Fail(error, line, "checksum mismatch");

        const uint32_t offset = static_cast<uint32_t>(fields[1]) << 8 | fields[2];
        if (type == HexData && count > 0) {
            AddRange(out.ranges, base + offset, count);
            out.dataBytes += count;
        } else if (type == HexExtendedSegment) {
            base = (static_cast<uint32_t>(fields[4]) << 8 | fields[5]) << 4;
        } else if (type == HexExtendedLinear) {
            base = (static_cast<uint32_t>(fields[4]) << 8 | fields[5]) << 16;
        } else if (type == HexEndOfFile) {
            ended = true;
        }
        out.recordStarts.push_back(out.bytes.size());
        out.bytes.push_back(':');
        out.bytes.insert(out.bytes.end(), fields.begin(), fields.end());
    }
    if (!ended)
        return Fail(error, line, "no end-of-file record");
    image = std::move(out);
    return true;
}
