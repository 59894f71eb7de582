// The settings that set a reader's own serial line, and how their values map to a format.
//
//   232BDR / AUXBDR  rate in decimal ("9600")
//   232BAD           rate by index: 0 300, 1 600, 2 1200, 3 2400, 4 4800, 5 9600, 6 19200,
//                    7 38400, 8 57600, 9 115200
//   232WRD           word format code, table below (2 is plain 8 data bits, no parity)
//   232PAR / AUXPAR  parity letter N, E, O, M, S
//   232LEN / AUXLEN  data bits, 7 or 8
//   232STP / AUXSTP  stop bits, 1 or 2
//
// A cordless base talks to the host through its AUX port, so for readers with the wireless
// capability the AUX tags move the host line; for others they belong to a second port.
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
