// The nine HModem compression modes behind one byte-buffer interface.
//
// HMODEM announces a mode number in its header block; both directions use the same
// number for the same method, so the sender and a reader's firmware agree on the stream
// layout byte for byte. Everything here is plain bytes in, bytes out: the transfer engine
// wraps its HSTRING buffers around it.
//
// Mode  method                                         stream layout
//  0    none                                           the bytes themselves
//  1    LZSS, 4096-byte window, binary-tree search     u32 LE length, MSB-first bit stream
//  2    vertical delta (row width 640) + adaptive      u32 LE length, u32 LE row width,
//       Huffman over 258 symbols                       MSB-first bit stream
//  3    grayscale JPEG 480 x 640, quality 80,          JPEG stream
//       accurate integer DCT
//  4    as 3 with the fast integer DCT                 JPEG stream
//  5    same as 3 (older readers ask for it by name)   JPEG stream
//  6    deflate level 9, default strategy              zlib stream (15-bit window, memory level 8)
//  7    deflate level 9, Huffman-only strategy         zlib stream
//  8    LZO1X-999, then the LZO1X block optimiser      raw LZO1X block
//
// Decoders never trust their input: a damaged or hostile stream makes Decompress return
// false, never read or write out of bounds, and never produce more than the caller's
// maximum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

enum class HCompressionMode : unsigned {
    None = 0,
    Lzss = 1,
    DeltaHuffman = 2,
    JpegAccurate = 3,
    JpegFast = 4,
    JpegAccurateAlias = 5,
    Deflate = 6,
    DeflateHuffmanOnly = 7,
    Lzo = 8,
};

class HCompression {
public:
    // Modes 0..8 exist; anything above is refused by both directions of HMODEM.
    static constexpr unsigned kModeCount = 9;
    // The JPEG modes code one fixed picture format: 8-bit gray, 480 pixels by 640 rows.
    static constexpr unsigned kJpegWidth = 480;
    static constexpr unsigned kJpegHeight = 640;
    // Row width the sender uses for the vertical delta of mode 2.
    static constexpr uint32_t kDeltaRowWidth = 640;

    static bool IsKnownMode(unsigned mode) { return mode < kModeCount; }

    // Short readable name of a mode ("LZSS", "deflate", ...), "unknown" above 8.
    static const char* ModeName(unsigned mode);

    // Compresses `input` with `mode` into `output` and returns the mode actually used.
    // When the method fails, does not apply (a JPEG mode with anything but a 480 x 640
    // picture), the mode is unknown, or the result is not shorter than the input, the
    // answer is 0 and `output` holds a plain copy of the input: the data then go raw.
    static unsigned Compress(unsigned mode, std::span<const uint8_t> input, std::vector<uint8_t>& output);

    // Decodes a stream of `mode` into `output`. `input` may carry trailing bytes (the zero
    // padding of the last HModem block); every mode's stream knows where it ends.
    // `expectedLength` is the uncompressed length the sender announced (0 when unknown):
    // it sizes the first output allocation of the library modes. Returns false, with
    // `output` emptied, when the stream is malformed, the mode unknown, or the result
    // would exceed `maximum` bytes.
    static bool Decompress(unsigned mode, std::span<const uint8_t> input, std::size_t maximum,
                           std::vector<uint8_t>& output, std::size_t expectedLength = 0);
};
