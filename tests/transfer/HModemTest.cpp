// HMODEM end to end: a transmitter and a receiver on two threads over the in-memory line,
// with faults injected on the line.
#include "transfer/HMODEM.h"

#include "transfer/HCOMMAND_HANDLER.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/compression/HCompression.h"
#include "MemoryDuplex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <future>
#include <random>
#include <set>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint8_t SOH = 0x01, STX = 0x02, EOT = 0x04, ACK = 0x06, NAK = 0x15, ESC = 0x1B;
constexpr int kToReceiver = 0;   // direction written by the transmitter's end
constexpr int kToTransmitter = 1;

class RecordingStatus : public HTRANSFER_STATUS {
public:
    using HTRANSFER_STATUS::MayContinue;
    bool MayContinue(unsigned, unsigned, bool) override
    {
        ++calls;
        return !stopAfterCalls || calls < stopAfterCalls;
    }
    void RetryWarning(HSTRING* text) override { warnings.emplace_back(text->Text(), text->Length()); }
    bool Warned(const std::string& text) const
    {
        for (const auto& w : warnings)
            if (w == text)
                return true;
        return false;
    }
    std::vector<std::string> warnings;
    unsigned calls = 0;
    unsigned stopAfterCalls = 0;
};

std::vector<uint8_t> TextLike(size_t n)
{
    static const char* words[] = { "reader ", "setting ", "barcode ", "firmware ", "table ", "value\r\n" };
    std::vector<uint8_t> out;
    std::mt19937 rng(7);
    while (out.size() < n) {
        const char* w = words[rng() % 6];
        out.insert(out.end(), w, w + std::strlen(w));
    }
    out.resize(n);
    return out;
}

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(n);
    for (auto& b : out)
        b = static_cast<uint8_t>(rng());
    return out;
}

// A data block as the transmitter writes it: size byte, number, complement, data, CRC.
bool IsDataBlock(const std::vector<uint8_t>& w)
{
    return (w.size() == 133 && w[0] == SOH) || (w.size() == 1029 && w[0] == STX);
}

struct Transfer {
    MemoryDuplex line;
    MemoryComm txEnd { line, 0 };
    MemoryComm rxEnd { line, 1 };
    RecordingStatus txStatus;
    RecordingStatus rxStatus;
    HCOMMAND_HANDLER wake;
    HMODEM tx { &txEnd, &txStatus, &wake };
    HMODEM rx { &rxEnd, &rxStatus, &wake };
    HSTRING received { 0u, true };
    int txResult = -1;
    int rxResult = -1;
    // Every write of the transmitter, as it went on the line.
    std::vector<std::vector<uint8_t>> txWrites;
    std::vector<std::vector<uint8_t>> rxWrites;
    std::function<void(std::vector<uint8_t>&, size_t)> txFault;
    std::function<void(std::vector<uint8_t>&, size_t)> rxFault;

    explicit Transfer(unsigned baud = 0) : line(baud)
    {
        line.SetFilter(kToReceiver, [this](std::vector<uint8_t>& bytes, size_t index, size_t) {
            if (txFault)
                txFault(bytes, index);
            txWrites.push_back(bytes);
        });
        line.SetFilter(kToTransmitter, [this](std::vector<uint8_t>& bytes, size_t index, size_t) {
            if (rxFault)
                rxFault(bytes, index);
            rxWrites.push_back(bytes);
        });
        tx.ResponseTimeOut = 2;
    }

    void Run(const std::vector<uint8_t>& data, bool header, unsigned mode = 0, bool runReceiver = true,
             unsigned maximum = 1u << 24)
    {
        // No start command: the receiver here is the protocol engine itself, not a reader's
        // command parser that would hand over to it.
        auto sender = std::async(std::launch::async, [&] {
            return tx.Transmit(data.data(), static_cast<unsigned>(data.size()), nullptr, 0, false, header, mode);
        });
        if (runReceiver)
            rxResult = rx.Receive(&received, maximum);
        txResult = sender.get();
    }

    std::vector<uint8_t> Received() const { return { received.Data(), received.Data() + received.Length() }; }
    std::string TxError() const { return tx.LastError().Text(); }
    std::string RxError() const { return rx.LastError().Text(); }

