// Time of one ten-command settings batch over the simulated reader's paced line, next to the
// floor the protocol sets: the 200 ms input drain before every batch plus the bytes on the
// line both ways at 10 bits a byte. Their ratio says how much the polling and the reader's
// turn-around add on top of what no implementation can avoid.
#include "device/CMenuCommands.h"
#include "device/CSerComm.h"
#include "sim/SimPortSystem.h"
#include "sim/SimulatedReader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

namespace {

std::shared_ptr<SimulatedReader> MakeReader(uint32_t rate)
{
    std::string text = "name bench\nmodel Bench reader\nclass CDevice\nrev_qx QX80001005-012\nrev_sw SW 1.00\n"
                       "p_name BENCH\nlink 0xCE31\nline "
        + std::to_string(rate) + " 8N1\ntables 1\ncaps none\n";
    for (int i = 0; i < 10; ++i)
        text += "setting BEN" + std::to_string(100 + i) + " range=0-255 default=1 values=1\n";
    ReaderProfile profile;
    std::string error;
    if (!ReaderProfile::Parse(text, profile, error))
        return nullptr;
    auto reader = std::make_shared<SimulatedReader>(profile);
    reader->SetPacing(true);
    return reader;
}

void BM_TenCommandBatch(benchmark::State& state)
{
    const auto rate = static_cast<uint32_t>(state.range(0));
    std::shared_ptr<SimulatedReader> reader = MakeReader(rate);
    if (!reader) {
        state.SkipWithError("bench profile does not parse");
        return;
    }
    SimPortSystem ports;
    ports.Attach("COM5", reader);
    InstallSerialPortSystem(&ports);
    {
        CSerComm port;
        if (port.OpenPort("COM5:" + std::to_string(rate) + ",N,8,1") != CSerComm::kOpenOk) {
            state.SkipWithError("cannot open the simulated port");
            InstallSerialPortSystem(nullptr);
            return;
        }
        CMenuCommands menu(&port);
        std::string batch;
        for (int i = 0; i < 10; ++i)
            batch += "BEN" + std::to_string(100 + i) + std::to_string(100 + i) + (i == 9 ? "." : ";");

        size_t replyBytes = 0;
        bool allAnswered = true;
        double totalMs = 0;
        for (auto _ : state) {
            std::string replies;
            const auto start = std::chrono::steady_clock::now();
            allAnswered = menu.SendBatch(batch, replies) && allAnswered;
            totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            replyBytes = replies.size();
        }
        if (!allAnswered)
            state.SkipWithError("the reader did not answer every batch");

        const double lineBytes = static_cast<double>(3 + batch.size() + replyBytes);
        const double floorMs = CMenuCommands::kBatchDrainMs + lineBytes * 10.0 * 1000.0 / rate;
        state.counters["line_bytes"] = lineBytes;
        state.counters["floor_ms"] = floorMs;
        const double measuredMs = state.iterations() ? totalMs / static_cast<double>(state.iterations()) : 0;
        state.counters["measured_ms"] = measuredMs;
        state.counters["ratio_to_floor"] = measuredMs / floorMs;
    }
    InstallSerialPortSystem(nullptr);
}

BENCHMARK(BM_TenCommandBatch)->Arg(9600)->Arg(115200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

} // namespace

BENCHMARK_MAIN();
