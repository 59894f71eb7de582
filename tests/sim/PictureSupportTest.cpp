// The command processor against the simulated imager: every capture form gives the scene,
// pictures shipped as HTag packets raw and through HModem, and the file store round trip.
#include "sim/SimulatedReader.h"
#include "sim/capture/PictureSupport.h"
#include "sim/capture/Scene.h"
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/image/HIMAGE.h"
#include "LineComm.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class Collector : public HPROCESSOR_EVENTS {
public:
    void DecodedData(const HSTRING& text) override { texts.emplace_back(text.Text(), text.Length()); }
    void PictureReceived(int code, const HSTRING& text, const HIMAGE& image) override
    {
        codes.push_back(code);
        results.emplace_back(text.Text(), text.Length());
        pictures.push_back(image);
    }
    void HTagReceived(const HTAG& command, int code, const HSTRING&) override
    {
        commands.push_back(command);
        htagCodes.push_back(code);
    }
    std::vector<std::string> texts;
    std::vector<int> codes;
    std::vector<std::string> results;
    std::vector<HIMAGE> pictures;
    std::vector<HTAG> commands;
    std::vector<int> htagCodes;
};

class PictureSupportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        reader_ = SimulatedReader::FromProfile("4600sr", error);
        ASSERT_NE(reader_, nullptr) << error;
        line_ = reader_->OpenLine();
        ASSERT_NE(line_, nullptr);
        simtest::SetHostFormat(*line_, reader_->Model().Line().rate, 'N', 8);
        comm_ = std::make_unique<LineComm>(*line_);
        comm_->ReadTimeOut = 500;
        processor_ = std::make_unique<HCOMMAND_PROCESSOR>(comm_.get(), &status_);
        processor_->SetEventSink(&events_);
        processor_->SetCaptureMode(true);
    }
    // Runs the dispatcher until `count` pictures (or commands) have come, at most 10 s.
    void WaitFor(const std::vector<HIMAGE>& list, size_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (list.size() < count && std::chrono::steady_clock::now() < deadline)
            processor_->ProcessReceivedData(nullptr, true);
    }
    void WaitForCommands(size_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (events_.commands.size() < count && std::chrono::steady_clock::now() < deadline)
            processor_->ProcessReceivedData(nullptr, true);
    }
    HIMAGE Scene(unsigned number, int subsample = 1, int depth = 8)
    {
        const int w = reader_->Model().Profile().imageWidth, h = reader_->Model().Profile().imageHeight;
        return SimScene::Window(SimScene::Render(w, h, number), 0, 0, w - 1, h - 1, subsample, depth);
    }

    std::shared_ptr<SimulatedReader> reader_;
    std::unique_ptr<SerialDevice> line_;
    std::unique_ptr<LineComm> comm_;
    HTRANSFER_STATUS status_;
    Collector events_;
    std::unique_ptr<HCOMMAND_PROCESSOR> processor_;
};

double Psnr(const HIMAGE& a, const HIMAGE& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const double d = double(a.pixels[i]) - double(b.pixels[i]);
        sum += d * d;
    }
    const double mse = sum / double(a.pixels.size());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST_F(PictureSupportTest, EveryFormatGivesTheScene)
{
    for (int format = 0; format <= 9; ++format) {
        const size_t before = events_.pictures.size();
        ASSERT_TRUE(processor_->CapturePlain(2, format, 90)) << format;
        WaitFor(events_.pictures, before + 1);
        ASSERT_EQ(events_.pictures.size(), before + 1) << format;
        EXPECT_EQ(events_.codes.back(), 1) << format << " " << events_.results.back();
        const HIMAGE& got = events_.pictures.back();
        const bool binary = format == 1 || format == 2 || format == 4 || format == 7 || format == 9;
        const HIMAGE want = Scene(unsigned(format + 1), 2, binary ? 1 : 8);
        ASSERT_EQ(got.width, want.width) << format;
        ASSERT_EQ(got.height, want.height) << format;
        if (format == 6)
            EXPECT_GE(Psnr(got, want), 30.0);
        else
            EXPECT_EQ(got.pixels, want.pixels) << format;
        EXPECT_EQ(got.parameters.GetInt("F"), format);
    }
    // The command echoes never reach the sink as decoded data.
    EXPECT_TRUE(events_.texts.empty()) << events_.texts.front();
}

TEST_F(PictureSupportTest, WindowedCaptureAndItsSubsampling)
{
    ASSERT_TRUE(processor_->CaptureWindow(0, 0, 752, 480, 2, 8));
    WaitFor(events_.pictures, 1);
    ASSERT_EQ(events_.pictures.size(), 1u);
    EXPECT_EQ(events_.pictures[0].width, 376);
    EXPECT_EQ(events_.pictures[0].pixels, Scene(1, 2, 8).pixels);
}

TEST_F(PictureSupportTest, ImageShipAsHTagRawAndThroughHModem)
{
    for (int protocol : { 2, 4, 3 }) {
        HTAG request("IMGSHP");
        request.SetProtocol(protocol);
        request.SetInt("F", 5);
        request.SetInt("S", 4);
        HSTRING text;
        ASSERT_TRUE(processor_->SendHTag(request, false, &text)) << protocol;
        const size_t before = events_.pictures.size();
        WaitFor(events_.pictures, before + 1);
        ASSERT_EQ(events_.pictures.size(), before + 1) << protocol;
        EXPECT_EQ(events_.pictures.back().width, 188);
    }
}

TEST_F(PictureSupportTest, FileStoreRoundTripOverEveryProtocol)
{
    for (int protocol = 2; protocol <= 5; ++protocol) {
        std::string content = "file for protocol " + std::to_string(protocol) + ":";
        for (int i = 0; i < 3000; ++i)
            content += char('a' + (i * 7 + protocol) % 26);
        HTAG store("FILSTO");
        store.SetProtocol(protocol);
        store.SetText("FILE", "cfg" + std::to_string(protocol));
        store.Data().Copy(reinterpret_cast<const unsigned char*>(content.data()), unsigned(content.size()));
        HSTRING text;
        ASSERT_TRUE(processor_->SendHTag(store, false, &text)) << std::string(text.Text());
        HTAG retrieve("FILRET");
        retrieve.SetProtocol(protocol);
        retrieve.SetText("FILE", "cfg" + std::to_string(protocol));
        ASSERT_TRUE(processor_->SendHTag(retrieve, false, &text)) << std::string(text.Text());
        const size_t before = events_.commands.size();
        WaitForCommands(before + 1);
        ASSERT_EQ(events_.commands.size(), before + 1) << protocol;
        const HTAG& answer = events_.commands.back();
        EXPECT_EQ(answer.Name(), "FILSTO");
        EXPECT_EQ(answer.GetText("FILE"), "cfg" + std::to_string(protocol));
        EXPECT_EQ(std::string(answer.Data().Text(), answer.Data().Length()), content) << protocol;
    }
}

TEST(PictureEmitter, EveryEventHasBytesAndUnknownOnesAreRefused)
{
    for (const char* item : { "text:abc", "actsta", "trgevt", "decres", "hpl", "tagged", "envelope", "picture",
                              "bad-packet", "bad-header" })
        EXPECT_FALSE(EmittedBytes(item, 1).empty()) << item;
    EXPECT_TRUE(EmittedBytes("nonsense", 1).empty());
}

} // namespace
