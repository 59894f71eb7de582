// CKim: KIM pictures — a small grayscale format with a nibble-coded delta compression.
//
//   width  4 ASCII digits, zero-padded (1..4096)
//   height 4 ASCII digits, zero-padded (1..4096)
//   pixels nibble stream, two nibbles a byte, high nibble first, rows top to bottom
//
// Per pixel, against a running value v: nibble 8 and two more nibbles give the new value in
// full (high, low); any other nibble n moves v by n (0..7) or n - 16 (9..15). The writer
// starts v at -9, so the first pixel always goes in full, uses a delta when the new value is
// within 7 of v, and pads an odd final nibble with 8. Reading and writing follow the same
// rules, so a file we read and write again comes out byte for byte the same.
//
// Files are untrusted: the header must be eight digits with both sides in 1..4096, and the
// reader never takes in more than the largest valid file.
#pragma once

#include "transfer/image/HIMAGE.h"

class ProgressWindow;

#include <cstdint>
#include <string>
#include <vector>

// Incremental decoder of the nibble code: feed bytes, it fills `pixels` up to `count`.
class HKimNibbleDecoder {
public:
    HKimNibbleDecoder(std::vector<uint8_t>& pixels, size_t count) : m_Pixels(pixels), m_Count(count)
    {
        m_Pixels.clear();
        m_Pixels.reserve(count);
    }
    void Feed(uint8_t byte)
    {
        Nibble(byte >> 4);
        Nibble(byte & 15);
    }
    bool Done() const { return m_Pixels.size() >= m_Count; }

private:
    void Nibble(int n);
    std::vector<uint8_t>& m_Pixels;
    size_t m_Count;
    int m_Value = 0;
    int m_Full = 0;  // nibbles still to come of a full value
    int m_FullValue = 0;
};

class CKim {
public:
    static constexpr int kMaxSide = HIMAGE::kMaxSide;
    static constexpr size_t kHeaderSize = 8;
    // Three nibbles a pixel at worst, plus the header.
    static constexpr size_t kMaxFileSize = kHeaderSize + (size_t(kMaxSide) * kMaxSide * 3 + 1) / 2;

    // Texts shown to the user.
    static constexpr const char* kCorruptHeader = "Corrupt KIM file header";
    static constexpr const char* kCorruptFile = "Corrupt KIM file";
    static constexpr const char* kWriteError = "Write error--possible disk full condition";

    // Reads a whole file (bounded by kMaxFileSize); false with the message text.
    bool Read(const std::string& path, std::string& error);
    // Takes the bytes of a KIM file (already in memory).
    void SetBytes(std::vector<uint8_t> bytes) { m_File = std::move(bytes); }
    const std::vector<uint8_t>& Bytes() const { return m_File; }
    // Decodes the bytes into `image`; false with "Corrupt KIM file header" or "Corrupt KIM file".
    // With a progress window: "Expanding raw KIM data..." and the rows done.
    bool Expand(HIMAGE& image, std::string& error, ProgressWindow* progress = nullptr) const;

    // The nibble code of a picture (header included).
    static std::vector<uint8_t> Encode(const HIMAGE& image);
    static std::vector<uint8_t> EncodePixels(const uint8_t* pixels, size_t count);
    // Writes the picture atomically; false with "Write error--possible disk full condition".
    // With a progress window: "Saving to Disk" and a bar moved per row.
    static bool Save(const HIMAGE& image, const std::string& path, std::string& error,
                     ProgressWindow* progress = nullptr);

    // The display bitmap: a 40-byte bitmap header, 256 gray palette entries, rows bottom up,
    // each padded to 4 bytes.
    static std::vector<uint8_t> DisplayBitmap(const HIMAGE& image);
    // A BMP file of the same bitmap (file header in front).
    static std::vector<uint8_t> BmpFile(const HIMAGE& image);

private:
    std::vector<uint8_t> m_File;
};
