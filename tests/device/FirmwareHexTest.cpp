// Hex firmware flashing end to end against the simulated reader's loader: search, class,
// file dialog, file check, flash rate, records acknowledged one by one, the retry box, and
// the new revision the reader reports afterwards.
#include "DeviceTestBench.h"

#include "device/CDevice.h"
#include "device/FirmwareFolders.h"
#include "tests/support/IntelHexText.h"
#include "transfer/firmware/IntelHexFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

const std::string kRetryText = "Communication error occurred during flash operation. \r\n\r\n"
                               "WARNING: Canceling the flash operation could leave the \r\n"
                               "\t    unit in an inoperable state.  Please check  \r\n"
                               "\t    your serial cable connection and retry.";

// An image of `records` data records of 16 bytes (SYN bytes among them, which the loader
// must take as data) that announces revision 077.
std::string HexImage(int records)
{
    std::string text = IntelHexLine(4, 0, std::string("\x00\x01", 2));
    for (int i = 0; i < records; ++i) {
        std::string data(16, static_cast<char>(0x16 + i));
        if (i == 1)
            data = "KSTREV=077......";
        text += IntelHexLine(0, static_cast<uint16_t>(i * 16), data);
    }
    return text + ":00000001FF\r\n";
}

class FirmwareHexTest : public DeviceBench {
protected:
    void SetUp() override
    {
        DeviceBench::SetUp();
        dir = fs::temp_directory_path() / ("kestrel-flash-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fs::remove_all(dir);
        DeviceBench::TearDown();
    }

    void AttachShipped(const std::string& name)
    {
        std::string error;
        reader = SimulatedReader::FromProfile(name, error);
        ASSERT_TRUE(reader) << error;
        ports.sim.Attach("COM5", reader);
    }

    std::string WriteFile(const std::string& name, const std::string& text)
    {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The records the reader kept, each as the host keeps them (with ':').
    std::vector<uint8_t> KeptRecords() const
    {
        std::vector<uint8_t> bytes;
        for (const auto& record : reader->Flash().Records()) {
            bytes.push_back(':');
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        return bytes;
    }

    bool Flash(const std::string& path, std::string& result)
    {
        host.fileChoices.push_back(path);
        CDevice finder(&port);
        bool hexPath = false;
        const bool ok = finder.LoadFirmwareEx(result, 6, &hexPath, true, true);
        EXPECT_TRUE(hexPath);
        return ok;
    }

    int ReportedRevision()
    {
        port.ClosePort();
        CDevice device(&port);
        std::string settings;
        if (device.Connect(settings) != CDevice::kConnected)
            return -1;
        return device.DeviceName().revision;
    }

    fs::path dir;
};

TEST_F(FirmwareHexTest, HexImageIsWrittenAndTheReaderRebootsIntoItsRevision)
{
    for (const char* profile : { "3800lr", "hm7", "4600sr" }) {
        SCOPED_TRACE(profile);
        AttachShipped(profile);
        const std::string text = HexImage(40);
        const std::string path = WriteFile("app.HEX", text);
        host.fileRequests.clear();
        std::string result;
        ASSERT_TRUE(Flash(path, result)) << result;
        EXPECT_EQ(result, "Successfully flashed app.HEX");
        ASSERT_EQ(host.fileRequests.size(), 1u);
        EXPECT_EQ(host.fileRequests[0].title, "Select File to be Flashed Into Unit");
        EXPECT_EQ(host.fileRequests[0].filter, "Intel hex files (*.hex)");
        EXPECT_EQ(TheFirmwareFolders().Get(kInitFlashDir), dir.string());

        IntelHexImage image;
        ASSERT_TRUE(ParseIntelHex(std::vector<uint8_t>(text.begin(), text.end()), image));
        EXPECT_EQ(KeptRecords(), image.bytes);
        EXPECT_EQ(reader->Flash().Reboots(), 1);
        EXPECT_FALSE(reader->Flash().InLoader());
        EXPECT_EQ(ReportedRevision(), 77);
        port.ClosePort();
        ports.sim.Detach("COM5");
    }
}

TEST_F(FirmwareHexTest, CorruptOrForeignFilesNeverReachTheLoader)
{
    AttachShipped("3800lr");
    std::string text = HexImage(5);
    // One data digit changed in the third line: its checksum no longer fits.
    const auto third = text.find(":10", text.find(":10") + 1);
    text[third + 12] = text[third + 12] == '0' ? '1' : '0';
    const struct {
        std::string name;
        std::string text;
        const char* why;
    } cases[] = {
        { "bad.hex", text, "The selected file is corrupt" },
        { "short.hex", HexImage(5).substr(0, HexImage(5).size() - 13), "The selected file is corrupt" },
        { "QX80001012-001.hex", HexImage(5), "The selected file is incompatible with the connected device" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ports.written.clear();
        std::string result;
        EXPECT_FALSE(Flash(WriteFile(c.name, c.text), result));
        EXPECT_EQ(result, "Failed to flash " + c.name + " into device\r\n" + c.why);
        // Nothing that changes the reader went out: no rate question, no enter-flash.
        EXPECT_EQ(ports.written.find("\x16G"), std::string::npos);
        EXPECT_EQ(ports.written.find("\x16" "E"), std::string::npos);
        EXPECT_EQ(reader->Flash().RecordsReceived(), 0);
        port.ClosePort();
    }
}

TEST_F(FirmwareHexTest, ThreeRefusalsOfARecordAskRetryOrCancel)
{
    struct Row {
        int naks;
        std::vector<MsgAnswer> answers;
        bool ok;
        size_t boxes;
    };
    const Row rows[] = {
        { 2, {}, true, 0 },                   // the third try goes through: no box
        { 3, { MsgAnswer::Retry }, true, 1 }, // Retry sends the same record again
        { 9, { MsgAnswer::Retry, MsgAnswer::Retry, MsgAnswer::Cancel }, false, 3 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.naks);
        AttachShipped("hm7");
        reader->Flash().SetFaults({ 3, row.naks, 0 });
        host.messages.clear();
        host.answers.assign(row.answers.begin(), row.answers.end());
        const std::string text = HexImage(6);
        std::string result;
        EXPECT_EQ(Flash(WriteFile("app.hex", text), result), row.ok);
        ASSERT_EQ(host.messages.size(), row.boxes);
        for (const auto& box : host.messages) {
            EXPECT_EQ(box.text, kRetryText);
            EXPECT_EQ(box.buttons, MsgButtons::RetryCancel);
            EXPECT_EQ(box.icon, MsgIcon::Warning);
        }
        if (row.ok) {
            EXPECT_EQ(result, "Successfully flashed app.hex");
            IntelHexImage image;
            ASSERT_TRUE(ParseIntelHex(std::vector<uint8_t>(text.begin(), text.end()), image));
            EXPECT_EQ(KeptRecords(), image.bytes);
        } else {
            EXPECT_EQ(result, "Failed to flash app.hex into device\r\nError communicating with device");
            EXPECT_TRUE(reader->Flash().InLoader());
        }
        port.ClosePort();
        ports.sim.Detach("COM5");
    }
}

TEST_F(FirmwareHexTest, CordlessReadersKeepTheirRadioSettings)
{
    const struct {
        const char* profile;
        std::vector<std::pair<const char*, const char*>> kept;
    } rows[] = {
        { "2020bs", { { "BASEID", "1234" }, { "RADCOD", "4" } } },
        { "3820sc", { { "RADCOD", "4" } } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.profile);
        AttachShipped(row.profile);
        ports.written.clear();
        std::string result;
        ASSERT_TRUE(Flash(WriteFile("radio.hex", HexImage(8)), result)) << result;
        EXPECT_EQ(result, "Successfully flashed radio.hex");
        EXPECT_EQ(reader->Flash().Reboots(), 1);
        // The new firmware started with factory values: what the reader holds was written back.
        for (const auto& [tag, value] : row.kept) {
            EXPECT_EQ(reader->Model().Value(*reader->Model().Find(tag)), value) << tag;
            EXPECT_NE(ports.written.find("QxRcCd.\x16M\r" + std::string(tag) + value + "."), std::string::npos) << tag;
        }
        EXPECT_EQ(reader->Model().Profile().revQx.substr(11), "077");
        port.ClosePort();
        ports.sim.Detach("COM5");
    }
}

TEST_F(FirmwareHexTest, BaseWithoutACountryCodeAnswerIsNotFlashed)
{
    AttachShipped("2020bs");
    auto& settings = reader->Model().Settings();
    settings.erase(std::remove_if(settings.begin(), settings.end(),
                                  [](const SettingState& s) { return s.upperTag == "RADCOD"; }),
                   settings.end());
    std::string result;
    EXPECT_FALSE(Flash(WriteFile("radio.hex", HexImage(4)), result));
    EXPECT_EQ(result, "Did not read a valid radio country code, attempt to reflash or contact program vendor.");
    EXPECT_EQ(ports.written.find("\x16G"), std::string::npos);
    EXPECT_EQ(reader->Flash().RecordsReceived(), 0);
}

TEST_F(FirmwareHexTest, NoReaderNoFlash)
{
    std::string result;
    CDevice finder(&port);
    EXPECT_FALSE(finder.LoadFirmwareEx(result, 6, nullptr, true, true));
    EXPECT_EQ(result, "No Device Detected.  Cancelling Firmware Load.");
    EXPECT_TRUE(host.fileRequests.empty());
}

TEST_F(FirmwareHexTest, CancelledFileDialogEndsSilently)
{
    AttachShipped("3800lr");
    host.fileChoices.push_back(std::nullopt);
    CDevice finder(&port);
    std::string result = "stale";
    EXPECT_FALSE(finder.LoadFirmwareEx(result, 6, nullptr, true, true));
    EXPECT_EQ(result, "");
    EXPECT_EQ(ports.written.find("\x16G"), std::string::npos);
}

} // namespace
