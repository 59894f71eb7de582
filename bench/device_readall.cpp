// Time of a full settings read (every table, ranges, defaults, blocks) of the largest shipped
// reader profile at 115200 baud over the simulated reader's paced line, next to the floor the
// protocol sets: the bytes both sides put on the line at 10 bits a byte, plus the fixed input
// drains of the read (the presence check's two 200 ms drains and a 50 ms drain before every
// table, the ranges and the defaults).
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "device/CSerComm.h"
#include "device/DeviceFactory.h"
#include "sim/SimPortSystem.h"
#include "sim/SimulatedReader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

namespace {

constexpr uint32_t kRate = 115200;

bool LargestProfile(ReaderProfile& largest)
{
    size_t best = 0;
    for (const std::string& path : ReaderProfile::ListProfiles()) {
        ReaderProfile profile;
        std::string error;
        if (!ReaderProfile::LoadFile(path, profile, error))
            continue;
        size_t weight = 0;
        for (const ProfileSetting& setting : profile.settings)
            weight += static_cast<size_t>(profile.tables) * (8 + setting.values.front().size());
        if (weight > best) {
            best = weight;
            largest = profile;
        }
    }
    return best > 0;
}

void BM_ReadAllSettings(benchmark::State& state)
{
    ReaderProfile profile;
    if (!LargestProfile(profile)) {
        state.SkipWithError("no reader profile found");
        return;
    }
    TheDeviceCatalog().Load(std::string(KESTREL_SOURCE_DATA_DIR) + "/QXDevFil.dat");
    std::string message;
    TheTabDefinitions().Load(std::string(KESTREL_SOURCE_DATA_DIR) + "/", message);
    profile.line.rate = kRate;
    auto reader = std::make_shared<SimulatedReader>(profile);
    reader->SetPacing(true);
    SimPortSystem ports;
    ports.Attach("COM5", reader);
    InstallSerialPortSystem(&ports);
    {
        CSerComm port;
        port.SetPortNumber(5);
        const std::string settings = port.BuildSettingsString(static_cast<int>(kRate), profile.line.parity,
                                                              profile.line.dataBits, profile.line.stopBits);
        CDeviceName name;
        std::unique_ptr<CDevice> device;
        if (port.OpenPort(settings) == CSerComm::kOpenOk) {
            CDevice finder(&port);
            if (finder.Identify())
                device = CreateDevice(finder.DeviceName().ChooseDeviceClass(), &port);
        }
        if (!device || !device->Initialize()) {
            state.SkipWithError("the simulated reader was not identified");
        } else {
            if (device->HasTables())
                device->GetTableCount(false);
            const int tables = device->TableCount();
            double totalMs = 0;
            double floorMs = 0;
            bool allRead = true;
            for (auto _ : state) {
                const uint64_t before = reader->BytesFromHost() + reader->BytesToHost();
                const auto start = std::chrono::steady_clock::now();
                allRead = device->ReadAllSettings(TheTabDefinitions(), nullptr, {}) && allRead;
                totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                const double lineBytes = static_cast<double>(reader->BytesFromHost() + reader->BytesToHost() - before);
                state.counters["line_bytes"] = lineBytes;
                floorMs = lineBytes * 10.0 * 1000.0 / kRate + 2 * 200.0 + 50.0 * (tables + 2);
            }
            if (!allRead)
                state.SkipWithError("a read failed");
            const double measuredMs = state.iterations() ? totalMs / static_cast<double>(state.iterations()) : 0;
            state.counters["settings"] = static_cast<double>(device->Settings().size());
            state.counters["tables"] = tables;
            state.counters["floor_ms"] = floorMs;
            state.counters["measured_ms"] = measuredMs;
            state.counters["ratio_to_floor"] = floorMs > 0 ? measuredMs / floorMs : 0;
            state.SetLabel(profile.name);
        }
    }
    InstallSerialPortSystem(nullptr);
}

BENCHMARK(BM_ReadAllSettings)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
