// Fuzz target: "scan" lines on kestrel-sim's standard input, against a reader whose
// data-format block the input also sets. Nothing may crash.
#include "sim/ReaderEngine.h"
#include "sim/ReaderProfile.h"
#include "sim/RuleScan.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ReaderProfile profile = [] {
        ReaderProfile loaded;
        std::string error;
        ReaderProfile::LoadByName("5820rules", loaded, error);
        return loaded;
    }();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    ReaderEngine engine(profile);
    if (SettingState* block = engine.Model().Find("DFMBK3"); block && split != std::string_view::npos)
        engine.Model().SetValue(*block, std::string(input.substr(0, split)));
    const std::string_view rest = split == std::string_view::npos ? input : input.substr(split + 1);
    std::string aux, error;
    (void)RunScanLine(engine, std::string(rest), aux, error);
    (void)RunScanLine(engine, "scan 62 " + std::string(rest), aux, error);
    return 0;
}