    // Block numbers of the data blocks the transmitter wrote, in order.
    std::vector<int> BlockNumbers() const
    {
        std::vector<int> numbers;
        for (const auto& w : txWrites)
            if (IsDataBlock(w))
                numbers.push_back(w[1]);
        return numbers;
    }
    size_t TxWritesOf(uint8_t byte) const
    {
        size_t n = 0;
        for (const auto& w : txWrites)
            n += w.size() == 1 && w[0] == byte;
        return n;
    }
};

TEST(HModemCrc, CheckValueAndWireOrder)
{
    EXPECT_EQ(HMODEM::Crc16(reinterpret_cast<const unsigned char*>("123456789"), 9), 0x31C3);
    EXPECT_EQ(HMODEM::Crc16(nullptr, 0), 0);
}

TEST(HModemTotalSize, RoundsToTheBlocksSent)
{
    struct Row { unsigned length; bool small; unsigned total; };
    const Row rows[] = {
        { 1100, false, 1152 }, { 1200, false, 2048 }, { 100, false, 128 }, { 1024, false, 1024 },
        { 1152, false, 1152 }, { 2049, false, 2176 }, { 1100, true, 1152 }, { 1, true, 128 },
    };
    for (const Row& row : rows)
        EXPECT_EQ(HMODEM::TotalSize(row.length, row.small), row.total) << row.length;
}

TEST(HModemTransfer, BlockSizesFollowTheRounding)
{
    struct Row { size_t length; std::vector<size_t> blocks; };
    const Row rows[] = { { 1100, { 1029, 133 } }, { 1200, { 1029, 1029 } }, { 100, { 133 } } };
    for (const Row& row : rows) {
        Transfer t;
        const auto data = RandomBytes(row.length);
        t.Run(data, true);
        ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << t.TxError();
        ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << t.RxError();
        EXPECT_EQ(t.Received(), data);
        std::vector<size_t> sizes;
        for (const auto& w : t.txWrites)
            if (IsDataBlock(w))
                sizes.push_back(w.size());
        EXPECT_EQ(sizes, row.blocks) << row.length;
        EXPECT_EQ(t.rx.AnnouncedSize, HMODEM::TotalSize(static_cast<unsigned>(row.length), false));
    }
}

TEST(HModemTransfer, HeaderModeConfirmsTheEndTwice)
{
    Transfer t;
    const auto data = TextLike(5000);
    t.Run(data, true);
    ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << t.TxError();
    ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << t.RxError();
    EXPECT_EQ(t.Received(), data);
    EXPECT_EQ(t.rx.ReceivedFlags() & 1u, 1u);
    EXPECT_EQ(t.TxWritesOf(EOT), 2u);
    // The receiver's last two answers: NAK to the first EOT, ACK to the second.
    ASSERT_GE(t.rxWrites.size(), 2u);
    EXPECT_EQ(t.rxWrites[t.rxWrites.size() - 2], std::vector<uint8_t>{ NAK });
    EXPECT_EQ(t.rxWrites.back(), std::vector<uint8_t>{ ACK });
    EXPECT_TRUE(t.TxError().empty());
}

TEST(HModemTransfer, PlainModeWithoutHeaderDeliversPaddedData)
{
    Transfer t;
    const auto data = TextLike(1100);
    t.Run(data, false);
    ASSERT_EQ(t.txResult, HMODEM_SUCCESS);
    ASSERT_EQ(t.rxResult, HMODEM_SUCCESS);
    // Without a header nobody knows the true length: the padding of the last block stays.
    auto expected = data;
    expected.resize(1152, 0);
    EXPECT_EQ(t.Received(), expected);
    EXPECT_EQ(t.TxWritesOf(EOT), 1u);
}

TEST(HModemTransfer, BlockNumbersWrapAfter255)
{
    Transfer t;
    t.tx.SmallBlocks = true;
    const auto data = RandomBytes(300 * 128, 3);
    t.Run(data, true);
    ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << t.TxError();
    ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << t.RxError();
    EXPECT_EQ(t.Received(), data);
    const auto numbers = t.BlockNumbers();
    ASSERT_EQ(numbers.size(), 300u);
    EXPECT_EQ(numbers[254], 255);
    EXPECT_EQ(numbers[255], 0);
    EXPECT_EQ(numbers[256], 1);
}

