// Intel hex firmware files, as the record flashing sends them.
//
// Each line ":" n aa aa tt d0 .. dn-1 cc (hex pairs) becomes, in memory, the byte ':' followed
// by the pairs converted to bytes: count, address high, address low, type, the n data bytes
// and the checksum, so a record takes n + 6 bytes and goes on the line exactly as it is kept.
//
// The file is checked as a whole before anything is sent: a reader in its loader that gets
// half an image is worse off than one that got nothing. So every line must be one well-formed
// record (type 00 to 05, a count that matches the line, the right length for its type, bytes
// summing to zero), only blank lines and line ends may come between records, and the file
// must end with an end-of-file record followed by nothing but line ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum IntelHexRecordType : uint8_t {
    HexData = 0x00,
    HexEndOfFile = 0x01,
    HexExtendedSegment = 0x02,
    HexStartSegment = 0x03,
    HexExtendedLinear = 0x04,
    HexStartLinear = 0x05,
};

// One stretch of memory the data records fill, [first, last].
struct IntelHexRange {
    uint32_t first = 0;
    uint32_t last = 0;
};

struct IntelHexImage {
    std::vector<uint8_t> bytes;          // the records, each ':' + n + 5 bytes
    std::vector<std::size_t> recordStarts; // offset of each record's ':' in bytes
    std::vector<IntelHexRange> ranges;   // data ranges in file order, touching ones merged
    std::size_t dataBytes = 0;

    std::size_t RecordCount() const { return recordStarts.size(); }
    std::span<const uint8_t> Record(std::size_t index) const;
    uint8_t RecordType(std::size_t index) const { return bytes[recordStarts[index] + 4]; }
};

// Parses a whole hex file. False (and the reason with its line number in `error`, when
// given) for anything but a complete, well-formed file; `image` is then left empty.
bool ParseIntelHex(std::span<const uint8_t> file, IntelHexImage& image, std::string* error = nullptr);
