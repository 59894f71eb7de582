// HTag packets: their bytes, sending raw and through HModem, receiving with every failure
// code, answering requests and the mode switches, against a reader end on the in-memory line.
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HMODEM.h"
#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/HTAG.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/image/HIMAGE.h"
#include "HTagTestSupport.h"
#include "MemoryDuplex.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;

using namespace htagtest;

// Receive tests look at the result texts too.
struct Bench : htagtest::Bench {
    Bench() { events.withTexts = true; }
};

TEST(HTagPacket, BytesMatchTheHandWrittenForms)
{
    struct Row {
        const char* name;
        int protocol;
        std::vector<std::pair<const char*, std::string>> texts;
        std::vector<std::pair<const char*, long long>> numbers;
        std::string data;
        std::string expected;
    };
    const Row rows[] = {
        { "FILSTO", 2, { { "FILE", "a\"b" } }, {}, "xy",
          Packet("FILSTO2P", "\"a\\22b\"FILE0CMP9TYPE0WG\x1dxy") },
        { "filsto", 2, { { "file", "g\x1d\xe9\\" } }, { { "cmp", 7 } }, "",
          Packet("FILSTO2P", "\"g\\1D\\E9\\\\\"FILE7CMP9TYPE0WG\x1d") },
        { "APPCOD", 3, {}, { { "CRC", 0x1234 } }, "",
          Packet("APPCOD3P", "\"UNKNOWN\"FILE0CMP1STORE4294967295STARTADDRESS4294967295SIZE"
                             "0BOOTMODEFLASHIMAGE4660CRC0REBOOT\x1d") },
        { "ENGSTO", 2, {}, { { "STORE", 2 }, { "REQP", 5 } }, "",
          Packet("ENGSTO2P", "5REQP\"UNKNOWN\"FILE0CMP4294967295CRC2STORE\x1d") },
        { "TRGEVT", 2, {}, { { "RSPREQ", 0 } }, "", Packet("TRGEVT2P", "0RSPREQ1T\x1d") },
        { "GETSYS", 5, { { "DEVNAME", "r1" } }, { { "WG", -3 } }, "",
          Packet("GETSYS5P", "\"r1\"DEVNAME-3WG\x1d") },
        // Below protocol 2 the command travels unframed; P 1 escapes ESC and EOT and ends with EOT.
        { "MNUCMD", 1, {}, {}, "a\x1b\x04z", "MNUCMD1P\x1d" "a\x1b\x1b\x1b\x04z\x04" },
        { "MNUCMD", 0, {}, {}, "a\x1bz", "MNUCMD0P\x1d" "a\x1bz" },
    };
    for (const Row& row : rows) {
        HTAG tag(row.name);
        tag.ClearValues();
        ASSERT_TRUE(tag.SetProtocol(row.protocol));
        for (const auto& [name, text] : row.texts)
            ASSERT_TRUE(tag.SetText(name, text)) << name;
        for (const auto& [name, value] : row.numbers)
            ASSERT_TRUE(tag.SetInt(name, value)) << name;
        tag.Data().Copy(reinterpret_cast<const unsigned char*>(row.data.data()), unsigned(row.data.size()));
        HSTRING packet;
        tag.BuildPacket(packet);
        EXPECT_EQ(Str(packet), row.expected) << row.name;
        if (row.protocol == 1) {
            HSTRING data(packet);
            data.Remove(0, 9);
            HSTRING back;
            HTAG::UnescapeData(data, back);
            EXPECT_EQ(Str(back), row.data);
        }
    }
}