// At 9600 baud one 1024-byte block takes longer on the line than a 1 s response time-out:
// the transmitter must not count its own sending time against the receiver.
TEST(HModemTransfer, SlowLineDoesNotCauseFalseTimeOuts)
{
    Transfer t(9600);
    t.tx.ResponseTimeOut = 1;
    const auto data = RandomBytes(4 * 1024, 19);
    t.Run(data, true);
    ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << t.TxError();
    ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << t.RxError();
    EXPECT_EQ(t.Received(), data);
    EXPECT_TRUE(t.txStatus.warnings.empty());
}

// The receiver answers the probe with NAK (or not at all): the data go raw, block by block.
TEST(HModemTransfer, RefusedProbeFallsBackToPlainModeWithoutStreaming)
{
    for (const bool silent : { false, true }) {
        Transfer t;
        std::atomic<bool> dataStarted { false };
        std::atomic<int> replies { 0 };
        bool streamed = false;
        t.txFault = [&](std::vector<uint8_t>& bytes, size_t) {
            if (IsDataBlock(bytes)) {
                // Without streaming every block after the first waits for an answer.
                if (dataStarted && replies == 0)
                    streamed = true;
                dataStarted = true;
                replies = 0;
            }
        };
        bool probeAnswered = false;
        t.rxFault = [&](std::vector<uint8_t>& bytes, size_t) {
            if (!dataStarted && bytes.size() == 1 && bytes[0] == ACK && !probeAnswered) {
                probeAnswered = true;
                bytes[0] = NAK;
            }
            if (silent && !dataStarted && !(bytes.size() == 1 && bytes[0] == 'C'))
                bytes.clear();
            if (!bytes.empty() && (bytes[0] == ACK || bytes[0] == NAK))
                ++replies;
        };
        t.tx.ResponseTimeOut = 1;
        t.rx.RetryLimit = 12;
        const auto data = TextLike(4000);
        t.Run(data, true, 6);
        ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << silent << " " << t.TxError();
        ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << silent << " " << t.RxError();
        auto expected = data;
        expected.resize(HMODEM::TotalSize(4000, false), 0);
        EXPECT_EQ(t.Received(), expected) << silent;
        EXPECT_FALSE(streamed) << silent;
        EXPECT_EQ(t.rx.ReceivedCompressionMode(), 0u);
    }
}

// Block 2 arrives damaged while block 3 is already on its way: the transmitter goes back to
// block 2, the oldest one not acknowledged.
TEST(HModemTransfer, NakOnSecondBlockInFlightResendsFromTheOldest)
{
    Transfer t(115200);
    bool damaged = false;
    t.txFault = [&](std::vector<uint8_t>& bytes, size_t) {
        if (!damaged && IsDataBlock(bytes) && bytes[1] == 2) {
            damaged = true;
            bytes[100] ^= 0x55;
        }
    };
    const auto data = RandomBytes(6 * 1024, 5);
    t.Run(data, true);
    ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << t.TxError();
    ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << t.RxError();
    EXPECT_EQ(t.Received(), data);
    const auto numbers = t.BlockNumbers();
    // 1 and 2 go together, 3 after the ACK of 1, then the NAK of 2 rewinds to 2.
    ASSERT_GE(numbers.size(), 5u);
    EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + 4), (std::vector<int>{ 1, 2, 3, 2 }));
    EXPECT_TRUE(t.txStatus.Warned("Receiver NAKed; retry #1\r\n"));
    ASSERT_FALSE(t.rxStatus.warnings.empty());
    EXPECT_EQ(t.rxStatus.warnings[0].rfind("CRC mismatch (", 0), 0u) << t.rxStatus.warnings[0];
}

// Our ACKs of blocks 1 and 2 turn into NAKs on the way: the transmitter sends them again and
// the receiver takes back what it had accepted instead of storing the blocks twice.
TEST(HModemTransfer, ReceiverTakesBackRepeatedBlocks)
{
    Transfer t(115200);
    int acks = 0;
    t.rxFault = [&](std::vector<uint8_t>& bytes, size_t) {
        // ACK #1 answers the probe, #2 the header; #3 is the first data block.
        if (bytes.size() == 1 && bytes[0] == ACK && ++acks == 3)
            bytes[0] = NAK;
    };
    const auto data = RandomBytes(5 * 1024, 9);
    t.Run(data, true);
    ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << t.TxError();
    ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << t.RxError();
    EXPECT_EQ(t.Received(), data);
    bool tookBack = false;
    for (const auto& w : t.rxStatus.warnings)
        tookBack |= w.rfind("Lower block number 1;", 0) == 0;
    EXPECT_TRUE(tookBack);
}

