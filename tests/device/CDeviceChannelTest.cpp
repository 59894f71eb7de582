// The device object's transfer channel (over a pseudo-terminal) and its progress reporting
// (over a recording host).
#include "device/CDeviceChannel.h"

#include "device/CSerComm.h"
#include "PtyPair.h"
#include "RecordingHost.h"
#include "transfer/HSTRING.h"
#include "transfer/HWSTRING.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class ProgressReporting : public ::testing::Test {
protected:
    void SetUp() override { SetUserAbort(false); }
    void TearDown() override { SetUserAbort(false); }
    RecordingHost host;
    CDeviceChannel channel;
};

TEST_F(ProgressReporting, KindsWithTheirOwnWindowTitleAndCountTheirBytes)
{
    struct Row {
        int kind;
        const char* title;
        const char* step0;
        const char* step1;
        int countStep;          // where the byte count goes, -1 none
        const char* countText;
    };
    const Row rows[] = {
        { 7, "Writing Script", "Preparing To Write", "Writing Data", 1, "Writing Script File to Device (1234 bytes)" },
        { 8, "Reading Script", "Preparing To Read", "Reading Data", -1, "" },
        { 9, "Loading Script", "Preparing To Load", "Loading Data", 1, "Loading Script File to Device (1234 bytes)" },
        { 14, "Storing Flash Image", "Sending Flash Image", "Writing To Flash", 0,
          "Writing Flash Image To Device (1234 bytes)" },
        { 15, "Reading Flash Image", "Receiving Flash Image", "Storing Flash Image", 0,
          "Receiving Flash Image From Device (1234 bytes)" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        host.windows.clear();
        channel.SetTransferKind(row.kind);
        channel.PrepareDownloadStatus();
        ASSERT_EQ(host.windows.size(), 1u);
        const std::shared_ptr<RecordedWindow> window = host.windows[0];
        EXPECT_EQ(window->title, row.title);
        EXPECT_EQ(window->steps[0], row.step0);
        EXPECT_EQ(window->steps[1], row.step1);
        EXPECT_TRUE(window->shown);
        EXPECT_EQ(window->currentStep, 0);

        EXPECT_TRUE(channel.MayContinue(0, 1234));
        if (row.countStep >= 0) {
            EXPECT_EQ(window->steps[row.countStep], row.countText);
        }
        EXPECT_TRUE(channel.MayContinue(100, 1234));
        EXPECT_EQ(window->position, 100);
        channel.DownloadStep(1);
        EXPECT_EQ(window->currentStep, 1);

        channel.CloseDownloadStatus();
        EXPECT_TRUE(window->destroyed);
    }
}

TEST_F(ProgressReporting, FirmwareReachingItsTotalWarnsNotToPowerCycle)
{
    auto record = std::make_shared<RecordedWindow>();
    RecordingProgressWindow window(record);
    channel.SetTransferProgressWindow(&window);
    channel.SetTransferKind(CDeviceChannel::kKindApplication);
    channel.PrepareDownloadStatus();
    EXPECT_TRUE(host.windows.empty());  // the flash flow brings its own window

    EXPECT_TRUE(channel.MayContinue(0, 1000));
    EXPECT_EQ(record->steps[2], "Writing Firmware File to Device (1000 bytes)");
    EXPECT_TRUE(channel.MayContinue(600, 1000));
    EXPECT_EQ(record->position, 600);
    EXPECT_TRUE(record->warning.empty());
    EXPECT_TRUE(channel.MayContinue(400, 1000));
    EXPECT_EQ(record->currentStep, 3);
    EXPECT_EQ(record->warning, "DO NOT POWER CYCLE DEVICE!");
    EXPECT_TRUE(record->warningBold);
    EXPECT_FALSE(record->barShown);

    channel.SetTransferKind(CDeviceChannel::kKindDeviceFlashing);
    channel.UpdateDownloadStatus(nullptr);
    EXPECT_EQ(record->steps[3], "Waiting For Device To Flash Firmware File");
    EXPECT_TRUE(record->barShown);
    channel.SetTransferKind(CDeviceChannel::kKindWritingTarget);
    HWSTRING target(u"BOOT");
    channel.UpdateDownloadStatus(&target);
    EXPECT_EQ(record->steps[3], "Writing firmware to BOOT");
    channel.SetTransferProgressWindow(nullptr);
}

TEST_F(ProgressReporting, NoDisplayChangesNothingButStillReportsCancel)
{
    channel.SetTransferKind(CDeviceChannel::kKindScriptWrite);
    channel.PrepareDownloadStatus();
    const std::shared_ptr<RecordedWindow> window = host.windows.at(0);
    const long pumps = host.pumps;
    EXPECT_TRUE(channel.MayContinue(500, 900, true));
    EXPECT_EQ(window->position, 0);
    EXPECT_EQ(channel.ProgressTotal(), 0u);
    EXPECT_GT(host.pumps, pumps);

    window->cancelled = true;
    EXPECT_FALSE(channel.MayContinue(0, 0, true));
    window->cancelled = false;
    SetUserAbort(true);
    EXPECT_FALSE(channel.MayContinue(1, 900));
    channel.CloseDownloadStatus();

    // Without any window only the abort flag counts.
    CDeviceChannel bare;
    EXPECT_FALSE(bare.MayContinue(0, 0));
    SetUserAbort(false);
    EXPECT_TRUE(bare.MayContinue(0, 0));
}

TEST_F(ProgressReporting, ProgressLevelAloneKeepsTheTotal)
{
    channel.SetTransferKind(CDeviceChannel::kKindFlashImageWrite);
    channel.PrepareDownloadStatus();
    const std::shared_ptr<RecordedWindow> window = host.windows.at(0);
    channel.SetProgressLevel(10, 200);
    EXPECT_EQ(window->range, 200);
    EXPECT_EQ(window->position, 10);
    channel.SetProgressLevel(150);
    EXPECT_EQ(window->range, 200);
    EXPECT_EQ(channel.ProgressTotal(), 200u);
    EXPECT_TRUE(window->warning.empty());
    channel.SetProgressLevel(200);
    EXPECT_EQ(window->warning, "DO NOT POWER CYCLE DEVICE!");
    EXPECT_EQ(window->currentStep, 1);
    channel.CloseDownloadStatus();
}

class ImageDevice final : public CDeviceChannel {
public:
    using CDeviceChannel::CDeviceChannel;
    bool IsImageCapable() const override { return true; }
    bool IsCaptureModeOn() const override { return capturing; }
    bool capturing = false;
};

TEST_F(ProgressReporting, ImageWindowOnlyForImageDevicesWithAPortOutsideCaptureMode)
{
    CSerComm port;
    channel.SetSerialPort(&port);
    channel.SetTransferKind(CDeviceChannel::kKindImageUpload);
    channel.PrepareDownloadStatus();
    EXPECT_TRUE(host.windows.empty());

    ImageDevice imager(&port);
    imager.SetTransferKind(CDeviceChannel::kKindImageDownload);
    imager.PrepareDownloadStatus();
    ASSERT_EQ(host.windows.size(), 1u);
    const std::shared_ptr<RecordedWindow> window = host.windows[0];
    EXPECT_EQ(window->steps[0], "Downloading image to the device...");
    EXPECT_TRUE(imager.MayContinue(0, 5000));
    EXPECT_EQ(window->steps[0], "Downloading 5000 byte image to the device...");
    EXPECT_EQ(window->range, 5000);
    EXPECT_TRUE(imager.MayContinue(1000, 5000));
    EXPECT_EQ(window->position, 1000);
    imager.CloseDownloadStatus();
    EXPECT_EQ(window->position, 5000);
    EXPECT_TRUE(window->destroyed);

    imager.capturing = true;
    imager.SetTransferKind(CDeviceChannel::kKindImageUpload);
    imager.PrepareDownloadStatus();
    EXPECT_EQ(host.windows.size(), 1u);
}

TEST_F(ProgressReporting, LockHoldsTheWatcherAndNeverGoesNegative)
{
    CSerComm port;
    channel.SetSerialPort(&port);
    channel.IncrementProcessReceivedDataLockSemaphore();
    channel.IncrementProcessReceivedDataLockSemaphore();
    EXPECT_TRUE(port.IsWatcherHeldPaused());
    channel.DecrementProcessReceivedDataLockSemaphore();
    EXPECT_TRUE(port.IsWatcherHeldPaused());
    channel.DecrementProcessReceivedDataLockSemaphore();
    EXPECT_FALSE(port.IsWatcherHeldPaused());
    channel.DecrementProcessReceivedDataLockSemaphore();
    EXPECT_EQ(channel.GetActivityCounter(), 0);

    int detected = 0;
    channel.SetDeviceDetectedHandler([&detected] { ++detected; });
    channel.DeviceDetected();
    EXPECT_EQ(detected, 1);
    channel.WaitingForResponse();
    EXPECT_EQ(host.waitDepth, 1);
    channel.FinishedWaitingForResponse();
    EXPECT_EQ(host.waitDepth, 0);
}

// ---- the channel over a pseudo-terminal ------------------------------------------------------

class ChannelOverPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUserAbort(false);
        ASSERT_TRUE(ports.Line().Ok());
        ports.Install();
        ASSERT_EQ(port.OpenPort("\\\\.\\COM10:9600,E,7,2"), CSerComm::kOpenOk);
    }
    RecordingHost host;
    PtyPortSystem ports;
    CSerComm port;
    CDeviceChannel channel { &port };
};

