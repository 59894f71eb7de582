// Stalls on the simulated line: one holds back the rest of the answer it hits, and the next
// answer leaves on time again. A soak with random stalls depends on the second half: were the
// stalls to add up, the reader would soon answer later than any time-out.
#include "sim/FaultPlan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<uint64_t> Delays(ByteFaultInjector& injector, const std::string& text)
{
    std::vector<uint64_t> delays;
    for (const ByteFaultInjector::Byte& byte :
         injector.Apply(reinterpret_cast<const uint8_t*>(text.data()), text.size()))
        delays.push_back(byte.delayMicros);
    return delays;
}

TEST(FaultStall, HoldsBackTheRestOfItsAnswerOnly)
{
    ByteFaults faults;
    faults.delayAt = 1;
    faults.delayMs = 300;
    ByteFaultInjector injector(faults, 1);
    EXPECT_EQ(Delays(injector, "abc"), (std::vector<uint64_t> { 0, 300000, 300000 }));
    EXPECT_EQ(Delays(injector, "def"), (std::vector<uint64_t> { 0, 0, 0 }));
}

TEST(FaultStall, RandomStallsNeverOutlastTheirOwnAnswer)
{
    ByteFaults faults;
    faults.delayRate = 0.05;
    faults.delayMs = 300;
    ByteFaultInjector injector(faults, 7);
    int stalls = 0;
    for (int answer = 0; answer < 200; ++answer) {
        const std::vector<uint64_t> delays = Delays(injector, "BEPLVL2\x06.");
        ASSERT_EQ(delays.size(), 9u);
        uint64_t previous = 0;
        for (uint64_t delay : delays) {
            ASSERT_GE(delay, previous);  // a line keeps its order
            ASSERT_EQ(delay % 300000, 0u);
            stalls += delay > previous;
            previous = delay;
        }
        ASSERT_LE(delays.back(), 9u * 300000);
    }
    EXPECT_GT(stalls, 40);  // about 90 expected at this rate
}

} // namespace