// A damaged block (bad CRC) and a block lost on the line are both asked for again.
TEST(HModemTransfer, DamagedOrLostBlocksAreRetriedAndDeliveredIntact)
{
    for (const bool header : { true, false }) {
        for (const bool drop : { false, true }) {
            Transfer t;
            std::set<int> hit;
            t.txFault = [&](std::vector<uint8_t>& bytes, size_t) {
                if (!IsDataBlock(bytes) || !(bytes[1] == 3 || bytes[1] == 7) || !hit.insert(bytes[1]).second)
                    return;
                if (drop)
                    bytes.clear();
                else
                    bytes[bytes.size() - 1] ^= 0xFF;   // the CRC's low byte
            };
            const auto data = RandomBytes(10 * 1024, 11);
            t.Run(data, header);
            ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << header << drop << t.TxError();
            ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << header << drop << t.RxError();
            EXPECT_EQ(t.Received(), data);
            EXPECT_EQ(hit.size(), 2u);
            EXPECT_FALSE(t.rxStatus.warnings.empty());
        }
    }
}

// Block 2 fails twice: with one retry left the transmitter goes on in 128-byte blocks.
TEST(HModemTransfer, SwitchesToSmallBlocksOnTheLastRetry)
{
    Transfer t;
    t.tx.SmallBlocksOnLastRetry = true;
    int damaged = 0;
    t.txFault = [&](std::vector<uint8_t>& bytes, size_t) {
        if (IsDataBlock(bytes) && bytes[1] == 2 && bytes.size() == 1029 && damaged < 2) {
            ++damaged;
            bytes[50] ^= 0x80;
        }
    };
    const auto data = RandomBytes(4 * 1024, 17);
    t.Run(data, true);
    ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << t.TxError();
    ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << t.RxError();
    EXPECT_EQ(t.Received(), data);
    // Everything after the second failure went in small blocks, numbered on from 2.
    std::vector<std::vector<uint8_t>> blocks;
    for (const auto& w : t.txWrites)
        if (IsDataBlock(w))
            blocks.push_back(w);
    ASSERT_GT(blocks.size(), 4u);
    EXPECT_EQ(blocks.back().size(), 133u);
    // Block 1 went large; the remaining 3072 bytes are 24 small blocks, numbered 2 to 25.
    EXPECT_EQ(blocks.back()[1], 25);
    EXPECT_TRUE(t.txStatus.Warned("Receiver NAKed; retry #2\r\n"));
}

TEST(HModemTransfer, RetryLimitEndsWithEscapeSequence)
{
    Transfer t;
    t.rx.RetryLimit = 50;   // the receiver keeps asking; the transmitter gives up first
    t.txFault = [](std::vector<uint8_t>& bytes, size_t) {
        if (IsDataBlock(bytes) && bytes[1] == 2)
            bytes[10] ^= 1;
    };
    const auto data = RandomBytes(4096, 13);
    t.Run(data, false);
    EXPECT_EQ(t.txResult, HMODEM_RECEIVER_NAKED);
    EXPECT_EQ(t.TxError(), "Receiver NAKed");
    for (const char* text : { "Receiver NAKed; retry #1\r\n", "Receiver NAKed; retry #2\r\n",
                              "Receiver NAKed; retry #3\r\n" })
        EXPECT_TRUE(t.txStatus.Warned(text)) << text;
    EXPECT_EQ(t.TxWritesOf(ESC), 2u);
    EXPECT_EQ(t.rxResult, HMODEM_OTHER_SIDE_CANCELLED);
    EXPECT_EQ(t.RxError(), "Transmitter terminated HMODEM");
}

TEST(HModemTransfer, SilenceBeforeTheFinalAckIsReported)
{
    Transfer t;
    bool eotSent = false;
    t.txFault = [&](std::vector<uint8_t>& bytes, size_t) { eotSent |= bytes.size() == 1 && bytes[0] == EOT; };
    t.rxFault = [&](std::vector<uint8_t>& bytes, size_t) {
        if (eotSent)
            bytes.clear();
    };
    t.tx.ResponseTimeOut = 1;
    t.Run(TextLike(2000), false);
    EXPECT_EQ(t.txResult, HMODEM_RECEIVER_UNRESPONSIVE);
    EXPECT_EQ(t.TxError(), "Receiver is unresponsive to finish request");
    EXPECT_TRUE(t.txStatus.Warned("Receiver is unresponsive to finish request"));
}

