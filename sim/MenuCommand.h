// One menu command as the reader parsed it from a batch, and its answer.
#pragma once

#include <cstdint>
#include <string>

// Control bytes of the menu protocol.
inline constexpr uint8_t kSyn = 0x16;
inline constexpr uint8_t kCr = 0x0D;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kEnq = 0x05;
inline constexpr uint8_t kNak = 0x15;

struct MenuCommand {
    std::string tag;       // the first six characters as sent (the reader echoes them unchanged)
    std::string upperTag;  // the same upper-cased: tags are matched without regard to case
    std::string value;     // what follows the tag: a value, a query mark or nothing
    char separator = '.';  // ";" inside a batch, else the terminator that ended it

    // '?' current value, '*' range, '^' default, '$' current value without status byte
    // (a reply that can be sent back as a command); 0 for a write.
    char Mark() const
    {
        if (value.size() == 1 && (value[0] == '?' || value[0] == '*' || value[0] == '^' || value[0] == '$'))
            return value[0];
        return 0;
    }
};

struct MenuAnswer {
    uint8_t status = kAck;
    std::string value;        // echoed after the tag
    bool withStatus = true;   // false only for '$' queries

    static MenuAnswer Ack(std::string value) { return MenuAnswer{kAck, std::move(value), true}; }
    static MenuAnswer Nak(std::string value) { return MenuAnswer{kNak, std::move(value), true}; }
    static MenuAnswer Enq(std::string value) { return MenuAnswer{kEnq, std::move(value), true}; }
};
