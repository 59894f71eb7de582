// The menu command protocol: batching, the reply completion and time rules, and how the
// replies of a settings write are sorted. Exchanges run against the in-process simulated
// reader (a real parser of the bytes on the line) and, where exact timing matters, against
// a scripted line that releases the reply piece by piece.
#include "support/RecordingPortSystem.h"
#include "device/CMenuCommands.h"

#include "device/CSerComm.h"
#include "RecordingHost.h"
#include "ScriptedLine.h"
#include "sim/SimPortSystem.h"
#include "sim/SimulatedReader.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

constexpr char ACK = 0x06;
constexpr char ENQ = 0x05;
constexpr char NAK = 0x15;

using Strings = std::vector<std::string>;

int CountOf(const std::string& text, char c) { return static_cast<int>(std::count(text.begin(), text.end(), c)); }

// ---- batches, classification, ranges: pure text rules ------------------------------------

TEST(MenuBatches, SplitsAtEveryTenthCommand)
{
    struct Row {
        int items;
        std::vector<int> perBatch;
    };
    const Row rows[] = { { 1, { 1 } }, { 10, { 10 } }, { 11, { 10, 1 } }, { 20, { 10, 10 } }, { 23, { 10, 10, 3 } } };
    for (const Row& row : rows) {
        std::string items;
        for (int i = 0; i < row.items; ++i)
            items += "TST" + std::to_string(100 + i) + std::to_string(i % 10) + ";";
        const Strings batches = CMenuCommands::SplitIntoBatches(items);
        ASSERT_EQ(batches.size(), row.perBatch.size()) << row.items;
        std::string joined;
        for (size_t b = 0; b < batches.size(); ++b) {
            EXPECT_EQ(CountOf(batches[b], ';'), row.perBatch[b] - 1);
            EXPECT_EQ(batches[b].back(), '.');
            joined += batches[b].substr(0, batches[b].size() - 1) + ";";
        }
        EXPECT_EQ(joined, items);  // nothing lost, nothing reordered
    }
    EXPECT_TRUE(CMenuCommands::SplitIntoBatches("").empty());
    EXPECT_EQ(CMenuCommands::SplitIntoBatches("BEPLVL3"), Strings { "BEPLVL3" });
}

TEST(MenuReplies, ClassifiesEachTagOnceIntoItsList)
{
    const std::string replies = std::string("BEPLVL3") + ACK + ";" + "BADTAG1" + ENQ + ";" + "TOOBIG9" + NAK + "."
        + "TOOBIG9" + NAK + ";" + "PREDFT" + ENQ + ";" + "SUFDFT" + ENQ + ";" + "DFMDFT" + ENQ + "."
        // a batch that got no answer keeps its own text: every tag in it is unanswered
        + "LOST001;LOST002;LOST001." + "BADTAG1" + ENQ + ".";
    Strings notPresent, outOfRange, noResponse;
    CMenuCommands::ClassifyReplies(replies, notPresent, outOfRange, noResponse);
    EXPECT_EQ(notPresent, Strings { "BADTAG" });
    EXPECT_EQ(outOfRange, Strings { "TOOBIG" });
    EXPECT_EQ(noResponse, (Strings { "LOST00" }));

    CMenuCommands::ClassifyReplies(std::string("ABC") + ENQ + ";" + ".." + "X" + NAK + ".", notPresent, outOfRange,
                                   noResponse);
    EXPECT_EQ(notPresent, Strings { "ABC" });  // a short entry still names what there is
    EXPECT_EQ(outOfRange, Strings { "X" });
    EXPECT_TRUE(noResponse.empty());
}

TEST(MenuReplies, ParsesRangesOfBothShapes)
{
    struct Row {
        const char* range;
        Strings values;
        long minimum;
        long maximum;
    };
    const Row rows[] = {
        { "1|2|5|", { "1", "2", "5" }, 0, 0 },
        { "0-255", {}, 0, 255 },
        { "-5-10", {}, -5, 10 },
        { "-12", { "-12" }, 0, 0 },
        { "ABC", { "ABC" }, 0, 0 },
        { "A|B", { "A", "B" }, 0, 0 },
        { "|A|", { "" }, 0, 0 },
        { "0-99999999999999", {}, 0, 2147483647 },
        { "", { "" }, 0, 0 },
    };
    for (const Row& row : rows) {
        Strings values { "stale" };
        long minimum = 7, maximum = 7;
        CMenuCommands::ParseRange(row.range, values, minimum, maximum);
        EXPECT_EQ(values, row.values) << row.range;
        EXPECT_EQ(minimum, row.minimum) << row.range;
        EXPECT_EQ(maximum, row.maximum) << row.range;
    }
}

// ---- exchanges with the simulated reader -------------------------------------------------

std::string TestProfile(int settings)
{
    std::string text = "name test\nmodel Test reader\nclass CDevice\nrev_qx QX80001005-012\nrev_sw SW 1.00\n"
                       "p_name TEST\nlink 0xCE31\nline 9600 8N1\ntables 1\ncaps none\n";
    for (int i = 0; i < settings; ++i)
        text += "setting TST" + std::to_string(100 + i) + " range=0-5 default=1 values=1\n";
    return text;
}

class MenuWithReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUserAbort(false);
        ReaderProfile profile;
        std::string error;
        ASSERT_TRUE(ReaderProfile::Parse(TestProfile(25), profile, error)) << error;
        reader = std::make_shared<SimulatedReader>(profile);
        ports.sim.Attach("COM5", reader);
        InstallSerialPortSystem(&ports);
        ASSERT_EQ(port.OpenPort("COM5:9600,N,8,1"), CSerComm::kOpenOk);
        ports.written.clear();
    }
    void TearDown() override
    {
        port.ClosePort();
        InstallSerialPortSystem(nullptr);
        SetUserAbort(false);
    }

    // The frames the host sent: the text after each SYN "M" CR.
    Strings SentFrames() const
    {
        Strings frames;
        const std::string prefix = "\x16M\r";
        size_t at = ports.written.find(prefix);
        while (at != std::string::npos) {
            const size_t next = ports.written.find(prefix, at + prefix.size());
            frames.push_back(ports.written.substr(at + prefix.size(),
                                                  (next == std::string::npos ? ports.written.size() : next) - at - 3));
            at = next;
        }
        return frames;
    }

    RecordingHost host;
    RecordingPortSystem ports;
    std::shared_ptr<SimulatedReader> reader;
    CSerComm port;
    CMenuCommands menu { &port };
};

TEST_F(MenuWithReader, SingleCommandGetsItsEchoWithTheStatusByte)
{
    std::string reply;
    EXPECT_TRUE(menu.SendCommandAndWait("TST1004.", reply, 1000));
    EXPECT_EQ(reply, std::string("TST1004") + ACK + ".");
    EXPECT_TRUE(menu.SendCommandAndWait("TST100?.", reply, 1000));
    EXPECT_EQ(reply, std::string("TST1004") + ACK + ".");
    EXPECT_TRUE(menu.SendCommandAndWait("TST1009.", reply, 1000));  // out of range: complete all the same
    EXPECT_EQ(reply, std::string("TST1009") + NAK + ".");
    EXPECT_TRUE(menu.SendCommandAndWait("NOSUCH1!", reply, 1000));
    EXPECT_EQ(reply, std::string("NOSUCH1") + ENQ + "!");
    EXPECT_EQ(host.waitDepth, 0);
    EXPECT_EQ(menu.GetProcessReceivedDataLockSemaphore(), 0);
    EXPECT_FALSE(port.IsWatcherHeldPaused());
}

TEST_F(MenuWithReader, TwentyThreeCommandsGoOutAsTenTenAndThree)
{
    std::string items;
    for (int i = 0; i < 23; ++i)
        items += "TST" + std::to_string(100 + i) + "2;";
    // Two refusals of the same tag in different batches, and a tag the reader lacks.
    items.replace(items.find("TST1032;"), 8, "TST1039;");
    items.replace(items.find("TST1152;"), 8, "TST1039;");
    items.replace(items.find("TST1212;"), 8, "NOSUCH2;");
    items += "PREDFT;";  // block default on a reader without blocks: answered ENQ, not reported

    std::string replies;
    EXPECT_TRUE(menu.SendItemsInBatches(items, replies));
    const Strings frames = SentFrames();
    ASSERT_EQ(frames.size(), 3u);
    const int commands[] = { 10, 10, 4 };
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(CountOf(frames[i], ';'), commands[i] - 1) << frames[i];
        EXPECT_EQ(frames[i].back(), '.') << frames[i];
    }
    EXPECT_EQ(reader->Model().Value(*reader->Model().Find("TST122")), "2");

    Strings notPresent, outOfRange, noResponse;
    CMenuCommands::ClassifyReplies(replies, notPresent, outOfRange, noResponse);
    EXPECT_EQ(outOfRange, Strings { "TST103" });
    EXPECT_EQ(notPresent, Strings { "NOSUCH" });
    EXPECT_TRUE(noResponse.empty());
}

TEST_F(MenuWithReader, SilentReaderPutsEveryTagOfTheBatchInNoResponse)
{
    reader->Engine().SetSilent(true);
    std::string replies;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(menu.SendBatch("TST1001;TST1011;TST1001", replies));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(1150));  // 200 ms drain + 1000 ms wait
    EXPECT_EQ(replies, "TST1001;TST1011;TST1001.");
    Strings notPresent, outOfRange, noResponse;
    CMenuCommands::ClassifyReplies(replies, notPresent, outOfRange, noResponse);
    EXPECT_EQ(noResponse, (Strings { "TST100", "TST101" }));
    EXPECT_TRUE(notPresent.empty());
    EXPECT_TRUE(outOfRange.empty());
}

TEST_F(MenuWithReader, NoWaitSendsFrameAndTextOnly)
{
    menu.SendCommandNoWait("mnubep0!");
    EXPECT_EQ(ports.written, "\x16M\rmnubep0!");
}

