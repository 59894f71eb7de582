// One 10-command settings batch over the paced virtual line, at 9600 and 115200 baud: the
// time from writing the batch to holding the complete reply, next to the floor the bytes on
// the line set (request and reply, each byte one frame at the line rate). The ratio shows
// what the simulator's bookkeeping and the host's polling add to a real line's time.
#include "sim/SimulatedReader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

std::shared_ptr<SimulatedReader> MakeReader(uint32_t rate)
{
    std::string error;
    auto reader = SimulatedReader::FromProfile("5620sr", error);
    if (!reader)
        throw std::runtime_error(error);
    LineFormat line = reader->Model().Line();
    line.rate = rate;
    if (!reader->Model().MoveLine(line))
        throw std::runtime_error("profile cannot run at this rate");
    reader->SetPacing(true);
    return reader;
}

const std::string kBatch =
    "\x16M\rCBRENA1;C39ENA1;I25ENA0;C93ENA1;128ENA1;BEPVOL2;BEPGRD1;DLYRRD750;TRGSTO30000;LEDGRD1.";

bool Complete(const std::string& reply)
{
    return reply.size() >= 2 && reply.back() == '.' &&
           (reply[reply.size() - 2] == 0x06 || reply[reply.size() - 2] == 0x15 || reply[reply.size() - 2] == 0x05);
}

void BM_TenCommandBatch(benchmark::State& state)
{
    const auto rate = static_cast<uint32_t>(state.range(0));
    auto reader = MakeReader(rate);
    auto line = reader->OpenLine();
    SerialLineState lineState;
    line->GetLineState(lineState);
    lineState.baudRate = rate;
    line->SetLineState(lineState);

    size_t replyBytes = 0;
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        line->Write(reinterpret_cast<const uint8_t*>(kBatch.data()), kBatch.size());
        std::string reply;
        uint8_t buffer[256];
        while (!Complete(reply)) {
            const long n = line->Read(buffer, sizeof buffer);
            if (n < 0)
                throw std::runtime_error("line gone");
            if (n == 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(50));
                continue;
            }
            reply.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
        }
        replyBytes = reply.size();
    }
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count() /
        static_cast<double>(state.iterations());
    const double frameSeconds = 10.0 / rate;  // 8N1: ten bits a byte
    const double floorMs = static_cast<double>(kBatch.size() + replyBytes) * frameSeconds * 1000.0;
    state.counters["line_floor_ms"] = floorMs;
    state.counters["bytes_on_line"] = static_cast<double>(kBatch.size() + replyBytes);
    state.counters["measured_over_floor"] = elapsedMs / floorMs;
}

}  // namespace

BENCHMARK(BM_TenCommandBatch)->Arg(9600)->Arg(115200)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
