// The received-data dispatcher: decoded data, pictures in every header form, JPEG, HTag
// packets and tagged blocks, fed whole and byte by byte; and the capture command texts.
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/compression/HJpegCodec.h"
#include "transfer/image/CKim.h"
#include "transfer/image/HIMAGE.h"
#include "transfer/image/HRunCode.h"
#include "HTagTestSupport.h"
#include "MemoryDuplex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

using namespace htagtest;

std::string Header(char bits, char kind, int w, int h, int l, int t, int r, int b, int s)
{
    char text[64];
    std::snprintf(text, sizeof text, "]!!)%cb%c(%04d%04d%04d%04d%04d%04d%04d", bits, kind, w, h, l, t, r, b, s);
    return text;
}

TEST(ReceivedData, MixedStreamGivesTheSameEventsInOrder)
{
    std::vector<uint8_t> gray(16 * 8);
    for (size_t i = 0; i < gray.size(); ++i)
        gray[i] = uint8_t(i * 2);
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(HJpegCodec::CompressPicture(gray, 16, 8, 90, jpeg));
    const std::string stream = "ABC" + Header('8', 'U', 4, 2, 0, 0, 3, 1, 1) + "\x01\x02\x03\x04\x05\x06\x07\x08"
        + std::string(jpeg.begin(), jpeg.end()) + Packet("TRGEVT2P", "3T\x1d") + "XYZ";
    for (bool oneByOne : { false, true }) {
        Bench bench;
        bench.Dispatch(stream, oneByOne);
        EXPECT_EQ(bench.events.events,
                  (std::vector<std::string> { "text:ABC", "picture:1:Image successfully received:4x2",
                                              "picture:1:Image successfully received:16x8", "htag:TRGEVT:1",
                                              "text:XYZ" }))
            << oneByOne;
        ASSERT_EQ(bench.events.pictures.size(), 2u);
        EXPECT_EQ(bench.events.pictures[0].pixels, (std::vector<uint8_t> { 1, 2, 3, 4, 5, 6, 7, 8 }));
        EXPECT_EQ(bench.events.pictures[0].parameters.GetInt("F"), 5);
        int worst = 0;
        for (size_t i = 0; i < gray.size(); ++i)
            worst = std::max(worst, std::abs(int(bench.events.pictures[1].pixels[i]) - int(gray[i])));
        EXPECT_LE(worst, 8);
    }
}

TEST(ReceivedData, PictureHeadersAndTheirBytes)
{
    // A 10 x 3 binary picture: two bytes a row, most significant bit first, 1 is white.
    const std::string binary("\xff\xc0\x00\x00\xaa\x80", 6);
    std::vector<uint8_t> kimPixels = { 10, 17, 25, 200, 201, 0 };
    const std::vector<uint8_t> kim = CKim::EncodePixels(kimPixels.data(), kimPixels.size());
    std::vector<uint8_t> runPixels(300, 255);
    std::fill(runPixels.begin() + 3, runPixels.begin() + 290, 0);
    const std::vector<uint8_t> runs = EncodeRuns(runPixels.data(), runPixels.size());
    struct Row {
        std::string bytes;
        std::string event;
        std::vector<uint8_t> pixels;
    };
    const Row rows[] = {
        { Header('1', 'U', 10, 3, 0, 0, 9, 2, 1) + binary, "picture:1:Image successfully received:10x3",
          { 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            255, 0, 255, 0, 255, 0, 255, 0, 255, 0 } },
        // 0 bits: eight pixels a byte, as above, also with the coded letter.
        { Header('0', 'T', 10, 3, 0, 0, 9, 2, 1) + binary, "picture:1:Image successfully received:10x3",
          { 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            255, 0, 255, 0, 255, 0, 255, 0, 255, 0 } },
        { Header('8', 'T', 3, 2, 0, 0, 5, 3, 2) + std::string(kim.begin(), kim.end()),
          "picture:1:Image successfully received:3x2", kimPixels },
        { Header('1', 'T', 100, 3, 0, 0, 99, 2, 1) + std::string(runs.begin(), runs.end()),
          "picture:1:Image successfully received:100x3", runPixels },
        // Subsampled window: (right - left + 1) / subsample gives the sides.
        { Header('8', 'U', 2, 1, 10, 10, 13, 11, 2) + "\x05\x06", "picture:1:Image successfully received:2x1",
          { 5, 6 } },
        { Header('8', 'U', 5, 2, 0, 0, 3, 1, 1), "picture:10001:Corrupt grayscale image:0x0", {} },
        { Header('8', 'U', 4, 2, 0, 0, 3, 1, 0), "picture:10001:Corrupt grayscale image:0x0", {} },
        { Header('1', 'T', 0, 2, 0, 0, 0, 1, 1), "picture:10001:Corrupt KIM binary image:0x0", {} },
    };
    for (const Row& row : rows) {
        for (bool oneByOne : { false, true }) {
            Bench bench;
            bench.Dispatch(row.bytes + "after", oneByOne);
            ASSERT_GE(bench.events.events.size(), 2u) << row.event;
            EXPECT_EQ(bench.events.events[0], row.event);
            // Exactly the picture's bytes were taken: what follows is decoded data.
            if (!row.pixels.empty()) {
                EXPECT_EQ(bench.events.events[1], "text:after") << row.event;
                EXPECT_EQ(bench.events.pictures[0].pixels, row.pixels) << row.event;
            }
        }
    }
}

