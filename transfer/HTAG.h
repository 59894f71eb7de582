// HTAG: one HTag command — a six-character name, typed parameters and a data block — and its
// wire form.
//
// Packet, in wire order:
//
//   SYN 0xFE | u32 LE length | CR | name (6) | protocol digits | 'P' | parameters | GS | data
//                              `length` counts every byte after the CR
//
// A parameter is its value followed by its name, with no separator: an integer as decimal
// digits (optionally led by '-'), a text between double quotes in printable form (bytes
// outside 32..126, '"' and GS as a backslash and two hex digits). Names hold no digits, so a
// name ends where a digit, GS, '"' or '-' begins. Parameters go out when they were set, when
// the class marks them required, or when the caller asks for all of them.
//
// The protocol value P says how the data move: 2 raw, 3/4/5 through HModem (compression 7,
// none, 6). Below 2 the command is unframed: no SYN 0xFE frame, and the data end with EOT
// (P 1, with ESC before every ESC and EOT in the data) or are sent as they are (P 0).
#pragma once

#include "transfer/HSTRING.h"

#include <cstdint>
#include <string>
#include <vector>

enum class HTAG_TYPE : uint8_t { Integer, Unsigned, Text };

// One parameter of a command class: its name, type, default and range.
struct HTAG_PARAMETER_INFO {
    const char* name;
    HTAG_TYPE type;
    long long defaultValue;  // unsigned defaults of -1 mean 0xFFFFFFFF
    long long minimum;
    long long maximum;
    bool required;
    const char* defaultText;  // text parameters only
};

// Codes of HTAG::ParseParameters (1 and 3 are success).
enum HTAG_PARSE : int {
    HTAG_PARSE_OK = 1,
    HTAG_PARSE_UNKNOWN_SKIPPED = 3,
    HTAG_PARSE_EMPTY_NAME = 4,
    HTAG_PARSE_NO_DIGITS = 5,
    HTAG_PARSE_UNCLOSED_QUOTE = 8,
    // A value of the wrong kind or out of range gives -(1-based index of the parameter).
};

class HTAG {
public:
    static constexpr unsigned char SYN = 0x16;
    static constexpr unsigned char MARKER = 0xFE;
    static constexpr unsigned char CR = 0x0D;
    static constexpr unsigned char GS = 0x1D;
    static constexpr unsigned char ESC = 0x1B;
    static constexpr unsigned char EOT = 0x04;
    static constexpr unsigned kNameLength = 6;
    // SYN, marker, four length bytes, CR.
    static constexpr unsigned kFrameHeaderLength = 7;

    // A command of the class that `name` belongs to (case-insensitive); unknown names get the
    // common parameters only. `responseRequested` is the creator's default for RSPREQ.
    explicit HTAG(const char* name = "", bool responseRequested = true);

    const std::string& Name() const { return m_Name; }
    // Whether the name is one of the commands the program knows.
    static bool IsKnownName(const char* name, unsigned length);

    // Parameter access by name, without regard to case. Setters check type and range and
    // return false (changing nothing) when the value does not fit.
    int Find(const char* name) const;
    unsigned Count() const { return static_cast<unsigned>(m_Values.size()); }
    const HTAG_PARAMETER_INFO& Info(unsigned index) const { return *m_Values[index].info; }
    bool IsSet(const char* name) const;
    bool SetInt(const char* name, long long value);
    bool SetText(const char* name, const std::string& text);
    long long GetInt(const char* name) const;  // the default when unset; 0 when unknown
    std::string GetText(const char* name) const;
    // Marks a parameter as always sent (a command built for a purpose, such as PASSWORD).
    bool Require(const char* name);
    void ClearValues();

    int Protocol() const { return static_cast<int>(GetInt("P")); }
    // 2..5 on the wire; the program may also choose the unframed 0 and 1.
    bool SetProtocol(int protocol);
    HSTRING& Data() { return m_Data; }
    const HSTRING& Data() const { return m_Data; }

    // Parameters as they go on the wire (without the protocol, which leads the packet).
    void BuildParameters(HSTRING& out, bool sendAll = false) const;
    // Parameters, GS, data: what HModem moves, or what follows the header on a raw send.
    void BuildBody(HSTRING& out, bool sendAll = false) const;
    // SYN 0xFE, length (covering the header text and `bodyLength`), CR, name, protocol, 'P'.
    void BuildHeader(HSTRING& out, unsigned bodyLength) const;
    // The whole packet; for protocols below 2 the unframed form.
    void BuildPacket(HSTRING& out, bool sendAll = false) const;

    // Reads parameters from `bytes` up to the first GS outside quotes (or the end) and stores
    // them. `consumed` gets the bytes used, the GS included when present. The result is the
    // first hard error, else HTAG_PARSE_UNKNOWN_SKIPPED when a name was unknown, else OK.
    int ParseParameters(const unsigned char* bytes, unsigned length, unsigned& consumed);
    // Parameters, GS and data (the transferred body): the data become Data().
    int ParseBody(const unsigned char* bytes, unsigned length);

    // The unframed data rules.
    static void EscapeData(const HSTRING& data, HSTRING& out, bool withEot);
    static void UnescapeData(const HSTRING& data, HSTRING& out);

    // Text parameter value in its wire form, quotes included.
    static void QuoteText(const std::string& text, HSTRING& out);

private:
    struct Value {
        const HTAG_PARAMETER_INFO* info;
        bool set = false;
        bool required = false;
        long long number = 0;
        std::string text;
    };
    bool StoreNumber(unsigned index, long long value);

    std::string m_Name;
    std::vector<Value> m_Values;
    HSTRING m_Data;
};

// Command names paired with the answer the program gives to a reader's request.
const char* HTagAnswerFor(const std::string& upperName);
