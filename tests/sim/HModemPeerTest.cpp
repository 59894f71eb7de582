// HModem transfers between a host-side HMODEM and the simulated reader over the in-process
// virtual line (unpaced), in both directions, with the reader's block faults.
#include "sim/SimulatedReader.h"
#include "tests/sim/SimTestSupport.h"
#include "transfer/HCOMM.h"
#include "LineComm.h"
#include "transfer/HMODEM.h"
#include "transfer/HSTRING.h"
#include "transfer/HTRANSFER_STATUS.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

namespace {

// Counts the retries a transfer reports, to see that a fault really hit the line.
class CountingStatus final : public HTRANSFER_STATUS {
public:
    void RetryWarning(HSTRING*) override { ++retries; }
    int retries = 0;
};

// The reader only hears the host while the host uses the line (on a paced line the host's
// last ACK is still on the wire when its receiver returns), so keep servicing it.
bool WaitForReader(SimulatedReader& reader, SerialDevice& line, unsigned timeOutMs = 10000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeOutMs);
    while (!reader.HModem().WaitFinished(5)) {
        line.InputCount();
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    }
    return true;
}

enum class Data { Random, Text, Image };

std::string MakeData(Data kind, size_t length)
{
    std::string bytes(length, '\0');
    std::mt19937 random(1234);
    static constexpr const char* kWords[] = { "scanner ", "barcode ", "symbol ", "reader ", "setting ", "\r\n" };
    size_t i = 0;
    switch (kind) {
    case Data::Random:
        for (char& c : bytes)
            c = char(random() & 0xFF);
        break;
    case Data::Text:
        while (i < length) {
            for (const char* w = kWords[random() % 6]; *w && i < length; ++w)
                bytes[i++] = *w;
        }
        break;
    case Data::Image:
        // Smooth rows of a 640-wide grayscale picture with a little noise.
        for (i = 0; i < length; ++i)
            bytes[i] = char((i % 640) / 3 + (i / 640) + (random() % 3));
        break;
    }
    return bytes;
}

class HModemPeerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reader_ = std::make_shared<SimulatedReader>(simtest::ParseProfile(simtest::SmallProfile()));
        line_ = reader_->OpenLine();
        ASSERT_NE(line_, nullptr);
        simtest::SetHostFormat(*line_, 9600, 'N', 8);
        comm_ = std::make_unique<LineComm>(*line_);

        reader_->HModem().SetSettings(simtest::QuickReaderHModem());
    }

    void Configure(HMODEM& modem) { simtest::QuickHostHModem(modem); }

    // Host -> reader. Returns the host's result; the reader's outcome is in Outcome().
    int SendToReader(const std::string& data, unsigned mode, std::string* hostError = nullptr)
    {
        HMODEM modem(comm_.get(), &status_, nullptr);
        Configure(modem);
        const std::string start = "\x16HR\r";
        const int result = modem.Transmit(reinterpret_cast<const unsigned char*>(data.data()), unsigned(data.size()),
                                          reinterpret_cast<const unsigned char*>(start.data()),
                                          unsigned(start.size()), false, true, mode);
        if (hostError)
            *hostError = modem.LastError().Text() ? std::string(modem.LastError().Text(), modem.LastError().Length())
                                                  : std::string();
        EXPECT_TRUE(WaitForReader(*reader_, *line_));
        return result;
    }

    // Reader -> host: the reader sends its transferToSend with `mode`.
    int ReceiveFromReader(const std::string& data, unsigned mode, std::string& received,
                          std::string* hostError = nullptr, unsigned hostByteTimeOut = 100)
    {
        reader_->Model().transferToSend = data;
        const std::string start = "\x16HT" + std::to_string(mode) + "\r";
        line_->Write(reinterpret_cast<const uint8_t*>(start.data()), start.size());
        HMODEM modem(comm_.get(), &status_, nullptr);
        Configure(modem);
        modem.ByteTimeOut = hostByteTimeOut;
        HSTRING destination(1024, true);
        const int result = modem.Receive(&destination, 1u << 20);
        received.assign(reinterpret_cast<const char*>(destination.Data()), destination.Length());
        if (hostError)
            *hostError = std::string(modem.LastError().Text() ? modem.LastError().Text() : "",
                                     modem.LastError().Length());
        EXPECT_TRUE(WaitForReader(*reader_, *line_));
        return result;
    }

    // After a transfer the reader is back to answering menu commands.
    void ExpectReaderAnswersMenus()
    {
        const std::string reply = simtest::Menu(*line_, "BEPVOL?.");
        EXPECT_NE(reply.find("BEPVOL2"), std::string::npos) << reply;
    }

    HModemOutcome Outcome() { return reader_->HModem().Outcome(); }

    std::shared_ptr<SimulatedReader> reader_;
    std::unique_ptr<SerialDevice> line_;
    std::unique_ptr<LineComm> comm_;
    CountingStatus status_;
};

