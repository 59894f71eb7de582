/* stripe32: linear barcode encoder.
 *
 * Turns data into a ready-to-blit monochrome bitmap of a linear barcode: Code 128 with
 * automatic code sets, a "menu" variant of Code 128 with its own start character, and Full
 * ASCII Code 39. The library draws nothing and keeps nothing between calls.
 *
 * Result bitmap (all three encoders)
 * ----------------------------------
 *   - one bit per pixel, most significant bit first; 1 = white (space), 0 = black (bar);
 *   - every scanline is *width* pixels, padded with 1 bits (white) to a multiple of 16 bits,
 *     so a scanline takes ((width + 15) / 16) * 2 bytes; scanlines follow each other with
 *     no further padding; all scanlines of one bitmap are identical;
 *   - a quiet zone of 10 modules (Code 39: 10 narrow widths) of white on either side is
 *     part of the bitmap.
 * The bitmap lives in a movable memory block (platform/MovableMemory.h). The encoder returns
 * the block's handle, locked exactly once, and stores the locked pointer in *bits. The
 * caller owns the block: when done with the bits it calls GlobalUnlock(handle) once and
 * then GlobalFree(handle). The bits pointer stays valid until then.
 *
 * Failure
 * -------
 * An encoder that cannot make the symbol returns NULL and stores NULL in *bits and 0 in
 * *width. That happens when memory runs out, and for input outside what the symbology or
 * this library can take (each function lists its limits). A refused call never touches
 * memory outside the caller's buffers and leaves nothing behind that affects the next
 * call. Output pointers may be NULL when the caller does not want that output.
 *
 * Threads: the encoders keep no shared state and may be called from several threads.
 */
#ifndef STRIPE32_H
#define STRIPE32_H

#include <stdint.h>

#include "platform/MovableMemory.h"

#if defined(STRIPE32_BUILDING)
#define STRIPE32_API __attribute__((visibility("default")))
#else
#define STRIPE32_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Function bytes understood by qxCode128Encode besides ASCII 0x00-0x7F. */
#define STRIPE32_FNC1 0x80
#define STRIPE32_FNC2 0x81
#define STRIPE32_FNC3 0x82
#define STRIPE32_FNC4 0x83

/* Largest result block any encoder makes (256 MiB); bigger geometry is refused. */
#define STRIPE32_MAX_BITMAP_BYTES (256u * 1024u * 1024u)

/* Code 128 with automatic code sets.
 *
 *   data, length   1 to 256 bytes: ASCII 0x00-0x7F, and the function bytes 0x80 (FNC1),
 *                  0x81 (FNC2), 0x82 (FNC3), 0x83 (FNC4). Bytes 0x84-0xFF are refused.
 *   moduleWidth    pixels per module (narrowest bar), at least 1.
 *   rowCount       at least 1. The bitmap has rowCount * moduleWidth scanlines (callers
 *                  that want a height in pixels pass it here and use the first rows).
 *   width          out: pixels per scanline, (11 * N + 33) * moduleWidth for N symbol
 *                  characters from the start character to the check character.
 *   bits           out: the locked bitmap.
 *
 * Code sets: the symbol starts in code set C when the data begins with at least two
 * "units" (a unit is a pair of digits or one FNC1), so "1234" starts in C but "12" does not;
 * otherwise in A when the first byte is a control character and in B for anything else.
 * In the middle of the data it changes to C only in front of three or more units, and
 * leaves C as soon as neither a digit pair nor FNC1 follows. Between A and B it changes
 * only when a byte needs it (control characters need A, 0x60-0x7F need B). SHIFT is never
 * used. A symbol needing more than 300 symbol characters is refused.
 */
STRIPE32_API HGLOBAL qxCode128Encode(const char* data, int32_t length, int32_t moduleWidth, int32_t rowCount,
    int32_t* width, unsigned char** bits);

/* "Menu" Code 128: a fixed layout with its own start character (modules 11100010100),
 * which ordinary Code 128 readers do not accept.
 *
 * Symbol characters after the start character, each 0-106:
 *   lead           the low byte of `lead`, unchanged;
 *   group, number  w = (low byte of group) * 1024 + number, as w / 96 and w % 96;
 *   text           a zero-terminated text of 1 to 4 bytes, read as a little-endian number
 *                  and written as base-96 digits, most significant first, of a top 6-bit,
 *                  a middle 13-bit and a low 13-bit group (as many as the length needs: 1
 *                  byte gives 2 characters, 2 bytes 3, 3 bytes 4, 4 bytes 5). A text of
 *                  any other length (an empty one, or longer than 4) adds nothing.
 * then the check character. A lead above 106, a negative w or one of 96 * 107 or more, or a
 * NULL text is refused. moduleWidth, rowCount, width and bits as for qxCode128Encode.
 */
STRIPE32_API HGLOBAL qxMenu128Encode(int32_t lead, int32_t group, int32_t number, const char* text,
    int32_t moduleWidth, int32_t rowCount, int32_t* width, unsigned char** bits);

/* Full ASCII Code 39.
 *
 *   data, length   0 or more bytes 0x00-0x7F; each becomes one or two Code 39 characters
 *                  (lowercase "a" is "+A", and so on). Bytes above 0x7F are refused.
 *   wideWidth      pixels of a wide element; raised to narrowWidth + 1 when narrower
 *                  than a narrow element (an equal width is kept).
 *   narrowWidth    pixels of a narrow element and of the gap between characters; at least 1.
 *   height         scanlines, at least 1.
 *   width          out: pixels per scanline, L * (3 * wide + 7 * narrow) + 20 * narrow for L
 *                  Code 39 characters (start, data, check and stop characters).
 *   addCheck       non-zero: append the modulo 43 check character over all data characters.
 *   omitStartStop  non-zero: leave out the "*" start and stop characters.
 *   bits           out: the locked bitmap (repeat 1: every element is drawn at its width).
 *
 * At most 99 Code 39 characters (start, data, check and stop) fit; more are refused.
 */
STRIPE32_API HGLOBAL qxCode39Encode(const char* data, int32_t length, int32_t wideWidth, int32_t narrowWidth,
    int32_t height, int32_t* width, int32_t addCheck, int32_t omitStartStop, unsigned char** bits);

/* Copies the library's revision text, "Last Checkpoint: 4.7 " (21 characters and the
 * terminating zero), into a buffer of at least 22 bytes. Returns 0, or -1 for a NULL buffer.
 */
STRIPE32_API int32_t qxGetLinearEncoderRevString(char* buffer);

#ifdef __cplusplus
}
#endif

#endif
