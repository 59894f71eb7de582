#include "sim/SimClock.h"

#include <chrono>
#include <thread>

uint64_t SteadySimClock::NowMicros()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void SteadySimClock::SleepMicros(uint64_t micros)
{
    std::this_thread::sleep_for(std::chrono::microseconds(micros));
}

SteadySimClock& SteadySimClock::Instance()
{
    static SteadySimClock clock;
    return clock;
}