struct ModeCase {
    unsigned mode;
    Data data;
    size_t length;
};

TEST_F(HModemPeerTest, HostToReaderArrivesIntactInEachMode)
{
    // Modes with exact round trips; 1100 and 1200 bytes are the two ends of the rounding.
    constexpr ModeCase kCases[] = {
        { 0, Data::Random, 1100 }, { 0, Data::Text, 1200 }, { 0, Data::Random, 100 },
        { 1, Data::Text, 5000 },   { 2, Data::Image, 640 * 12 }, { 6, Data::Text, 7000 },
        { 7, Data::Image, 6000 },  { 8, Data::Text, 5000 },  { 6, Data::Random, 3000 },
    };
    for (const ModeCase& c : kCases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + ", " + std::to_string(c.length) + " bytes");
        const std::string data = MakeData(c.data, c.length);
        EXPECT_EQ(SendToReader(data, c.mode), HMODEM_SUCCESS);
        const HModemOutcome outcome = Outcome();
        EXPECT_EQ(outcome.result, HMODEM_SUCCESS) << outcome.lastError;
        EXPECT_EQ(outcome.data, data);
        EXPECT_EQ(reader_->Model().transferReceived, data);
        // Random data does not shrink and goes raw; everything else goes compressed.
        EXPECT_EQ(outcome.mode, c.data == Data::Random ? 0u : c.mode);
        ExpectReaderAnswersMenus();
    }
}

TEST_F(HModemPeerTest, ReaderToHostArrivesIntactInEachMode)
{
    constexpr ModeCase kCases[] = {
        { 0, Data::Random, 2500 }, { 1, Data::Text, 4000 }, { 2, Data::Image, 640 * 10 },
        { 6, Data::Image, 9000 },  { 8, Data::Text, 3000 }, { 7, Data::Random, 1500 },
    };
    for (const ModeCase& c : kCases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        const std::string data = MakeData(c.data, c.length);
        std::string received;
        EXPECT_EQ(ReceiveFromReader(data, c.mode, received), HMODEM_SUCCESS);
        EXPECT_EQ(received, data);
        EXPECT_EQ(Outcome().result, HMODEM_SUCCESS) << Outcome().lastError;
        ExpectReaderAnswersMenus();
    }
}

TEST_F(HModemPeerTest, ReaderSendsAGrayscalePictureAsJpeg)
{
    // Lossy: the picture comes back the right size and close to what was sent.
    const std::string picture = MakeData(Data::Image, 480 * 640);
    for (unsigned mode : { 3u, 4u, 5u }) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        reader_->SetFaults({});  // restarts the line's byte counts
        std::string received;
        ASSERT_EQ(ReceiveFromReader(picture, mode, received), HMODEM_SUCCESS);
        ASSERT_EQ(received.size(), picture.size());
        long long error = 0;
        for (size_t i = 0; i < picture.size(); ++i)
            error += std::abs(int(uint8_t(received[i])) - int(uint8_t(picture[i])));
        EXPECT_LT(double(error) / double(picture.size()), 4.0);
        EXPECT_LT(reader_->BytesToHost(), picture.size() / 2);
    }
}