TEST(HTagPacket, ParametersParseBackWithTheirCodes)
{
    struct Row {
        const char* command;
        std::string parameters;
        int code;
        const char* checkName;
        std::string checkValue;
    };
    const Row rows[] = {
        { "FILSTO", "\"a\\22b\\1D\"file3cmp7TYPE\x1d", HTAG_PARSE_OK, "FILE", "a\"b\x1d" },
        { "FILSTO", "3CMP12XYZ4WG\x1d", HTAG_PARSE_UNKNOWN_SKIPPED, "WG", "4" },
        { "FILSTO", "9CMP\x1d", -8, "CMP", "0" },            // CMP is the 8th parameter, range 0..8
        { "FILSTO", "\"x\"CMP\x1d", -8, "CMP", "0" },         // a text where a number belongs
        { "FILSTO", "5FILE\x1d", -7, "FILE", "UNKNOWN" },     // a number where a text belongs
        { "FILSTO", "12\x1d", HTAG_PARSE_EMPTY_NAME, "", "" },
        { "FILSTO", "-CMP\x1d", HTAG_PARSE_NO_DIGITS, "", "" },
        { "FILSTO", "\"open FILE", HTAG_PARSE_UNCLOSED_QUOTE, "", "" },
        { "TRGEVT", "2T-1REQP\x1d", HTAG_PARSE_OK, "T", "2" },
        { "IMGSHP", "1~9999#3IR\x1d", HTAG_PARSE_OK, "#", "9999" },
        { "IMGSHP", "11S\x1d", -13, "S", "1" },
        // Errors do not stop the parse: the valid parameter after the broken one still counts.
        { "IMGSHP", "99D4S\x1d", -12, "S", "4" },
    };
    for (const Row& row : rows) {
        HTAG tag(row.command);
        unsigned consumed = 0;
        const int code = tag.ParseParameters(reinterpret_cast<const unsigned char*>(row.parameters.data()),
                                             unsigned(row.parameters.size()), consumed);
        EXPECT_EQ(code, row.code) << row.parameters;
        EXPECT_EQ(consumed, row.parameters.size()) << row.parameters;
        if (*row.checkName == 0)
            continue;
        const int index = tag.Find(row.checkName);
        ASSERT_GE(index, 0);
        const std::string value = tag.Info(unsigned(index)).type == HTAG_TYPE::Text
            ? tag.GetText(row.checkName)
            : std::to_string(tag.GetInt(row.checkName));
        EXPECT_EQ(value, row.checkValue) << row.parameters;
    }
}

TEST(HTagPacket, EveryClassRoundTripsAllItsParameters)
{
    for (const char* name : { "FILSTO", "MSGGET", "GETSYS", "MNUCMD", "ACTSTA", "TRGEVT", "BOTMOD", "IMGSHP",
                              "APPSTO", "ENGSTO", "BOTRET", "HPLSMS" }) {
        HTAG out(name);
        for (unsigned i = 1; i < out.Count(); ++i) {
            const HTAG_PARAMETER_INFO& info = out.Info(i);
            if (info.type == HTAG_TYPE::Text)
                out.SetText(info.name, std::string("v") + info.name + "\"\x1d");
            else
                out.SetInt(info.name, info.maximum);
        }
        HSTRING body;
        out.BuildBody(body, true);
        HTAG in(name);
        ASSERT_EQ(in.ParseBody(body.Data(), body.Length()), HTAG_PARSE_OK) << name << " " << Str(body);
        for (unsigned i = 1; i < out.Count(); ++i) {
            const char* p = out.Info(i).name;
            EXPECT_EQ(in.GetInt(p), out.GetInt(p)) << name << " " << p;
            EXPECT_EQ(in.GetText(p), out.GetText(p)) << name << " " << p;
        }
    }
}

TEST(HTagSend, RawProtocolWritesHeaderThenBodyIn2048BytePieces)
{
    Bench bench;
    std::vector<size_t> writeSizes;
    bench.line.SetFilter(0, [&](std::vector<uint8_t>& bytes, size_t, size_t) { writeSizes.push_back(bytes.size()); });
    HTAG tag("FILSTO");
    tag.SetText("FILE", "f.bin");
    std::string data(5000, 'd');
    data[4999] = 'e';
    tag.Data().Copy(reinterpret_cast<const unsigned char*>(data.data()), unsigned(data.size()));
    HSTRING text;
    ASSERT_TRUE(bench.processor.SendHTag(tag, false, &text));
    EXPECT_EQ(Str(text), "Successfully transmitted HTag data");
    const std::string body = "\"f.bin\"FILE0CMP9TYPE0WG\x1d" + data;
    EXPECT_EQ(bench.Heard(body.size() + 20), Packet("FILSTO2P", body));
    EXPECT_EQ(writeSizes, (std::vector<size_t> { 15, 2048, 2048, body.size() - 4096 }));
}

