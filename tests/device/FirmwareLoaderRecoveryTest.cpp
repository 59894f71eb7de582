// A reader that an interrupted flash left in its hex loader: it answers the presence probe,
// but neither its identity nor the flash rate query. Named by hand in the device chooser, it
// must take the whole image on the line it answered on.
#include "DeviceTestBench.h"

#include "catalog/CDeviceName.h"
#include "device/CDevice.h"
#include "support/IntelHexText.h"
#include "transfer/firmware/IntelHexFile.h"

#include <filesystem>
#include <fstream>
#include <mutex>

namespace {

namespace fs = std::filesystem;

// The loader's side of the line: a probe (SYN 'C' CR) gets ACK NAK and the link code; a
// record (':', count, then count + 4 bytes) gets ACK when its sum is zero, NAK otherwise;
// other frames are ignored. The end-of-file record ends the loader, which then falls silent.
// It listens at 115200 8N1 only: bytes sent at any other line setting never reach it whole.
struct LoaderState {
    static constexpr uint32_t kRate = 115200;
    std::mutex mutex;
    std::string toHost;
    std::vector<std::vector<uint8_t>> records;
    std::vector<uint8_t> record;
    std::string frame;
    enum class State { Between, Frame, Record, Done } state = State::Between;
    int probes = 0;

    void Take(uint8_t byte)
    {
        switch (state) {
        case State::Done:
            return;
        case State::Between:
            if (byte == 0x16) {
                frame.clear();
                state = State::Frame;
            } else if (byte == ':') {
                record.clear();
                state = State::Record;
            }
            return;
        case State::Frame:
            if (byte != '\r') {
                frame += static_cast<char>(byte);
                return;
            }
            state = State::Between;
            if (frame == "C") {
                ++probes;
                toHost += std::string { '\x06', '\x15', '\xCE', '\x31' };
            }
            return;
        case State::Record:
            record.push_back(byte);
            if (record.size() < static_cast<std::size_t>(record[0]) + 5)
                return;
            state = State::Between;
            uint8_t sum = 0;
            for (uint8_t b : record)
                sum = static_cast<uint8_t>(sum + b);
            if (sum != 0) {
                toHost += '\x15';
                return;
            }
            records.push_back(record);
            toHost += '\x06';
            if (record[3] == 0x01)
                state = State::Done;
            return;
        }
    }
};

class LoaderLine final : public SerialDevice {
public:
    explicit LoaderLine(std::shared_ptr<LoaderState> state) : state_(std::move(state)) { }
    bool GetLineState(SerialLineState& line) override
    {
        line = line_;
        return true;
    }
    bool SetLineState(const SerialLineState& line) override
    {
        line_ = line;
        return true;
    }
    bool SetBufferSizes(size_t, size_t) override { return true; }
    long Write(const uint8_t* data, size_t count) override
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (line_.baudRate == LoaderState::kRate && line_.parity == 'N' && line_.dataBits == 8)
            for (size_t i = 0; i < count; ++i)
                state_->Take(data[i]);
        return static_cast<long>(count);
    }
    bool WaitUntilSent(unsigned) override { return true; }
    long InputCount() override
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        return static_cast<long>(state_->toHost.size());
    }
    long Read(uint8_t* data, size_t count) override
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        const size_t n = std::min(count, state_->toHost.size());
        std::copy_n(state_->toHost.begin(), n, data);
        state_->toHost.erase(0, n);
        return static_cast<long>(n);
    }
    long OutputCount() override { return 0; }
    void PurgeInput() override
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->toHost.clear();
    }
    void PurgeOutput() override { }
    void ClearErrors() override { }

private:
    std::shared_ptr<LoaderState> state_;
    SerialLineState line_;
};

class LoaderPorts final : public SerialPortSystem {
public:
    std::unique_ptr<SerialDevice> Open(const std::string& path) override
    {
        return path == "COM5" ? std::make_unique<LoaderLine>(state) : nullptr;
    }
    std::vector<SerialPortInfo> EnumeratePorts() override { return { { "COM5", "COM5" } }; }

    std::shared_ptr<LoaderState> state = std::make_shared<LoaderState>();
};

class FirmwareLoaderRecoveryTest : public DeviceBench {
protected:
    void SetUp() override
    {
        DeviceBench::SetUp();
        InstallSerialPortSystem(&loader);
        path = (fs::temp_directory_path() / ("kestrel-recover-" + std::to_string(::getpid()) + ".hex")).string();
        // Data records with CR and SYN bytes in them: the loader takes them as data.
        text = IntelHexLine(4, 0, std::string("\x00\x01", 2));
        for (int i = 0; i < 12; ++i)
            text += IntelHexLine(0, static_cast<uint16_t>(i * 16), std::string(16, static_cast<char>(0x0D + i)));
        text += ":00000001FF\r\n";
        std::ofstream(path, std::ios::binary) << text;
    }
    void TearDown() override
    {
        fs::remove(path);
        DeviceBench::TearDown();
    }

    std::vector<uint8_t> KeptRecords() const
    {
        std::vector<uint8_t> bytes;
        for (const auto& record : loader.state->records) {
            bytes.push_back(':');
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        return bytes;
    }

    LoaderPorts loader;
    std::string path;
    std::string text;
};

TEST_F(FirmwareLoaderRecoveryTest, ReaderNamedByHandTakesTheImageOnTheLineItAnsweredOn)
{
    CDeviceName named;
    named.ParseRevision("QX80001005-012");
    ASSERT_GE(named.catalogRow, 0);
    host.deviceChoices.push_back(named.catalogRow);
    host.fileChoices.push_back(path);

    CDevice finder(&port);
    std::string result;
    bool hexPath = false;
    ASSERT_TRUE(finder.LoadFirmwareEx(result, 6, &hexPath, true, true)) << result;
    EXPECT_EQ(result, "Successfully flashed " + fs::path(path).filename().string());
    EXPECT_EQ(host.deviceChooserCalls.size(), 1u);
    EXPECT_GE(loader.state->probes, 1);

    IntelHexImage image;
    ASSERT_TRUE(ParseIntelHex(std::vector<uint8_t>(text.begin(), text.end()), image));
    EXPECT_EQ(KeptRecords(), image.bytes);
}

} // namespace