TEST_F(HModemPeerTest, HostToReaderRecoversFromBlockFaults)
{
    struct Case {
        const char* name;
        HModemFaults faults;
        bool streaming;
    };
    HModemFaults corrupt;
    corrupt.corruptBlock = 2;
    HModemFaults corruptNumber;
    corruptNumber.corruptBlock = 1;
    corruptNumber.corruptOffset = 1;
    HModemFaults drop;
    drop.dropBlock = 2;
    HModemFaults dropLast;
    dropLast.dropBlock = 4;
    HModemFaults nak;
    nak.nakBlocks = 2;
    const Case kCases[] = {
        { "corrupt data byte", corrupt, true },      { "corrupt block number", corruptNumber, true },
        { "drop second block", drop, true },         { "drop last block", dropLast, true },
        { "NAK two blocks", nak, true },             { "NAK two blocks, no streaming", nak, false },
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        for (unsigned mode : { 0u, 6u }) {
            SCOPED_TRACE("mode " + std::to_string(mode));
            reader_->HModem().SetFaults(c.faults);
            // Four 1024-byte blocks uncompressed; the noisy picture still needs more than four
            // when deflated.
            const std::string data = MakeData(mode == 0 ? Data::Random : Data::Image, mode == 0 ? 4000 : 24000);
            HMODEM modem(comm_.get(), &status_, nullptr);
            Configure(modem);
            modem.Streaming = c.streaming;
            status_.retries = 0;
            const std::string start = "\x16HR\r";
            EXPECT_EQ(modem.Transmit(reinterpret_cast<const unsigned char*>(data.data()), unsigned(data.size()),
                                     reinterpret_cast<const unsigned char*>(start.data()), 4, false, true, mode),
                      HMODEM_SUCCESS)
                << modem.LastError().Text();
            ASSERT_TRUE(WaitForReader(*reader_, *line_));
            EXPECT_EQ(Outcome().result, HMODEM_SUCCESS) << Outcome().lastError;
            EXPECT_EQ(Outcome().data, data);
            EXPECT_GT(status_.retries, 0);
            ExpectReaderAnswersMenus();
        }
    }
}

TEST_F(HModemPeerTest, HostToReaderFailuresGiveTheRightResult)
{
    struct Case {
        const char* name;
        HModemFaults faults;
        int hostResult;
        const char* hostError;
        int readerResult;  // -1: the reader never started
    };
    HModemFaults nakMany;
    // A reader that refuses every block: the host gives up at its retry limit.
    nakMany.nakBlocks = 100;
    HModemFaults neverStart;
    neverStart.neverStart = true;
    HModemFaults cancel;
    cancel.cancelAfterBlocks = 2;
    HModemFaults silent;
    silent.silentAtEnd = true;
    const Case kCases[] = {
        { "NAKs every block", nakMany, HMODEM_RECEIVER_NAKED, "Receiver NAKed", -2 },
        { "never sends C", neverStart, HMODEM_NO_START_CHARACTER, "HModem receiver is unresponsive", -1 },
        { "cancels mid-transfer", cancel, HMODEM_OTHER_SIDE_CANCELLED, "Receiver terminated HMODEM",
          HMODEM_WE_CANCELLED },
        { "silent before the final ACK", silent, HMODEM_RECEIVER_UNRESPONSIVE,
          "Receiver is unresponsive to finish request", -2 },
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        reader_->HModem().SetFaults(c.faults);
        const std::string data = MakeData(Data::Random, 5000);
        std::string error;
        EXPECT_EQ(SendToReader(data, 0, &error), c.hostResult);
        EXPECT_EQ(error, c.hostError);
        const HModemOutcome outcome = Outcome();
        if (c.readerResult == -1) {
            EXPECT_FALSE(outcome.started);
        } else if (c.readerResult >= 0) {
            EXPECT_EQ(outcome.result, c.readerResult) << outcome.lastError;
        }
        if (c.readerResult == HMODEM_WE_CANCELLED) {
            EXPECT_EQ(outcome.lastError, "We (receiver) terminated HMODEM");
        }
        reader_->HModem().SetFaults({});
        // Whatever state the failure left, the next transfer goes through.
        EXPECT_EQ(SendToReader(data, 1), HMODEM_SUCCESS);
        EXPECT_EQ(Outcome().data, data);
    }
}

