#include "sim/SimulatedReader.h"

#include "sim/RuleScan.h"
#include "sim/UartFraming.h"
#include "sim/capture/PictureSupport.h"

#include <algorithm>

namespace {

uint64_t BitsToMicros(uint64_t bits, uint32_t rate)
{
    return rate == 0 ? 0 : bits * 1000000u / rate;
}

}  // namespace

SimulatedReader::SimulatedReader(ReaderProfile profile, SimClock* clock)
    : engine_(std::move(profile)), hmodem_(HModemPeer::Install(engine_)), flash_(HexLoader::Install(engine_)),
      clock_(clock != nullptr ? clock : &SteadySimClock::Instance())
{
    engine_.SetOutput(this);
    binary_ = BinaryLoader::Install(engine_, *hmodem_, clock_);
    std::string ignored;
    InstallPictureSupport(engine_, *hmodem_, PictureSupportOptions(), ignored);
}

std::shared_ptr<SimulatedReader> SimulatedReader::FromProfile(const std::string& nameOrPath, std::string& error,
                                                              SimClock* clock)
{
    ReaderProfile profile;
    if (!ReaderProfile::LoadByName(nameOrPath, profile, error))
        return nullptr;
    return std::make_shared<SimulatedReader>(std::move(profile), clock);
}

void SimulatedReader::SetPacing(bool on)
{
    std::lock_guard lock(mutex_);
    pacing_ = on;
}

void SimulatedReader::SetFaults(const FaultPlan& plan)
{
    std::lock_guard lock(mutex_);
    faults_ = plan;
    // Separate streams per direction, so the host's traffic never shifts the reader's faults.
    toHostFaults_ = ByteFaultInjector(plan.toHost, plan.seed);
    toReaderFaults_ = ByteFaultInjector(plan.toReader, plan.seed ^ 0x5A5A5A5A5A5A5A5Aull);
    engine_.NakNextCommands(plan.nakNext);
    engine_.SetSilent(plan.silent);
    binary_->SetFaults(plan.storage);
    bytesToHost_ = 0;
    bytesFromHost_ = 0;
}

void SimulatedReader::Unplug()
{
    std::lock_guard lock(mutex_);
    plugged_ = false;
    DropLineLocked();
}

void SimulatedReader::Replug()
{
    std::lock_guard lock(mutex_);
    plugged_ = true;
}

bool SimulatedReader::Plugged() const
{
    std::lock_guard lock(mutex_);
    return plugged_;
}

std::string SimulatedReader::Scan(const std::string& code, const std::string& text)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return ScanThroughRules(engine_, code, text).aux;
}

uint64_t SimulatedReader::BytesFromHost() const
{
    std::lock_guard lock(mutex_);
    return bytesFromHost_;
}

uint64_t SimulatedReader::BytesToHost() const
{
    std::lock_guard lock(mutex_);
    return bytesToHost_;
}

std::unique_ptr<SerialDevice> SimulatedReader::OpenLine()
{
    std::lock_guard lock(mutex_);
    if (!plugged_ || open_)
        return nullptr;
    open_ = true;
    ++generation_;
    hostState_ = SerialLineState {};
    const uint64_t now = clock_->NowMicros();
    hostBusyUntil_ = readerBusyUntil_ = now;
    return std::make_unique<VirtualSerialLine>(shared_from_this(), generation_);
}

void SimulatedReader::DropLineLocked()
{
    open_ = false;
    ++generation_;
    toReader_.clear();
    toHost_.clear();
    engine_.ResetParser();
}

void SimulatedReader::Close(uint64_t generation)
{
    std::lock_guard lock(mutex_);
    if (generation == generation_ && open_)
        DropLineLocked();
}

LineFormat SimulatedReader::HostFormatLocked() const
{
    LineFormat format;
    format.rate = hostState_.baudRate;
    format.parity = hostState_.parity;
    format.dataBits = hostState_.dataBits;
    format.stopBits = hostState_.stopBits;
    return format;
}

void SimulatedReader::PumpLocked(uint64_t now)
{
    while (!toReader_.empty() && toReader_.front().at <= now && open_) {
        const TimedByte byte = toReader_.front();
        toReader_.pop_front();
        deliveryTime_ = byte.at;
        engine_.Receive(byte.value);
    }
    if (open_) {
        // What a handler sends now, unprompted, leaves now.
        deliveryTime_ = std::max(deliveryTime_, now);
        engine_.Poll();
    }
}