TEST(ReceivedData, BytesThatBelieTheirPrefixStayDecodedData)
{
    const std::string rows[] = {
        "]!!)9bU(hello",
        "]!!)8bU(0004000x0000000000030001000112345678",
        "\xff\xd8\xff\xe1 not a jpeg",
        "\x16\xfe\x03",
        "[)>\x1e" "01\x1d" "96 envelope without parsing\x1e\x04",
    };
    for (const std::string& bytes : rows) {
        Bench bench;
        bench.Dispatch(bytes, false);
        std::string text;
        for (const std::string& e : bench.events.events) {
            if (e.rfind("text:", 0) == 0)
                text += e.substr(5);
        }
        // The broken packet is reported, and its bytes still reach the sink.
        if (bytes[0] == '\x16') {
            EXPECT_EQ(bench.events.events.front(), "htag::22");
        }
        EXPECT_EQ(text, bytes);
    }
}

TEST(ReceivedData, ParsingOnTakesEnvelopesAndTaggedBlocks)
{
    Bench bench;
    bench.processor.SetDecodedDataParsing(true);
    bench.Dispatch("[)>\x1e" "01\x1d" "96body\x1e\x04" "]!!)bil(block", true);
    EXPECT_EQ(bench.events.events, (std::vector<std::string> { "tagged:[)>\x1e" "01\x1d" "96|body\x1e\x04",
                                                               "tagged:]!!)bil(|block" }));
}

TEST(ReceivedData, DecodedDataGoesOnInPiecesAndConverted)
{
    Bench bench;
    bench.Dispatch(std::string(450, 'a'), false);
    EXPECT_EQ(bench.events.events,
              (std::vector<std::string> { "text:" + std::string(201, 'a'), "text:" + std::string(201, 'a'),
                                          "text:" + std::string(48, 'a') }));

    Bench converted;
    converted.processor.DecodedConversion().convert = true;
    converted.processor.DecodedConversion().controlNames = true;
    converted.Dispatch("12\r\x1b", false);
    EXPECT_EQ(converted.events.events, (std::vector<std::string> { "text:12[ CR][ESC]" }));
}

TEST(ReceivedData, StatusMessagesUnknownPacketsAndTheBusyGuard)
{
    Bench bench;
    bench.Dispatch(Packet("QQQQQQ2P", "skipped by length") + Packet("HPLSMS2P", "\x1d") + "end", false);
    EXPECT_EQ(bench.events.events, (std::vector<std::string> { "htag::21", "htag:HPLSMS:1", "text:end" }));
    EXPECT_TRUE(bench.processor.StatusMessageArrived());

    // A sink that calls back into the dispatcher gets nothing: the guard holds.
    struct Reentrant : Recorder {
        HCOMMAND_PROCESSOR* processor = nullptr;
        unsigned nested = 99;
        void DecodedData(const HSTRING& text) override
        {
            nested = processor->ProcessReceivedData(&text, false);
            Recorder::DecodedData(text);
        }
    } reentrant;
    reentrant.processor = &bench.processor;
    bench.processor.SetEventSink(&reentrant);
    bench.Dispatch("x", false);
    EXPECT_EQ(reentrant.nested, 0u);
}

