// Every reader profile the simulator ships is found at its own rate and framing, identified
// as the catalog model it stands for, and read completely by the class the catalog names.
#include "DeviceTestBench.h"

#include "device/DeviceFactory.h"

#include <chrono>

namespace {

class ConnectShippedProfilesTest : public DeviceBench { };

TEST_F(ConnectShippedProfilesTest, EveryProfileIsFoundIdentifiedAndRead)
{
    const std::vector<std::string> paths = ReaderProfile::ListProfiles();
    ASSERT_FALSE(paths.empty());
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        ReaderProfile profile;
        std::string error;
        ASSERT_TRUE(ReaderProfile::LoadFile(path, profile, error)) << error;
        reader = std::make_shared<SimulatedReader>(profile);
        ports.sim.Attach("COM5", reader);

        CDevice finder(&port);
        std::string settings;
        ASSERT_EQ(finder.Connect(settings), CDevice::kConnected);
        const LineFormat& line = profile.line;
        EXPECT_EQ(settings.substr(0, settings.find(" CTS")), "COM5:" + std::to_string(line.rate) + "," + line.parity
                      + "," + std::to_string(line.dataBits) + "," + std::to_string(line.stopBits));
        // "QX" + base number + "-" + revision.
        EXPECT_EQ(finder.DeviceName().baseNumber, profile.revQx.substr(2, profile.revQx.size() - 6));
        ASSERT_GE(finder.DeviceName().catalogRow, 0);
        const DeviceClassKind kind = finder.DeviceName().ChooseDeviceClass();
        EXPECT_EQ(DeviceClassName(kind), profile.deviceClass);

        // The document's next steps: a device of the named class identifies again and reads.
        auto device = CreateDevice(kind, &port);
        ASSERT_TRUE(device);
        ASSERT_TRUE(device->Initialize());
        if (device->HasTables()) {
            EXPECT_EQ(device->GetTableCount(false), profile.tables);
        }
        ASSERT_TRUE(device->ReadAllSettings(TheTabDefinitions(), nullptr, {}));
        EXPECT_EQ(device->Settings().size(), profile.settings.size());
        // 5620sr reports LINPRI as a range, 4600sr as a list; both readers are below
        // revision 16, and both end with the list 0 to 3.
        if (profile.name == "5620sr" || profile.name == "4600sr") {
            const CDeviceSetting* linpri = device->FindSetting("LINPRI");
            ASSERT_NE(linpri, nullptr);
            EXPECT_EQ(linpri->allowedValues, (std::vector<std::string> { "0", "1", "2", "3" }));
        }
        EXPECT_EQ(device->GetProcessReceivedDataLockSemaphore(), 0);
        port.ClosePort();
        ports.sim.Detach("COM5");
    }
}

} // namespace
