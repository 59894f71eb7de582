#include "device/CSerComm.h"

#include "platform/TrafficLog.h"

#include "platform/Host.h"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDevicePathPrefix = "\\\\.\\";
constexpr const char* kPortUnavailable =
    "Comm port unavailable, please ensure no other devices (i.e. printers) are using it";

// Driver buffer sizes asked for at every open.
constexpr size_t kInputBufferBytes = 32000;
constexpr size_t kOutputBufferBytes = 8192;

unsigned ElapsedMs(Clock::time_point since)
{
    return static_cast<unsigned>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The settings string ends in ",P,D,S"; everything between ":" and that tail is the rate.
// Reads leading digits only (a stray character ends the number), and caps the value so a
// silly string cannot overflow; 0 means "no usable rate".
long ParseBaud(const std::string& settings, size_t colon)
{
    if (settings.size() < colon + 1 + 6)
        return 0;
    const size_t end = settings.size() - 6;
    long baud = 0;
    for (size_t i = colon + 1; i < end; ++i) {
        const char c = settings[i];
        if (c < '0' || c > '9')
            break;
        baud = baud * 10 + (c - '0');
        if (baud > 100000000)
            return 0;
    }
    return baud;
}

char ParityFromLetter(char letter)
{
    switch (letter) {
    case 'N':
    case 'O':
    case 'E':
    case 'M':
    case 'S': return letter;
    default: return 'N';  // also the lower-case letters: the string's parity is upper case only
    }
}

} // namespace

// An auto-reset event: Set wakes one waiter (or the next one to wait), then resets.
class CSerComm::Event {
public:
    void Set()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            signalled_ = true;
        }
        condition_.notify_one();
    }
    // false on time-out.
    bool Wait(unsigned timeoutMs)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!condition_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; }))
            return false;
        signalled_ = false;
        return true;
    }
    void WaitForever()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        condition_.wait(lock, [this] { return signalled_; });
        signalled_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool signalled_ = false;
};

CSerComm::CSerComm()
    : wake_(std::make_unique<Event>())
    , acknowledge_(std::make_unique<Event>())
{
    watcher_ = std::thread([this] { WatcherLoop(); });
}

CSerComm::~CSerComm()
{
    if (IsOpen())
        ClosePort();
    watcherStop_ = true;
    wake_->Set();
    acknowledge_->Wait(kWatcherWaitMs);
    if (watcher_.joinable())
        watcher_.join();
}

void CSerComm::WatcherLoop()
{
    // The watcher owns nothing of the line: it exists so that pause/resume requests have a
    // partner that acknowledges them, which keeps the owner's waits bounded and in step.
    for (;;) {
        wake_->WaitForever();
        if (watcherStop_)
            break;
        acknowledge_->Set();
    }
    acknowledge_->Set();
}

bool CSerComm::SignalWatcher(bool pause)
{
    watcherPaused_ = pause;
    wake_->Set();
    return acknowledge_->Wait(kWatcherWaitMs);
}

void CSerComm::PauseWatcher() { SignalWatcher(true); }

void CSerComm::ResumeWatcher() { SignalWatcher(false); }

void CSerComm::SetWatcherHeldPaused(bool held)
{
    if (held) {
        watcherHeldPaused_ = true;
        PauseWatcher();
        return;
    }
    watcherHeldPaused_ = false;
    if (IsOpen())
        ResumeWatcher();
}

bool CSerComm::RateOutsideLimits(long baud) const
{
    if (baud == 0)
        return true;
    if (maxBaud_ >= 0 && baud > maxBaud_)
        return true;
    return minBaud_ >= 0 && baud < minBaud_;
}

int CSerComm::OpenPort(const std::string& settings, bool rtsHandshake, bool ctsOutputFlow, bool errorReplacement,
                       bool skipInitialDrain)
{
    currentSettings_.clear();
    rememberedSettings_.clear();
    reattachPending_ = false;
    suspended_ = false;

    const size_t colon = settings.find(':');
    if (colon == std::string::npos)
        return kOpenCannotOpen;
    const std::string path = settings.substr(0, colon);

    const long baud = ParseBaud(settings, colon);
    if (RateOutsideLimits(baud))
        return kOpenBadRate;

    // An open port is only reconfigured; but settings naming another port must not be
    // applied to the one that happens to be open.
    if (IsOpen() && path != openPath_)
        ClosePort();
    if (!IsOpen()) {
        device_ = TraceSerialDevice(TheSerialPortSystem().Open(path), path);
        if (!device_) {
            ClosePort();
            ExplainOpenFailure(path);
            return kOpenCannotOpen;
        }
        openPath_ = path;
    }

    SerialLineState state;
    if (!device_->GetLineState(state)) {
        ShowMessage(kPortUnavailable);
        return kOpenLineStateUnreadable;
    }

    if (!skipInitialDrain) {
        DrainInput(0);
        FlushOutput();
    }

    const size_t n = settings.size();
    state.baudRate = static_cast<uint32_t>(baud);
    state.dataBits = settings[n - 3] - '0';
    state.parity = ParityFromLetter(settings[n - 5]);
    state.stopBits = settings[n - 1] == '2' ? 2 : 1;
    state.parityCheck = true;
    state.ctsOutputFlow = ctsOutputFlow;
    state.dtrControl = dtrMode_;
    state.errorReplace = errorReplacement;
    state.errorChar = 0x1F;
    state.rtsHandshake = rtsHandshake;

    const int result = ApplyLineSettings(path, baud, state);
    if (result == kOpenOk)
        currentSettings_ = settings;
    return result;
}

