// A simulated reader on a pseudo-terminal, for programs that open a real device path.
//
// The host opens the slave side like a serial port; the simulator holds the master. On Linux
// the master reports the slave's termios, so the reader can tell the rate the host has set
// and stays silent unless it matches its own, as a real reader would. A pseudo-terminal
// carries bytes, not frames: the kernel keeps 8 data bits and drops the parity flag the host
// asked for, so neither side's parity or word length can be observed. The link therefore
// passes bytes through as 8-bit values; format mismatches are modelled only on the
// in-process virtual line.
#pragma once

#include "sim/FaultPlan.h"
#include "sim/ReaderEngine.h"
#include "sim/hmodem/HModemPeer.h"

#include <csignal>
#include <cstdio>
#include <string>

class PtyLink final : private ReaderOutput {
public:
    struct Options {
        bool pace = false;      // hold each answer byte for its frame time at the reader's rate
        bool log = false;       // hex trace on stderr
        FaultPlan faults;
    };

    PtyLink(ReaderEngine& engine, Options options);
    ~PtyLink() override;
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    bool Open(std::string& error);
    const std::string& SlavePath() const { return slavePath_; }
    // The reader's end of HModem transfers (SYN 'H' frames).
    HModemPeer& HModem() { return *hmodem_; }

    // Serves the host until stop becomes non-zero or the faults unplug the line.
    // Returns 0, or 3 after an unplug fault closed the line.
    int Run(const volatile std::sig_atomic_t& stop);

    // Rate of a termios speed code; 0 for codes it does not know.
    static uint32_t RateOfSpeed(unsigned long speedCode);

private:
    void Send(const std::string& bytes) override;
    void LineChanged(const LineFormat& format) override;
    void Receive(const uint8_t* data, size_t count);
    void MakeRaw();
    uint32_t HostRate();
    void Trace(const char* direction, const uint8_t* data, size_t count);
    bool WriteFully(const uint8_t* data, size_t count);

    ReaderEngine& engine_;
    std::shared_ptr<HModemPeer> hmodem_;
    Options options_;
    int master_ = -1;
    std::string slavePath_;
    ByteFaultInjector toHostFaults_;
    ByteFaultInjector toReaderFaults_;
    uint64_t sentToHost_ = 0;
    bool unplugged_ = false;
};
