// The simulated reader's end of an HModem transfer, in either direction.
//
// The reader has no thread of its own: it runs inside the host's calls on the line. HMODEM,
// however, is a blocking loop with time-outs. So the peer runs HMODEM on a worker thread over
// a small in-memory channel (an HCOMM): bytes the host sends are handed to the worker as the
// engine receives them, and what the worker writes waits in an outbox that goes onto the line
// whenever the line is serviced (after each byte fed, and at every host call through Poll).
// After each byte the feeding call waits, briefly, until the worker needs more input, so a
// reply leaves right behind the byte that caused it, as on a reader; answers the worker gives
// after a time-out of its own leave at the host's next call.
//
// Starting a transfer from the line (the frame is SYN 'H', a text, CR):
//   "R"          the reader receives; the host's transmitter follows at once
//   "T" [mode]   the reader sends Model().transferToSend with a header block and the given
//                compression mode (decimal, 0 when absent); the host's receiver follows.
//                With nothing to send the reader answers the first `C` with EOT at once.
// Any other text is ignored. Commands of the reader's own command set that answer with a
// transfer (firmware downloads, pictures) call StartReceive or StartTransmit while answering
// and then hand the byte stream over with ReaderEngine::Delegate(peer) (from the engine's
// own answer, such as the SYN-N one: a frame handler whose Feed then returns false would
// end the hand-over at once).
//
// What the reader received on success is kept in Model().transferReceived; Outcome() has the
// result code, the last-error text and the bytes of the last transfer in either case.
//
// Faults (HModemFaults) are deterministic: they are counted in data blocks on the line, from
// 1, in the order the blocks appear (a block sent again counts again, and so does one the
// host cut short by flushing its output), and each fires once. A transfer that fails keeps
// the reader busy until its own HMODEM gives up, as on a reader; bytes sent meanwhile go to
// the transfer.
#pragma once

#include "sim/ReaderEngine.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class HCOMM;

struct HModemFaults {
    // The k-th data block on the line (either direction) has byte `corruptOffset` inverted:
    // 0 is the block-size byte, 1 the number, 2 its complement, 3 the first data byte.
    int corruptBlock = 0;
    unsigned corruptOffset = 3;
    // The k-th data block on the line is lost whole.
    int dropBlock = 0;
    // Reader receiving: the next k data blocks it accepts are answered NAK instead of ACK.
    int nakBlocks = 0;
    // Reader receiving: it takes the start command but never answers with `C`.
    bool neverStart = false;
    // The reader cancels (ESC sequence) once k data blocks have moved.
    int cancelAfterBlocks = 0;
    // Reader receiving: it says nothing more once the transmitter has sent EOT, so the end is
    // never acknowledged.
    bool silentAtEnd = false;
};

// The reader's HMODEM settings (the same meaning and defaults as HMODEM's own).
struct HModemPeerSettings {
    bool streaming = true;
    bool smallBlocks = false;
    unsigned byteTimeOut = 200;    // ms
    unsigned retryLimit = 3;
    unsigned startTimeOut = 10;    // s
    unsigned responseTimeOut = 6;  // s
    unsigned finalTimeOut = 60;    // s
    // Largest transfer the reader accepts.
    unsigned receiveLimit = 8u << 20;
};

struct HModemOutcome {
    bool started = false;   // a transfer began (false when the reader ignored the request)
    bool finished = false;  // its worker has returned
    bool receiving = false;
    int result = -1;        // HMODEM result code
    std::string lastError;
    std::string data;       // received bytes (after decompression), or the bytes sent
    unsigned mode = 0;      // compression mode announced by the transmitter's header
    unsigned blocksMoved = 0;
};

class HModemPeer final : public FrameHandler, public std::enable_shared_from_this<HModemPeer> {
public:
    static constexpr char kFrameLetter = 'H';
    static constexpr size_t kMaxCommandText = 32;

    HModemPeer();
    ~HModemPeer() override;
    HModemPeer(const HModemPeer&) = delete;
    HModemPeer& operator=(const HModemPeer&) = delete;

    // A peer answering SYN 'H' frames of `engine`.
    static std::shared_ptr<HModemPeer> Install(ReaderEngine& engine);

    // Take effect at the next transfer; safe from any thread.
    void SetFaults(const HModemFaults& faults);
    void SetSettings(const HModemPeerSettings& settings);
    HModemPeerSettings Settings() const;

    // Start a transfer now (from a command's answer, under the engine); the caller then passes
    // the byte stream to this peer with ReaderEngine::Delegate. A transfer still running is
    // stopped first.
    void StartReceive(unsigned maximum);
    void StartTransmit(const std::string& data, unsigned compressionMode);

    // Waits until the current transfer's worker has returned; false on time-out. The reader
    // hears the host only while the line is serviced: keep calling the line meanwhile.
    bool WaitFinished(unsigned timeOutMs);
    HModemOutcome Outcome() const;

    void Begin(ReaderModel& model, ReaderOutput& output) override;
    bool Feed(uint8_t byte, ReaderModel& model, ReaderOutput& output) override;
    bool Poll(ReaderModel& model, ReaderOutput& output) override;

private:
    class Link;
    class Status;
    friend class Link;
    friend class Status;

    enum class Phase { Idle, Command, Transfer };
    // Where the incoming-block parser stands in the host's byte stream.
    enum class InState { Top, Header, Block };

    bool RunCommand(const std::string& text, ReaderModel& model);
    void StartWorker(bool receiving, std::string data, unsigned mode, unsigned maximum);
    void StopWorker();
    int SendNothing(HCOMM& link, const HModemPeerSettings& settings);
    bool MayContinue(unsigned bytesMoved);
    void WorkerMain(bool receiving, std::string data, unsigned mode, unsigned maximum, HModemPeerSettings settings);
    // Sends the outbox; publishes a finished transfer into the model. False once finished.
    bool Pump(ReaderModel& model, ReaderOutput& output);

    // Called with mutex_ held.
    void PushIncomingLocked(uint8_t byte);
    void WriteOutgoingLocked(std::string bytes);
    bool QuiescentLocked() const;
    bool MayContinueLocked(unsigned bytesMoved);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::thread worker_;

    // Engine side (under the simulator's lock).
    Phase phase_ = Phase::Idle;
    bool armed_ = false;  // a Start* call precedes the next Begin
    std::string text_;

    // Shared with the worker (under mutex_).
    HModemFaults faults_;
    HModemPeerSettings settings_;
    HModemFaults active_;  // the faults of the running transfer, counted down as they fire
    HModemOutcome outcome_;
    std::deque<uint8_t> inbox_;
    std::string outbox_;
    bool stop_ = false;
    bool waiting_ = false;  // worker is in a read
    size_t want_ = 0;       // bytes that read wants
    bool sleeping_ = false;
    bool receiving_ = false;
    bool muted_ = false;
    InState inState_ = InState::Top;
    size_t inRemaining_ = 0;
    size_t inPos_ = 0;
    bool inDropping_ = false;
    bool inCorrupting_ = false;
    bool sawBlock_ = false;
    int inBlocks_ = 0;
    int outBlocks_ = 0;
    bool blockAnswerPending_ = false;
};
