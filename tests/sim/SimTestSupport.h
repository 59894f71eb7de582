// Small helpers for driving a simulated reader from the host side in tests.
#pragma once

#include "sim/SimulatedReader.h"
#include "transfer/HMODEM.h"

#include <string>

namespace simtest {

inline ReaderProfile ParseProfile(const std::string& text)
{
    ReaderProfile profile;
    std::string error;
    if (!ReaderProfile::Parse(text, profile, error))
        throw std::runtime_error(error);
    return profile;
}

// A compact reader: one table unless the test adds "tables", three settings and a block.
inline std::string SmallProfile(const std::string& extra = {}, const std::string& line = "9600 8N1")
{
    return "name small\nrev_qx QX80001005-012\nrev_sw SW%201.0\np_name 3800LR\nlink 0xCE31\nline " + line +
           "\n" + (extra.find("tables ") == std::string::npos ? "tables 1\n" : "") + extra +
           "setting BEPVOL range=0|1|2|3| default=3 values=2\n"
           "setting CBRMIN range=2-60 default=4 values=10\n"
           "setting SCNLED range=HIGH|LOW|OFF| default=HIGH values=LOW\n"
           "setting PREBK2 range=0-20 default= values=990d| text\n";
}

// Short HModem waits on both ends, so a failing transfer ends in about a second.
inline HModemPeerSettings QuickReaderHModem()
{
    HModemPeerSettings settings;
    settings.byteTimeOut = 100;
    settings.responseTimeOut = 1;
    settings.startTimeOut = 1;
    settings.finalTimeOut = 1;
    return settings;
}

inline void QuickHostHModem(HMODEM& modem)
{
    modem.ByteTimeOut = 100;
    modem.ResponseTimeOut = 1;
    modem.StartTimeOut = 1;
    modem.FinalTimeOut = 1;
}

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

// Writes bytes and collects what has arrived once the line is quiet (no pacing: at once).
inline std::string Exchange(SerialDevice& line, const std::string& bytes)
{
    line.Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::string reply;
    uint8_t buffer[512];
    long n = 0;
    while ((n = line.Read(buffer, sizeof buffer)) > 0)
        reply.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
    return reply;
}

inline std::string Menu(SerialDevice& line, const std::string& text)
{
    return Exchange(line, "\x16M\r" + text);
}

inline void SetHostFormat(SerialDevice& line, uint32_t rate, char parity, int dataBits, int stopBits = 1,
                          bool replace = false)
{
    SerialLineState state;
    line.GetLineState(state);
    state.baudRate = rate;
    state.parity = parity;
    state.dataBits = dataBits;
    state.stopBits = stopBits;
    state.errorReplace = replace;
    line.SetLineState(state);
}

}  // namespace simtest
