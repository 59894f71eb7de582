#include "platform/TrafficLog.h"

#include "platform/SerialDevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <deque>
#include <mutex>
#include <thread>

namespace {

const auto kStart = std::chrono::steady_clock::now();

std::string Stamp(double seconds, const std::string& port, char kind)
{
    char text[48];
    std::snprintf(text, sizeof text, "%12.6f ", seconds);
    return std::string(text) + (port.empty() ? "-" : port) + " " + kind + " ";
}

// Records what passes through a line, then hands it on unchanged.
class TracedDevice final : public SerialDevice {
public:
    TracedDevice(std::unique_ptr<SerialDevice> inner, std::string port)
        : inner_(std::move(inner))
        , port_(std::move(port))
    {
    }
    ~TracedDevice() override { TrafficLog::Instance().Event(port_, '!', "closed"); }

    bool GetLineState(SerialLineState& state) override { return inner_->GetLineState(state); }
    bool SetLineState(const SerialLineState& state) override
    {
        const bool set = inner_->SetLineState(state);
        TrafficLog::Instance().Event(port_, '=', TrafficLog::DescribeLine(state) + (set ? "" : " (refused)"));
        return set;
    }
    bool SetBufferSizes(size_t in, size_t out) override { return inner_->SetBufferSizes(in, out); }
    long Write(const uint8_t* data, size_t count) override
    {
        const long taken = inner_->Write(data, count);
        if (taken > 0) TrafficLog::Instance().Data(port_, '>', data, static_cast<size_t>(taken));
        if (taken < 0) TrafficLog::Instance().Event(port_, '!', "line gone while writing");
        return taken;
    }
    bool WaitUntilSent(unsigned timeoutMs) override { return inner_->WaitUntilSent(timeoutMs); }
    long InputCount() override { return inner_->InputCount(); }
    long Read(uint8_t* data, size_t count) override
    {
        const long got = inner_->Read(data, count);
        if (got > 0) TrafficLog::Instance().Data(port_, '<', data, static_cast<size_t>(got));
        if (got < 0) TrafficLog::Instance().Event(port_, '!', "line gone while reading");
        return got;
    }
    long OutputCount() override { return inner_->OutputCount(); }
    void PurgeInput() override
    {
        inner_->PurgeInput();
        TrafficLog::Instance().Event(port_, '!', "input purged");
    }
    void PurgeOutput() override
    {
        inner_->PurgeOutput();
        TrafficLog::Instance().Event(port_, '!', "output purged");
    }
    void ClearErrors() override { inner_->ClearErrors(); }

private:
    std::unique_ptr<SerialDevice> inner_;
    std::string port_;
};

} // namespace

struct TrafficLog::State {
    mutable std::mutex mutex;
    std::atomic<bool> recording { false };
    std::deque<std::string> ring;

    // The file writer.
    std::deque<std::string> queue;
    std::condition_variable wake;
    std::thread writer;
    std::FILE* file = nullptr;
    std::string path;
    std::string temporary;
    bool stopping = false;
    std::uint64_t dropped = 0;
    std::uint64_t added = 0;
    size_t queueLimit = kQueueLines;

    void WriteLoop()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            std::deque<std::string> batch;
            batch.swap(queue);
            lock.unlock();
            for (const std::string& line : batch) {
                std::fputs(line.c_str(), file);
                std::fputc('\n', file);
            }
            std::fflush(file);
            lock.lock();
            if (stopping && queue.empty()) return;
        }
    }
};

TrafficLog::TrafficLog()
    : state_(std::make_unique<State>())
{
}

TrafficLog::~TrafficLog() { CloseFile(); }

TrafficLog& TrafficLog::Instance()
{
    static TrafficLog log;
    return log;
}

double TrafficLog::Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - kStart).count();
}

void TrafficLog::SetRecording(bool on) { state_->recording = on; }

bool TrafficLog::Recording() const { return state_->recording; }

