// Description files (".DOC") that sit beside firmware files and tell the user what a file is.
//
// For each of the four keys the file is read from the start, line by line, until a line whose
// beginning equals the key (without regard to case); the rest of that line, without leading
// and trailing blanks, is the value. Lines are taken whole however long they are, so a long
// line can never be split into a piece that happens to start with a key; values are cut to
// kMaxValueBytes. Bytes are kept as they are (the file may not be UTF-8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct FlashDocInfo {
    std::string description; // "GENERAL DESCRIPTION:"
    std::string product;     // "PRODUCT NAME:"
    std::string revision;    // "SW REV:"
    std::string date;        // "DATE:"
};

inline constexpr const char* kNoDocFileText = "No doc file available for this hex file";

class FlashDocFile {
public:
    static constexpr std::size_t kMaxFileBytes = 1u << 20;
    static constexpr std::size_t kMaxValueBytes = 256;

    static FlashDocInfo Parse(std::span<const uint8_t> text);
    // The companion of a firmware file: its title with the extension ".DOC" in the same
    // folder, matched without regard to case (".DOC" exactly is preferred).
    static std::optional<std::string> FindCompanion(const std::string& firmwarePath);
    // What the file dialog's panel shows for a firmware file: the companion's fields, or the
    // "no doc file" description and empty fields.
    static FlashDocInfo ForFirmwareFile(const std::string& firmwarePath, bool* found = nullptr);
};
