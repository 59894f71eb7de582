// Encoding speed of a typical menu barcode: a 12-byte command ("~", tag, value, ".", FNC3)
// at module width 3 and 150 rows, the geometry of a printed configuration page. Each
// iteration encodes, then unlocks and frees the block as the program does.
#include <benchmark/benchmark.h>

#include <string>

#include "stripe32/stripe32.h"

namespace {

void EncodeMenuCommand(benchmark::State& state)
{
    const std::string command = "~TRGSTO500.\x82";
    std::int32_t width = 0;
    unsigned char* bits = nullptr;
    for (auto _ : state) {
        HGLOBAL handle = qxCode128Encode(
            command.data(), static_cast<std::int32_t>(command.size()), 3, 150, &width, &bits);
        if (handle == nullptr) {
            state.SkipWithError("the encoder refused the command");
            break;
        }
        benchmark::DoNotOptimize(bits);
        GlobalUnlock(handle);
        GlobalFree(handle);
    }
    state.counters["encodes_per_second"]
        = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["width_pixels"] = width;
}
BENCHMARK(EncodeMenuCommand)->Unit(benchmark::kMicrosecond);

void EncodeLongestCode39(benchmark::State& state)
{
    const std::string text(97, 'K');
    std::int32_t width = 0;
    unsigned char* bits = nullptr;
    for (auto _ : state) {
        HGLOBAL handle = qxCode39Encode(
            text.data(), static_cast<std::int32_t>(text.size()), 6, 2, 150, &width, 0, 0, &bits);
        if (handle == nullptr) {
            state.SkipWithError("the encoder refused the text");
            break;
        }
        benchmark::DoNotOptimize(bits);
        GlobalUnlock(handle);
        GlobalFree(handle);
    }
    state.counters["encodes_per_second"]
        = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(EncodeLongestCode39)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
