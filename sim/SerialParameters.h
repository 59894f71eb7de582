// The settings that set a reader's own serial line, and how their values map to a format.
// Values follow the tab definitions: list settings hold option positions, except the rate
// and parity of the main port, which hold the rate and the letter themselves.
//
//   232BDR  rate in decimal ("9600")
//   232BAD  rate by position: 0 300, 1 600, 2 1200, 3 2400, 4 4800, 5 9600, 6 19200,
//           7 38400, 8 57600, 9 115200
//   232PAR  parity letter N, E, O, M, S
//   232WRD  word length: 0 seven data bits, 1 eight; 2 eight as well (the transfer word)
//   232LEN  data bits, 7 or 8
//   232STP  stop bits by position: 0 one, 1 two
//   AUXBDR  rate by position, as 232BAD
//   AUXPAR  parity by position: 0 none, 1 odd, 2 even, 3 mark, 4 space
//   AUXLEN  word length by position: 0 seven, 1 eight
//   AUXSTP  stop bits by position: 0 one, 1 two
//
// A cordless base or scanner talks to the host through its AUX settings (the host sends them
// last and then scans for the reader again); its 232 settings belong to the radio side and
// leave the host line alone. Every other reader's host line follows the 232 settings.
#pragma once

#include "sim/LineFormat.h"

#include <string>

class SerialParameters {
public:
    // True when a write of this tag (upper case) changes the reader's host line.
    static bool IsLineTag(const std::string& upperTag, bool wireless);
    // Applies one line setting to a format; false when the value means nothing for the tag.
    static bool Apply(const std::string& upperTag, const std::string& value, LineFormat& format);
    // The value the tag has for a format (so a profile can be checked against its line).
    static std::string ValueFor(const std::string& upperTag, const LineFormat& format);
};
