// An in-memory serial line with two ends, for running a transmitter and a receiver on two
// threads. The line is the only object they share.
//
// Each direction can be paced at a baud rate (10 bits a byte): written bytes then become
// readable one by one at line speed, and bytes still "on the wire" count as queued output
// that FlushWriteBuffer throws away, as a UART's transmit queue would. A filter per direction
// sees every write (its index and stream offset) and may change, drop or add bytes: that is
// how tests corrupt a block, swallow one, turn ACKs into NAKs or go silent.
#pragma once

#include "transfer/HCOMM.h"
#include "transfer/HSTRING.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class MemoryDuplex {
public:
    using Clock = std::chrono::steady_clock;
    // Called under the line's lock for every write in one direction.
    using Filter = std::function<void(std::vector<uint8_t>& bytes, size_t writeIndex, size_t streamOffset)>;

    struct Direction {
        std::deque<std::pair<Clock::time_point, uint8_t>> bytes;
        Clock::time_point lineFree {};
        size_t writes = 0;
        size_t offset = 0;
        size_t delivered = 0;
        Filter filter;
    };

    explicit MemoryDuplex(unsigned baud = 0) : m_Baud(baud) { }

    void SetFilter(int direction, Filter filter)
    {
        std::lock_guard lock(m_Mutex);
        m_Dir[direction].filter = std::move(filter);
    }
    // Bytes that went into a direction (after filtering).
    size_t BytesWritten(int direction)
    {
        std::lock_guard lock(m_Mutex);
        return m_Dir[direction].offset;
    }

    void Write(int direction, const uint8_t* data, size_t length)
    {
        std::lock_guard lock(m_Mutex);
        Direction& d = m_Dir[direction];
        std::vector<uint8_t> bytes(data, data + length);
        if (d.filter)
            d.filter(bytes, d.writes, d.offset);
        ++d.writes;
        d.offset += bytes.size();
        const auto now = Clock::now();
        auto at = std::max(now, d.lineFree);
        for (uint8_t b : bytes) {
            if (m_Baud)
                at += std::chrono::nanoseconds(10'000'000'000LL / m_Baud);
            d.bytes.emplace_back(at, b);
        }
        d.lineFree = at;
        m_Changed.notify_all();
    }

    // Takes up to `wanted` bytes that have arrived, waiting at most `timeOut` for all of them.
    size_t Read(int direction, uint8_t* out, size_t wanted, std::chrono::milliseconds timeOut)
    {
        std::unique_lock lock(m_Mutex);
        Direction& d = m_Dir[direction];
        const auto deadline = Clock::now() + timeOut;
        size_t got = 0;
        for (;;) {
            const auto now = Clock::now();
            while (got < wanted && !d.bytes.empty() && d.bytes.front().first <= now) {
                out[got++] = d.bytes.front().second;
                d.bytes.pop_front();
                ++d.delivered;
            }
            if (got == wanted || now >= deadline)
                return got;
            auto wake = deadline;
            if (!d.bytes.empty())
                wake = std::min(wake, d.bytes.front().first);
            m_Changed.wait_until(lock, wake);
        }
    }

    // Bytes written but not yet on the far side.
    size_t Queued(int direction)
    {
        std::lock_guard lock(m_Mutex);
        const auto now = Clock::now();
        const Direction& d = m_Dir[direction];
        return static_cast<size_t>(std::count_if(d.bytes.begin(), d.bytes.end(),
                                                 [now](const auto& b) { return b.first > now; }));
    }
    void DropQueued(int direction)
    {
        std::lock_guard lock(m_Mutex);
        const auto now = Clock::now();
        Direction& d = m_Dir[direction];
        while (!d.bytes.empty() && d.bytes.back().first > now)
            d.bytes.pop_back();
        d.lineFree = now;
    }
    void DropArrived(int direction)
    {
        std::lock_guard lock(m_Mutex);
        const auto now = Clock::now();
        Direction& d = m_Dir[direction];
        while (!d.bytes.empty() && d.bytes.front().first <= now)
            d.bytes.pop_front();
    }

private:
    unsigned m_Baud;
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    Direction m_Dir[2];
};

// One end of the line as the transfer code sees it. End 0 writes direction 0 and reads
// direction 1; end 1 the other way round.
class MemoryComm : public HCOMM {
public:
    MemoryComm(MemoryDuplex& line, int end) : m_Line(line), m_Out(end), m_In(1 - end) { }

    using HCOMM::FlushReadBuffer;
    using HCOMM::Read;
    using HCOMM::Write;

    void ZeroElapsedTime() override { m_Zero = MemoryDuplex::Clock::now(); }
    unsigned ElapsedTime() override
    {
        return static_cast<unsigned>(
            std::chrono::duration_cast<std::chrono::seconds>(MemoryDuplex::Clock::now() - m_Zero).count());
    }
    bool FlushReadBuffer(int) override
    {
        m_Line.DropArrived(m_In);
        return true;
    }
    bool Read(HSTRING* buffer, unsigned wanted, unsigned timeOutMs) override
    {
        if (!buffer || !buffer->Empty() || !buffer->Reserve(wanted))
            return false;
        std::vector<uint8_t> bytes(wanted);
        const size_t got = m_Line.Read(m_In, bytes.data(), wanted, std::chrono::milliseconds(timeOutMs));
        return buffer->Append(bytes.data(), static_cast<unsigned>(got));
    }
    bool Write(HSTRING* buffer, int start, int count, bool waitUntilSent) override
    {
        if (!buffer || start < 0 || count < 0 || static_cast<unsigned>(start) + count > buffer->Length())
            return false;
        m_Line.Write(m_Out, buffer->Data() + start, static_cast<size_t>(count));
        while (waitUntilSent && m_Line.Queued(m_Out) > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    }
    bool IsPortAssigned() override { return true; }
    bool FlushWriteBuffer() override
    {
        m_Line.DropQueued(m_Out);
        return true;
    }
    unsigned BytesInWriteBuffer() override { return static_cast<unsigned>(m_Line.Queued(m_Out)); }
    void HCommSleep(unsigned milliseconds) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

private:
    MemoryDuplex& m_Line;
    int m_Out;
    int m_In;
    MemoryDuplex::Clock::time_point m_Zero = MemoryDuplex::Clock::now();
};