class StoppingStatus : public HTRANSFER_STATUS {
public:
    using HTRANSFER_STATUS::MayContinue;
    bool MayContinue(unsigned, unsigned, bool) override { return false; }
};

TEST(HTagSend, RawSendStoppedByTheUserReportsFailure)
{
    Bench bench;
    StoppingStatus stop;
    HCOMMAND_PROCESSOR processor(&bench.host, &stop);
    HTAG tag("FILSTO");
    tag.Data().AppendRepeated('x', 5000);
    HSTRING text;
    EXPECT_FALSE(processor.SendHTag(tag, false, &text));
    EXPECT_EQ(Str(text), "HTag transmission stopped\r\n");
}

TEST(HTagSend, ProtocolFourGoesThroughHModemUncompressed)
{
    for (int protocol : { 4, 3 }) {
        Bench bench;
        HTAG tag("FILSTO");
        tag.SetProtocol(protocol);
        std::string data(3000, 'q');
        tag.Data().Copy(reinterpret_cast<const unsigned char*>(data.data()), unsigned(data.size()));
        const std::string body = "\"UNKNOWN\"FILE0CMP9TYPE0WG\x1d" + data;
        const std::string header = "FILSTO" + std::to_string(protocol) + "P";
        auto peer = std::async(std::launch::async, [&] {
            // The start command is the frame header; HModem brings the body.
            const std::string start = bench.Heard(15, 2000);
            HMODEM rx(&bench.reader, nullptr, nullptr);
            HSTRING received;
            const int result = rx.Receive(&received, 1 << 20);
            return std::make_tuple(start, result, Str(received), rx.ReceivedCompressionMode());
        });
        HSTRING text;
        EXPECT_TRUE(bench.processor.SendHTag(tag, false, &text)) << Str(text);
        const auto [start, result, received, mode] = peer.get();
        EXPECT_EQ(start, "\x16\xfe"s + Le32(uint32_t(header.size() + body.size())) + "\r" + header);
        EXPECT_EQ(result, HMODEM_SUCCESS);
        EXPECT_EQ(received, body);
        EXPECT_EQ(mode, protocol == 4 ? 0u : 7u);
        EXPECT_EQ(Str(text), "Successfully transmitted HTag data");
    }
}

TEST(HTagSend, HModemFailureTexts)
{
    Bench bench;
    HTAG tag("FILSTO");
    tag.SetProtocol(4);
    tag.Data().Copy("x");
    // The reader hears the start command and refuses with ESC.
    auto peer = std::async(std::launch::async, [&] {
        bench.Heard(15, 2000);
        bench.Say("\x1b", false);
    });
    HSTRING text;
    EXPECT_FALSE(bench.processor.SendHTag(tag, false, &text));
    peer.get();
    EXPECT_EQ(Str(text), "HModem Download - Receiver terminated download\r\n");
}

TEST(HTagReceive, PacketFedWholeOrByteByByteReachesTheSink)
{
    const std::string packet = Packet("ACTSTA2P", "1ACTIVITY5PROCESSED9TOTAL\"rf\"RFSCAN\x1dtail");
    for (bool oneByOne : { false, true }) {
        Bench bench;
        bench.Say(packet, oneByOne);
        HTAG command;
        int code = 0;
        HSTRING text;
        EXPECT_TRUE(bench.processor.ReceiveHTag(command, code, &text));
        EXPECT_EQ(code, HTAG_PARSE_OK);
        EXPECT_EQ(Str(text), "Successfully received command");
        EXPECT_EQ(command.Name(), "ACTSTA");
        EXPECT_EQ(command.GetInt("PROCESSED"), 5);
        EXPECT_EQ(command.GetText("RFSCAN"), "rf");
        EXPECT_EQ(Str(command.Data()), "tail");
        EXPECT_EQ(bench.events.events, (std::vector<std::string> { "htag:ACTSTA:1:Successfully received command" }));
    }
}