size_t SimulatedReader::ReadyCountLocked(uint64_t now) const
{
    size_t count = 0;
    while (count < toHost_.size() && toHost_[count].at <= now)
        ++count;
    return count;
}

void SimulatedReader::Send(const std::string& text)
{
    if (!open_)
        return;
    std::vector<ByteFaultInjector::Byte> bytes =
        toHostFaults_.Apply(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    bool unplugAfterThis = false;
    if (faults_.unplugAfter >= 0) {
        const uint64_t room = bytesToHost_ >= uint64_t(faults_.unplugAfter) ? 0 : uint64_t(faults_.unplugAfter) - bytesToHost_;
        if (bytes.size() >= room) {
            bytes.resize(room);
            unplugAfterThis = true;
        }
    }
    bytesToHost_ += bytes.size();

    const LineFormat reader = engine_.Model().Line();
    const LineFormat host = HostFormatLocked();
    const uint64_t start = std::max(deliveryTime_, readerBusyUntil_);
    if (pacing_)
        readerBusyUntil_ = start + bytes.size() * reader.FrameMicros();

    std::vector<uint8_t> raw;
    raw.reserve(bytes.size());
    for (const auto& byte : bytes)
        raw.push_back(byte.value);
    const std::vector<SampledByte> sampled = UartFraming::Transfer(raw.data(), raw.size(), reader, host);
    const bool replace = hostState_.parityCheck && hostState_.errorReplace && host.HasParity();
    uint64_t last = toHost_.empty() ? 0 : toHost_.back().at;
    for (const SampledByte& s : sampled) {
        const size_t source = std::min(raw.size() - 1, (s.endBit - 1) / static_cast<size_t>(reader.FrameBits()));
        uint64_t at = start + (pacing_ ? BitsToMicros(s.endBit, reader.rate) : 0) + bytes[source].delayMicros;
        at = std::max(at, last);  // a line never reorders
        last = at;
        toHost_.push_back({replace && s.parityError ? hostState_.errorChar : s.value, at});
    }
    if (unplugAfterThis) {
        plugged_ = false;
        DropLineLocked();
    }
}

void SimulatedReader::LineChanged(const LineFormat&)
{
    // The model already speaks the new format; answers queued before keep the old framing,
    // which is what a host that has not followed the change reads.
}

long SimulatedReader::HostWrite(uint64_t generation, const uint8_t* data, size_t count)
{
    std::lock_guard lock(mutex_);
    if (!Live(generation))
        return -1;
    const uint64_t now = clock_->NowMicros();
    PumpLocked(now);
    if (count == 0)
        return 0;
    const std::vector<ByteFaultInjector::Byte> bytes = toReaderFaults_.Apply(data, count);
    bytesFromHost_ += bytes.size();
    const LineFormat host = HostFormatLocked();
    const LineFormat reader = engine_.Model().Line();
    const uint64_t start = std::max(now, hostBusyUntil_);
    if (pacing_)
        hostBusyUntil_ = start + count * host.FrameMicros();

    std::vector<uint8_t> raw;
    raw.reserve(bytes.size());
    for (const auto& byte : bytes)
        raw.push_back(byte.value);
    uint64_t last = toReader_.empty() ? 0 : toReader_.back().at;
    for (const SampledByte& s : UartFraming::Transfer(raw.data(), raw.size(), host, reader)) {
        // The reader takes what it samples, parity and framing errors included: a reader at
        // 7E1 must still understand a probe sent at 8N1.
        const size_t source = std::min(raw.size() - 1, (s.endBit - 1) / static_cast<size_t>(host.FrameBits()));
        uint64_t at = start + (pacing_ ? BitsToMicros(s.endBit, host.rate) : 0) + bytes[source].delayMicros;
        at = std::max(at, last);
        last = at;
        toReader_.push_back({s.value, at});
    }
    PumpLocked(now);
    return static_cast<long>(count);
}

long SimulatedReader::HostInputCount(uint64_t generation)
{
    std::lock_guard lock(mutex_);
    if (!Live(generation))
        return -1;
    const uint64_t now = clock_->NowMicros();
    PumpLocked(now);
    return static_cast<long>(ReadyCountLocked(now));
}

long SimulatedReader::HostRead(uint64_t generation, uint8_t* data, size_t count)
{
    std::lock_guard lock(mutex_);
    if (!Live(generation))
        return -1;
    const uint64_t now = clock_->NowMicros();
    PumpLocked(now);
    const size_t n = std::min(count, ReadyCountLocked(now));
    for (size_t i = 0; i < n; ++i) {
        data[i] = toHost_.front().value;
        toHost_.pop_front();
    }
    return static_cast<long>(n);
}

long SimulatedReader::HostOutputCount(uint64_t generation)
{
    std::lock_guard lock(mutex_);
    if (!Live(generation))
        return -1;
    const uint64_t now = clock_->NowMicros();
    PumpLocked(now);
    const uint64_t frame = HostFormatLocked().FrameMicros();
    if (!pacing_ || hostBusyUntil_ <= now || frame == 0)
        return 0;
    return static_cast<long>((hostBusyUntil_ - now + frame - 1) / frame);
}

bool SimulatedReader::HostWaitUntilSent(uint64_t generation, unsigned timeoutMs)
{
    std::unique_lock lock(mutex_);
    const uint64_t deadline = clock_->NowMicros() + uint64_t(timeoutMs) * 1000;
    while (true) {
        if (!Live(generation))
            return false;
        const uint64_t now = clock_->NowMicros();
        PumpLocked(now);
        if (hostBusyUntil_ <= now)
            return true;
        if (now >= deadline)
            return false;
        const uint64_t wait = std::min(hostBusyUntil_, deadline) - now;
        lock.unlock();
        clock_->SleepMicros(wait);
        lock.lock();
    }
}

void SimulatedReader::HostPurgeInput(uint64_t generation)
{
    std::lock_guard lock(mutex_);
    if (!Live(generation))
        return;
    const uint64_t now = clock_->NowMicros();
    PumpLocked(now);
    toHost_.erase(toHost_.begin(), toHost_.begin() + static_cast<long>(ReadyCountLocked(now)));
}

void SimulatedReader::HostPurgeOutput(uint64_t generation)
{
    std::lock_guard lock(mutex_);
    if (!Live(generation))
        return;
    const uint64_t now = clock_->NowMicros();
    PumpLocked(now);
    toReader_.clear();
    hostBusyUntil_ = std::min(hostBusyUntil_, now);
}

bool SimulatedReader::HostGetLineState(uint64_t generation, SerialLineState& state)
{
    std::lock_guard lock(mutex_);
    if (!Live(generation))
        return false;
    state = hostState_;
    return true;
}

bool SimulatedReader::HostSetLineState(uint64_t generation, const SerialLineState& state)
{
    std::lock_guard lock(mutex_);
    if (!Live(generation))
        return false;
    // What a UART driver refuses, the virtual one refuses too.
    if (state.baudRate == 0 || state.dataBits < 5 || state.dataBits > 8 || !LineFormat::ValidParity(state.parity) ||
        (state.stopBits != 1 && state.stopBits != 2))
        return false;
    PumpLocked(clock_->NowMicros());
    hostState_ = state;
    return true;
}

VirtualSerialLine::VirtualSerialLine(std::shared_ptr<SimulatedReader> reader, uint64_t generation)
    : reader_(std::move(reader)), generation_(generation)
{
}

VirtualSerialLine::~VirtualSerialLine()
{
    reader_->Close(generation_);
}

bool VirtualSerialLine::GetLineState(SerialLineState& state) { return reader_->HostGetLineState(generation_, state); }
bool VirtualSerialLine::SetLineState(const SerialLineState& state) { return reader_->HostSetLineState(generation_, state); }
bool VirtualSerialLine::SetBufferSizes(size_t, size_t) { return true; }
long VirtualSerialLine::Write(const uint8_t* data, size_t count) { return reader_->HostWrite(generation_, data, count); }
bool VirtualSerialLine::WaitUntilSent(unsigned timeoutMs) { return reader_->HostWaitUntilSent(generation_, timeoutMs); }
long VirtualSerialLine::InputCount() { return reader_->HostInputCount(generation_); }
long VirtualSerialLine::Read(uint8_t* data, size_t count) { return reader_->HostRead(generation_, data, count); }
long VirtualSerialLine::OutputCount() { return reader_->HostOutputCount(generation_); }
void VirtualSerialLine::PurgeInput() { reader_->HostPurgeInput(generation_); }
void VirtualSerialLine::PurgeOutput() { reader_->HostPurgeOutput(generation_); }
