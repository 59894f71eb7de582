// The growth rule both byte buffers (HSTRING, HWSTRING) follow when they need more room:
// the first growth gives exactly what was asked for; every later one adds a step that grows
// when requests come often (step × 100 ÷ requests since the last growth), capped at 64,000
// units, so a buffer fed one unit at a time reallocates ever more rarely.
#pragma once

#include <algorithm>
#include <cstdint>

inline constexpr uint32_t kMaximumBufferGrowthStep = 64000;

// Works out the new capacity (in units) for a request of `wanted` units, updating the step
// and the first-growth flag. False when the capacity would pass `largestCapacity`.
inline bool NextBufferCapacity(uint32_t wanted, uint32_t callsSinceGrowth, uint32_t largestCapacity,
                               uint32_t& growthStep, bool& firstGrowth, uint32_t& capacity)
{
    if (firstGrowth) {
        firstGrowth = false;
        capacity = wanted;
        return true;
    }
    const uint32_t calls = std::max<uint32_t>(callsSinceGrowth, 1);
    const uint64_t adapted = static_cast<uint64_t>(growthStep) * 100 / calls;
    growthStep = static_cast<uint32_t>(
        std::min<uint64_t>(std::max<uint64_t>(growthStep, adapted), kMaximumBufferGrowthStep));
    if (wanted > largestCapacity - growthStep)
        return false;
    capacity = wanted + growthStep;
    return true;
}
