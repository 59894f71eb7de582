// HTag commands: the parameter tables of every command class, and the packet layout.
#include "transfer/HTAG.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <span>

namespace {

using T = HTAG_TYPE;
constexpr long long kU32 = 0xFFFFFFFFLL;
constexpr long long kI32 = 2147483647LL;

// Parameters every command carries, in this order (so that P is always index 1).
constexpr HTAG_PARAMETER_INFO kCommon[] = {
    { "P", T::Integer, 2, 2, 5, true, nullptr },
    { "REQP", T::Unsigned, -1, 0, kU32, false, nullptr },
    { "CR", T::Integer, 0, 0, 1, false, nullptr },
    { "RSPREQ", T::Integer, 1, 0, 1, false, nullptr },
    { "DEVADDR", T::Text, 0, 0, 0, false, "" },
    { "DEVNAME", T::Text, 0, 0, 0, false, "" },
};

constexpr HTAG_PARAMETER_INFO kFile[] = {
    { "FILE", T::Text, 0, 0, 0, true, "UNKNOWN" },
    { "CMP", T::Integer, 0, 0, 8, true, nullptr },
    { "TYPE", T::Integer, 9, 3, 11, true, nullptr },
    { "WG", T::Integer, 0, 0, 9, true, nullptr },
};

constexpr HTAG_PARAMETER_INFO kMessage[] = {
    { "CID", T::Text, 0, 0, 0, false, "" },
    { "AID", T::Text, 0, 0, 0, false, "" },
    { "HOSTACK", T::Integer, 0, 0, 1, false, nullptr },
    { "WCHAR", T::Integer, 0, 0, 1, true, nullptr },
    { "INDREQ", T::Integer, 1, 0, 1, false, nullptr },
    { "SEQNUM", T::Unsigned, 0, 0, kU32, false, nullptr },
    { "IMD", T::Unsigned, 0, 0, kU32, false, nullptr },
};

constexpr HTAG_PARAMETER_INFO kSystem[] = {
    { "WG", T::Integer, 0, INT_MIN, INT_MAX, false, nullptr },
    { "FC", T::Integer, 0, 0, 1, false, nullptr },
    { "BTM", T::Unsigned, -1, 0, kU32, false, nullptr },
};

constexpr HTAG_PARAMETER_INFO kMenu[] = {
    { "CMDRSPREQ", T::Integer, 0, 0, 1, false, nullptr },
    { "INDREQ", T::Integer, 0, 0, 1, false, nullptr },
};

constexpr HTAG_PARAMETER_INFO kActivity[] = {
    { "ACTIVITY", T::Integer, 0, 0, 1, true, nullptr },
    { "PROCESSED", T::Unsigned, 0, 0, kU32, true, nullptr },
    { "TOTAL", T::Unsigned, 0, 0, kU32, true, nullptr },
    { "RFSCAN", T::Text, 0, 0, 0, false, "" },
};

constexpr HTAG_PARAMETER_INFO kTrigger[] = {
    { "T", T::Integer, 1, 0, 3, true, nullptr },
};

constexpr HTAG_PARAMETER_INFO kMode[] = {
    { "PASSWORD", T::Text, 0, 0, 0, true, "" },
};

// Code images: application, boot code and flash images sent whole.
constexpr HTAG_PARAMETER_INFO kImageStore[] = {
    { "FILE", T::Text, 0, 0, 0, true, "UNKNOWN" },
    { "CMP", T::Integer, 0, 0, 8, true, nullptr },
    { "STORE", T::Integer, 1, 0, 1, true, nullptr },
    { "STARTADDRESS", T::Unsigned, -1, 0, kU32, true, nullptr },
    { "SIZE", T::Unsigned, -1, 0, kU32, true, nullptr },
    { "BOOTMODEFLASHIMAGE", T::Integer, 0, 0, 1, true, nullptr },
    { "CRC", T::Unsigned, -1, 0, kU32, true, nullptr },
    { "REBOOT", T::Integer, 0, 0, 1, true, nullptr },
};

// Engine code: a short store with its own three-way store choice.
constexpr HTAG_PARAMETER_INFO kShortStore[] = {
    { "FILE", T::Text, 0, 0, 0, true, "UNKNOWN" },
    { "CMP", T::Integer, 0, 0, 1, true, nullptr },
    { "CRC", T::Unsigned, -1, 0, kU32, true, nullptr },
    { "STORE", T::Integer, 0, 0, 2, true, nullptr },
};

// Retrieve requests name what they want back.
constexpr HTAG_PARAMETER_INFO kFileReference[] = {
    { "FILE", T::Text, 0, 0, 0, true, "UNKNOWN" },
    { "WG", T::Integer, 0, 0, 9, true, nullptr },
    { "DEF", T::Integer, 0, 0, 1, true, nullptr },
};

// Picture shipping: the window, depth, subsampling, format and the reader's own switches.
constexpr HTAG_PARAMETER_INFO kImageShip[] = {
    { "L", T::Integer, 0, 0, 2047, true, nullptr },    { "R", T::Integer, 0, 0, 2047, true, nullptr },
    { "B", T::Integer, 2047, 0, 2047, true, nullptr }, { "T", T::Integer, 0, 0, 2047, true, nullptr },
    { "M", T::Integer, 0, 0, 2047, true, nullptr },    { "D", T::Integer, 8, 1, 8, true, nullptr },
    { "S", T::Integer, 1, 1, 10, true, nullptr },      { "C", T::Integer, 0, 0, 1, false, nullptr },
    { "E", T::Integer, 0, 0, kI32, false, nullptr },   { "IR", T::Integer, 0, 0, 3, false, nullptr },
    { "H", T::Integer, 0, 0, 1, false, nullptr },      { "I", T::Integer, 0, 0, 1, false, nullptr },
    { "IX", T::Integer, 0, 0, 1, false, nullptr },     { "IY", T::Integer, 0, 0, 1, false, nullptr },
    { "Q", T::Integer, 0, 0, 1, false, nullptr },      { "V", T::Integer, 0, 0, 1, false, nullptr },
    { "Z", T::Integer, 0, 0, 1, false, nullptr },      { "A", T::Integer, 0, 0, 1, false, nullptr },
    { "W", T::Integer, 0, 0, 1, false, nullptr },      { "~", T::Integer, 0, 0, 1, false, nullptr },
    { "U", T::Integer, 0, 0, 255, false, nullptr },    { "K", T::Integer, 0, 0, 1000, false, nullptr },
    { "F", T::Integer, 5, 0, 9, true, nullptr },       { "J", T::Integer, 80, 0, 100, false, nullptr },
    { "G", T::Integer, 0, 0, kI32, false, nullptr },   { "X", T::Integer, 0, 0, kI32, false, nullptr },
    { "O", T::Integer, 0, 0, kI32, false, nullptr },   { "Y", T::Integer, 0, 0, kI32, false, nullptr },
    { "#", T::Integer, 0, 0, 9999, false, nullptr },
};
static_assert(std::size(kImageShip) == 29);

struct CommandClass {
    const char* name;
    std::span<const HTAG_PARAMETER_INFO> parameters;
};

// Every command the program sends or accepts, with the parameter set of its class. The eight
// HPL status messages carry the common parameters only.
constexpr CommandClass kClasses[] = {
    { "FILSTO", kFile },          { "FILRET", kFile },          { "MSGGET", kMessage },
    { "DECRES", kMessage },       { "DECACK", kMessage },       { "GETSYS", kSystem },
    { "SYSINF", kSystem },        { "MNUCMD", kMenu },          { "MNURSP", kMenu },
    { "NMNCMD", kMenu },          { "NMNRSP", kMenu },          { "ACTSTA", kActivity },
    { "TRGEVT", kTrigger },       { "BOTMOD", kMode },          { "FLSMOD", kMode },
    { "IMGSHP", kImageShip },     { "APPCOD", kImageStore },    { "APPSTO", kImageStore },
    { "BOTCOD", kImageStore },    { "BOTSTO", kImageStore },    { "FLSSTO", kImageStore },
    { "APPRET", kFileReference }, { "BOTRET", kFileReference }, { "FLSRET", kFileReference },
    { "ENGSTO", kShortStore },    { "HPLSMS", {} },             { "HPLRMS", {} },
    { "HPLLMS", {} },             { "HPLSES", {} },             { "HPLRES", {} },
    { "HPLLES", {} },             { "HPLSHC", {} },             { "HPLSHD", {} },
};
static_assert(std::size(kClasses) == 33);

bool SameNoCase(const char* a, const char* b, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool EqualNoCase(const char* a, const char* b)
{
    const size_t n = std::strlen(a);
    return n == std::strlen(b) && SameNoCase(a, b, n);
}

const CommandClass* ClassOf(const char* name, unsigned length)
{
    if (length != HTAG::kNameLength)
        return nullptr;
    for (const CommandClass& c : kClasses) {
        if (SameNoCase(c.name, name, length))
            return &c;
    }
    return nullptr;
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool EndsName(unsigned char c) { return IsDigit(c) || c == HTAG::GS || c == '"' || c == '-'; }

} // namespace

HTAG::HTAG(const char* name, bool responseRequested) : m_Data(0)
{
    const unsigned length = name ? static_cast<unsigned>(std::strlen(name)) : 0;
    m_Name.assign(name ? name : "", std::min(length, kNameLength));
    for (char& c : m_Name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const HTAG_PARAMETER_INFO& info : kCommon)
        m_Values.push_back(Value { &info, false, info.required, 0, std::string() });
    if (const CommandClass* c = ClassOf(m_Name.c_str(), static_cast<unsigned>(m_Name.size()))) {
        for (const HTAG_PARAMETER_INFO& info : c->parameters)
            m_Values.push_back(Value { &info, false, info.required, 0, std::string() });
    }
    for (Value& v : m_Values) {
        v.number = v.info->type == HTAG_TYPE::Unsigned && v.info->defaultValue < 0 ? kU32 : v.info->defaultValue;
        v.text = v.info->defaultText ? v.info->defaultText : "";
    }
    // RSPREQ's default is the creator's choice.
    m_Values[3].number = responseRequested ? 1 : 0;
}

bool HTAG::IsKnownName(const char* name, unsigned length) { return ClassOf(name, length) != nullptr; }

int HTAG::Find(const char* name) const
{
    for (size_t i = 0; i < m_Values.size(); ++i) {
        if (EqualNoCase(m_Values[i].info->name, name))
            return static_cast<int>(i);
    }
    return -1;
}

bool HTAG::IsSet(const char* name) const
{
    const int i = Find(name);
    return i >= 0 && m_Values[i].set;
}

bool HTAG::StoreNumber(unsigned index, long long value)
{
    Value& v = m_Values[index];
    if (v.info->type == HTAG_TYPE::Text)
        return false;
    // An unsigned parameter written as -1 means "none", as its default does.
    if (v.info->type == HTAG_TYPE::Unsigned && value == -1)
        value = kU32;
    if (value < v.info->minimum || value > v.info->maximum)
        return false;
    v.number = value;
    v.set = true;
    return true;
}

bool HTAG::SetInt(const char* name, long long value)
{
    const int i = Find(name);
    return i >= 0 && StoreNumber(static_cast<unsigned>(i), value);
}

bool HTAG::SetProtocol(int protocol)
{
    if (protocol < 0 || protocol > 5)
        return false;
    m_Values[0].number = protocol;
    m_Values[0].set = true;
    return true;
}

bool HTAG::SetText(const char* name, const std::string& text)
{
    const int i = Find(name);
    if (i < 0 || m_Values[i].info->type != HTAG_TYPE::Text)
        return false;
    m_Values[i].text = text;
    m_Values[i].set = true;
    return true;
}

long long HTAG::GetInt(const char* name) const
{
    const int i = Find(name);
    return i < 0 ? 0 : m_Values[i].number;
}

std::string HTAG::GetText(const char* name) const
{
    const int i = Find(name);
    return i < 0 ? std::string() : m_Values[i].text;
}

bool HTAG::Require(const char* name)
{
    const int i = Find(name);
    if (i < 0)
        return false;
    m_Values[i].required = true;
    return true;
}

void HTAG::ClearValues()
{
    const int protocol = Protocol();
    for (Value& v : m_Values) {
        v.set = false;
        v.number = v.info->type == HTAG_TYPE::Unsigned && v.info->defaultValue < 0 ? kU32 : v.info->defaultValue;
        v.text = v.info->defaultText ? v.info->defaultText : "";
    }
    m_Values[0].number = protocol;
}

void HTAG::QuoteText(const std::string& text, HSTRING& out)
{
    HSTRING raw(reinterpret_cast<const unsigned char*>(text.data()), static_cast<unsigned>(text.size()));
    HSTRING printable;
    raw.ToPrintable(printable, HSTRING_PRINTABLE_BACKSLASH | HSTRING_PRINTABLE_ESCAPE_HIGH);
    out.AppendByte('"');
    for (unsigned i = 0; i < printable.Length(); ++i) {
        // The quote would end the value early; GS is already escaped as a control byte.
        if (printable[i] == '"')
            out.Append("\\22");
        else
            out.AppendByte(printable[i]);
    }
    out.AppendByte('"');
}

void HTAG::BuildParameters(HSTRING& out, bool sendAll) const
{
    out.Empty();
    // The protocol leads the packet; it is never repeated among the parameters.
    for (size_t i = 1; i < m_Values.size(); ++i) {
        const Value& v = m_Values[i];
        if (!(v.set || v.required || sendAll))
            continue;
        if (v.info->type == HTAG_TYPE::Text)
            QuoteText(v.text, out);
        else
            out.AppendFormat("%lld", v.number);
        out.Append(v.info->name);
    }
}

void HTAG::BuildBody(HSTRING& out, bool sendAll) const
{
    BuildParameters(out, sendAll);
    out.AppendByte(GS);
    out.Append(m_Data);
}

void HTAG::BuildHeader(HSTRING& out, unsigned bodyLength) const
{
    HSTRING text(16);
    text.Append(m_Name.c_str());
    text.AppendFormat("%dP", Protocol());
    out.Empty();
    out.AppendByte(SYN);
    out.AppendByte(MARKER);
    out.AppendNumber(text.Length() + bodyLength, 4);
    out.AppendByte(CR);
    out.Append(text);
}

void HTAG::BuildPacket(HSTRING& out, bool sendAll) const
{
    HSTRING body;
    if (Protocol() >= 2) {
        BuildBody(body, sendAll);
        BuildHeader(out, body.Length());
        out.Append(body);
        return;
    }
    BuildParameters(body, sendAll);
    out.Empty();
    out.Append(m_Name.c_str());
    out.AppendFormat("%dP", Protocol());
    out.Append(body);
    out.AppendByte(GS);
    if (Protocol() == 1) {
        HSTRING escaped;
        EscapeData(m_Data, escaped, true);
        out.Append(escaped);
    } else {
        out.Append(m_Data);
    }
}

void HTAG::EscapeData(const HSTRING& data, HSTRING& out, bool withEot)
{
    out.Empty();
    out.Reserve(data.Length() + data.Length() / 8 + 2);
    for (unsigned i = 0; i < data.Length(); ++i) {
        if (data[i] == ESC || data[i] == EOT)
            out.AppendByte(ESC);
        out.AppendByte(data[i]);
    }
    if (withEot)
        out.AppendByte(EOT);
}

void HTAG::UnescapeData(const HSTRING& data, HSTRING& out)
{
    out.Empty();
    out.Reserve(data.Length());
    for (unsigned i = 0; i < data.Length(); ++i) {
        unsigned char c = data[i];
        if (c == ESC && i + 1 < data.Length()) {
            out.AppendByte(data[++i]);
            continue;
        }
        if (c == EOT)
            break;
        out.AppendByte(c);
    }
}

int HTAG::ParseParameters(const unsigned char* bytes, unsigned length, unsigned& consumed)
{
    int result = HTAG_PARSE_OK;
    auto note = [&](int code) {
        if (result == HTAG_PARSE_OK || result == HTAG_PARSE_UNKNOWN_SKIPPED)
            result = code;
    };
    unsigned i = 0;
    while (i < length && bytes[i] != GS) {
        // Value: a quoted text, or an integer.
        bool quoted = false;
        std::string text;
        long long number = 0;
        bool numberOk = true;
        if (bytes[i] == '"') {
            quoted = true;
            const unsigned start = ++i;
            while (i < length && bytes[i] != '"')
                ++i;
            if (i >= length) {
                note(HTAG_PARSE_UNCLOSED_QUOTE);
                consumed = length;
                return result;
            }
            HSTRING printable(bytes + start, i - start);
            HSTRING raw;
            printable.FromPrintable(raw);
            text.assign(raw.Text(), raw.Length());
            ++i;
        } else {
            bool negative = false;
            if (bytes[i] == '-') {
                negative = true;
                ++i;
            }
            unsigned digits = 0;
            while (i < length && IsDigit(bytes[i])) {
                // Past 19 digits the value cannot be in any range; keep counting, stop growing.
                if (number < 100000000000000000LL)
                    number = number * 10 + (bytes[i] - '0');
                else
                    numberOk = false;
                ++i;
                ++digits;
            }
            if (digits == 0) {
                note(HTAG_PARSE_NO_DIGITS);
                numberOk = false;
            }
            if (negative)
                number = -number;
        }
        // Name: up to the next digit, GS, quote or minus.
        const unsigned nameStart = i;
        while (i < length && !EndsName(bytes[i]))
            ++i;
        if (i == nameStart) {
            note(HTAG_PARSE_EMPTY_NAME);
            continue;
        }
        const std::string name(reinterpret_cast<const char*>(bytes + nameStart), i - nameStart);
        const int index = Find(name.c_str());
        if (index < 0) {
            note(HTAG_PARSE_UNKNOWN_SKIPPED);
            continue;
        }
        const bool isText = m_Values[index].info->type == HTAG_TYPE::Text;
        bool stored = false;
        if (quoted && isText) {
            m_Values[index].text = text;
            m_Values[index].set = true;
            stored = true;
        } else if (!quoted && !isText && numberOk) {
            stored = StoreNumber(static_cast<unsigned>(index), number);
        }
        if (!stored && (quoted || numberOk))
            note(-(index + 1));
    }
    consumed = i < length ? i + 1 : length;
    return result;
}

int HTAG::ParseBody(const unsigned char* bytes, unsigned length)
{
    unsigned consumed = 0;
    const int result = ParseParameters(bytes, length, consumed);
    m_Data.Copy(bytes + consumed, length - consumed);
    return result;
}

const char* HTagAnswerFor(const std::string& upperName)
{
    struct Pair {
        const char* request;
        const char* answer;
    };
    static constexpr Pair kPairs[] = {
        { "FILRET", "FILSTO" }, { "APPRET", "APPCOD" }, { "BOTRET", "BOTCOD" }, { "FLSRET", "FLSSTO" },
        { "GETSYS", "SYSINF" }, { "MNUCMD", "MNURSP" }, { "NMNCMD", "NMNRSP" },
    };
    for (const Pair& p : kPairs) {
        if (upperName == p.request)
            return p.answer;
    }
    return nullptr;
}
