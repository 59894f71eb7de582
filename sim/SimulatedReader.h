// A simulated reader together with the line that reaches it: the in-process peer of every
// device test.
//
// The host side is a SerialDevice (see VirtualSerialLine) that CSerComm opens like a real
// port. The line between them is modelled, not copied: bytes the host writes are framed in
// the host's line format and sampled in the reader's, answers travel back the same way, so a
// format mismatch gives exactly the bytes a real line would, and different rates give none.
//
// No thread of its own: the reader runs inside the host's calls. Every call first delivers
// the bytes whose time has come (pacing on: when their last bit is on the line, at the
// sender's rate; pacing off: at once), the reader answers them, and the answers are queued
// for the host with their own arrival times. Time comes from a SimClock, so a test with a
// manual clock sees the same bytes at the same moments on every run.
#pragma once

#include "platform/SerialDevice.h"
#include "sim/FaultPlan.h"
#include "sim/ReaderEngine.h"
#include "sim/SimClock.h"
#include "sim/flash/BinaryLoader.h"
#include "sim/flash/HexLoader.h"
#include "sim/hmodem/HModemPeer.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

class SimulatedReader : public std::enable_shared_from_this<SimulatedReader>, private ReaderOutput {
public:
    explicit SimulatedReader(ReaderProfile profile, SimClock* clock = nullptr);
    // Loads a shipped profile by name; nullptr with a reason when that fails.
    static std::shared_ptr<SimulatedReader> FromProfile(const std::string& nameOrPath, std::string& error,
                                                        SimClock* clock = nullptr);

    // Direct access for tests; not while another thread uses the line.
    ReaderEngine& Engine() { return engine_; }
    ReaderModel& Model() { return engine_.Model(); }
    SimClock& Clock() { return *clock_; }
    // The reader's end of HModem transfers (SYN 'H' frames; see hmodem/HModemPeer.h): its
    // faults and settings, and the outcome of the last transfer. Safe from any thread.
    HModemPeer& HModem() { return *hmodem_; }
    // A scan on the reader's own scanner, sent through its prefix/suffix and data-format rules
    // (sim/RuleScan.h): the host's bytes go on the line; the auxiliary port's are returned.
    // `text` is display text ("ABC[ CR]").
    std::string Scan(const std::string& code, const std::string& text);
    // The reader's hex firmware loader (see flash/HexLoader.h).
    HexLoader& Flash() { return *flash_; }
    // The reader's binary firmware loader (see flash/BinaryLoader.h).
    BinaryLoader& BinaryFlash() { return *binary_; }

    void SetPacing(bool on);
    bool Pacing() const { return pacing_; }
    void SetFaults(const FaultPlan& plan);

    // Pulls the plug: the open line reports that it is gone, and nothing opens until Replug.
    // The reader keeps its settings, as a reader on a removed adapter does.
    void Unplug();
    void Replug();
    bool Plugged() const;

    // The host end of a new line; nullptr while unplugged or while another line is open
    // (ports are opened exclusively).
    std::unique_ptr<SerialDevice> OpenLine();

    // Bytes each side has put on the line since it was opened (after faults).
    uint64_t BytesFromHost() const;
    uint64_t BytesToHost() const;

private:
    friend class VirtualSerialLine;
    struct TimedByte {
        uint8_t value;
        uint64_t at;  // micros on the clock when the receiver has the whole byte
    };

    // ReaderOutput: the engine's answers, called while the lock is held.
    void Send(const std::string& bytes) override;
    void LineChanged(const LineFormat& format) override;

    // The host end's operations, each checking that its line is still the open one.
    bool Live(uint64_t generation) const { return plugged_ && open_ && generation == generation_; }
    void Close(uint64_t generation);
    long HostWrite(uint64_t generation, const uint8_t* data, size_t count);
    long HostRead(uint64_t generation, uint8_t* data, size_t count);
    long HostInputCount(uint64_t generation);
    long HostOutputCount(uint64_t generation);
    bool HostWaitUntilSent(uint64_t generation, unsigned timeoutMs);
    void HostPurgeInput(uint64_t generation);
    void HostPurgeOutput(uint64_t generation);
    bool HostGetLineState(uint64_t generation, SerialLineState& state);
    bool HostSetLineState(uint64_t generation, const SerialLineState& state);

    void PumpLocked(uint64_t now);
    size_t ReadyCountLocked(uint64_t now) const;
    void DropLineLocked();
    LineFormat HostFormatLocked() const;

    mutable std::mutex mutex_;
    ReaderEngine engine_;
    std::shared_ptr<HModemPeer> hmodem_;
    std::shared_ptr<HexLoader> flash_;
    std::shared_ptr<BinaryLoader> binary_;
    SimClock* clock_;
    bool pacing_ = false;
    bool plugged_ = true;
    bool open_ = false;
    uint64_t generation_ = 0;

    SerialLineState hostState_;
    std::deque<TimedByte> toReader_;
    std::deque<TimedByte> toHost_;
    uint64_t hostBusyUntil_ = 0;    // when the host's last written bit has left
    uint64_t readerBusyUntil_ = 0;  // the same for the reader
    uint64_t deliveryTime_ = 0;     // arrival time of the byte the reader is answering

    FaultPlan faults_;
    ByteFaultInjector toHostFaults_;
    ByteFaultInjector toReaderFaults_;
    uint64_t bytesFromHost_ = 0;
    uint64_t bytesToHost_ = 0;
};

// The host end of the line: what CSerComm holds when it opens a simulated port.
class VirtualSerialLine final : public SerialDevice {
public:
    VirtualSerialLine(std::shared_ptr<SimulatedReader> reader, uint64_t generation);
    ~VirtualSerialLine() override;

    bool GetLineState(SerialLineState& state) override;
    bool SetLineState(const SerialLineState& state) override;
    bool SetBufferSizes(size_t inBytes, size_t outBytes) override;
    long Write(const uint8_t* data, size_t count) override;
    bool WaitUntilSent(unsigned timeoutMs) override;
    long InputCount() override;
    long Read(uint8_t* data, size_t count) override;
    long OutputCount() override;
    void PurgeInput() override;
    void PurgeOutput() override;
    void ClearErrors() override {}

private:
    std::shared_ptr<SimulatedReader> reader_;
    uint64_t generation_;
};