TEST_F(ChannelOverPty, EightBitModeAndBack)
{
    CDeviceChannel detached;
    EXPECT_FALSE(detached.SwitchTo8BitTransferMode());
    EXPECT_TRUE(channel.SwitchTo8BitTransferMode());
    EXPECT_EQ(port.GetDataBits(), 8);
    EXPECT_EQ(port.GetParity(), 'N');
    EXPECT_EQ(port.GetStopBits(), 1);
    EXPECT_TRUE(channel.RevertFrom8BitTransferMode());
    EXPECT_EQ(port.GetDataBits(), 7);
    EXPECT_EQ(port.GetParity(), 'E');
    EXPECT_EQ(port.GetStopBits(), 2);
    port.ClosePort();
    EXPECT_FALSE(channel.SwitchTo8BitTransferMode());
}

TEST_F(ChannelOverPty, ReadCollectsPiecesUntilItHasWhatItWants)
{
    std::thread reader([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ports.Line().WriteMaster("ab");
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        ports.Line().WriteMaster("cdef");
    });
    HSTRING buffer(2);
    EXPECT_TRUE(channel.Read(&buffer, 4, 2000));
    reader.join();
    EXPECT_EQ(std::string(buffer.Text(), buffer.Length()), "abcd");

    // The caller's own bytes: never more than they hold, however many are wanted.
    unsigned char bytes[3] = { 0, 0, 0 };
    unsigned got = 99;
    EXPECT_TRUE(channel.Read(bytes, &got, 2, 200));
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(bytes[0], 'e');
    EXPECT_EQ(bytes[2], 0);

    // Time-out with nothing there: true, and an empty buffer.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(channel.Read(&buffer, 4, 150));
    EXPECT_EQ(buffer.Length(), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(140));
}

TEST_F(ChannelOverPty, WriteSendsTheRangeAskedForAndNoMore)
{
    HSTRING packet("0123456789");
    EXPECT_TRUE(channel.Write(&packet, 2, 3, true));
    EXPECT_EQ(ports.Line().ReadMaster(3, 1000), "234");
    EXPECT_FALSE(channel.Write(&packet, 8, 50, false));  // only what the buffer holds goes out
    EXPECT_EQ(ports.Line().ReadMaster(10, 200), "89");
    EXPECT_TRUE(channel.Write(&packet));
    EXPECT_EQ(ports.Line().ReadMaster(10, 1000), "0123456789");
    EXPECT_TRUE(channel.FlushWriteBuffer());
    EXPECT_EQ(channel.BytesInWriteBuffer(), 0u);

    ports.Line().WriteMaster("junk");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(channel.FlushReadBuffer());
    HSTRING buffer(8);
    EXPECT_TRUE(channel.Read(&buffer, 4, 50));
    EXPECT_EQ(buffer.Length(), 0u);

    channel.ZeroElapsedTime();
    EXPECT_EQ(channel.ElapsedTime(), 0u);
}

} // namespace
