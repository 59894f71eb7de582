// Binary firmware for the matrix readers against the simulated reader's loader: the checks
// that refuse an image before the reader is touched, the HModem transfer in both compression
// modes, the storage confirmations, and the reader's settings put back afterwards.
#include "DeviceTestBench.h"

#include "device/CDevice.h"
#include "device/FirmwareFolders.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

namespace fs = std::filesystem;

void PutU32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

// An application image for device type `type` (mask of `maskBytes` bytes), with the given
// keywords and "KSTREV=<revision>" in its body, padded to `size` bytes when larger.
std::string ApplicationImage(uint32_t type, const std::vector<std::string>& keywords, const std::string& revision,
                             size_t size = 0, uint32_t maskBytes = 0)
{
    std::string image(64, '\x5A');
    image += std::string("MATRIXAPP\0\0\0DEVICETYPE\0\0", 24);
    const uint32_t length = maskBytes ? maskBytes : (type + 7) / 8;
    PutU32(image, length);
    std::string mask(length, '\0');
    if (type > 0 && (type - 1) / 8 < length)
        mask[(type - 1) / 8] = static_cast<char>(1u << ((type - 1) % 8));
    image += mask;
    // The keyword block begins L bytes after the mask length field: its first (unused) word
    // overlaps that field and the mask, so the marker follows the mask directly.
    PutU32(image, 0xFFFFFFFFu);
    PutU32(image, static_cast<uint32_t>(keywords.size()));
    for (const std::string& keyword : keywords) {
        PutU32(image, static_cast<uint32_t>(keyword.size() + 1));
        image += keyword;
        image.push_back('\0');
    }
    image += "KSTREV=" + revision;
    // A body the compressor has something to do with, and every byte value.
    const size_t target = size ? size : 3000;
    for (int i = 0; image.size() < target; ++i)
        image.push_back(static_cast<char>(i % 7 == 0 ? i : i / 64));
    image.resize(target);
    return image;
}

std::string BootImage(uint32_t type)
{
    std::string image(32, '\x11');
    image += std::string("MATRIXBOOT\0\0DEVICETYPE\0\0", 24);
    PutU32(image, type);
    for (int i = 0; i < 2000; ++i)
        image.push_back(static_cast<char>(i * 7));
    return image;
}

// A shipped profile, changed by `edit`.
ReaderProfile Shipped(const std::string& name, const std::function<void(ReaderProfile&)>& edit = {})
{
    ReaderProfile profile;
    std::string error;
    EXPECT_TRUE(ReaderProfile::LoadByName(name, profile, error)) << error;
    if (edit)
        edit(profile);
    return profile;
}

class FirmwareBinaryTest : public DeviceBench {
protected:
    void SetUp() override
    {
        DeviceBench::SetUp();
        dir = fs::temp_directory_path() / ("kestrel-binflash-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fs::remove_all(dir);
        DeviceBench::TearDown();
    }

    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    bool Flash(const std::string& path, std::string& result, int compression = 6, bool optionA = true)
    {
        host.fileChoices.push_back(path);
        CDevice finder(&port);
        bool hexPath = true;
        const bool ok = finder.LoadFirmwareEx(result, compression, &hexPath, optionA, true);
        EXPECT_FALSE(hexPath);
        port.ClosePort();
        return ok;
    }

    int ReportedRevision()
    {
        port.ClosePort();
        CDevice device(&port);
        std::string settings;
        const int revision = device.Connect(settings) == CDevice::kConnected ? device.DeviceName().revision : -1;
        port.ClosePort();
        return revision;
    }

    void Attach(const ReaderProfile& profile)
    {
        reader = std::make_shared<SimulatedReader>(profile);
        ports.sim.Attach("COM5", reader);
    }

    std::string Value(const char* tag) { return reader->Model().Value(*reader->Model().Find(tag)); }

    bool SentAnythingThatChangesTheReader() const
    {
        for (const char* command : { "232WRD2!", "ASYSTA1!", "ASYSTA0!", "NEWAPP", "NEWBOOT", "SETBOOTCODE" })
            if (ports.written.find(command) != std::string::npos)
                return true;
        return false;
    }

    fs::path dir;
};

TEST_F(FirmwareBinaryTest, ApplicationIsStoredInBothCompressionModesAndSettingsComeBack)
{
    const struct {
        const char* profile;
        uint32_t type;
        const char* kind;
        int compression;
    } rows[] = {
        { "5620sr", 7, "CORDED", 0 },
        { "5620sr", 7, "AFCORDED", 6 },
        { "5820bs", 0, "RFBASE", 6 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.profile) + " mode " + std::to_string(row.compression));
        Attach(Shipped(row.profile));
        const uint32_t type = row.type ? row.type : static_cast<uint32_t>(reader->Model().Profile().deviceType);
        const std::string image = ApplicationImage(type, { row.kind }, "042", 20000);
        host.fileRequests.clear();
        std::string result;
        ASSERT_TRUE(Flash(WriteFile("app.BIN", image), result, row.compression)) << result;
        EXPECT_EQ(result, "Successfully flashed ");
        ASSERT_EQ(host.fileRequests.size(), 1u);
        EXPECT_EQ(host.fileRequests[0].filter, "Binary files (*.bin,*.axf)");
        EXPECT_EQ(host.fileRequests[0].title, "Select File to be Flashed Into Unit");
        EXPECT_EQ(reader->BinaryFlash().Application(), image);
        EXPECT_EQ(Value("232WRD"), "1");
        EXPECT_EQ(Value("ASYSTA"), "0");
        EXPECT_EQ(ReportedRevision(), 42);
        ports.sim.Detach("COM5");
    }
}

