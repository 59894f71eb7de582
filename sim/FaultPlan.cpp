#include "sim/FaultPlan.h"

#include <cstdlib>

uint64_t FaultRandom::Next()
{
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double FaultRandom::NextUnit()
{
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

std::vector<ByteFaultInjector::Byte> ByteFaultInjector::Apply(const uint8_t* data, size_t count)
{
    std::vector<Byte> out;
    out.reserve(count);
    // A stall holds back the rest of this piece of output only: the line catches up once the
    // stall is over, so the reader does not answer ever later as stalls add up.
    uint64_t delay = 0;
    for (size_t i = 0; i < count; ++i) {
        const long index = static_cast<long>(seen_++);
        // Draw every number every time, so one fault's rate does not shift another's bytes.
        const double dropDraw = random_.NextUnit();
        const double corruptDraw = random_.NextUnit();
        const double delayDraw = random_.NextUnit();
        const uint8_t pattern = static_cast<uint8_t>(random_.Next() % 255 + 1);
        if (index == faults_.dropAt || dropDraw < faults_.dropRate)
            continue;
        uint8_t value = data[i];
        if (index == faults_.corruptAt || corruptDraw < faults_.corruptRate)
            value ^= pattern;
        if (index == faults_.delayAt || delayDraw < faults_.delayRate)
            delay += uint64_t(faults_.delayMs) * 1000;
        out.push_back({value, delay});
    }
    return out;
}

namespace {

bool ParseLong(const std::string& text, long& value)
{
    if (text.empty() || text.size() > 12)
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && value >= 0;
}

bool ParseRate(const std::string& text, double& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && value >= 0 && value <= 1;
}

}  // namespace

bool FaultPlan::Parse(const std::string& text, FaultPlan& out, std::string& error)
{
    FaultPlan plan;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string item = text.substr(start, comma - start);
        start = comma + 1;
        if (item.empty())
            continue;
        if (item == "silent") {
            plan.silent = true;
            continue;
        }
        if (item == "store-nak" || item == "power-loss") {
            (item == "store-nak" ? plan.storage.nak : plan.storage.powerLoss) = true;
            continue;
        }
        const size_t eq = item.find('=');
        std::string key = item.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : item.substr(eq + 1);
        ByteFaults* faults = &plan.toHost;
        if (key.rfind("host-", 0) == 0) {
            faults = &plan.toReader;
            key = key.substr(5);
        }
        long number = 0;
        bool ok = true;
        if (key == "seed" && faults == &plan.toHost) {
            ok = ParseLong(value, number);
            plan.seed = static_cast<uint64_t>(number);
        } else if (key == "drop-rate") {
            ok = ParseRate(value, faults->dropRate);
        } else if (key == "corrupt-rate") {
            ok = ParseRate(value, faults->corruptRate);
        } else if (key == "delay-rate") {
            ok = ParseRate(value, faults->delayRate);
        } else if (key == "drop-at") {
            ok = ParseLong(value, faults->dropAt);
        } else if (key == "corrupt-at") {
            ok = ParseLong(value, faults->corruptAt);
        } else if (key == "delay-at") {
            ok = ParseLong(value, faults->delayAt);
        } else if (key == "delay-ms") {
            ok = ParseLong(value, number) && number <= 600000;
            faults->delayMs = static_cast<unsigned>(number);
        } else if (key == "nak-next" && faults == &plan.toHost) {
            ok = ParseLong(value, number) && number <= 1000000;
            plan.nakNext = static_cast<int>(number);
        } else if (key == "store-delay" && faults == &plan.toHost) {
            ok = ParseLong(value, number) && number <= 600000;
            plan.storage.delayMs = static_cast<unsigned>(number);
        } else if (key == "unplug-after" && faults == &plan.toHost) {
            ok = ParseLong(value, plan.unplugAfter);
        } else {
            error = "unknown fault \"" + item + "\"";
            return false;
        }
        if (!ok) {
            error = "bad value in fault \"" + item + "\"";
            return false;
        }
    }
    out = plan;
    return true;
}