TEST(HModemTransfer, ReceiverThatNeverSendsStartCharacter)
{
    Transfer t;
    t.tx.StartTimeOut = 1;
    t.Run(TextLike(100), true, 0, false);
    EXPECT_EQ(t.txResult, HMODEM_NO_START_CHARACTER);
    EXPECT_EQ(t.TxError(), "HModem receiver is unresponsive");
}

TEST(HModemTransfer, CancelWhileWaitingForStartSendsEscapeTwice)
{
    Transfer t;
    t.txStatus.stopAfterCalls = 3;
    t.Run(TextLike(100), true, 0, false);
    EXPECT_EQ(t.txResult, HMODEM_WE_CANCELLED);
    EXPECT_EQ(t.TxError(), "We (transmitter) terminated HMODEM");
    EXPECT_EQ(t.TxWritesOf(ESC), 2u);
}

TEST(HModemTransfer, CancelMidTransferStopsBothSides)
{
    {
        Transfer t;
        t.txStatus.stopAfterCalls = 12;
        t.Run(RandomBytes(20 * 1024), true);
        EXPECT_EQ(t.txResult, HMODEM_WE_CANCELLED);
        EXPECT_NE(t.rxResult, HMODEM_SUCCESS);
        EXPECT_EQ(t.TxWritesOf(ESC), 2u);
    }
    {
        // The receiver's user cancels: its ESC sequence stops the transmitter.
        Transfer t;
        t.rxStatus.stopAfterCalls = 12;
        t.Run(RandomBytes(20 * 1024), true);
        EXPECT_EQ(t.rxResult, HMODEM_WE_CANCELLED);
        EXPECT_EQ(t.RxError(), "We (receiver) terminated HMODEM");
        EXPECT_EQ(t.txResult, HMODEM_OTHER_SIDE_CANCELLED);
        EXPECT_EQ(t.TxError(), "Receiver terminated HMODEM");
    }
}

TEST(HModemTransfer, TooSmallFixedBufferIsRefused)
{
    {
        Transfer t;
        HSTRING fixed(1000, false);
        const auto data = TextLike(1100);
        auto sender = std::async(std::launch::async, [&] {
            return t.tx.Transmit(data.data(), 1100, nullptr, 0, false, true, 0);
        });
        t.rxResult = t.rx.Receive(&fixed, 1u << 20);
        t.txResult = sender.get();
        EXPECT_EQ(t.rxResult, HMODEM_TOO_MUCH_DATA);
        EXPECT_EQ(t.RxError(), "Receiver refusing data from transmitter (too large)");
        EXPECT_TRUE(t.rxStatus.Warned("1152 bytes of decompressed data too large for 1000 byte buffer\r\n"));
        EXPECT_EQ(t.txResult, HMODEM_OTHER_SIDE_CANCELLED);
        EXPECT_EQ(fixed.Length(), 0u);
    }
    {
        // Without a header the limit is found block by block.
        Transfer t;
        t.Run(TextLike(3000), false, 0, true, 2048);
        EXPECT_EQ(t.rxResult, HMODEM_TOO_MUCH_DATA);
        EXPECT_EQ(t.RxError(), "Exceeded maximum data to be received");
        EXPECT_NE(t.txResult, HMODEM_SUCCESS);
    }
}

TEST(HModemTransfer, UnknownCompressionModeIsRefusedBeforeSending)
{
    Transfer t;
    const auto data = TextLike(10);
    EXPECT_EQ(t.tx.Transmit(data.data(), 10, nullptr, 0, false, true, 9), HMODEM_UNKNOWN_COMPRESSION_MODE);
    EXPECT_EQ(t.TxError(), "Unrecognized HModem compression mode");
    EXPECT_EQ(t.tx.Transmit(nullptr, 0, nullptr, 0, false, true, 0), HMODEM_NO_DATA);
    EXPECT_TRUE(t.txWrites.empty());
}