TEST_F(FirmwareBinaryTest, RefusedImagesNeverChangeTheReader)
{
    const ReaderProfile base = Shipped("5620sr");
    const ReaderProfile small = Shipped("5620sr", [](ReaderProfile& p) { p.mszApp = 4096; });
    const ReaderProfile silent = Shipped("5620sr", [](ReaderProfile& p) { p.mszApp = -1; });
    const ReaderProfile type9 = Shipped("5620sr", [](ReaderProfile& p) { p.deviceType = 9; });
    const struct {
        const char* name;
        const ReaderProfile& profile;
        std::string image;
        const char* why;
    } rows[] = {
        { "one byte too many", small, ApplicationImage(7, { "CORDED" }, "1", 4097),
          "Application is too large; must not be greater than 4096 bytes" },
        { "no MSZAPP answer", silent, ApplicationImage(7, {}, "1", 917505),
          "Application is too large; must not be greater than 917504 bytes" },
        { "empty", base, "", "Application size must be greater than zero" },
        { "no signature", base, std::string(5000, 'x'), "Binary code is not compatible with product" },
        { "boot code as application", base, BootImage(7), "Binary code is not compatible with product" },
        { "keyword block past the end", base, ApplicationImage(7, {}, "1").substr(0, 64 + 24 + 4) + "\x40",
          "Binary code is not compatible with product" },
        { "other device type", base, ApplicationImage(6, { "CORDED" }, "1"), "Device type doesn't match binary code" },
        { "type 9 in a one-byte mask", type9,
          ApplicationImage(9, {}, "1", 0, 1), "Device type doesn't match binary code" },
        { "base firmware in a corded reader", base, ApplicationImage(7, { "RFBASE" }, "1"),
          "Application type doesn't match binary code" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Attach(row.profile);
        ports.written.clear();
        std::string result;
        EXPECT_FALSE(Flash(WriteFile("app.bin", row.image), result));
        EXPECT_EQ(result, row.why);
        EXPECT_FALSE(SentAnythingThatChangesTheReader());
        EXPECT_EQ(reader->BinaryFlash().Stored(), 0);
        ports.sim.Detach("COM5");
    }
}

TEST_F(FirmwareBinaryTest, LimitsAndKindsThatPass)
{
    const struct {
        const char* name;
        ReaderProfile profile;
        std::string image;
    } rows[] = {
        { "exactly the maximum", Shipped("5620sr", [](ReaderProfile& p) { p.mszApp = 4096; }),
          ApplicationImage(7, { "CORDED" }, "1", 4096) },
        { "type 9 in a two-byte mask", Shipped("5620sr", [](ReaderProfile& p) { p.deviceType = 9; }),
          ApplicationImage(9, {}, "1") },
        { "production configuration", Shipped("5620sr", [](ReaderProfile& p) { p.appMask = "0"; }),
          ApplicationImage(7, { "prodcfg" }, "1") },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Attach(row.profile);
        std::string result;
        EXPECT_TRUE(Flash(WriteFile("app.axf", row.image), result)) << result;
        EXPECT_EQ(reader->BinaryFlash().Application(), row.image);
        ports.sim.Detach("COM5");
    }
}

TEST_F(FirmwareBinaryTest, StorageAndTransferFailuresStillPutTheSettingsBack)
{
    struct Row {
        const char* name;
        StorageFaults storage;
        HModemFaults hmodem;
        const char* why;
    };
    Row rows[] = {
        { "storage refused", {}, {}, "Application storage failed" },
        { "never starts", {}, {}, "HModem Download - Reader not ready to receive data" },
    };
    rows[0].storage.nak = true;
    rows[1].hmodem.neverStart = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Attach(Shipped("5620sr"));
        FaultPlan plan;
        plan.storage = row.storage;
        reader->SetFaults(plan);
        reader->HModem().SetFaults(row.hmodem);
        std::string result;
        EXPECT_FALSE(Flash(WriteFile("app.bin", ApplicationImage(7, { "CORDED" }, "050")), result));
        EXPECT_EQ(result, row.why);
        // The reader went back to what it had: word format and ASYSTA restored.
        EXPECT_NE(ports.written.find("ASYSTA0!"), std::string::npos);
        EXPECT_EQ(Value("232WRD"), "1");
        EXPECT_EQ(Value("ASYSTA"), "0");
        ports.sim.Detach("COM5");
    }
}

