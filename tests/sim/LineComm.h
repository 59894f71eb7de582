// The host's channel over the SerialDevice the simulator hands out, for tests that run the
// transfer code against a simulated reader.
#pragma once

#include "platform/SerialDevice.h"
#include "transfer/HCOMM.h"
#include "transfer/HSTRING.h"

#include <algorithm>
#include <chrono>
#include <thread>

// The host's channel: a plain HCOMM over the SerialDevice the simulator hands out, polling
// the way a serial port driver is read.
class LineComm final : public HCOMM {
public:
    explicit LineComm(SerialDevice& line) : line_(line) { }
    using HCOMM::FlushReadBuffer;
    using HCOMM::Read;
    using HCOMM::Write;

    void ZeroElapsedTime() override { zero_ = Clock::now(); }
    unsigned ElapsedTime() override
    {
        return unsigned(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - zero_).count());
    }
    bool FlushReadBuffer(int) override
    {
        line_.PurgeInput();
        return true;
    }
    bool Read(HSTRING* buffer, unsigned wanted, unsigned timeOutMs) override
    {
        buffer->Empty();
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeOutMs);
        uint8_t piece[2048];
        for (;;) {
            const unsigned missing = wanted - buffer->Length();
            const long n = line_.Read(piece, std::min<size_t>(missing, sizeof piece));
            if (n < 0)
                return false;
            buffer->Append(piece, unsigned(n));
            if (buffer->Length() >= wanted || Clock::now() >= deadline)
                return true;
            if (n == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    bool Write(HSTRING* buffer, int start, int count, bool) override
    {
        return line_.Write(buffer->Data() + start, size_t(count)) == count;
    }
    bool IsPortAssigned() override { return true; }
    bool FlushWriteBuffer() override
    {
        line_.PurgeOutput();
        return true;
    }
    unsigned BytesInWriteBuffer() override { return unsigned(std::max(0L, line_.OutputCount())); }
    void HCommSleep(unsigned ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    using Clock = std::chrono::steady_clock;
    SerialDevice& line_;
    Clock::time_point zero_ = Clock::now();
};

