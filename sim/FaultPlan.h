// Deterministic line faults: the same plan and seed always hit the same bytes.
//
// Byte faults apply per direction and count the bytes of that direction from the moment the
// plan is set (index 0 is the first byte): drop, corrupt (XOR with a non-zero pattern) or
// delay a byte, either at one index or at random with a rate. A delay holds back that byte
// and, since a line keeps order, everything behind it. Command faults (NAK the next k
// commands, stop answering) and "unplug after n bytes" act on the reader as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ByteFaults {
    double dropRate = 0;
    double corruptRate = 0;
    double delayRate = 0;
    long dropAt = -1;
    long corruptAt = -1;
    long delayAt = -1;
    unsigned delayMs = 0;

    bool Any() const
    {
        return dropRate > 0 || corruptRate > 0 || (delayRate > 0 && delayMs > 0) || dropAt >= 0 ||
               corruptAt >= 0 || (delayAt >= 0 && delayMs > 0);
    }
};

// Faults of the binary firmware loader while it stores a downloaded image (see
// flash/BinaryLoader.h). The refusal and the power loss each hit one storage, the next one.
struct StorageFaults {
    bool nak = false;        // the image is refused (NAK) as if the flash could not be written
    unsigned delayMs = 0;    // storing takes this long (status packets every second meanwhile)
    bool powerLoss = false;  // power fails half way: silence for a second, then boot code

    bool Any() const { return nak || delayMs > 0 || powerLoss; }
};

struct FaultPlan {
    uint64_t seed = 1;
    ByteFaults toHost;     // bytes the reader sends
    ByteFaults toReader;   // bytes the host sends
    long unplugAfter = -1; // the line goes away once the reader has sent this many bytes
    int nakNext = 0;       // the next k commands are refused with NAK
    bool silent = false;   // the reader stops answering
    StorageFaults storage;

    // "seed=7,drop-rate=0.01,corrupt-at=12,delay-at=3,delay-ms=40,nak-next=2,silent,
    //  unplug-after=100,store-nak,store-delay=3000,power-loss"; keys naming the host's
    //  direction start with "host-" ("host-drop-at=0"). Returns false with a reason on a bad
    //  key or value.
    static bool Parse(const std::string& text, FaultPlan& out, std::string& error);
};

// A small, fixed generator (splitmix64): the same seed gives the same faults on every
// platform and standard library.
class FaultRandom {
public:
    explicit FaultRandom(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    double NextUnit();  // [0, 1)

private:
    uint64_t state_;
};

class ByteFaultInjector {
public:
    struct Byte {
        uint8_t value;
        uint64_t delayMicros;  // extra time before this byte, including earlier delays of the same call
    };

    ByteFaultInjector() : random_(1) {}
    ByteFaultInjector(const ByteFaults& faults, uint64_t seed) : faults_(faults), random_(seed) {}

    std::vector<Byte> Apply(const uint8_t* data, size_t count);
    uint64_t Seen() const { return seen_; }

private:
    ByteFaults faults_;
    FaultRandom random_;
    uint64_t seen_ = 0;
};