TEST_F(HModemPeerTest, ReaderRefusesMoreThanItsLimit)
{
    HModemPeerSettings settings = reader_->HModem().Settings();
    settings.receiveLimit = 2048;
    reader_->HModem().SetSettings(settings);
    reader_->Model().transferReceived = "before";
    std::string error;
    EXPECT_EQ(SendToReader(MakeData(Data::Random, 3000), 0, &error), HMODEM_OTHER_SIDE_CANCELLED);
    EXPECT_EQ(error, "Receiver terminated HMODEM");
    EXPECT_EQ(Outcome().result, HMODEM_TOO_MUCH_DATA);
    EXPECT_EQ(Outcome().lastError, "Receiver refusing data from transmitter (too large)");
    // What a failed transfer brought is not taken for the reader's data.
    EXPECT_EQ(reader_->Model().transferReceived, "before");

    EXPECT_EQ(SendToReader(MakeData(Data::Text, 2000), 0), HMODEM_SUCCESS);
    EXPECT_EQ(reader_->Model().transferReceived, MakeData(Data::Text, 2000));
}

TEST_F(HModemPeerTest, ReaderToHostRecoversFromBlockFaultsAndReportsItsCancel)
{
    const std::string data = MakeData(Data::Random, 5000);
    HModemFaults corrupt;
    corrupt.corruptBlock = 1;
    HModemFaults drop;
    drop.dropBlock = 3;
    HModemFaults dropLast;
    dropLast.dropBlock = 5;
    for (const HModemFaults& faults : { corrupt, drop, dropLast }) {
        reader_->HModem().SetFaults(faults);
        status_.retries = 0;
        std::string received;
        EXPECT_EQ(ReceiveFromReader(data, 0, received), HMODEM_SUCCESS);
        EXPECT_EQ(received, data);
        EXPECT_GT(status_.retries, 0);
        EXPECT_EQ(Outcome().result, HMODEM_SUCCESS) << Outcome().lastError;
    }

    // The transmitter's cancel waits for the line to go quiet before its ESC; a host that
    // retries fast gives up first, so this host waits for each byte longer than that.
    HModemFaults cancel;
    cancel.cancelAfterBlocks = 2;
    reader_->HModem().SetFaults(cancel);
    std::string received;
    std::string error;
    EXPECT_EQ(ReceiveFromReader(data, 0, received, &error, 2500), HMODEM_OTHER_SIDE_CANCELLED);
    EXPECT_EQ(error, "Transmitter terminated HMODEM");
    EXPECT_EQ(Outcome().result, HMODEM_WE_CANCELLED);
    EXPECT_EQ(Outcome().lastError, "We (transmitter) terminated HMODEM");
    ExpectReaderAnswersMenus();
}

TEST_F(HModemPeerTest, ReaderWithNothingToSendEndsAtOnce)
{
    std::string received = "stale";
    EXPECT_EQ(ReceiveFromReader({}, 0, received), HMODEM_SUCCESS);
    EXPECT_EQ(received, "");
    EXPECT_EQ(Outcome().result, HMODEM_NO_DATA);
    ExpectReaderAnswersMenus();
}

TEST_F(HModemPeerTest, CommandsStartATransferThroughTheEngine)
{
    // What a reader command that answers with a download does: start the receiver and hand
    // the byte stream over. The host's transmitter then needs no start command of its own.
    HModemPeer& peer = reader_->HModem();
    peer.StartReceive(1u << 16);
    reader_->Engine().Delegate(peer.shared_from_this());
    const std::string data = MakeData(Data::Text, 3000);
    HMODEM modem(comm_.get(), &status_, nullptr);
    Configure(modem);
    EXPECT_EQ(modem.Transmit(reinterpret_cast<const unsigned char*>(data.data()), unsigned(data.size()), nullptr, 0,
                             false, true, 8),
              HMODEM_SUCCESS);
    ASSERT_TRUE(WaitForReader(*reader_, *line_));
    EXPECT_EQ(Outcome().data, data);
    ExpectReaderAnswersMenus();
}

