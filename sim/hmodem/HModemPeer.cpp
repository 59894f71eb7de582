#include "sim/hmodem/HModemPeer.h"

#include "transfer/HCOMM.h"
#include "transfer/HMODEM.h"
#include "transfer/HSTRING.h"
#include "transfer/HTRANSFER_STATUS.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr uint8_t kProbe = 0x00;
constexpr uint8_t kSoh = 0x01;
constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEot = 0x04;

constexpr size_t kHeaderWithCrc = 130;
// Block-size byte, number, complement, data, two CRC bytes.
constexpr size_t kSmallBlockOnLine = 3 + 128 + 2;
constexpr size_t kLargeBlockOnLine = 3 + 1024 + 2;

// How long a fed byte may wait for the worker to be done with it. Far above what a reply
// takes; only a worker busy compressing a large buffer gets near it, and its answer then
// leaves at the host's next call instead.
constexpr auto kSettleLimit = std::chrono::seconds(2);

using SteadyClock = std::chrono::steady_clock;

}  // namespace

// The worker's channel: reads come from the bytes the engine fed, writes go to the outbox.
class HModemPeer::Link final : public HCOMM {
public:
    explicit Link(HModemPeer& peer) : peer_(peer) { }
    using HCOMM::FlushReadBuffer;
    using HCOMM::Read;
    using HCOMM::Write;

    void ZeroElapsedTime() override { zero_ = SteadyClock::now(); }
    unsigned ElapsedTime() override
    {
        return static_cast<unsigned>(
            std::chrono::duration_cast<std::chrono::seconds>(SteadyClock::now() - zero_).count());
    }
    bool FlushReadBuffer(int) override
    {
        std::lock_guard lock(peer_.mutex_);
        peer_.inbox_.clear();
        return true;
    }
    bool Read(HSTRING* buffer, unsigned wanted, unsigned timeOutMs) override
    {
        if (!buffer)
            return false;
        buffer->Empty();
        std::unique_lock lock(peer_.mutex_);
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeOutMs);
        peer_.waiting_ = true;
        peer_.want_ = wanted;
        peer_.changed_.notify_all();
        peer_.changed_.wait_until(lock, deadline,
                                  [&] { return peer_.stop_ || peer_.inbox_.size() >= wanted; });
        peer_.waiting_ = false;
        const size_t n = std::min<size_t>(wanted, peer_.inbox_.size());
        for (size_t i = 0; i < n; ++i) {
            buffer->AppendByte(peer_.inbox_.front());
            peer_.inbox_.pop_front();
        }
        return true;
    }
    bool Write(HSTRING* buffer, int start, int count, bool) override
    {
        if (!buffer || start < 0 || count < 0 || unsigned(start) + unsigned(count) > buffer->Length())
            return false;
        std::lock_guard lock(peer_.mutex_);
        peer_.WriteOutgoingLocked(std::string(reinterpret_cast<const char*>(buffer->Data()) + start, size_t(count)));
        return true;
    }
    bool IsPortAssigned() override { return true; }
    bool FlushWriteBuffer() override
    {
        std::lock_guard lock(peer_.mutex_);
        peer_.outbox_.clear();
        return true;
    }
    void HCommSleep(unsigned milliseconds) override
    {
        std::unique_lock lock(peer_.mutex_);
        peer_.sleeping_ = true;
        peer_.changed_.notify_all();
        peer_.changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return peer_.stop_; });
        peer_.sleeping_ = false;
    }

private:
    HModemPeer& peer_;
    SteadyClock::time_point zero_ = SteadyClock::now();
};

// The worker's observer: counts moved blocks and carries the reader's own cancel.
class HModemPeer::Status final : public HTRANSFER_STATUS {
public:
    explicit Status(HModemPeer& peer) : peer_(peer) { }
    bool MayContinue(unsigned bytesMoved, unsigned) override
    {
        return peer_.MayContinue(bytesMoved);
    }
    bool MayContinue(unsigned bytesMoved, unsigned totalBytes, bool) override
    {
        return MayContinue(bytesMoved, totalBytes);
    }

private:
    HModemPeer& peer_;
};

