// A simulated reader's identity, line format, capabilities and settings, loaded from a
// profile file in sim/profiles/.
//
// Profile files are plain text, one statement a line; "#" starts a comment line. Keys:
//
//   name     3800lr                         short name used on the command line
//   model    Kestrel 3800 Linear Imager     free text, shown by --list
//   class    CDevice                        device class the catalog names for it (information)
//   rev_qx   QX80001005-012                 answer to "rev_qx?."  ("QX", 8-char base, "-", 3 digits)
//   rev_sw   SW 12.04                       answer to "rev_sw?." ("-": not known, ENQ)
//   p_name   3800LR                         answer to "p_name?."
//   link     0xCE31                         link code: bytes 3 and 4 of the probe answer
//   line     9600 7E1                       rate, data bits, parity, stop bits
//   tables   1                              number of settings tables (1..9)
//   caps     matrix aztec image pdf tables wireless   (any subset, or "none")
//   image    752 480                        picture width and height (readers with "image")
//   scanners 3820A 3820B                    scanners paired with a wireless base
//   devicetype 5                            device type number the SYN-N "DEVICETYPE" query
//                                           reports (readers with the matrix command set)
//   flash    hex                            its loader takes Intel hex records (or "binary")
//   flash_rates 115200 57600                rates its hex loader accepts after SYN "G"; SYN "A"
//                                           enters the loader at the first one
//   msz_app  917504                         answer to "MSZAPP?." (largest application image)
//   msz_bot  16384                          answer to "MSZBOT?." (largest boot code)
//   appmsk   11                             answer to "APPMSK?." (hexadecimal kind mask)
//   setting  TAG range=R default=D values=V [global] [ro] [text] [action]
//
// A setting's fields are words without blanks; "%" and two hex digits stand for any byte
// (%20 a blank, %25 "%", %2C ","). R is the range text the reader reports: "min-max" or a
// list "a|b|c|". V is one value for every table or one per table separated by ",".
// Flags: global (one value shared by all tables: line settings and the like), ro (writes are
// refused), text (free text; R is "0-n" with n the longest value allowed), action (a command
// the reader lists among its settings, such as DEFCUS: sending the tag alone performs it).
//
// Profiles are files users can hand us, so the loader is strict: every line is checked,
// sizes are bounded, and the first fault is reported with its line number.
#pragma once

#include "sim/LineFormat.h"

#include <cstdint>
#include <string>
#include <vector>

enum ReaderCapability : uint32_t {
    CapMatrix = 1u << 0,    // knows the matrix command set (MATCMD, MNUUPD)
    CapAztec = 1u << 1,     // reads Aztec menu symbols (AZTENA)
    CapImage = 1u << 2,     // takes pictures (IMGSHP, IMGMXX, IMGMXY)
    CapPdf = 1u << 3,       // PDF417 (PDFENA)
    CapTables = 1u << 4,    // several settings tables (CURTBL)
    CapWireless = 1u << 5,  // a cordless base or scanner (QxRcCd, REMOVE, LSTSCN, AUX line)
};

struct ProfileSetting {
    std::string tag;     // six characters, as the reader reports it
    std::string range;   // range text as the reader reports it
    std::string defaultValue;
    std::vector<std::string> values;  // one per table
    bool global = false;
    bool readOnly = false;
    bool text = false;
    bool action = false;
};

struct ReaderProfile {
    static constexpr int kMaxTables = 9;
    static constexpr size_t kMaxSettings = 4000;
    static constexpr size_t kMaxFileBytes = 1 << 20;
    static constexpr size_t kMaxLineBytes = 8192;
    static constexpr size_t kMaxValueBytes = 4000;

    std::string name;
    std::string model;
    std::string deviceClass;
    std::string revQx;
    std::string revSw;
    std::string productId;
    uint16_t linkCode = 0;
    LineFormat line;
    int tables = 1;
    uint32_t caps = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<std::string> scanners;
    int deviceType = 0;  // 0: the reader does not answer "DEVICETYPE"
    std::string flash;   // "", "hex" or "binary": the firmware loader it has
    std::vector<uint32_t> flashRates;
    long mszApp = -1;    // -1: the query is not answered
    long mszBot = -1;
    std::string appMask; // empty: not answered
    std::vector<ProfileSetting> settings;

    bool Has(ReaderCapability cap) const { return (caps & cap) != 0; }
    // The setting with this tag, compared without regard to case; nullptr when absent.
    const ProfileSetting* Find(const std::string& tag) const;

    // Parses profile text; on failure returns false and sets error to "line N: reason".
    static bool Parse(const std::string& text, ReaderProfile& out, std::string& error);
    static bool LoadFile(const std::string& path, ReaderProfile& out, std::string& error);

    // The folder of shipped profiles: $KESTREL_SIM_PROFILES, else the source tree's.
    static std::string ProfileDirectory();
    // A name ("3800lr") is looked up in the profile folder; anything with a "/" is a path.
    static bool LoadByName(const std::string& nameOrPath, ReaderProfile& out, std::string& error);
    // Paths of every *.profile file in the profile folder, sorted.
    static std::vector<std::string> ListProfiles();
};

// Range checks the way a reader applies them to a written value.
class SettingRange {
public:
    // True for "min-max" ranges ("-" searched from the second character, so negative minima work).
    static bool ParseNumeric(const std::string& range, long& min, long& max);
    // The items of a "a|b|c|" list; empty when the range is not a list.
    static std::vector<std::string> ListItems(const std::string& range);
    static bool Accepts(const ProfileSetting& setting, const std::string& value);
};
