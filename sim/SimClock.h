// Time as the simulated line sees it. Tests use a manual clock so that paced transfers and
// delayed bytes are deterministic; everything else uses the steady clock.
#pragma once

#include <cstdint>

class SimClock {
public:
    virtual ~SimClock() = default;
    virtual uint64_t NowMicros() = 0;
    virtual void SleepMicros(uint64_t micros) = 0;
};

class SteadySimClock final : public SimClock {
public:
    uint64_t NowMicros() override;
    void SleepMicros(uint64_t micros) override;
    static SteadySimClock& Instance();
};

// Time stands still until a test advances it; sleeping advances it.
class ManualSimClock final : public SimClock {
public:
    uint64_t NowMicros() override { return now_; }
    void SleepMicros(uint64_t micros) override { now_ += micros; }
    void Advance(uint64_t micros) { now_ += micros; }
    void AdvanceMs(uint64_t ms) { now_ += ms * 1000; }

private:
    uint64_t now_ = 0;
};
