// The framework base classes' defaults, and menu commands sent by the command processor to a
// scripted reader at the other end of the in-memory line.
#include "transfer/HCOMMAND_PROCESSOR.h"

#include "transfer/HCOMM.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/HWSTRING.h"
#include "MemoryDuplex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr char ACK = 0x06, ENQ = 0x05;

// Implements only the buffer form of Read, as the program's channel does.
class CannedComm : public HCOMM {
public:
    using HCOMM::Read;
    bool Read(HSTRING* buffer, unsigned wanted, unsigned) override
    {
        buffer->Empty();
        const unsigned n = std::min<unsigned>(wanted, static_cast<unsigned>(canned.size()));
        return buffer->Append(reinterpret_cast<const unsigned char*>(canned.data()), n);
    }
    std::string canned;
};

class CountingStatus : public HTRANSFER_STATUS {
public:
    using HTRANSFER_STATUS::MayContinue;
    using HTRANSFER_STATUS::PrepareDownloadStatus;
    using HTRANSFER_STATUS::SetProgressLevel;
    void PrepareDownloadStatus(HWSTRING* text) override { preparedWith = static_cast<int>(text->Length()); }
    void SetProgressLevel(int position, int total) override { progress = { position, total }; }
    bool MayContinue(unsigned, unsigned, bool noDisplay) override
    {
        sawNoDisplay |= noDisplay;
        return true;
    }
    void ReceivedDataLockSemaphoreWasChanged() override { lockHistory.push_back(GetProcessReceivedDataLockSemaphore()); }
    void WaitingForResponse() override { ++waiting; }
    void FinishedWaitingForResponse() override { --waiting; }
    int preparedWith = -1;
    std::pair<int, int> progress { 0, 0 };
    bool sawNoDisplay = false;
    std::vector<int> lockHistory;
    int waiting = 0;
};

TEST(TransferFramework, DefaultsOfTheBaseClasses)
{
    HCOMM comm;
    EXPECT_EQ(comm.ReadTimeOut, 1000u);
    EXPECT_EQ(comm.Setting2, 2000u);
    EXPECT_EQ(comm.Setting3, 5000u);
    EXPECT_EQ(comm.Setting4, 0x400000u);
    comm.ReadTimeOut = 77;
    HCOMM copy(comm);
    EXPECT_EQ(copy.ReadTimeOut, 77u);
    EXPECT_FALSE(comm.IsPortAssigned());
    EXPECT_FALSE(comm.FlushReadBuffer());
    EXPECT_EQ(comm.ElapsedTime(), 0x7FFFFFFFu);
    EXPECT_TRUE(comm.SwitchTo8BitTransferMode());

    // The byte-pointer read lands in the caller's bytes through the buffer form.
    CannedComm canned;
    canned.canned = "hello";
    unsigned char bytes[8] = {};
    unsigned got = 0;
    EXPECT_TRUE(canned.Read(bytes, &got, 3, 10));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 3), "hel");

    CountingStatus status;
    status.PrepareDownloadStatus();
    EXPECT_EQ(status.preparedWith, 0);
    status.SetProgressLevel(12);
    EXPECT_EQ(status.progress, std::make_pair(12, -1));
    EXPECT_TRUE(status.MayContinue(1, 2));
    EXPECT_FALSE(status.sawNoDisplay);

    HTRANSFER_STATUS plain;
    plain.DecrementProcessReceivedDataLockSemaphore();
    EXPECT_EQ(plain.GetProcessReceivedDataLockSemaphore(), 0);
    plain.IncrementProcessReceivedDataLockSemaphore();
    plain.IncrementProcessReceivedDataLockSemaphore();
    EXPECT_EQ(plain.GetActivityCounter(), 2);
    HTRANSFER_STATUS copied(plain);
    plain.StatusText()->Copy("changed");
    EXPECT_EQ(copied.StatusText()->Length(), 0u);
}

// A reader on the far end: reads one command (up to its terminator) and answers it.
class ScriptedReader {
public:
    ScriptedReader(MemoryDuplex& line, std::function<std::string(const std::string&)> answer)
        : m_Line(line), m_Answer(std::move(answer)), m_Thread([this] { Run(); })
    {
    }
    ~ScriptedReader() { Finish(); }
    // Waits for the reader to finish; what it heard.
    std::string Finish()
    {
        if (m_Thread.joinable())
            m_Thread.join();
        return heard;
    }

private:
    std::string heard;

