#include "device/blocks/DisplayText.h"

#include <vector>

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Tries to read one delimited name or "0x" form at the start of `text`. Returns the number of
// characters it covers (0 when there is none) and the byte it stands for.
std::size_t MatchToken(
    std::string_view text, std::string_view left, std::string_view right, unsigned char& byte)
{
    if (left.empty() || !text.starts_with(left)) return 0;
    const std::string_view rest = text.substr(left.size());
    if (rest.size() >= 3 + right.size() && rest.substr(3, right.size()) == right) {
        const char name[3] = { Upper(rest[0]), Upper(rest[1]), Upper(rest[2]) };
        for (std::size_t code = 0; code < kControlCharacterNames.size(); ++code) {
            if (kControlCharacterNames[code].name == std::string_view(name, 3)) {
                byte = static_cast<unsigned char>(code);
                return left.size() + 3 + right.size();
            }
        }
    }
    if (rest.size() >= 4 + right.size() && rest.starts_with("0x") && rest.substr(4, right.size()) == right) {
        const int high = HexValue(rest[2]);
        const int low = HexValue(rest[3]);
        if (high >= 0 && low >= 0) {
            byte = static_cast<unsigned char>(high * 16 + low);
            return left.size() + 4 + right.size();
        }
    }
    return 0;
}

std::string HexForm(unsigned char byte, std::string_view left, std::string_view right)
{
    std::string piece(left);
    piece += "0x";
    piece += kHexDigits[byte >> 4];
    piece += kHexDigits[byte & 0x0F];
    piece += right;
    return piece;
}

} // namespace

std::string BytesToDisplayText(std::string_view bytes, std::string_view left, std::string_view right)
{
    // Built from the end, so that each literal byte can see the text that will follow it and
    // be escaped when the two together would read back as something else.
    std::vector<std::string> pieces(bytes.size());
    const std::size_t lookahead = left.size() + 4 + right.size();
    for (std::size_t i = bytes.size(); i-- > 0;) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x20) {
            pieces[i]
                = std::string(left) + std::string(kControlCharacterNames[byte].name) + std::string(right);
            continue;
        }
        if (byte >= 0x7F) {
            pieces[i] = HexForm(byte, left, right);
            continue;
        }
        std::string following(1, static_cast<char>(byte));
        for (std::size_t j = i + 1; j < bytes.size() && following.size() < lookahead; ++j)
            following += pieces[j];
        unsigned char decoded = 0;
        pieces[i] = MatchToken(following, left, right, decoded) ? HexForm(byte, left, right)
                                                                : std::string(1, static_cast<char>(byte));
    }
    std::string text;
    for (const std::string& piece : pieces)
        text += piece;
    return text;
}

std::string DisplayTextToBytes(std::string_view text, std::string_view left, std::string_view right)
{
    std::string bytes;
    std::size_t position = 0;
    while (position < text.size()) {
        unsigned char byte = 0;
        if (const std::size_t used = MatchToken(text.substr(position), left, right, byte)) {
            bytes.push_back(static_cast<char>(byte));
            position += used;
        } else if (!left.empty() && text.substr(position).starts_with(left)) {
            bytes.append(left);
            position += left.size();
        } else {
            bytes.push_back(text[position++]);
        }
    }
    return bytes;
}

std::vector<std::string_view> DisplayTextUnits(std::string_view text, std::string_view left, std::string_view right)
{
    std::vector<std::string_view> units;
    std::size_t position = 0;
    while (position < text.size()) {
        unsigned char byte = 0;
        std::size_t used = MatchToken(text.substr(position), left, right, byte);
        if (used == 0) used = 1;
        units.push_back(text.substr(position, used));
        position += used;
    }
    return units;
}

std::size_t DisplayTextLength(std::string_view text, std::string_view left, std::string_view right)
{
    return DisplayTextToBytes(text, left, right).size();
}

std::string BytesToHex(std::string_view bytes)
{
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kHexDigits[byte >> 4];
        hex += kHexDigits[byte & 0x0F];
    }
    return hex;
}