void CSerComm::ExplainOpenFailure(const std::string& path)
{
    // A port the user may not open fails every rate of a scan the same way: say why once,
    // with what to do about it, instead of leaving only "Unable to connect".
    const std::string hint = TheSerialPortSystem().OpenFailureHint(path);
    if (!hint.empty() && explainedPaths_.insert(path).second)
        ShowMessage(std::string(kPortUnavailable) + "\n\n" + hint);
}

int CSerComm::ApplyLineSettings(const std::string& path, long baud, const SerialLineState& state)
{
    if (RateOutsideLimits(baud))
        return kOpenBadRate;
    if (!IsOpen()) {
        device_ = TraceSerialDevice(TheSerialPortSystem().Open(path), path);
        if (!device_)
            return kOpenCannotOpen;
        openPath_ = path;
    }
    // Only "character received" would be watched; the watcher never reports it, so there is
    // no event mask to set on this platform (and nothing for -4 to report).
    if (!device_->SetBufferSizes(kInputBufferBytes, kOutputBufferBytes))
        return kOpenBufferSizeFailed;
    // The line's time-outs are the bounds of our own waits (writeTotal*); nothing for -7.
    if (!device_->SetLineState(state))
        return kOpenLineStateFailed;
    DrainInput(0);
    FlushOutput();
    watcherDevice_ = device_.get();
    if (!watcherHeldPaused_)
        ResumeWatcher();
    return kOpenOk;
}

void CSerComm::ClosePort()
{
    PauseWatcher();
    watcherDevice_ = nullptr;
    device_.reset();  // closing a descriptor that is already dead is not an error worth reporting
    currentSettings_.clear();
}

bool CSerComm::TestPort(int portNumber)
{
    // The question is whether the port can be opened at all; the baud limits of the
    // preferences restrict the rates a scan tries, so a limit that excludes 9600 must not make
    // the port look unavailable (the scan would then never start).
    const std::string settings = BuildSettingsString(9600, 'N', 8, 1, portNumber);
    const int32_t savedMax = maxBaud_;
    const int32_t savedMin = minBaud_;
    maxBaud_ = -1;
    minBaud_ = -1;
    const int result = OpenPort(settings);
    maxBaud_ = savedMax;
    minBaud_ = savedMin;
    ClosePort();
    return result == kOpenOk;
}

std::string CSerComm::BuildSettingsString(int baud, char parity, int dataBits, int stopBits, int portNumber) const
{
    const int port = portNumber < 0 ? portNumber_ : portNumber;
    std::string settings = port > 9 ? kDevicePathPrefix : "";
    settings += "COM" + std::to_string(port) + ":" + std::to_string(baud) + "," + std::string(1, parity) + ","
        + std::to_string(dataBits) + "," + std::to_string(stopBits);
    return settings;
}

bool CSerComm::GetCurrentSettings(std::string& settings) const
{
    if (!IsOpen())
        return false;
    settings = currentSettings_;
    return true;
}