// At line speed the replies come back behind the bytes that caused them, with the reader's
// own retries arriving between the host's calls.
TEST(HModemPeerPacedTest, TransfersAtLineSpeedBothWays)
{
    auto reader = std::make_shared<SimulatedReader>(simtest::ParseProfile(simtest::SmallProfile({}, "115200 8N1")));
    reader->SetPacing(true);
    HModemFaults faults;
    faults.corruptBlock = 2;
    reader->HModem().SetFaults(faults);
    auto line = reader->OpenLine();
    ASSERT_NE(line, nullptr);
    simtest::SetHostFormat(*line, 115200, 'N', 8);
    LineComm comm(*line);
    CountingStatus status;

    const std::string data = MakeData(Data::Random, 3500);
    {
        HMODEM modem(&comm, &status, nullptr);
        modem.ResponseTimeOut = 2;
        const std::string start = "\x16HR\r";
        EXPECT_EQ(modem.Transmit(reinterpret_cast<const unsigned char*>(data.data()), unsigned(data.size()),
                                 reinterpret_cast<const unsigned char*>(start.data()), 4, false, true, 0),
                  HMODEM_SUCCESS);
        ASSERT_TRUE(WaitForReader(*reader, *line));
        EXPECT_EQ(reader->HModem().Outcome().data, data);
        EXPECT_GT(status.retries, 0);
    }
    {
        reader->Model().transferToSend = data;
        const std::string start = "\x16HT0\r";
        line->Write(reinterpret_cast<const uint8_t*>(start.data()), start.size());
        HMODEM modem(&comm, &status, nullptr);
        HSTRING received(1024, true);
        EXPECT_EQ(modem.Receive(&received, 1u << 16), HMODEM_SUCCESS);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(received.Data()), received.Length()), data);
        ASSERT_TRUE(WaitForReader(*reader, *line));
    }
}

// A NAK that reaches the host while its next block is half on the wire makes it throw the
// rest of that block away; the reader's faults must still find the later blocks and the end.
TEST(HModemPeerPacedTest, FaultsStayInStepAfterTheHostCutsABlockShort)
{
    auto reader = std::make_shared<SimulatedReader>(simtest::ParseProfile(simtest::SmallProfile({}, "115200 8N1")));
    reader->SetPacing(true);
    HModemFaults faults;
    faults.nakBlocks = 1;
    faults.silentAtEnd = true;
    reader->HModem().SetFaults(faults);
    auto line = reader->OpenLine();
    ASSERT_NE(line, nullptr);
    simtest::SetHostFormat(*line, 115200, 'N', 8);
    LineComm comm(*line);
    CountingStatus status;

    const std::string data = MakeData(Data::Random, 3000);
    HMODEM modem(&comm, &status, nullptr);
    modem.ResponseTimeOut = 1;
    const std::string start = "\x16HR\r";
    EXPECT_EQ(modem.Transmit(reinterpret_cast<const unsigned char*>(data.data()), unsigned(data.size()),
                             reinterpret_cast<const unsigned char*>(start.data()), 4, false, true, 0),
              HMODEM_RECEIVER_UNRESPONSIVE);
    EXPECT_STREQ(modem.LastError().Text(), "Receiver is unresponsive to finish request");
    EXPECT_GT(status.retries, 0);
}

TEST_F(HModemPeerTest, ReaderThatGaveUpWhileTheHostWasAwayAnswersTheNextCommand)
{
    // The host asks the reader to receive, then sends nothing: the reader's `C`s go unanswered
    // and it gives up on its own while nobody services the line.
    const std::string start = "\x16HR\r";
    line_->Write(reinterpret_cast<const uint8_t*>(start.data()), start.size());
    ASSERT_TRUE(reader_->HModem().WaitFinished(5000));
    EXPECT_EQ(Outcome().result, HMODEM_BAD_BLOCK_SIZE);
    EXPECT_EQ(Outcome().lastError, "Illegal HModem block size received for first block");
    // Its `C`s and ESC arrive first, then the answer to the command.
    const std::string reply = simtest::Menu(*line_, "BEPVOL?.");
    EXPECT_EQ(reply.substr(0, 4), "CCC\x1B");
    EXPECT_NE(reply.find("BEPVOL2"), std::string::npos);
}

TEST_F(HModemPeerTest, UnknownRequestIsIgnoredAndTheReaderCarriesOn)
{
    EXPECT_EQ(simtest::Exchange(*line_, "\x16HX\r"), "");
    EXPECT_EQ(simtest::Exchange(*line_, "\x16HT9x\r"), "");
    EXPECT_FALSE(Outcome().started);
    ExpectReaderAnswersMenus();
}

}  // namespace
