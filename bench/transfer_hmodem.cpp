// HModem throughput over a line paced at a real baud rate (10 bits a byte).
//
// Efficiency = payload bytes per second / line bytes per second. Each 1024-byte block costs
// 5 bytes of framing, and streaming keeps the line busy while acknowledgements come back,
// so an uncompressed transfer should stay above 98%.
#include "transfer/HCOMMAND_HANDLER.h"
#include "transfer/HMODEM.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "tests/transfer/MemoryDuplex.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <random>
#include <vector>

namespace {

void HModemPacedTransfer(benchmark::State& state)
{
    const unsigned baud = static_cast<unsigned>(state.range(0));
    const unsigned length = static_cast<unsigned>(state.range(1));
    const bool header = state.range(2) != 0;
    std::vector<uint8_t> data(length);
    std::mt19937 rng(1);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng());

    double efficiency = 0;
    for (auto _ : state) {
        MemoryDuplex line(baud);
        MemoryComm txEnd(line, 0);
        MemoryComm rxEnd(line, 1);
        HTRANSFER_STATUS txStatus;
        HTRANSFER_STATUS rxStatus;
        HCOMMAND_HANDLER wake;
        HMODEM tx(&txEnd, &txStatus, &wake);
        HMODEM rx(&rxEnd, &rxStatus, &wake);
        HSTRING received(length + 2048);

        const auto start = std::chrono::steady_clock::now();
        auto sender = std::async(std::launch::async, [&] {
            return tx.Transmit(data.data(), length, nullptr, 0, false, header, 0);
        });
        const int rxResult = rx.Receive(&received, length + 2048);
        const int txResult = sender.get();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (txResult != HMODEM_SUCCESS || rxResult != HMODEM_SUCCESS || received.Length() < length) {
            state.SkipWithError("transfer failed");
            return;
        }
        const double lineBytesPerSecond = baud / 10.0;
        efficiency = (length / seconds) / lineBytesPerSecond;
        state.SetIterationTime(seconds);
        std::printf("HModem %u bytes at %u baud%s: %.2f s, %.0f payload bytes/s, efficiency %.2f%%\n", length, baud,
                    header ? " with header" : "", seconds, length / seconds, efficiency * 100);
    }
    state.counters["efficiency_pct"] = efficiency * 100;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
}

} // namespace

// 1 MiB at 115200 baud takes about 92 s of line time: one iteration is plenty.
BENCHMARK(HModemPacedTransfer)
    ->Args({ 115200, 1 << 20, 1 })
    ->Args({ 115200, 64 << 10, 1 })
    ->Args({ 115200, 64 << 10, 0 })
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
