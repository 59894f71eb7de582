#include "sim/SerialParameters.h"

#include <array>
#include <cstdlib>

namespace {

// 232BAD and AUXBDR index this list; it is also the list of rates 232BDR offers.
constexpr std::array<uint32_t, 10> kRateByIndex = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
// AUXPAR positions.
constexpr std::array<char, 5> kAuxParity = {'N', 'O', 'E', 'M', 'S'};

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

bool ParsePosition(const std::string& text, size_t count, size_t& position)
{
    unsigned long value = 0;
    if (!ParseSmallNumber(text, value) || value >= count)
        return false;
    position = value;
    return true;
}

std::string RatePosition(uint32_t rate)
{
    for (size_t i = 0; i < kRateByIndex.size(); ++i) {
        if (kRateByIndex[i] == rate)
            return std::to_string(i);
    }
    return {};
}

}  // namespace

bool SerialParameters::IsLineTag(const std::string& tag, bool wireless)
{
    if (wireless)
        return tag == "AUXBDR" || tag == "AUXPAR" || tag == "AUXLEN" || tag == "AUXSTP";
    return tag == "232BDR" || tag == "232BAD" || tag == "232WRD" || tag == "232PAR" || tag == "232LEN" ||
           tag == "232STP";
}

bool SerialParameters::Apply(const std::string& tag, const std::string& value, LineFormat& format)
{
    unsigned long number = 0;
    size_t position = 0;
    if (tag == "232BDR") {
        if (!ParseSmallNumber(value, number) || number < 50 || number > 4000000)
            return false;
        format.rate = static_cast<uint32_t>(number);
        return true;
    }
    if (tag == "232BAD" || tag == "AUXBDR") {
        if (!ParsePosition(value, kRateByIndex.size(), position))
            return false;
        format.rate = kRateByIndex[position];
        return true;
    }
    if (tag == "232PAR") {
        if (value.size() != 1 || !LineFormat::ValidParity(value[0]))
            return false;
        format.parity = value[0];
        return true;
    }
    if (tag == "AUXPAR") {
        if (!ParsePosition(value, kAuxParity.size(), position))
            return false;
        format.parity = kAuxParity[position];
        return true;
    }
    if (tag == "232WRD") {
        if (!ParsePosition(value, 3, position))
            return false;
        format.dataBits = position == 0 ? 7 : 8;
        return true;
    }
    if (tag == "AUXLEN") {
        if (!ParsePosition(value, 2, position))
            return false;
        format.dataBits = position == 0 ? 7 : 8;
        return true;
    }
    if (tag == "232LEN") {
        if (value != "7" && value != "8")
            return false;
        format.dataBits = value[0] - '0';
        return true;
    }
    if (tag == "232STP" || tag == "AUXSTP") {
        if (!ParsePosition(value, 2, position))
            return false;
        format.stopBits = static_cast<int>(position) + 1;
        return true;
    }
    return false;
}

std::string SerialParameters::ValueFor(const std::string& tag, const LineFormat& format)
{
    if (tag == "232BDR")
        return std::to_string(format.rate);
    if (tag == "232BAD" || tag == "AUXBDR")
        return RatePosition(format.rate);
    if (tag == "232PAR")
        return std::string(1, format.parity);
    if (tag == "AUXPAR") {
        for (size_t i = 0; i < kAuxParity.size(); ++i) {
            if (kAuxParity[i] == format.parity)
                return std::to_string(i);
        }
        return {};
    }
    if (tag == "232WRD" || tag == "AUXLEN")
        return format.dataBits == 7 ? "0" : "1";
    if (tag == "232LEN")
        return std::to_string(format.dataBits);
    if (tag == "232STP" || tag == "AUXSTP")
        return std::to_string(format.stopBits - 1);
    return {};
}