TEST_F(FirmwareBinaryTest, BootCodeNeedsBothConfirmationsAndTheReadersOwnType)
{
    Attach(Shipped("5820bs"));
    const auto type = static_cast<uint32_t>(reader->Model().Profile().deviceType);
    struct Row {
        std::vector<MsgAnswer> answers;
        std::string image;
        bool ok;
        const char* result;
    };
    const Row rows[] = {
        { { MsgAnswer::Cancel }, BootImage(type), false, "" },
        { { MsgAnswer::Ok, MsgAnswer::Cancel }, BootImage(type), false, "" },
        { { MsgAnswer::Ok, MsgAnswer::Ok }, BootImage(type + 1), false, "Device type doesn't match binary code" },
        { { MsgAnswer::Ok, MsgAnswer::Ok }, BootImage(type), true, "Successfully flashed " },
    };
    for (const Row& row : rows) {
        host.answers.assign(row.answers.begin(), row.answers.end());
        host.fileRequests.clear();
        host.fileChoices.push_back(WriteFile("boot.bin", row.image));
        CDevice finder(&port);
        std::string result;
        EXPECT_EQ(finder.LoadBootCodeEx(result, 6, false), row.ok) << result;
        EXPECT_EQ(result, row.result);
        port.ClosePort();
        if (row.answers.size() < 2 || row.answers[1] != MsgAnswer::Ok) {
            EXPECT_TRUE(host.fileRequests.empty());
            host.fileChoices.clear();
        }
    }
    EXPECT_EQ(reader->BinaryFlash().BootCode(), BootImage(type));
    ASSERT_FALSE(host.fileRequests.empty());
    EXPECT_EQ(host.fileRequests.back().title, "Select Boot Code File to be Flashed Into Unit");
    EXPECT_EQ(TheFirmwareFolders().Get(kInitBootFlashDir), dir.string());
}

} // namespace

namespace {

TEST_F(FirmwareBinaryTest, AReaderLeftInItsBootCodeTakesTheNextApplication)
{
    Attach(Shipped("5620sr"));
    FaultPlan plan;
    plan.storage.powerLoss = true;
    // It says it is storing before the power goes, so the wait ends 5 s after it fell silent.
    plan.storage.delayMs = 2000;
    reader->SetFaults(plan);
    std::string result;
    EXPECT_FALSE(Flash(WriteFile("app.bin", ApplicationImage(7, { "CORDED" }, "060")), result));
    EXPECT_EQ(result, "HModem Download - Timeout waiting for device to complete storage");
    ASSERT_TRUE(reader->Model().bootCode);

    // Its boot code answers the probe but not the identity queries: the user names the model.
    CDeviceName named;
    named.ParseRevision(reader->Model().Profile().revQx);
    ASSERT_GE(named.catalogRow, 0);
    host.deviceChoices.push_back(named.catalogRow);
    const std::string image = ApplicationImage(7, { "CORDED", "BOOTACK" }, "061");
    EXPECT_TRUE(Flash(WriteFile("app.bin", image), result)) << result;
    EXPECT_TRUE(reader->BinaryFlash().Application() == image);
    EXPECT_FALSE(reader->Model().bootCode);
    EXPECT_EQ(ReportedRevision(), 61);
}

} // namespace
