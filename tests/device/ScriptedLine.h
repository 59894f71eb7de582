// A serial line that plays back a scripted reader: after the host writes, the reply pieces
// are released at fixed delays, one piece (or one byte) at a time. Lets tests pin down the
// timing rules of the menu protocol without a real reader's pace.
#pragma once

#include "platform/SerialDevice.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct ScriptedPiece {
    unsigned afterMs;   // counted from the host's last write
    std::string bytes;
};

class ScriptedLine final : public SerialDevice {
public:
    struct Shared {
        std::mutex mutex;
        std::vector<ScriptedPiece> script;
        std::string written;
        std::string received;  // released and not yet read
        size_t next = 0;
        std::chrono::steady_clock::time_point lastWrite {};
        bool wrote = false;
        void Release()
        {
            if (!wrote)
                return;
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - lastWrite).count();
            while (next < script.size() && static_cast<long long>(script[next].afterMs) <= elapsed)
                received += script[next++].bytes;
        }
    };

    explicit ScriptedLine(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) { }

    bool GetLineState(SerialLineState& state) override
    {
        state = state_;
        return true;
    }
    bool SetLineState(const SerialLineState& state) override
    {
        state_ = state;
        return true;
    }
    bool SetBufferSizes(size_t, size_t) override { return true; }
    long Write(const uint8_t* data, size_t count) override
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->written.append(reinterpret_cast<const char*>(data), count);
        shared_->lastWrite = std::chrono::steady_clock::now();
        shared_->wrote = true;
        return static_cast<long>(count);
    }
    bool WaitUntilSent(unsigned) override { return true; }
    long InputCount() override
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->Release();
        return static_cast<long>(shared_->received.size());
    }
    long Read(uint8_t* data, size_t count) override
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->Release();
        const size_t take = std::min(count, shared_->received.size());
        std::copy_n(shared_->received.begin(), take, data);
        shared_->received.erase(0, take);
        return static_cast<long>(take);
    }
    long OutputCount() override { return 0; }
    void PurgeInput() override
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->received.clear();
    }
    void PurgeOutput() override { }
    void ClearErrors() override { }

private:
    std::shared_ptr<Shared> shared_;
    SerialLineState state_;
};

class ScriptedPortSystem final : public SerialPortSystem {
public:
    std::unique_ptr<SerialDevice> Open(const std::string&) override { return std::make_unique<ScriptedLine>(shared); }
    std::vector<SerialPortInfo> EnumeratePorts() override { return { { "COM1", "COM1" } }; }
    std::shared_ptr<ScriptedLine::Shared> shared = std::make_shared<ScriptedLine::Shared>();
};
