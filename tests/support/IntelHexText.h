// One Intel hex line as a firmware file holds it: ':', the fields and their checksum in
// upper-case hex digits, CR LF. For tests that build hex images.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

inline std::string IntelHexLine(uint8_t type, uint16_t address, const std::string& data)
{
    std::string fields { static_cast<char>(data.size()), static_cast<char>(address >> 8), static_cast<char>(address),
                         static_cast<char>(type) };
    fields += data;
    uint8_t sum = 0;
    for (char c : fields)
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
    fields += static_cast<char>(-sum);
    std::string line = ":";
    char pair[3];
    for (char c : fields) {
        std::snprintf(pair, sizeof pair, "%02X", static_cast<uint8_t>(c));
        line += pair;
    }
    return line + "\r\n";
}