int CSerComm::WriteChecked(const uint8_t* bytes, size_t count, bool singleByte)
{
    if (suspended_ || !IsOpen() || count == 0 || bytes == nullptr)
        return 0;

    // The driver takes what fits; the rest is offered again until the line's write time-out
    // (per-byte multiplier plus constant) runs out.
    const unsigned limitMs = static_cast<unsigned>(
        std::min<size_t>(count * writeTotalMultiplierMs_ + writeTotalConstantMs_, 600000));
    const Clock::time_point start = Clock::now();
    size_t written = 0;
    while (written < count) {
        const long taken = device_->Write(bytes + written, count - written);
        if (taken < 0)
            break;  // the line is gone
        written += static_cast<size_t>(taken);
        if (written == count || ElapsedMs(start) >= limitMs)
            break;
        if (taken == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    if (written < count) {
        device_->ClearErrors();
        if (written > 0) {
            writeRetryUsed_ = false;
            return static_cast<int>(written);
        }
        // Nothing went out: the handle is probably stale (adapter replugged). Reopen once with
        // the same settings; a second failure in a row leaves the port closed.
        const std::string inUse = currentSettings_;
        ClosePort();
        if (!writeRetryUsed_) {
            OpenPort(inUse);
            writeRetryUsed_ = true;
        }
        return 0;
    }
    if (singleByte)
        writeRetryUsed_ = false;
    return static_cast<int>(written);
}

int CSerComm::WriteByte(uint8_t byte) { return WriteChecked(&byte, 1, true); }

int CSerComm::WriteBytes(const uint8_t* bytes, size_t count) { return WriteChecked(bytes, count, false); }

int CSerComm::WriteText(const std::string& text)
{
    return WriteChecked(reinterpret_cast<const uint8_t*>(text.data()), text.size(), false);
}

int CSerComm::ReadBytes(uint8_t* buffer, size_t wanted, unsigned timeoutMs)
{
    if (suspended_ || !IsOpen() || wanted == 0 || buffer == nullptr)
        return 0;
    const unsigned limitMs = std::min(timeoutMs, kReadCapMs);
    const Clock::time_point start = Clock::now();
    // Take bytes as they come until the wanted count is there: a line that decodes what it
    // received (parity marks) may hand over fewer bytes than it first counted.
    size_t got = 0;
    for (;;) {
        const long received = device_->InputCount();
        device_->ClearErrors();
        if (received < 0)
            return 0;  // the line is gone
        if (received > 0) {
            const long read = device_->Read(buffer + got, std::min(wanted - got, static_cast<size_t>(received)));
            if (read < 0) {
                device_->ClearErrors();
                return 0;
            }
            got += static_cast<size_t>(read);
        }
        if (got >= wanted || ElapsedMs(start) >= limitMs || suspended_ || !IsOpen())
            break;
        // Spin rather than sleep while a reply is due: replies are short and a sleep would cost
        // a scheduler tick per exchange; yielding keeps a peer on the same core (the simulator)
        // running. Past a few milliseconds nothing is due that soon, and spinning through a
        // long wait (a reader storing firmware for a minute, a fleet of flashes at once) would
        // starve everything else on the machine, the readers' simulators included.
        if (ElapsedMs(start) < kSpinMs)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(kPollSleepUs));
    }
    if (suspended_ || !IsOpen())
        return 0;
    return static_cast<int>(got);
}

int CSerComm::ReadAvailable(uint8_t* buffer, size_t capacity)
{
    if (suspended_ || !IsOpen())
        return 0;
    const long received = device_->InputCount();
    if (received <= 0)
        return 0;
    return ReadBytes(buffer, std::min(capacity, static_cast<size_t>(received)), 1);
}

void CSerComm::DrainInput(unsigned milliseconds)
{
    if (!IsOpen() || suspended_)
        return;
    const Clock::time_point start = Clock::now();
    for (;;) {
        ::PumpWaitingMessages();
        if (ElapsedMs(start) >= milliseconds || suspended_ || !IsOpen() || UserAbortRequested())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (IsOpen() && !suspended_)
        device_->PurgeInput();
}

void CSerComm::FlushOutput()
{
    if (!IsOpen() || suspended_)
        return;
    // Let what was written leave first (bounded, as a write is), then drop whatever flow
    // control still holds back, so the next exchange starts on an empty line.
    device_->WaitUntilSent(writeTotalConstantMs_);
    device_->PurgeOutput();
}

long CSerComm::OutputQueueCount()
{
    if (!IsOpen() || suspended_)
        return 0;
    return std::max(0L, device_->OutputCount());
}

bool CSerComm::SetBaudRate(uint32_t rate)
{
    SerialLineState state;
    if (rate == 0 || !IsOpen() || !device_->GetLineState(state))
        return false;
    state.baudRate = rate;
    return device_->SetLineState(state);
}

bool CSerComm::SetParity(char parity)
{
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(parity)));
    if (letter != 'E' && letter != 'M' && letter != 'N' && letter != 'O' && letter != 'S')
        return false;
    SerialLineState state;
    if (!IsOpen() || !device_->GetLineState(state))
        return false;
    state.parity = letter;
    return device_->SetLineState(state);
}

bool CSerComm::SetStopBits(int stopBits)
{
    if (stopBits != 1 && stopBits != 2)
        return false;
    SerialLineState state;
    if (!IsOpen() || !device_->GetLineState(state))
        return false;
    state.stopBits = stopBits;
    return device_->SetLineState(state);
}

bool CSerComm::SetDataBits(int dataBits)
{
    if (dataBits != 7 && dataBits != 8)
        return false;
    SerialLineState state;
    if (!IsOpen() || !device_->GetLineState(state))
        return false;
    state.dataBits = dataBits;
    return device_->SetLineState(state);
}

