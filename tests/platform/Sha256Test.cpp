// SHA-256 against the published test vectors, across the block boundaries where padding
// mistakes hide (55, 56 and 64 bytes of message).
#include "platform/Sha256.h"

#include <gtest/gtest.h>

TEST(Sha256Test, PublishedVectors)
{
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        { "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855" },
        { "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad" },
        { "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
          "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1" },
        { std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sha256::Hex(c.message), c.digest) << c.message.size() << " bytes";
    for (size_t size : { 55u, 56u, 63u, 64u, 65u }) {
        const std::string message(size, 'x');
        Sha256 pieces;
        pieces.Update(message.substr(0, size / 3));
        pieces.Update(message.substr(size / 3));
        const auto whole = Sha256::Hex(message);
        std::string hex;
        for (const std::uint8_t byte : pieces.Finish()) {
            static constexpr char kDigits[] = "0123456789abcdef";
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 15];
        }
        EXPECT_EQ(hex, whole) << size;
    }
}
