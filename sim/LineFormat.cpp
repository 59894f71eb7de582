#include "sim/LineFormat.h"

#include <cctype>
#include <cstdlib>

std::string LineFormat::Text() const
{
    return std::to_string(rate) + " " + std::to_string(dataBits) + parity + std::to_string(stopBits);
}

bool LineFormat::ValidParity(char parity)
{
    return parity == 'N' || parity == 'O' || parity == 'E' || parity == 'M' || parity == 'S';
}

bool LineFormat::Parse(const std::string& text, LineFormat& out, std::string& error)
{
    size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    const size_t rateStart = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
        ++pos;
    if (pos == rateStart || pos - rateStart > 7) {
        error = "line format needs a rate such as \"9600 7E1\"";
        return false;
    }
    const unsigned long rate = std::strtoul(text.substr(rateStart, pos - rateStart).c_str(), nullptr, 10);
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    std::string word = text.substr(pos);
    while (!word.empty() && std::isspace(static_cast<unsigned char>(word.back())))
        word.pop_back();
    if (word.size() != 3) {
        error = "line format needs data bits, parity and stop bits such as \"8N1\"";
        return false;
    }
    LineFormat format;
    format.rate = static_cast<uint32_t>(rate);
    format.dataBits = word[0] - '0';
    format.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(word[1])));
    format.stopBits = word[2] - '0';
    if (format.rate < 50 || format.rate > 4000000) {
        error = "rate " + std::to_string(rate) + " is outside 50..4000000";
        return false;
    }
    if (format.dataBits != 7 && format.dataBits != 8) {
        error = "data bits must be 7 or 8";
        return false;
    }
    if (!ValidParity(format.parity)) {
        error = "parity must be one of N, O, E, M, S";
        return false;
    }
    if (format.stopBits != 1 && format.stopBits != 2) {
        error = "stop bits must be 1 or 2";
        return false;
    }
    out = format;
    return true;
}