TEST_F(MenuWithReader, RangeRepliesParse)
{
    std::string reply;
    ASSERT_TRUE(menu.SendCommandAndWait("TST100*.", reply, 1000));
    Strings values;
    long minimum = -1, maximum = -1;
    // The value sits between the echoed tag and the status byte.
    CMenuCommands::ParseRange(reply.substr(6, reply.size() - 8), values, minimum, maximum);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 5);
}

// ---- timing rules against a scripted reader ------------------------------------------------

class MenuTiming : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUserAbort(false);
        InstallSerialPortSystem(&line);
        ASSERT_EQ(port.OpenPort("COM1:9600,N,8,1"), CSerComm::kOpenOk);
    }
    void TearDown() override
    {
        port.ClosePort();
        InstallSerialPortSystem(nullptr);
        SetUserAbort(false);
    }
    void Script(std::vector<ScriptedPiece> pieces)
    {
        std::lock_guard<std::mutex> lock(line.shared->mutex);
        line.shared->script = std::move(pieces);
        line.shared->next = 0;
        line.shared->wrote = false;
        line.shared->received.clear();
        line.shared->written.clear();
    }
    // ms since start
    static long long Since(std::chrono::steady_clock::time_point start)
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    }

    RecordingHost host;
    ScriptedPortSystem line;
    CSerComm port;
    CMenuCommands menu { &port };
};

TEST_F(MenuTiming, ReplyFedOneByteAtATimeKeepsExtendingTheWait)
{
    // 30 bytes, one every 45 ms: the last arrives at 1505 ms, long after the 1000 ms asked
    // for, but each byte bought 50 ms more.
    const std::string echo = std::string("TST100;TST101;TST102;TST1") + ACK + ".";
    std::vector<ScriptedPiece> pieces;
    for (size_t i = 0; i < echo.size(); ++i)
        pieces.push_back({ static_cast<unsigned>(200 + 45 * i), echo.substr(i, 1) });
    Script(pieces);
    std::string reply;
    EXPECT_TRUE(menu.SendCommandAndWait("TST100;TST101;TST102;TST1.", reply, 1000));
    EXPECT_EQ(reply, echo);
    EXPECT_EQ(line.shared->written, "\x16M\rTST100;TST101;TST102;TST1.");
}

TEST_F(MenuTiming, GapLongerThanTheExtendedLimitEndsTheWait)
{
    Script({ { 300, "TST10" }, { 1600, std::string("0") + ACK + "." } });
    std::string reply;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(menu.SendCommandAndWait("TST100.", reply, 1000));
    EXPECT_EQ(reply, "TST10");
    const long long took = Since(start);
    EXPECT_GE(took, 1040);
    EXPECT_LT(took, 1550);
}

TEST_F(MenuTiming, CompletionNeedsTerminatorAfterAStatusByte)
{
    struct Row {
        std::string pieces[3];
        bool complete;
    };
    const Row rows[] = {
        { { "TST1", std::string("00") + ENQ, "." }, true },
        { { "TST", "100" + std::string(1, NAK), "&" }, true },
        { { "TST100", std::string(1, ACK), "!" }, true },
        { { "TST100", "1", "." }, false },                      // no status before the terminator
        { { "TST100", std::string(1, ACK), "@" }, false },     // 0x40 ends a reply only for the command handler
        { { "TST100", std::string(1, ACK), ";" }, false },
    };
    for (const Row& row : rows) {
        Script({ { 10, row.pieces[0] }, { 60, row.pieces[1] }, { 110, row.pieces[2] } });
        std::string reply;
        EXPECT_EQ(menu.SendCommandAndWait("TST100.", reply, 300), row.complete)
            << row.pieces[0] << row.pieces[1] << row.pieces[2];
        EXPECT_EQ(reply, row.pieces[0] + row.pieces[1] + row.pieces[2]);
    }
}

TEST_F(MenuTiming, EscapeEndsTheWaitAndNoPortFailsAtOnce)
{
    Script({});
    host.onPump = [] { SetUserAbort(true); };
    std::string reply = "old";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(menu.SendCommandAndWait("TST100.", reply, 5000));
    EXPECT_LT(Since(start), 500);
    EXPECT_TRUE(reply.empty());

    CMenuCommands detached;
    reply = "old";
    EXPECT_FALSE(detached.SendCommandAndWait("TST100.", reply, 5000));
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(host.waitDepth, 0);
}

TEST_F(MenuTiming, ExchangeHoldsTheWatcherPausedAndReleasesIt)
{
    bool heldDuringExchange = false;
    host.onPump = [this, &heldDuringExchange] {
        heldDuringExchange = heldDuringExchange || (port.IsWatcherHeldPaused() && port.IsWatcherPaused());
    };
    Script({ { 50, std::string("TST1000") + ACK + "." } });
    std::string reply;
    EXPECT_TRUE(menu.SendCommandAndWait("TST1000.", reply, 1000));
    EXPECT_TRUE(heldDuringExchange);
    EXPECT_FALSE(port.IsWatcherHeldPaused());
    EXPECT_FALSE(port.IsWatcherPaused());
}

} // namespace
