#include "sim/SerialParameters.h"

#include <array>
#include <cstdlib>

namespace {

// 232BAD indexes this list; it is also the list of rates 232BDR offers.
constexpr std::array<uint32_t, 10> kRateByIndex = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

struct WordFormat {
    int dataBits;
    char parity;
};
// 232WRD codes. Code 2 is the plain 8-bit word that transfers switch to.
constexpr std::array<WordFormat, 9> kWordFormats = {{
    {7, 'E'}, {7, 'O'}, {8, 'N'}, {7, 'M'}, {7, 'S'}, {8, 'E'}, {8, 'O'}, {8, 'M'}, {8, 'S'},
}};

bool ParseSmallNumber(const std::string& text, unsigned long& value)
{
    if (text.empty() || text.size() > 7)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    value = std::strtoul(text.c_str(), nullptr, 10);
    return true;
}

bool IsOneOf(const std::string& tag, const char* a, const char* b)
{
    return tag == a || tag == b;
}

}  // namespace

bool SerialParameters::IsLineTag(const std::string& tag, bool wireless)
{
    if (tag == "232BDR" || tag == "232BAD" || tag == "232WRD" || tag == "232PAR" || tag == "232LEN" ||
        tag == "232STP")
        return true;
    return wireless && (tag == "AUXBDR" || tag == "AUXPAR" || tag == "AUXLEN" || tag == "AUXSTP");
}

bool SerialParameters::Apply(const std::string& tag, const std::string& value, LineFormat& format)
{
    unsigned long number = 0;
    if (IsOneOf(tag, "232BDR", "AUXBDR")) {
        if (!ParseSmallNumber(value, number) || number < 50 || number > 4000000)
            return false;
        format.rate = static_cast<uint32_t>(number);
        return true;
    }
    if (tag == "232BAD") {
        if (!ParseSmallNumber(value, number) || number >= kRateByIndex.size())
            return false;
        format.rate = kRateByIndex[number];
        return true;
    }
    if (tag == "232WRD") {
        if (!ParseSmallNumber(value, number) || number >= kWordFormats.size())
            return false;
        format.dataBits = kWordFormats[number].dataBits;
        format.parity = kWordFormats[number].parity;
        return true;
    }
    if (IsOneOf(tag, "232PAR", "AUXPAR")) {
        if (value.size() != 1 || !LineFormat::ValidParity(value[0]))
            return false;
        format.parity = value[0];
        return true;
    }
    if (IsOneOf(tag, "232LEN", "AUXLEN")) {
        if (value != "7" && value != "8")
            return false;
        format.dataBits = value[0] - '0';
        return true;
    }
    if (IsOneOf(tag, "232STP", "AUXSTP")) {
        if (value != "1" && value != "2")
            return false;
        format.stopBits = value[0] - '0';
        return true;
    }
    return false;
}

std::string SerialParameters::ValueFor(const std::string& tag, const LineFormat& format)
{
    if (IsOneOf(tag, "232BDR", "AUXBDR"))
        return std::to_string(format.rate);
    if (tag == "232BAD") {
        for (size_t i = 0; i < kRateByIndex.size(); ++i) {
            if (kRateByIndex[i] == format.rate)
                return std::to_string(i);
        }
        return {};
    }
    if (tag == "232WRD") {
        for (size_t i = 0; i < kWordFormats.size(); ++i) {
            if (kWordFormats[i].dataBits == format.dataBits && kWordFormats[i].parity == format.parity)
                return std::to_string(i);
        }
        return {};
    }
    if (IsOneOf(tag, "232PAR", "AUXPAR"))
        return std::string(1, format.parity);
    if (IsOneOf(tag, "232LEN", "AUXLEN"))
        return std::to_string(format.dataBits);
    if (IsOneOf(tag, "232STP", "AUXSTP"))
        return std::to_string(format.stopBits);
    return {};
}
