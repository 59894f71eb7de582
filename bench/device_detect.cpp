// Time of a full rate scan (Connect from a closed port) to a reader at 9600 and at 115200 baud
// over the simulated reader's paced line, next to the floor the probes themselves set: every
// probe drains the input for 200 ms and then waits its reply time-out (100 ms above 600 baud)
// when nobody answers; the probe that finds the reader drains 200 ms before the probe, twice
// while identifying and once after; and the bytes both sides put on the line take 10 bits a
// byte at the reader's rate.
#include "catalog/DeviceCatalog.h"
#include "device/CDevice.h"
#include "device/CSerComm.h"
#include "sim/SimPortSystem.h"
#include "sim/SimulatedReader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

namespace {

// The drains of the probe that finds the reader: before the probe, the two of the
// identification, and the one after it.
constexpr double kFoundProbeDrainsMs = 4 * 200.0;

void BM_ConnectScan(benchmark::State& state)
{
    const uint32_t rate = static_cast<uint32_t>(state.range(0));
    TheDeviceCatalog().Load(std::string(KESTREL_SOURCE_DATA_DIR) + "/QXDevFil.dat");
    ReaderProfile profile;
    std::string error;
    if (!ReaderProfile::Parse("name scan\nmodel Scan reader\nclass CDevice\nrev_qx QX80001005-012\nrev_sw SW1.00\n"
                              "p_name 3800LR\nlink 0xCE31\nline 9600 8N1\ntables 1\ncaps none\n"
                              "setting BEPLVL range=0-3 default=2 values=2\n",
                              profile, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    profile.line.rate = rate;
    auto reader = std::make_shared<SimulatedReader>(profile);
    reader->SetPacing(true);
    SimPortSystem ports;
    ports.Attach("COM5", reader);
    InstallSerialPortSystem(&ports);
    {
        CSerComm port;
        port.SetPortNumber(5);
        // Probes that find nobody: both attempts at every faster rate. Their bytes (the
        // end-of-record byte and SYN "C" CR) go out at those rates, not the reader's.
        double failedMs = 0;
        int failedProbes = 0;
        for (int scanned : CSerComm::kStandardRates) {
            if (static_cast<uint32_t>(scanned) <= rate)
                break;
            failedMs += 2 * (200.0 + CDevice::ProbeTimeoutMs(scanned));
            failedProbes += 2;
        }
        double totalMs = 0;
        double floorMs = 0;
        bool connected = true;
        for (auto _ : state) {
            port.ClosePort();
            CDevice device(&port);
            const uint64_t before = reader->BytesFromHost() + reader->BytesToHost();
            const auto start = std::chrono::steady_clock::now();
            std::string settings;
            connected = device.Connect(settings) == CDevice::kConnected && connected;
            totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            const double lineBytes
                = static_cast<double>(reader->BytesFromHost() + reader->BytesToHost() - before) - 4.0 * failedProbes;
            floorMs = failedMs + kFoundProbeDrainsMs + lineBytes * 10.0 * 1000.0 / rate;
        }
        if (!connected)
            state.SkipWithError("the scan did not find the reader");
        const double measuredMs = state.iterations() ? totalMs / static_cast<double>(state.iterations()) : 0;
        state.counters["floor_ms"] = floorMs;
        state.counters["measured_ms"] = measuredMs;
        state.counters["ratio_to_floor"] = floorMs > 0 ? measuredMs / floorMs : 0;
    }
    InstallSerialPortSystem(nullptr);
}

BENCHMARK(BM_ConnectScan)->Arg(9600)->Arg(115200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

BENCHMARK_MAIN();