int CSerComm::GetDataBits()
{
    SerialLineState state;
    if (!IsOpen() || !device_->GetLineState(state))
        return -1;
    return state.dataBits;
}

int CSerComm::GetParity()
{
    SerialLineState state;
    if (!IsOpen() || !device_->GetLineState(state))
        return -1;
    return state.parity;
}

int CSerComm::GetStopBits()
{
    SerialLineState state;
    if (!IsOpen() || !device_->GetLineState(state))
        return -1;
    return state.stopBits == 2 ? 2 : 1;
}

long CSerComm::GetBaudRate()
{
    SerialLineState state;
    if (!IsOpen() || !device_->GetLineState(state))
        return -1;
    return static_cast<long>(state.baudRate);
}

void CSerComm::EnumeratePorts()
{
    portNames_.clear();
    portDisplayNames_.clear();
    portPaths_.clear();
    std::vector<SerialPortInfo> ports = TheSerialPortSystem().EnumeratePorts();
    // Shorter names first, then alphabetically without regard to case: COM2 before COM10.
    std::stable_sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        if (a.name.size() != b.name.size())
            return a.name.size() < b.name.size();
        return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                            [](char x, char y) {
                                                return std::tolower(static_cast<unsigned char>(x))
                                                    < std::tolower(static_cast<unsigned char>(y));
                                            });
    });
    for (const SerialPortInfo& port : ports) {
        portNames_.push_back(port.name);
        portDisplayNames_.push_back(port.displayName.empty() ? port.name : port.displayName);
        portPaths_.push_back(port.name.size() > 4 ? kDevicePathPrefix + port.name : port.name);
    }
}

std::string CSerComm::GetPortName(int index) const
{
    if (index < 0 || index >= GetPortCount())
        return {};
    return portNames_[static_cast<size_t>(index)];
}

std::string CSerComm::GetPortDisplayName(int index) const
{
    if (index < 0 || index >= GetPortCount())
        return {};
    return portDisplayNames_[static_cast<size_t>(index)];
}

std::string CSerComm::GetPortPath(int index) const
{
    if (index < 0 || index >= GetPortCount())
        return {};
    return portPaths_[static_cast<size_t>(index)];
}

std::string CSerComm::NormalisePortName(const std::string& portName, const std::string& settings)
{
    std::string name = portName;
    const size_t open = name.find('(');
    if (open != std::string::npos) {
        const size_t close = name.rfind(')');
        if (close != std::string::npos && close > open)
            name = name.substr(open + 1, close - open - 1);
    }
    if (StartsWith(settings, kDevicePathPrefix) && !StartsWith(name, kDevicePathPrefix))
        name = kDevicePathPrefix + name;
    return name;
}

namespace {

bool NameMatchesSettings(const std::string& portName, const std::string& settings)
{
    const size_t colon = settings.find(':');
    if (colon == std::string::npos)
        return false;
    return CSerComm::NormalisePortName(portName, settings) == settings.substr(0, colon);
}

} // namespace

bool CSerComm::OnPortRemoved(const std::string& portName)
{
    if (!IsOpen() || !NameMatchesSettings(portName, currentSettings_))
        return false;
    suspended_ = false;
    rememberedSettings_ = currentSettings_;
    ClosePort();
    return true;
}

bool CSerComm::OnPortGoing(const std::string& portName)
{
    if (!IsOpen() || !NameMatchesSettings(portName, currentSettings_))
        return false;
    suspended_ = true;
    return true;
}

bool CSerComm::ReopenAfter(std::string remembered)
{
    if (OpenPort(remembered, true, false, false, true) == kOpenOk)
        return true;
    // A failed reconfiguration can leave the handle open; close it so the next retry (which
    // only runs on a closed port) gets its chance.
    if (IsOpen())
        ClosePort();
    rememberedSettings_ = remembered;
    reattachPending_ = true;
    return false;
}

bool CSerComm::OnPortArrived(const std::string& portName)
{
    if (IsOpen() || rememberedSettings_.find(':') == std::string::npos)
        return false;
    if (!NameMatchesSettings(portName, rememberedSettings_))
        return false;
    return ReopenAfter(rememberedSettings_);
}

bool CSerComm::RetryReattach()
{
    if (IsOpen() || !reattachPending_)
        return false;
    return ReopenAfter(rememberedSettings_);
}

bool CSerComm::HandlePortNotices(const std::vector<SerialPortNotice>& notices)
{
    bool affected = false;
    for (const SerialPortNotice& notice : notices) {
        if (notice.kind == SerialPortNotice::Kind::Removed)
            affected = OnPortRemoved(notice.portName) || affected;
        else
            affected = OnPortArrived(notice.portName) || affected;
    }
    return RetryReattach() || affected;
}