TEST(HTagReceive, BrokenHeadersGiveTheirCodes)
{
    struct Row {
        std::string bytes;
        int code;
        std::string text;
        size_t leftOnLine;  // bytes the receiver must not have taken
    };
    const Row rows[] = {
        { "x", HTAG_RECEIVE_NO_SYN, "Missing <SYN> at the start of an HTag packet\r\n", 0 },
        { "\x16x", HTAG_RECEIVE_NO_MARKER, "Missing FE after <SYN> in an HTag packet\r\n", 0 },
        { "\x16\xfe\x01\x02", HTAG_RECEIVE_NO_LENGTH, "Timeout while waiting for HTag length\r\n", 0 },
        // Over the limit: refused at once, the 100 bytes behind it stay on the line.
        { "\x16\xfe"s + Le32(5u << 20) + "\r" + std::string(100, 'z'), HTAG_RECEIVE_TOO_LONG,
          "HTag packet is longer than allowed\r\n", 101 },
        { "\x16\xfe"s + Le32(10) + "X", HTAG_RECEIVE_NO_CR, "Missing <CR> after the HTag length\r\n", 0 },
        { "\x16\xfe"s + Le32(4) + "\rFILS", HTAG_RECEIVE_NO_NAME, "Missing HTag command name\r\n", 4 },
        { Packet("ZZZZZZ2P", "abc") + "after", HTAG_RECEIVE_UNRECOGNIZED, "Unrecognized <SYN>FE command", 5 },
        { Packet("FILSTOxP", "abc"), HTAG_RECEIVE_BAD_PROTOCOL, "Bad protocol\r\n", 0 },
        { Packet("FILSTO2Q", "abc"), HTAG_RECEIVE_BAD_PROTOCOL, "Incorrect protocol parameter name\r\n", 0 },
        { "\x16\xfe"s + Le32(20) + "\rFILSTO2P\x1d" "ab", HTAG_RECEIVE_DATA_TIMEOUT,
          "Timeout while waiting for remaining 9 bytes of HTag data\r\n", 0 },
    };
    for (const Row& row : rows) {
        Bench bench;
        bench.Say(row.bytes, false);
        HTAG command;
        int code = 0;
        HSTRING text;
        EXPECT_FALSE(bench.processor.ReceiveHTag(command, code, &text)) << row.text;
        EXPECT_EQ(code, row.code) << row.text;
        EXPECT_EQ(Str(text), row.text);
        std::vector<uint8_t> rest(200);
        EXPECT_EQ(bench.line.Read(1, rest.data(), rest.size(), std::chrono::milliseconds(10)), row.leftOnLine)
            << row.text;
    }
}

TEST(HTagReceive, RequestIsAnsweredWithItsPairedCommand)
{
    Bench bench;
    bench.events.answerData = "stored bytes";
    bench.Say(Packet("FILRET2P", "\"cfg.txt\"FILE\x1d"), true);
    HTAG command;
    int code = 0;
    EXPECT_TRUE(bench.processor.ReceiveHTag(command, code, nullptr));
    EXPECT_EQ(bench.events.requests, (std::vector<std::string> { "FILRET" }));
    const std::string expected = Packet("FILSTO2P", "\"cfg.txt\"FILE0CMP9TYPE0WG\x1dstored bytes");
    EXPECT_EQ(bench.Heard(expected.size()), expected);
}

