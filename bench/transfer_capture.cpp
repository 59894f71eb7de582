// Picture capture from the simulated 752 x 480 imager over a line paced at 115200 baud: from
// the capture command to the picture in the event sink, per form, and IMGSHP packets over
// protocols 2 (raw) and 4 (HModem).
//
// Ratio = time taken / floor, where the floor is the bytes both ways on the line times 10
// bits over 115200: what the wire itself needs. 1.00 would be a host that never waits on its
// own reads.
#include "sim/SimulatedReader.h"
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/image/HIMAGE.h"
#include "transfer/image/HImageFormats.h"
#include "tests/sim/LineComm.h"
#include "tests/sim/SimTestSupport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr unsigned kBaud = 115200;

class Sink : public HPROCESSOR_EVENTS {
public:
    void PictureReceived(int code, const HSTRING&, const HIMAGE& image) override
    {
        ++pictures;
        lastCode = code;
        width = image.width;
    }
    int pictures = 0;
    int lastCode = 0;
    int width = 0;
};

// range(0): form F; range(1): 0 menu capture, 2 or 4 an IMGSHP packet of that protocol.
void CapturePaced(benchmark::State& state)
{
    const int format = int(state.range(0));
    const int protocol = int(state.range(1));
    std::string error;
    auto reader = SimulatedReader::FromProfile("4600sr", error);
    if (!reader) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto line = reader->OpenLine();
    simtest::SetHostFormat(*line, kBaud, 'N', 8);
    reader->SetPacing(true);
    LineComm comm(*line);
    HTRANSFER_STATUS status;
    HCOMMAND_PROCESSOR processor(&comm, &status);
    Sink sink;
    processor.SetEventSink(&sink);
    processor.SetCaptureMode(true);
    double ratio = 0;
    for (auto _ : state) {
        const uint64_t before = reader->BytesToHost() + reader->BytesFromHost();
        const int wanted = sink.pictures + 1;
        const auto start = std::chrono::steady_clock::now();
        if (protocol == 0) {
            processor.CapturePlain(1, format, 80);
        } else {
            HTAG request("IMGSHP");
            request.SetProtocol(protocol);
            request.SetInt("F", format);
            processor.SendHTag(request, false, nullptr);
        }
        const auto deadline = start + std::chrono::seconds(120);
        while (sink.pictures < wanted && std::chrono::steady_clock::now() < deadline)
            processor.ProcessReceivedData(nullptr, true);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (sink.pictures < wanted || sink.lastCode != 1) {
            state.SkipWithError("no picture");
            return;
        }
        const uint64_t lineBytes = reader->BytesToHost() + reader->BytesFromHost() - before;
        const double floor = double(lineBytes) * 10.0 / kBaud;
        ratio = seconds / floor;
        state.SetIterationTime(seconds);
        std::printf("%-6s %s: %llu line bytes, %.2f s, floor %.2f s, ratio %.3f\n", HImageFormats::FormatName(format),
                    protocol == 0 ? "menu capture" : protocol == 2 ? "IMGSHP P2" : "IMGSHP P4",
                    static_cast<unsigned long long>(lineBytes), seconds, floor, ratio);
    }
    state.counters["ratio"] = ratio;
}

BENCHMARK(CapturePaced)
    ->Args({ 5, 0 })   // 8bU
    ->Args({ 4, 0 })   // 1bU
    ->Args({ 0, 0 })   // 8bT, KIM nibble code
    ->Args({ 7, 0 })   // 1bT, run code
    ->Args({ 6, 0 })   // JPEG
    ->Args({ 5, 2 })   // IMGSHP raw
    ->Args({ 5, 4 })   // IMGSHP through HModem
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