// A hand-made transmitter whose header carries an unknown field first and then a mode we do
// not know: the receiver skips the field, refuses the mode and takes the data raw.
TEST(HModemReceiver, SkipsUnknownHeaderFieldsAndRefusesUnknownMode)
{
    MemoryDuplex line;
    MemoryComm txEnd(line, 0);
    MemoryComm rxEnd(line, 1);
    RecordingStatus status;
    HMODEM rx(&rxEnd, &status, nullptr);
    HSTRING received;
    auto receiver = std::async(std::launch::async, [&] { return rx.Receive(&received, 4096); });

    auto expect = [&](uint8_t byte) {
        uint8_t got = 0;
        for (;;) {
            ASSERT_EQ(line.Read(1, &got, 1, std::chrono::seconds(2)), 1u);
            if (got != 'C' || byte == 'C')
                break;
        }
        EXPECT_EQ(got, byte);
    };
    auto send = [&](const std::vector<uint8_t>& bytes) { line.Write(0, bytes.data(), bytes.size()); };
    expect('C');
    send({ 0x00 });
    expect(ACK);
    HSTRING header;
    header.AppendNumber(999, 2);
    header.AppendNumber(6, 2);
    header.AppendRepeated(0xEE, 6);
    for (auto [tag, value] : { std::pair<uint32_t, uint32_t>{ 100, 128 }, { 101, 5 }, { 200, 12 }, { 300, 0 } }) {
        header.AppendNumber(tag, 2);
        header.AppendNumber(4, 2);
        header.AppendNumber(value, 4);
    }
    header.AppendRepeated(0, 128 - header.Length());
    const uint16_t crc = HMODEM::Crc16(header.Data(), 128);
    header.AppendByte(static_cast<unsigned char>(crc >> 8));
    header.AppendByte(static_cast<unsigned char>(crc));
    send({ header.Data(), header.Data() + header.Length() });
    expect(NAK);
    std::vector<uint8_t> block = { SOH, 1, 254 };
    const char text[] = "hello";
    block.insert(block.end(), text, text + 5);
    block.resize(3 + 128, 0);
    const uint16_t blockCrc = HMODEM::Crc16(block.data() + 3, 128);
    block.push_back(static_cast<uint8_t>(blockCrc >> 8));
    block.push_back(static_cast<uint8_t>(blockCrc));
    send(block);
    expect(ACK);
    send({ EOT });
    expect(ACK);
    EXPECT_EQ(receiver.get(), HMODEM_SUCCESS);
    EXPECT_EQ(std::string(received.Text(), received.Length()), "hello");
    EXPECT_TRUE(status.Warned("Compression mode 12 not recognized by receiver\r\n"));
}

TEST(HModemTransfer, EveryCompressionModeRoundTrips)
{
    // An image-like picture of the size the JPEG modes code: smooth gradients.
    std::vector<uint8_t> picture(HCompression::kJpegWidth * HCompression::kJpegHeight);
    for (unsigned y = 0; y < HCompression::kJpegHeight; ++y)
        for (unsigned x = 0; x < HCompression::kJpegWidth; ++x)
            picture[y * HCompression::kJpegWidth + x] = static_cast<uint8_t>((x / 4 + y / 8) & 0xFF);
    const auto text = TextLike(30000);
    for (unsigned mode = 1; mode < HCompression::kModeCount; ++mode) {
        const bool jpeg = mode >= 3 && mode <= 5;
        const auto& data = jpeg ? picture : text;
        Transfer t;
        t.Run(data, true, mode);
        ASSERT_EQ(t.txResult, HMODEM_SUCCESS) << mode << t.TxError();
        ASSERT_EQ(t.rxResult, HMODEM_SUCCESS) << mode << t.RxError();
        EXPECT_EQ(t.rx.ReceivedCompressionMode(), mode);
        ASSERT_EQ(t.received.Length(), data.size()) << mode;
        if (jpeg) {
            // Lossy: close to the picture, not equal to it.
            long worst = 0;
            for (size_t i = 0; i < data.size(); ++i)
                worst = std::max(worst, std::labs(long(data[i]) - long(t.received.Data()[i])));
            EXPECT_LT(worst, 40) << mode;
        } else {
            EXPECT_EQ(t.Received(), data) << mode;
        }
        // Fewer bytes went on the line than the data holds.
        EXPECT_LT(t.line.BytesWritten(kToReceiver), data.size()) << mode;
    }
    // Data that do not shrink go raw, announced as mode 0.
    Transfer t;
    const auto noise = RandomBytes(8000, 21);
    t.Run(noise, true, 6);
    ASSERT_EQ(t.rxResult, HMODEM_SUCCESS);
    EXPECT_EQ(t.rx.ReceivedCompressionMode(), 0u);
    EXPECT_EQ(t.Received(), noise);
}

} // namespace
