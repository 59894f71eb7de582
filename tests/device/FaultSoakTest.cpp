// A line that loses and garbles bytes (1% each way, both directions, and now and then a
// 300 ms stall): every read of all settings, every write and every read-back either ends
// with the reader's true values or reports that it failed. Success with wrong data is the
// one outcome a user cannot defend against, so it is counted and must stay at zero.
//
// KESTREL_SOAK_CYCLES sets the number of cycles (the default run keeps it short; the
// "soak" test label runs 200).
#include "DeviceTestBench.h"

#include "device/DeviceFactory.h"
#include "sim/FaultPlan.h"
#include "sim/ReaderModel.h"

#include <cstdio>
#include <cstdlib>

namespace {

int Cycles()
{
    const char* text = std::getenv("KESTREL_SOAK_CYCLES");
    const int cycles = text ? std::atoi(text) : 0;
    return cycles > 0 ? cycles : 4;
}

class FaultSoakTest : public DeviceBench { };

TEST_F(FaultSoakTest, FailuresAreReportedNeverWrongData)
{
    std::string settings;
    for (int i = 0; i < 12; ++i)
        settings += "setting TST" + std::to_string(100 + i) + " range=0-999 default=" + std::to_string(i)
            + " values=" + std::to_string(i * 7) + "\n";
    Attach(ReaderProfileText("QX80001005-012", "3800LR", "115200 8N1", settings));
    port.SetBaudLimits(115200, 115200);
    FaultPlan plan;
    std::string error;
    ASSERT_TRUE(FaultPlan::Parse("seed=11,drop-rate=0.01,corrupt-rate=0.01,delay-rate=0.002,delay-ms=300,"
                                 "host-drop-rate=0.01,host-corrupt-rate=0.01",
                    plan, error))
        << error;
    reader->SetFaults(plan);

    int good = 0, reported = 0, wrong = 0;
    const int cycles = Cycles();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        CDevice device(&port);
        std::string line;
        if (device.Connect(line) != CDevice::kConnected) {
            ++reported;
            port.ClosePort();
            continue;
        }
        const std::string value = std::to_string((cycle * 37) % 1000);
        CommandErrors errors;
        const bool written = device.WriteCommands("TST105" + value + ".", nullptr, errors) && errors.notPresent.empty()
            && errors.outOfRange.empty() && errors.noResponse.empty();
        const std::string held = reader->Model().Value(*reader->Model().Find("TST105"));
        if (!written) {
            ++reported;
        } else if (held != value) {
            ++wrong;
            std::printf("cycle %d: write of %s reported done, the reader holds %s\n", cycle, value.c_str(), held.c_str());
        } else {
            ++good;
        }
        if (!device.ReadAllSettings(TheTabDefinitions(), nullptr, {})) {
            ++reported;
        } else {
            bool right = device.Settings().size() == reader->Model().Settings().size();
            for (const CDeviceSetting& setting : device.Settings()) {
                const SettingState* truth = reader->Model().Find(setting.tag);
                if (!truth || reader->Model().Value(*truth) != setting.ValueForDevice(0)) {
                    right = false;
                    std::printf("cycle %d: read %s as '%s'\n", cycle, setting.tag.c_str(),
                        setting.ValueForDevice(0).c_str());
                }
            }
            right ? ++good : ++wrong;
        }
        port.ClosePort();
    }
    std::printf("fault soak: %d cycles, %d right, %d failures reported, %d wrong data\n", cycles, good, reported, wrong);
    EXPECT_EQ(wrong, 0);
}

} // namespace