bool TrafficLog::OpenFile(const std::string& path, std::string& error)
{
    CloseFile();
    // Written beside the named file and renamed over it when the log is closed, so the name
    // only ever holds a complete log.
    std::string temporary = path + ".XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    std::FILE* file = descriptor >= 0 ? ::fdopen(descriptor, "w") : nullptr;
    if (!file) {
        if (descriptor >= 0) {
            ::close(descriptor);
            ::unlink(temporary.c_str());
        }
        error = "cannot create " + path;
        return false;
    }
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->file = file;
    state_->path = path;
    state_->temporary = temporary;
    state_->stopping = false;
    state_->dropped = 0;
    state_->writer = std::thread([this] { state_->WriteLoop(); });
    state_->recording = true;
    return true;
}

void TrafficLog::CloseFile()
{
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (!state_->file) return;
        state_->stopping = true;
    }
    state_->wake.notify_one();
    state_->writer.join();
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->dropped > 0)
        std::fprintf(state_->file, "%s\n",
            FormatEvent(Now(), "", '!', std::to_string(state_->dropped) + " lines dropped: the log could not keep up")
                .c_str());
    const bool written = std::fflush(state_->file) == 0 && ::fsync(::fileno(state_->file)) == 0;
    std::fclose(state_->file);
    state_->file = nullptr;
    if (!written || std::rename(state_->temporary.c_str(), state_->path.c_str()) != 0)
        ::unlink(state_->temporary.c_str());
}

void TrafficLog::Add(std::string line)
{
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        ++state_->added;
        if (state_->file) {
            if (state_->queue.size() < state_->queueLimit)
                state_->queue.push_back(line);
            else
                ++state_->dropped;
        }
        state_->ring.push_back(std::move(line));
        if (state_->ring.size() > kRingLines) state_->ring.pop_front();
    }
    state_->wake.notify_one();
}

void TrafficLog::Data(const std::string& port, char direction, const std::uint8_t* bytes, size_t count)
{
    if (!Recording() || count == 0) return;
    const double now = Now();
    for (size_t at = 0; at < count; at += kBytesPerLine)
        Add(FormatData(now, port, direction, bytes + at, std::min(kBytesPerLine, count - at)));
}

void TrafficLog::Event(const std::string& port, char kind, const std::string& text)
{
    if (Recording()) Add(FormatEvent(Now(), port, kind, text));
}

std::vector<std::string> TrafficLog::Lines() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return { state_->ring.begin(), state_->ring.end() };
}

std::uint64_t TrafficLog::LinesAdded() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->added;
}

void TrafficLog::SetQueueLimit(size_t lines)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->queueLimit = lines;
}

std::uint64_t TrafficLog::DroppedLines() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->dropped;
}

void TrafficLog::Clear()
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->ring.clear();
}

std::string TrafficLog::FormatData(
    double seconds, const std::string& port, char direction, const std::uint8_t* bytes, size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i) hex += ' ';
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0x0F];
        text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    }
    hex.resize(kBytesPerLine * 3 - 1, ' ');
    return Stamp(seconds, port, direction) + hex + "  |" + text + "|";
}

std::string TrafficLog::FormatEvent(double seconds, const std::string& port, char kind, const std::string& text)
{
    return Stamp(seconds, port, kind) + text;
}

std::string TrafficLog::DescribeLine(const SerialLineState& state)
{
    static const char* const kDtr[] = { "off", "on", "handshake" };
    return std::to_string(state.baudRate) + "," + state.parity + "," + std::to_string(state.dataBits) + ","
        + std::to_string(state.stopBits) + " DTR " + kDtr[state.dtrControl >= 0 && state.dtrControl <= 2 ? state.dtrControl : 0]
        + " RTS " + (state.rtsHandshake ? "handshake" : "off") + " CTS flow " + (state.ctsOutputFlow ? "on" : "off");
}

std::unique_ptr<SerialDevice> TraceSerialDevice(std::unique_ptr<SerialDevice> device, const std::string& port)
{
    if (!device || !TrafficLog::Instance().Recording()) return device;
    // Ports above COM9 are opened by their system path ("\\.\COM12"); the log names them as
    // users do.
    const std::string label = port.rfind("\\\\.\\", 0) == 0 ? port.substr(4) : port;
    TrafficLog::Instance().Event(label, '!', "opened");
    return std::make_unique<TracedDevice>(std::move(device), label);
}