HModemPeer::HModemPeer() = default;

HModemPeer::~HModemPeer() { StopWorker(); }

std::shared_ptr<HModemPeer> HModemPeer::Install(ReaderEngine& engine)
{
    auto peer = std::make_shared<HModemPeer>();
    engine.SetFrameHandler(kFrameLetter, peer);
    return peer;
}

void HModemPeer::SetFaults(const HModemFaults& faults)
{
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

void HModemPeer::SetSettings(const HModemPeerSettings& settings)
{
    std::lock_guard lock(mutex_);
    settings_ = settings;
}

HModemPeerSettings HModemPeer::Settings() const
{
    std::lock_guard lock(mutex_);
    return settings_;
}

HModemOutcome HModemPeer::Outcome() const
{
    std::lock_guard lock(mutex_);
    return outcome_;
}

bool HModemPeer::WaitFinished(unsigned timeOutMs)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeOutMs),
                             [&] { return !outcome_.started || outcome_.finished; });
}

void HModemPeer::StartReceive(unsigned maximum)
{
    StartWorker(true, {}, 0, maximum);
    armed_ = true;
}

void HModemPeer::StartTransmit(const std::string& data, unsigned compressionMode)
{
    StartWorker(false, data, compressionMode, 0);
    armed_ = true;
}

void HModemPeer::Begin(ReaderModel&, ReaderOutput&)
{
    if (armed_) {
        armed_ = false;
        return;
    }
    phase_ = Phase::Command;
    text_.clear();
}

bool HModemPeer::Feed(uint8_t byte, ReaderModel& model, ReaderOutput& output)
{
    if (phase_ == Phase::Command) {
        if (byte != kCr) {
            text_ += static_cast<char>(byte);
            if (text_.size() <= kMaxCommandText)
                return true;
            phase_ = Phase::Idle;
            return false;
        }
        if (!RunCommand(text_, model)) {
            phase_ = Phase::Idle;
            return false;
        }
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kSettleLimit, [&] { return QuiescentLocked(); });
        lock.unlock();
        return Pump(model, output);
    }
    if (phase_ != Phase::Transfer)
        return false;
    {
        std::unique_lock lock(mutex_);
        PushIncomingLocked(byte);
        // A read still short of what it wants needs no wake-up: the worker has nothing to do yet.
        if (!(waiting_ && inbox_.size() < want_)) {
            changed_.notify_all();
            changed_.wait_for(lock, kSettleLimit, [&] { return QuiescentLocked(); });
        }
    }
    return Pump(model, output);
}

bool HModemPeer::Poll(ReaderModel& model, ReaderOutput& output)
{
    if (phase_ == Phase::Command)
        return true;
    if (phase_ != Phase::Transfer)
        return false;
    return Pump(model, output);
}

bool HModemPeer::RunCommand(const std::string& text, ReaderModel& model)
{
    if (text == "R") {
        StartWorker(true, {}, 0, Settings().receiveLimit);
        return phase_ == Phase::Transfer;
    }
    if (!text.empty() && text[0] == 'T') {
        unsigned mode = 0;
        for (size_t i = 1; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9' || mode > 100)
                return false;
            mode = mode * 10 + unsigned(text[i] - '0');
        }
        StartWorker(false, model.transferToSend, mode, 0);
        return phase_ == Phase::Transfer;
    }
    return false;
}

bool HModemPeer::Pump(ReaderModel& model, ReaderOutput& output)
{
    std::string bytes;
    bool finished = false;
    HModemOutcome done;
    {
        std::lock_guard lock(mutex_);
        bytes.swap(outbox_);
        finished = outcome_.finished;
        if (finished)
            done = outcome_;
    }
    if (!bytes.empty())
        output.Send(bytes);
    if (!finished)
        return true;
    if (done.receiving && done.result == HMODEM_SUCCESS)
        model.transferReceived = done.data;
    phase_ = Phase::Idle;
    return false;
}

