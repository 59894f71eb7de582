// Pictures and HTag packets on the simulated reader: installs the capture commands
// (IMGSNP, IMGSHP, IMGTST, TSTAOF), the HTag peer (SYN 0xFE) and, when asked, the emitter of
// unasked events on one reader engine.
//
// Capture replies by form (IMGSHP F): 0 `8bT` header and the nibble code; 4 `1bU`; 5 `8bU`;
// 6 the JPEG stream; 7 `1bT` and the run code; the forms without a header of their own
// (1, 2, 3, 8, 9) go as an IMGSHP HTag packet. The windowed capture (IMGSNP...,SHP) answers
// with a `bU` header of the asked depth. Every capture counts up the scene's number.
#pragma once

#include <memory>
#include <string>

class ReaderEngine;
class HModemPeer;

struct PictureFaults {
    bool cutShort = false;  // a picture stops after half its bytes
    bool pause = false;     // a picture stops for 2 s half way, then goes on
};

struct PictureSupportOptions {
    PictureFaults faults;
    // Unasked events: a comma list of text:TEXT, actsta, trgevt, decres:TEXT, hpl, tagged,
    // envelope, picture, bad-packet, bad-header; sent every `emitEveryMs` until the host
    // sends its first byte.
    std::string events;
    unsigned emitEveryMs = 1000;
};

// False with a reason when the emit list names something unknown.
bool InstallPictureSupport(ReaderEngine& engine, HModemPeer& hmodem, const PictureSupportOptions& options,
                           std::string& error);
// The bytes a reader sends for one emitted event ("" when the name is unknown).
std::string EmittedBytes(const std::string& item, unsigned number);
