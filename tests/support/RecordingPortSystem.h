// A simulated-reader port system that records every byte the host writes, so tests can
// check which frames went out and in which order. Shared by the device and document tests.
#pragma once

#include "platform/SerialDevice.h"
#include "sim/SimPortSystem.h"

#include <memory>
#include <string>
#include <vector>

// Records every byte the host puts on the line to the simulated reader.
class RecordingLine final : public SerialDevice {
public:
    RecordingLine(std::unique_ptr<SerialDevice> inner, std::string& written) : inner_(std::move(inner)), written_(written) { }
    bool GetLineState(SerialLineState& state) override { return inner_->GetLineState(state); }
    bool SetLineState(const SerialLineState& state) override { return inner_->SetLineState(state); }
    bool SetBufferSizes(size_t in, size_t out) override { return inner_->SetBufferSizes(in, out); }
    long Write(const uint8_t* data, size_t count) override
    {
        const long taken = inner_->Write(data, count);
        if (taken > 0)
            written_.append(reinterpret_cast<const char*>(data), static_cast<size_t>(taken));
        return taken;
    }
    bool WaitUntilSent(unsigned timeoutMs) override { return inner_->WaitUntilSent(timeoutMs); }
    long InputCount() override { return inner_->InputCount(); }
    long Read(uint8_t* data, size_t count) override { return inner_->Read(data, count); }
    long OutputCount() override { return inner_->OutputCount(); }
    void PurgeInput() override { inner_->PurgeInput(); }
    void PurgeOutput() override { inner_->PurgeOutput(); }
    void ClearErrors() override { inner_->ClearErrors(); }

private:
    std::unique_ptr<SerialDevice> inner_;
    std::string& written_;
};

class RecordingPortSystem final : public SerialPortSystem {
public:
    std::unique_ptr<SerialDevice> Open(const std::string& path) override
    {
        auto line = sim.Open(path);
        if (!line)
            return nullptr;
        return std::make_unique<RecordingLine>(std::move(line), written);
    }
    std::vector<SerialPortInfo> EnumeratePorts() override { return sim.EnumeratePorts(); }

    SimPortSystem sim;
    std::string written;
};
