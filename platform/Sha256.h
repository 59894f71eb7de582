// Sha256: the SHA-256 digest of a byte string, as 64 lowercase hexadecimal digits.
//
// A report names the exact document it describes by this digest, so a support engineer can
// tell whether the file in hand is the one the report was made from.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class Sha256 {
public:
    Sha256();
    void Update(std::string_view bytes);
    // The digest of everything given so far; the object is spent afterwards.
    std::array<std::uint8_t, 32> Finish();

    static std::string Hex(std::string_view bytes);

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_ {};
    std::size_t pendingSize_ = 0;
    std::uint64_t totalBytes_ = 0;
};