void HModemPeer::StopWorker()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        changed_.notify_all();
    }
    if (worker_.joinable())
        worker_.join();
    std::lock_guard lock(mutex_);
    stop_ = false;
}

void HModemPeer::StartWorker(bool receiving, std::string data, unsigned mode, unsigned maximum)
{
    StopWorker();
    std::lock_guard lock(mutex_);
    active_ = faults_;
    outcome_ = HModemOutcome {};
    outcome_.receiving = receiving;
    inbox_.clear();
    outbox_.clear();
    waiting_ = sleeping_ = muted_ = false;
    want_ = 0;
    receiving_ = receiving;
    inState_ = InState::Top;
    inRemaining_ = inPos_ = 0;
    inDropping_ = inCorrupting_ = sawBlock_ = blockAnswerPending_ = false;
    inBlocks_ = outBlocks_ = 0;
    // A reader that never answers the request: the frame ends and nothing is started.
    if (receiving && active_.neverStart) {
        phase_ = Phase::Idle;
        return;
    }
    outcome_.started = true;
    phase_ = Phase::Transfer;
    worker_ = std::thread(&HModemPeer::WorkerMain, this, receiving, std::move(data), mode, maximum, settings_);
}

// Answers the receiver's `C` with EOT and waits for its ACK.
int HModemPeer::SendNothing(HCOMM& link, const HModemPeerSettings& settings)
{
    HSTRING byte(4);
    link.ZeroElapsedTime();
    for (;;) {
        if (link.ElapsedTime() >= settings.startTimeOut)
            return HMODEM_NO_START_CHARACTER;
        if (!MayContinue(0))
            return HMODEM_WE_CANCELLED;
        link.Read(&byte, 1, settings.byteTimeOut);
        if (byte.Length() == 1 && byte[0] == 'C')
            break;
    }
    for (unsigned attempt = 0; attempt <= settings.retryLimit; ++attempt) {
        const unsigned char eot = kEot;
        HSTRING out(&eot, 1, false);
        link.Write(&out);
        link.ZeroElapsedTime();
        while (link.ElapsedTime() < settings.responseTimeOut) {
            link.Read(&byte, 1, settings.byteTimeOut);
            if (byte.Length() == 1 && byte[0] == kAck)
                return HMODEM_NO_DATA;
            if (!MayContinue(0))
                return HMODEM_WE_CANCELLED;
        }
    }
    return HMODEM_RECEIVER_UNRESPONSIVE;
}

bool HModemPeer::MayContinue(unsigned bytesMoved)
{
    std::lock_guard lock(mutex_);
    return MayContinueLocked(bytesMoved);
}

void HModemPeer::WorkerMain(bool receiving, std::string data, unsigned mode, unsigned maximum,
                            HModemPeerSettings settings)
{
    Link link(*this);
    Status status(*this);
    HMODEM modem(&link, &status, nullptr);
    modem.Streaming = settings.streaming;
    modem.SmallBlocks = settings.smallBlocks;
    modem.ByteTimeOut = settings.byteTimeOut;
    modem.RetryLimit = settings.retryLimit;
    modem.StartTimeOut = settings.startTimeOut;
    modem.ResponseTimeOut = settings.responseTimeOut;
    modem.FinalTimeOut = settings.finalTimeOut;

    int result = 0;
    std::string moved;
    if (receiving) {
        HSTRING received(1024, true);
        result = modem.Receive(&received, maximum);
        moved.assign(reinterpret_cast<const char*>(received.Data()), received.Length());
    } else if (data.empty()) {
        // Nothing to send: end at once, which a receiver takes as a complete, empty transfer
        // (HMODEM itself would not start without data, and the host would wait in vain).
        result = SendNothing(link, settings);
    } else {
        // No start command: the host asked already, and its receiver is sending `C`.
        result = modem.Transmit(reinterpret_cast<const unsigned char*>(data.data()), unsigned(data.size()), nullptr,
                                0, false, true, mode);
        moved = std::move(data);
    }

    std::lock_guard lock(mutex_);
    outcome_.result = result;
    outcome_.lastError.assign(modem.LastError().Text() ? modem.LastError().Text() : "", modem.LastError().Length());
    outcome_.data = std::move(moved);
    outcome_.mode = receiving ? modem.ReceivedCompressionMode() : mode;
    outcome_.finished = true;
    changed_.notify_all();
}