TEST(ReceivedData, StopBurstSendsTwentyEscapesEachRound)
{
    Bench bench;
    bench.processor.SetStopBurst(true);
    bench.line.Write(1, reinterpret_cast<const uint8_t*>("ab"), 2);
    bench.processor.ProcessReceivedData(nullptr, true);
    // One round a byte, and one more that found the line quiet.
    std::vector<uint8_t> heard(200);
    const size_t n = bench.line.Read(0, heard.data(), heard.size(), std::chrono::milliseconds(20));
    EXPECT_EQ(std::string(heard.begin(), heard.begin() + n), std::string(60, '\x1b'));
    EXPECT_EQ(bench.events.events, (std::vector<std::string> { "text:ab" }));
}

TEST(ReceivedData, PictureCutShortIsCorrupt)
{
    Bench bench;
    bench.Dispatch(Header('8', 'U', 4, 2, 0, 0, 3, 1, 1) + "\x01\x02\x03", false);
    ASSERT_EQ(bench.events.events.size(), 1u);
    EXPECT_EQ(bench.events.events[0], "picture:10006:Corrupt grayscale image:4x2");
    EXPECT_EQ(bench.events.pictures[0].pixels[2], 3);
}

TEST(ImageParameters, ChecksGiveTheirCodes)
{
    struct Row {
        std::vector<std::pair<const char*, int>> values;
        int code;
        int width;
        int height;
    };
    const Row rows[] = {
        { { { "L", 0 }, { "R", 751 }, { "T", 0 }, { "B", 479 } }, HIMAGE_OK, 752, 480 },
        { { { "L", 0 }, { "R", 751 }, { "T", 0 }, { "B", 479 }, { "S", 3 } }, HIMAGE_OK, 250, 160 },
        { { { "L", 10 }, { "R", 9 }, { "T", 0 }, { "B", 479 } }, HIMAGE_BAD_WINDOW, 0, 0 },
        { { { "L", 0 }, { "R", 9 }, { "T", 0 }, { "B", 9 }, { "M", 5 } }, HIMAGE_BAD_MARGIN, 0, 0 },
        { { { "L", 0 }, { "R", 9 }, { "T", 0 }, { "B", 9 }, { "D", 4 } }, HIMAGE_BAD_DEPTH, 0, 0 },
        { { { "L", 0 }, { "R", 9 }, { "T", 0 }, { "B", 9 }, { "M", 4 }, { "S", 3 } }, HIMAGE_EMPTY, 0, 0 },
    };
    for (const Row& row : rows) {
        HTAG p("IMGSHP");
        for (const auto& [name, value] : row.values)
            ASSERT_TRUE(p.SetInt(name, value));
        int w = -1, h = -1;
        EXPECT_EQ(HCOMMAND_PROCESSOR::CheckImageParameters(p, w, h), row.code);
        EXPECT_EQ(w, row.width);
        EXPECT_EQ(h, row.height);
    }
}

TEST(CaptureCommands, TextsOnTheWire)
{
    EXPECT_EQ(HCOMMAND_PROCESSOR::WindowCaptureCommand(0, 0, 752, 480, 2, 8), "IMGSNP1L1P,SHP8F0L0T751R479B2S8D.");
    EXPECT_EQ(HCOMMAND_PROCESSOR::WindowCaptureCommand(-1, 5, 0, 0, 0, 0), "IMGSNP1L1P,SHP8F5T.");
    EXPECT_EQ(HCOMMAND_PROCESSOR::CaptureOptions(2, 6, 75), "2S6F75J");
    EXPECT_EQ(HCOMMAND_PROCESSOR::CaptureOptions(0, -1, 80), "");

    Bench bench;
    bench.processor.SetCommandReplyTimeOut(50);
    EXPECT_FALSE(bench.processor.CapturePlain(1, 5, 80));
    bench.processor.SetCaptureMode(true);
    EXPECT_TRUE(bench.processor.CapturePlain(1, 5, 80));
    EXPECT_TRUE(bench.processor.PictureExpected());
    EXPECT_TRUE(bench.processor.CaptureTestImage(0, -1, 0));
    std::vector<uint8_t> heard(200);
    const size_t n = bench.line.Read(0, heard.data(), heard.size(), std::chrono::milliseconds(50));
    EXPECT_EQ(std::string(heard.begin(), heard.begin() + n), "\x16M\rIMGSNP1U1P;IMGSHP1S5F80J.\x16M\rIMGTST.");
}

} // namespace
