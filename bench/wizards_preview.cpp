// Samples a second through the rule preview with a full data-format block: the 5820rules
// profile's DFMBK3 holds 988 of its 1000 characters, 60 primary formats that search for a "Z"
// and fail before the formats that apply, so each sample tries every one of them. The same
// engine runs the simulated reader's scans.
#include "sim/ReaderModel.h"
#include "sim/ReaderProfile.h"
#include "sim/RuleScan.h"
#include "wizards/FormatPreview.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

void BM_PreviewThroughFullBlock(benchmark::State& state)
{
    ReaderProfile profile;
    std::string error;
    if (!ReaderProfile::LoadByName("5820rules", profile, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const ReaderModel model(profile);
    const ReaderRules rules = RulesOfModel(model);
    const std::vector<PreviewSample> samples {
        { "62", "1234AA5678", "", 0 },
        { "6A", "ABCDEF0123456789", "", 0 },
        { "65", "0123456789012", "", 0 },
    };
    std::size_t next = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const PreviewResult result = RunFormatPreview(rules, samples[next]);
        bytes += result.host.size();
        benchmark::DoNotOptimize(result);
        next = (next + 1) % samples.size();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["block_chars"] = static_cast<double>(rules.formats.size());
    state.counters["host_bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PreviewThroughFullBlock)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
