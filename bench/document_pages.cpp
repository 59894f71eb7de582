// Page build time for the largest shipped reader profile: every page of what the simulated
// reader reports, measured with the fixed-metrics stand-in for the page font (the real font
// only changes the numbers the measurer returns, not the work).
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "device/CSerComm.h"
#include "document/CQLMenuDoc.h"
#include "document/CTabManager.h"
#include "document/TextMeasurer.h"
#include "platform/ScriptedHost.h"
#include "sim/ReaderProfile.h"
#include "sim/SimPortSystem.h"
#include "sim/SimulatedReader.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// The profile with the most settings.
std::string LargestProfile()
{
    std::string best;
    size_t most = 0;
    for (const std::string& path : ReaderProfile::ListProfiles()) {
        ReaderProfile profile;
        std::string error;
        if (ReaderProfile::LoadFile(path, profile, error) && profile.settings.size() > most) {
            most = profile.settings.size();
            best = path;
        }
    }
    return best;
}

void BM_BuildAllPages(benchmark::State& state)
{
    const std::string data = KESTREL_SOURCE_DATA_DIR;
    std::string message;
    if (!TheDeviceCatalog().Load(data + "/QXDevFil.dat") || !TheTabDefinitions().Load(data + "/", message)) {
        state.SkipWithError("data files do not load");
        return;
    }
    const std::string name = LargestProfile();
    std::string error;
    auto reader = SimulatedReader::FromProfile(name, error);
    if (!reader) {
        state.SkipWithError(error.c_str());
        return;
    }
    ScriptedHost host;
    ScopedHost scoped(host);
    SimPortSystem ports;
    InstallSerialPortSystem(&ports);
    ports.Attach("COM5", reader);
    CSerComm port;
    port.SetPortNumber(5);
    const int rate = static_cast<int>(reader->Model().Profile().line.rate);
    port.SetBaudLimits(rate, rate);
    port.OpenPort(port.BuildSettingsString(rate, 'N', 8, 1));
    DocumentEnvironment environment;
    environment.port = &port;
    CQLMenuDoc document(environment);
    if (!document.Connect()) {
        state.SkipWithError("the simulated reader did not connect");
        InstallSerialPortSystem(nullptr);
        return;
    }
    FixedTextMeasurer measurer;
    size_t pages = 0, controls = 0;
    for (auto _ : state) {
        CTabManager manager(measurer, 0, 0);
        std::vector<ControlBinding> bindings;
        auto built = manager.BuildPages(*document.Device(), TheTabDefinitions(), nullptr, 0, bindings);
        pages = built ? built->size() : 0;
        controls = bindings.size();
        benchmark::DoNotOptimize(built);
    }
    const std::string shortName = name.substr(name.find_last_of('/') + 1);
    state.SetLabel(shortName + ": " + std::to_string(document.Device()->Settings().size()) + " settings, "
        + std::to_string(pages) + " pages, " + std::to_string(controls) + " bound controls");
    port.ClosePort();
    InstallSerialPortSystem(nullptr);
}
BENCHMARK(BM_BuildAllPages)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