TEST(HTagReceive, BrokenRequestIsRefusedWith10005)
{
    Bench bench;
    bench.events.answerData = "never sent";
    bench.Say(Packet("GETSYS2P", "7FC\x1d"), false);
    HTAG command;
    int code = 0;
    EXPECT_FALSE(bench.processor.ReceiveHTag(command, code, nullptr));
    EXPECT_EQ(code, HTAG_RECEIVE_BAD_REQUEST);
    EXPECT_TRUE(bench.events.requests.empty());
    EXPECT_EQ(bench.Heard(1, 50), "");
}

TEST(HTagReceive, BootCodeIsAcceptedOnlyInStoreMode)
{
    Bench bench;
    const std::string botcod = Packet("BOTCOD2P", "\x1d" "code");
    bench.Say(botcod, false);
    HTAG command;
    int code = 0;
    EXPECT_FALSE(bench.processor.ReceiveHTag(command, code, nullptr));
    EXPECT_EQ(code, HTAG_RECEIVE_NOT_IN_STORE_MODE);

    bench.Say(Packet("BOTMOD2P", "\"ZXCVMNBQWTRYPLKJHGFD\"PASSWORD\x1d"), false);
    EXPECT_TRUE(bench.processor.ReceiveHTag(command, code, nullptr));
    EXPECT_EQ(bench.processor.BootCodeMode(), HCODE_MODE::Store);
    bench.Say(botcod, false);
    EXPECT_TRUE(bench.processor.ReceiveHTag(command, code, nullptr));
    EXPECT_EQ(code, HTAG_PARSE_OK);
}

TEST(HTagModes, PasswordsGoOutInOrder)
{
    struct Row {
        bool boot;
        bool retrieve;
        const char* name;
        const char* first;
        const char* second;
    };
    const Row rows[] = {
        { true, true, "BOTMOD", "QWMZTRBNKLPXVDH", "PLKWQZTNMRBVXHDGCYJFSAE" },
        { true, false, "BOTMOD", "QWMZTRBNKLPXVDH", "ZXCVMNBQWTRYPLKJHGFD" },
        { false, true, "FLSMOD", "MNQPZWLKRTYXBVCGH", "HJKQWPZLMNXBVRTYCDGFSAEUO" },
        { false, false, "FLSMOD", "MNQPZWLKRTYXBVCGH", "TYQWZPLKMXNBVCRHGJDFSA" },
    };
    for (const Row& row : rows) {
        Bench bench;
        const bool ok = row.boot ? bench.processor.SwitchToBootCodeMode(row.retrieve)
                                 : bench.processor.SwitchToFlashImageMode(row.retrieve);
        EXPECT_TRUE(ok);
        const std::string expected = Packet(row.name + "2P"s, "\""s + row.first + "\"PASSWORD\x1d")
            + Packet(row.name + "2P"s, "\""s + row.second + "\"PASSWORD\x1d");
        EXPECT_EQ(bench.Heard(expected.size()), expected);
        EXPECT_EQ(bench.status.GetProcessReceivedDataLockSemaphore(), 0);
    }
}

TEST(HTagReceive, ProtocolFourBodyComesThroughHModem)
{
    Bench bench;
    const std::string body = "\"pic.kim\"FILE0CMP9TYPE0WG\x1d" + std::string(2500, 'k');
    const std::string header = "FILSTO4P";
    auto peer = std::async(std::launch::async, [&] {
        bench.Say("\x16\xfe"s + Le32(uint32_t(header.size() + body.size())) + "\r" + header, false);
        HMODEM tx(&bench.reader, nullptr, nullptr);
        return tx.Transmit(HSTRING(reinterpret_cast<const unsigned char*>(body.data()), unsigned(body.size())),
                           HSTRING(), false, true, 0);
    });
    HTAG command;
    int code = 0;
    HSTRING text;
    EXPECT_TRUE(bench.processor.ReceiveHTag(command, code, &text)) << Str(text);
    EXPECT_EQ(peer.get(), HMODEM_SUCCESS);
    EXPECT_EQ(command.GetText("FILE"), "pic.kim");
    EXPECT_EQ(command.Data().Length(), 2500u);
}

} // namespace