bool HModemPeer::QuiescentLocked() const
{
    return !outcome_.started || outcome_.finished || sleeping_ || (waiting_ && inbox_.size() < want_);
}

bool HModemPeer::MayContinueLocked(unsigned bytesMoved)
{
    if (stop_)
        return false;
    if (bytesMoved > 0)
        ++outcome_.blocksMoved;
    return !(active_.cancelAfterBlocks > 0 && outcome_.blocksMoved >= unsigned(active_.cancelAfterBlocks));
}

// Follows the host's blocks as the reader receives them, to lose or damage one on the way in
// and to know which of the reader's answers acknowledges a block.
void HModemPeer::PushIncomingLocked(uint8_t byte)
{
    if (!receiving_) {
        inbox_.push_back(byte);
        return;
    }
    switch (inState_) {
    case InState::Top:
        if (byte == kProbe && !sawBlock_) {
            inState_ = InState::Header;
            inRemaining_ = kHeaderWithCrc;
        } else if (byte == kSoh || byte == kStx) {
            sawBlock_ = true;
            ++inBlocks_;
            inState_ = InState::Block;
            inPos_ = 0;
            inRemaining_ = byte == kSoh ? kSmallBlockOnLine : kLargeBlockOnLine;
            inDropping_ = inBlocks_ == active_.dropBlock;
            inCorrupting_ = inBlocks_ == active_.corruptBlock;
        } else if (byte == kEot && active_.silentAtEnd) {
            muted_ = true;
            outbox_.clear();
        }
        break;
    case InState::Header:
        if (--inRemaining_ == 0)
            inState_ = InState::Top;
        break;
    case InState::Block:
        break;
    }
    if (inState_ == InState::Block) {
        if (inCorrupting_ && inPos_ == active_.corruptOffset)
            byte = static_cast<uint8_t>(~byte);
        ++inPos_;
        const bool last = --inRemaining_ == 0;
        const bool dropped = inDropping_;
        if (last) {
            inState_ = InState::Top;
            blockAnswerPending_ = !dropped;
        }
        if (dropped)
            return;
    }
    inbox_.push_back(byte);
}

void HModemPeer::WriteOutgoingLocked(std::string bytes)
{
    if (muted_ || bytes.empty())
        return;
    if (receiving_) {
        // The receiver answers only once it is done with what came before (a NAK or ESC after
        // draining the line): a block it answers in the middle was cut short by the host, and
        // the next byte starts something new. The header is still to come after the probe's ACK.
        if (inState_ == InState::Block)
            inState_ = InState::Top;
        if (bytes.size() == 1 && uint8_t(bytes[0]) == kAck && blockAnswerPending_ && active_.nakBlocks > 0) {
            bytes[0] = static_cast<char>(kNak);
            --active_.nakBlocks;
        }
        blockAnswerPending_ = false;
    } else if ((uint8_t(bytes[0]) == kSoh && bytes.size() == kSmallBlockOnLine) ||
               (uint8_t(bytes[0]) == kStx && bytes.size() == kLargeBlockOnLine)) {
        ++outBlocks_;
        if (outBlocks_ == active_.dropBlock)
            return;
        if (outBlocks_ == active_.corruptBlock && active_.corruptOffset < bytes.size())
            bytes[active_.corruptOffset] = static_cast<char>(~uint8_t(bytes[active_.corruptOffset]));
    }
    outbox_ += bytes;
}