    void Run()
    {
        std::string command;
        uint8_t byte = 0;
        while (m_Line.Read(0, &byte, 1, std::chrono::milliseconds(1500)) == 1) {
            command.push_back(static_cast<char>(byte));
            const char c = static_cast<char>(byte);
            if (command.size() > 3 && (c == '.' || c == '!' || c == '&' || c == '@'))
                break;
        }
        heard = command;
        const std::string reply = m_Answer(command);
        // In pieces, as a reader's answer trickles in.
        for (size_t i = 0; i < reply.size(); i += 3) {
            const std::string piece = reply.substr(i, 3);
            m_Line.Write(1, reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    MemoryDuplex& m_Line;
    std::function<std::string(const std::string&)> m_Answer;
    std::thread m_Thread;
};

struct Bench {
    MemoryDuplex line;
    MemoryComm host { line, 0 };
    CountingStatus status;
    HCOMMAND_PROCESSOR processor { &host, &status };
};

TEST(HCommandProcessor, QueryReturnsTheValue)
{
    struct Row { const char* tag; bool keepStatus; const char* sent; std::string reply; std::string value; };
    const Row rows[] = {
        { "CURTBL", false, "\x16M\rCURTBL?.", std::string("CURTBL0") + ACK + ".", "0" },
        { "CURTBL", true, "\x16M\rCURTBL?.", std::string("CURTBL0") + ACK + ".", std::string("0") + ACK },
        { "BEPPWR&", false, "\x16M\rBEPPWR?&", std::string("BEPPWR12") + ENQ + "&", "12" },
        { "REVINF@", false, "\x16M\rREVINF?@", std::string("REVINFab") + ACK + "@", "ab" },
    };
    for (const Row& row : rows) {
        Bench bench;
        HSTRING value;
        ScriptedReader reader(bench.line, [&](const std::string&) { return row.reply; });
        EXPECT_TRUE(bench.processor.QueryCommand(row.tag, &value, row.keepStatus)) << row.tag;
        EXPECT_EQ(reader.Finish(), row.sent);
        EXPECT_EQ(std::string(value.Text(), value.Length()), row.value) << row.tag;
        EXPECT_EQ(bench.status.GetProcessReceivedDataLockSemaphore(), 0);
        EXPECT_EQ(bench.status.lockHistory, (std::vector<int>{ 1, 0 }));
        EXPECT_EQ(bench.status.waiting, 0);
    }
}

TEST(HCommandProcessor, BadTagsFailWithoutSending)
{
    Bench bench;
    HSTRING value;
    for (const char* tag : { "CURTBLX", "CURTB", "CURTBL?.", "" })
        EXPECT_FALSE(bench.processor.QueryCommand(tag, &value)) << tag;
    EXPECT_EQ(bench.line.BytesWritten(0), 0u);
}

TEST(HCommandProcessor, AddressPrefixRule)
{
    HCOMMAND_PROCESSOR processor(nullptr, nullptr);
    processor.SetAddress("07");
    struct Row { bool on; const char* command; const char* expected; };
    const Row rows[] = { { true, "CURTBL?.", ":07:CURTBL?." }, { true, ":03:CURTBL?.", ":03:CURTBL?." },
                         { true, "", "" }, { false, "CURTBL?.", "CURTBL?." } };
    for (const Row& row : rows) {
        processor.SetAddressing(row.on);
        HSTRING out;
        processor.AddressCommand(HSTRING(row.command), out);
        EXPECT_EQ(std::string(out.Text(), out.Length()), row.expected) << row.command;
    }
    processor.SetAddress("");
    processor.SetAddressing(true);
    HSTRING out;
    processor.AddressCommand(HSTRING("CURTBL."), out);
    EXPECT_EQ(std::string(out.Text()), "CURTBL.");
}

TEST(HCommandProcessor, CompletionRule)
{
    struct Row { const char* command; std::string reply; bool complete; };
    const Row rows[] = {
        { "CURTBL?.", std::string("CURTBL0") + ACK + ".", true },
        { "CURTBL?.", std::string("CURTBL0") + ENQ + "@", true },
        { "CURTBL?.", "CURTBL0.", false },
        { "CURTBL?.", std::string("CURTBL0") + ACK, false },
        { "SCRIPT$.", "SCRIPT1.", true },   // "$" commands end on the terminator alone
        { "SCRIPT$.", "SCRIPT1", false },
        { "X", "", false },
    };
    for (const Row& row : rows)
        EXPECT_EQ(HCOMMAND_PROCESSOR::MenuReplyComplete(HSTRING(row.command), HSTRING(row.reply.c_str())),
                  row.complete)
            << row.command << " " << row.reply;
}

TEST(HCommandProcessor, SendAndWaitAddressesAndTimesOut)
{
    {
        Bench bench;
        bench.processor.SetAddress("5");
        bench.processor.SetAddressing(true);
        HSTRING reply;
        ScriptedReader reader(bench.line, [](const std::string&) { return std::string("PAPDFT") + ACK + "."; });
        EXPECT_TRUE(bench.processor.SendAndWait("PAPDFT.", &reply));
        EXPECT_EQ(reader.Finish(), "\x16M\r:5:PAPDFT.");
        EXPECT_EQ(std::string(reply.Text()), std::string("PAPDFT") + ACK + ".");
        EXPECT_TRUE(bench.status.sawNoDisplay);
    }
    {
        // Nobody answers: false once the whole seconds of the time-out have passed.
        Bench bench;
        bench.processor.SetCommandReplyTimeOut(1000);
        HSTRING reply;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(bench.processor.SendAndWait("PAPDFT.", &reply));
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_GE(waited, std::chrono::seconds(2));
        EXPECT_LT(waited, std::chrono::seconds(4));
        EXPECT_EQ(bench.status.GetProcessReceivedDataLockSemaphore(), 0);
    }
    {
        Bench bench;
        EXPECT_TRUE(bench.processor.SendOnly("MNUBEP0!"));
        uint8_t bytes[32] = {};
        const size_t n = bench.line.Read(0, bytes, sizeof bytes, std::chrono::milliseconds(50));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), n), "\x16M\rMNUBEP0!");
        HCOMMAND_PROCESSOR closed(nullptr, nullptr);
        EXPECT_FALSE(closed.SendOnly("MNUBEP0!"));
        HSTRING reply;
        EXPECT_FALSE(closed.SendAndWait("MNUBEP0!", &reply));
    }
}

} // namespace
