// HMODEM transmitter and receiver.
//
// Transmitter
//
//   START ──C──▶ [PROBE ──ACK──▶ HEADER ──ACK──▶] BLOCKS ──all acknowledged──▶ END ──ACK──▶ done
//     │              │ NAK/silence      │ other                │  ▲
//     │ ESC/time-out └────────┬─────────┘                      │  │ ACK (rewound to oldest
//     ▼                       ▼                                │  │      unacknowledged block)
//   done            BLOCKS in plain mode, no streaming         ▼  │
//                                                           RECOVER ──limit/ESC/silence──▶ ESC ESC, done
//
//   BLOCKS sends block b; with streaming it sends b+1 before waiting, so at most two blocks
//   are unacknowledged. RECOVER in header mode sends the recovery byte 0x03 until the receiver
//   acknowledges it; in plain mode it waits for the receiver's next ACK or NAK.
//   END sends EOT, and once more after a NAK (the receiver confirms the end when flag bit 0
//   of the header is set).
//
// Receiver
//
//   START (send C until a block or probe arrives) ──0x00──▶ HEADER ──▶ BLOCKS
//                                                 ──SOH/STX──────────────▶ BLOCKS
//   BLOCKS: SOH/STX  number, complement, data, CRC → ACK and append, or NAK after a failure
//           0x03     recovery: NAK, and ACK when the second 0x03 follows
//           EOT      end (NAK first and ACK the second EOT when flag bit 0 is set)
//           ESC      the transmitter cancels (NAK, then a second ESC or silence)
//   A repeated block n−1 or n−2 means the transmitter rewound: those blocks are taken back.
#include "transfer/HMODEM.h"

#include "transfer/HCOMM.h"
#include "transfer/HCOMMAND_HANDLER.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/compression/HCompression.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace {

// Bytes on the line.
constexpr unsigned char kStart = 'C';    // receiver: ready, CRC mode
constexpr unsigned char kProbe = 0x00;   // transmitter: a header block follows if acknowledged
constexpr unsigned char SOH = 0x01;      // a 128-byte block follows
constexpr unsigned char STX = 0x02;      // a 1024-byte block follows
constexpr unsigned char kRecovery = 0x03;
constexpr unsigned char EOT = 0x04;
constexpr unsigned char ACK = 0x06;
constexpr unsigned char NAK = 0x15;
constexpr unsigned char ESC = 0x1B;

constexpr unsigned kSmallBlock = 128;
constexpr unsigned kLargeBlock = 1024;

// Header block: 128 bytes of fields (u16 tag, u16 length, value), then the CRC.
constexpr unsigned kHeaderSize = 128;
constexpr unsigned kHeaderWithCrc = kHeaderSize + 2;
constexpr uint16_t kTagTotalSize = 100;
constexpr uint16_t kTagUncompressedLength = 101;
constexpr uint16_t kTagCompressionMode = 200;
constexpr uint16_t kTagFlags = 300;
// Flag bit 0: the receiver confirms the end by NAKing the first EOT.
constexpr uint32_t kFlagConfirmEnd = 1;

// One block on the wire: size byte, number, complement, 1024 data bytes, CRC = 1029 bytes;
// the buffers are allocated once per transfer with a little room to spare.
constexpr unsigned kPacketBuffer = 1100;

// Drain and cancel reads.
constexpr unsigned kCancelReadMs = 400;
constexpr unsigned kSleepAfterFailureMs = 400;
constexpr unsigned kDrainChunk = 1024;

constexpr std::array<uint16_t, 256> MakeCrcTable()
{
    std::array<uint16_t, 256> table {};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t crc = static_cast<uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        table[i] = crc;
    }
    return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

} // namespace

uint16_t HMODEM::Crc16(const unsigned char* data, unsigned length)
{
    uint16_t crc = 0;
    for (unsigned i = 0; i < length; ++i)
        crc = static_cast<uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

unsigned HMODEM::TotalSize(unsigned length, bool smallBlocks)
{
    if (smallBlocks)
        return (length + kSmallBlock - 1) / kSmallBlock * kSmallBlock;
    // The last piece goes as a 128-byte block when it fits in one, else as a 1024-byte block.
    const unsigned r = length % kLargeBlock;
    if (r == 0 || r == kSmallBlock)
        return length;
    if (r < kSmallBlock)
        return length - r + kSmallBlock;
    return length - r + kLargeBlock;
}

HMODEM::HMODEM(HCOMM* channel, HTRANSFER_STATUS* status, HCOMMAND_HANDLER* wakeupHandler)
    : m_Channel(channel), m_Status(status), m_WakeupHandler(wakeupHandler), m_LastError(new HSTRING(160, true))
{
}

HMODEM::~HMODEM() { delete m_LastError; }

bool HMODEM::ReadByte(unsigned char& byte, unsigned timeOutMs)
{
    HSTRING one(2);
    if (!m_Channel->Read(&one, 1, timeOutMs) || one.Length() == 0)
        return false;
    if (m_Status)
        m_Status->ReceivedProtocolCharacters(&one);
    byte = one[0];
    return true;
}

bool HMODEM::WriteBytes(const unsigned char* bytes, unsigned length)
{
    HSTRING out(bytes, length, false, true, true);
    return m_Channel->Write(&out);
}

void HMODEM::Warn(HSTRING& text)
{
    if (m_Status)
        m_Status->RetryWarning(&text);
}

// Reads and discards until a read brings nothing.
void HMODEM::Drain(unsigned readTimeOutMs)
{
    HSTRING junk(kDrainChunk);
    for (;;) {
        junk.Empty();
        m_Channel->Read(&junk, kDrainChunk, readTimeOutMs);
        if (junk.Length() == 0)
            return;
    }
}

// ESC, one reply byte, ESC: the other side stops whatever it was doing.
void HMODEM::EscapeSequence()
{
    unsigned char ignored = 0;
    WriteByte(ESC);
    ReadByte(ignored, ByteTimeOut);
    WriteByte(ESC);
}

void HMODEM::CancelSequence()
{
    m_Channel->FlushReadBuffer();
    m_Channel->FlushWriteBuffer();
    unsigned char ignored = 0;
    while (ReadByte(ignored, kCancelReadMs)) {
    }
    ReadByte(ignored, kCancelReadMs);
    EscapeSequence();
}

HMODEM::Reply HMODEM::WaitForReply(unsigned timeOutSeconds, unsigned total)
{
    m_Channel->ZeroElapsedTime();
    for (;;) {
        unsigned char byte = 0;
        if (ReadByte(byte, ByteTimeOut)) {
            if (byte == ACK)
                return Reply::Ack;
            if (byte == NAK) {
                m_Channel->FlushWriteBuffer();
                return Reply::Nak;
            }
            if (byte == ESC) {
                m_Channel->FlushWriteBuffer();
                return Reply::OtherCancelled;
            }
        }
        // Time spent pushing our own bytes out does not count against the receiver.
        if (m_Channel->BytesInWriteBuffer() != 0)
            m_Channel->ZeroElapsedTime();
        if (m_Status && !m_Status->MayContinue(0, total)) {
            CancelSequence();
            return Reply::WeCancelled;
        }
        if (m_Channel->ElapsedTime() >= timeOutSeconds)
            return Reply::TimeOut;
    }
}

int HMODEM::Transmit(const HSTRING& data, const HSTRING& startCommand, bool waitForFinish, bool sendHeader,
                     unsigned compressionMode)
{
    return Transmit(data.Data(), data.Length(), startCommand.Data(), startCommand.Length(), waitForFinish,
                    sendHeader, compressionMode);
}

int HMODEM::Transmit(const HSTRING* data, const HSTRING* startCommand, bool waitForFinish, bool sendHeader,
                     unsigned compressionMode)
{
    const HSTRING none;
    return Transmit(data ? *data : none, startCommand ? *startCommand : none, waitForFinish, sendHeader,
                    compressionMode);
}

int HMODEM::Transmit(const unsigned char* data, unsigned length, const unsigned char* startCommand,
                     unsigned startCommandLength, bool waitForFinish, bool sendHeader, unsigned compressionMode)
{
    m_LastError->Empty();
    if (!data || length == 0 || !m_Channel)
        return HMODEM_NO_DATA;
    if (!HCompression::IsKnownMode(compressionMode)) {
        SetLastError("Unrecognized HModem compression mode");
        return HMODEM_UNKNOWN_COMPRESSION_MODE;
    }

    // The work copy: the caller's bytes, or their compressed form when a header can announce it.
    std::vector<uint8_t> compressed;
    const unsigned char* work = data;
    unsigned workLength = length;
    unsigned mode = 0;
    if (sendHeader && compressionMode != 0) {
        mode = HCompression::Compress(compressionMode, std::span<const uint8_t>(data, length), compressed);
        if (mode != 0 && !compressed.empty() && compressed.size() < length) {
            work = compressed.data();
            workLength = static_cast<unsigned>(compressed.size());
        } else {
            mode = 0;
        }
    }
    auto useRawData = [&] {
        work = data;
        workLength = length;
        mode = 0;
    };

    bool streaming = Streaming;
    bool smallBlocks = SmallBlocks;
    bool headerInUse = false;
    int result = HMODEM_SUCCESS;
    bool weCancelled = false;
    bool theyCancelled = false;

    if (m_WakeupHandler)
        m_WakeupHandler->WakeupDevice();
    m_Channel->FlushReadBuffer();
    if (startCommand && startCommandLength)
        WriteBytes(startCommand, startCommandLength);
    m_Channel->ZeroElapsedTime();

    // Wait for the receiver's start character.
    for (;;) {
        if (m_Channel->ElapsedTime() >= StartTimeOut) {
            SetLastError("HModem receiver is unresponsive");
            m_Channel->FlushWriteBuffer();
            m_Channel->HCommSleep(kSleepAfterFailureMs);
            return HMODEM_NO_START_CHARACTER;
        }
        unsigned char byte = 0;
        if (ReadByte(byte, ByteTimeOut)) {
            if (byte == kStart)
                break;
            if (byte == ESC) {
                SetLastError("Receiver terminated HMODEM");
                m_Channel->FlushWriteBuffer();
                return HMODEM_OTHER_SIDE_CANCELLED;
            }
        }
        if (m_Status && !m_Status->MayContinue(0, length)) {
            CancelSequence();
            SetLastError("We (transmitter) terminated HMODEM");
            return HMODEM_WE_CANCELLED;
        }
    }

    if (m_Status)
        m_Status->DownloadStartingHandler();
    unsigned total = TotalSize(workLength, smallBlocks);

    std::vector<unsigned char> packet;
    packet.reserve(kPacketBuffer);

    if (sendHeader) {
        m_Channel->FlushReadBuffer();
        WriteByte(kProbe);
        Reply reply = WaitForReply(ResponseTimeOut, total);
        if (reply == Reply::Ack) {
            HSTRING header(kHeaderWithCrc, false);
            const uint32_t fields[][2] = {
                { kTagTotalSize, total },
                { kTagUncompressedLength, length },
                { kTagCompressionMode, mode },
                { kTagFlags, kFlagConfirmEnd },
            };
            for (const auto& field : fields) {
                header.AppendNumber(field[0], 2);
                header.AppendNumber(4, 2);
                header.AppendNumber(field[1], 4);
            }
            header.AppendRepeated(0, kHeaderSize - header.Length());
            const uint16_t crc = Crc16(header.Data(), kHeaderSize);
            header.AppendByte(static_cast<unsigned char>(crc >> 8));
            header.AppendByte(static_cast<unsigned char>(crc & 0xFF));
            m_Channel->FlushReadBuffer();
            m_Channel->Write(&header);
            reply = WaitForReply(ResponseTimeOut, total);
            if (reply == Reply::Ack) {
                headerInUse = true;
            } else if (reply != Reply::OtherCancelled && reply != Reply::WeCancelled) {
                // The receiver could not use the header: the data go raw, one block at a time.
                useRawData();
                total = TotalSize(workLength, smallBlocks);
                m_Channel->FlushWriteBuffer();
                m_Channel->HCommSleep(kSleepAfterFailureMs);
                result = HMODEM_HEADER_NOT_ACKNOWLEDGED;
                SetLastError("HMODEM header not acknowledged by receiver");
                streaming = false;
            }
        } else if (reply != Reply::OtherCancelled && reply != Reply::WeCancelled) {
            // No header support on the other side: whatever it sent instead is noise.
            useRawData();
            total = TotalSize(workLength, smallBlocks);
            unsigned char ignored = 0;
            while (ReadByte(ignored, ByteTimeOut)) {
            }
            streaming = false;
        }
        if (reply == Reply::OtherCancelled) {
            SetLastError("Receiver terminated HMODEM");
            result = HMODEM_OTHER_SIDE_CANCELLED;
            theyCancelled = true;
        } else if (reply == Reply::WeCancelled) {
            SetLastError("We (transmitter) terminated HMODEM");
            result = HMODEM_WE_CANCELLED;
            weCancelled = true;
        }
    }

    // Block loop. b: block being sent, a: oldest unacknowledged block (a <= b <= a + 1).
    unsigned b = 1;
    unsigned a = 1;
    unsigned offset = 0;
    unsigned ackedOffset = 0;
    unsigned toSend = workLength;
    unsigned toAcknowledge = workLength;
    unsigned retries = 0;
    unsigned lastBlockSize = 0;
    HSTRING retryText(80);
    bool allAcknowledged = false;

    auto advance = [&] {
        ++b;
        offset += lastBlockSize;
        toSend = toSend > lastBlockSize ? toSend - lastBlockSize : 0;
    };

    while (!weCancelled && !theyCancelled) {
        if (toSend > 0) {
            lastBlockSize = (toSend <= kSmallBlock || smallBlocks) ? kSmallBlock : kLargeBlock;
            packet.clear();
            packet.push_back(lastBlockSize == kSmallBlock ? SOH : STX);
            packet.push_back(static_cast<unsigned char>(b & 0xFF));
            packet.push_back(static_cast<unsigned char>(255 - (b & 0xFF)));
            const unsigned available = std::min(lastBlockSize, workLength - std::min(offset, workLength));
            packet.insert(packet.end(), work + offset, work + offset + available);
            packet.resize(3 + lastBlockSize, 0x00);
            const uint16_t crc = Crc16(packet.data() + 3, lastBlockSize);
            packet.push_back(static_cast<unsigned char>(crc >> 8));
            packet.push_back(static_cast<unsigned char>(crc & 0xFF));
            WriteBytes(packet.data(), static_cast<unsigned>(packet.size()));
        }
        if (m_Status && !m_Status->MayContinue(0, total)) {
            CancelSequence();
            result = HMODEM_WE_CANCELLED;
            SetLastError("We (transmitter) terminated HMODEM");
            weCancelled = true;
            break;
        }
        if (streaming && b <= a && retries == 0 && toSend > 0) {
            advance();
            continue;
        }

        const Reply reply = WaitForReply(ResponseTimeOut, total);
        if (reply == Reply::Ack) {
            const unsigned acknowledged = smallBlocks ? kSmallBlock : kLargeBlock;
            toAcknowledge = toAcknowledge > acknowledged ? toAcknowledge - acknowledged : 0;
            ++a;
            // The acknowledgement frees a place in the window: the next block is due.
            if (b <= a)
                advance();
            ackedOffset += acknowledged;
            if (m_Status && !m_Status->MayContinue(acknowledged, total)) {
                CancelSequence();
                result = HMODEM_WE_CANCELLED;
                SetLastError("We (transmitter) terminated HMODEM");
                weCancelled = true;
                break;
            }
            retries = 0;
            result = HMODEM_SUCCESS;
            if (toAcknowledge == 0) {
                allAcknowledged = true;
                break;
            }
            continue;
        }
        if (reply == Reply::OtherCancelled) {
            ++retries;
            SetLastError("Receiver terminated HMODEM");
            result = HMODEM_OTHER_SIDE_CANCELLED;
            theyCancelled = weCancelled = true;
            break;
        }
        if (reply == Reply::WeCancelled) {
            SetLastError("We (transmitter) terminated HMODEM");
            result = HMODEM_WE_CANCELLED;
            weCancelled = true;
            break;
        }
        ++retries;
        if (reply == Reply::Nak) {
            retryText.Format("Receiver NAKed; retry #%u\r\n", retries);
            SetLastError("Receiver NAKed");
            result = HMODEM_RECEIVER_NAKED;
        } else {
            retryText.Format("Receiver is unresponsive; retry #%u\r\n", retries);
            SetLastError("HModem receiver is unresponsive");
            result = HMODEM_RECEIVER_UNRESPONSIVE;
            m_Channel->FlushWriteBuffer();
        }

        // Failure: rewind to the oldest unacknowledged block and resynchronise.
        if (StopStreamingAfterError)
            streaming = false;
        b = a;
        offset = ackedOffset;
        toSend = toAcknowledge;
        Warn(retryText);
        if (retries >= RetryLimit) {
            EscapeSequence();
            weCancelled = true;
            break;
        }
        if (retries + 1 == RetryLimit && SmallBlocksOnLastRetry && !smallBlocks) {
            smallBlocks = true;
            if (retries > 1)
                --retries;
        }
        bool resumed = false;
        for (unsigned attempt = 0; attempt <= RetryLimit && !resumed; ++attempt) {
            if (headerInUse) {
                m_Channel->FlushReadBuffer();
                WriteByte(kRecovery);
            }
            const Reply answer = WaitForReply(ResponseTimeOut, total);
            if (answer == Reply::Ack || (!headerInUse && answer == Reply::Nak)) {
                resumed = true;
            } else if (answer == Reply::Nak) {
                continue;
            } else {
                if (answer == Reply::WeCancelled) {
                    SetLastError("We (transmitter) terminated HMODEM");
                    result = HMODEM_WE_CANCELLED;
                    weCancelled = true;
                }
                break;
            }
        }
        if (!resumed) {
            if (!weCancelled)
                EscapeSequence();
            weCancelled = true;
            break;
        }
    }

    if (allAcknowledged) {
        WriteByte(EOT);
        if (m_Status)
            m_Status->SetProgressLevel(static_cast<int>(total));
        const unsigned endTimeOut = waitForFinish ? FinalTimeOut : ResponseTimeOut;
        Reply reply = WaitForReply(endTimeOut, total);
        if (reply == Reply::Nak) {
            WriteByte(EOT);
            reply = WaitForReply(endTimeOut, total);
        }
        if (m_Status)
            m_Status->DownloadFinishHandler();
        if (reply != Reply::Ack) {
            retryText.Copy("Receiver is unresponsive to finish request");
            Warn(retryText);
            SetLastError("Receiver is unresponsive to finish request");
            result = HMODEM_RECEIVER_UNRESPONSIVE;
            m_Channel->FlushWriteBuffer();
        } else if (waitForFinish && WaitForReply(FinalTimeOut, total) != Reply::Ack) {
            retryText.Copy("Receiver is unresponsive to finish request");
            Warn(retryText);
            SetLastError("Receiver not responding after download completion");
            result = HMODEM_RECEIVER_UNRESPONSIVE;
            m_Channel->FlushWriteBuffer();
        } else {
            result = HMODEM_SUCCESS;
            m_LastError->Empty();
        }
    }
    return result;
}

int HMODEM::Receive(HSTRING* destination, unsigned maximum)
{
    return Receive(nullptr, nullptr, destination, maximum, nullptr);
}

int HMODEM::Receive(unsigned char* destination, unsigned* receivedLength, HSTRING* destinationString,
                    unsigned maximum, const BlockCallback& perBlock)
{
    m_LastError->Empty();
    AnnouncedSize = 0;
    m_ReceivedUncompressedLength = 0;
    m_ReceivedMode = 0;
    m_ReceivedFlags = 0;
    if (receivedLength)
        *receivedLength = 0;
    if (destinationString)
        destinationString->Empty();
    if (!m_Channel)
        return HMODEM_NO_DATA;

    // A destination that cannot grow limits what we accept; a growable one grows as needed,
    // but never beyond the caller's maximum, whatever the transmitter announces.
    unsigned limit = maximum;
    const bool growable = destinationString && destinationString->AutoResize() && !destinationString->Locked() &&
                          !destinationString->Borrowed();
    if (destinationString && !growable)
        limit = std::min(limit, destinationString->Capacity());

    int result = HMODEM_SUCCESS;
    bool done = false;
    bool cancelled = false;
    bool headerSeen = false;
    unsigned retries = 0;
    HSTRING retryText(100);
    HSTRING received(std::min(limit, 64u * 1024u));
    unsigned char byte = 0;
    bool pending = false;

    auto failure = [&](int code, const char* lastError) {
        ++retries;
        result = code;
        SetLastError(lastError);
    };

    // Start: ask with `C` until the transmitter sends a probe or a block.
    for (;;) {
        WriteByte(kStart);
        if (ReadByte(byte, ByteTimeOut)) {
            if (byte == EOT) {
                WriteByte(ACK);
                return HMODEM_SUCCESS;
            }
            if (byte == ESC) {
                SetLastError("Transmitter terminated HMODEM");
                return HMODEM_OTHER_SIDE_CANCELLED;
            }
            if (byte == kProbe || byte == SOH || byte == STX)
                break;
        }
        if (m_Status && !m_Status->MayContinue(0, 0)) {
            CancelSequence();
            SetLastError("We (receiver) terminated HMODEM");
            return HMODEM_WE_CANCELLED;
        }
        if (++retries >= RetryLimit) {
            WriteByte(ESC);
            SetLastError("Illegal HModem block size received for first block");
            return HMODEM_BAD_BLOCK_SIZE;
        }
    }
    retries = 0;

    if (byte == kProbe) {
        WriteByte(ACK);
        HSTRING header(kHeaderWithCrc + 2, false);
        HSTRING piece(kHeaderWithCrc);
        while (header.Length() < kHeaderWithCrc) {
            if (m_Status && !m_Status->MayContinue(0, AnnouncedSize)) {
                cancelled = true;
                break;
            }
            piece.Empty();
            m_Channel->Read(&piece, kHeaderWithCrc - header.Length(), ByteTimeOut);
            if (piece.Length() == 0)
                break;
            if (m_Status)
                m_Status->ReceivedProtocolCharacters(&piece);
            header.Append(piece.Data(), std::min(piece.Length(), kHeaderWithCrc - header.Length()));
        }
        if (cancelled) {
            Drain(ByteTimeOut);
            WriteByte(ESC);
            done = true;
        } else if (header.Length() < kHeaderWithCrc) {
            retryText.Format("Failed to read full header : bytes read = %u\r\n", header.Length());
            SetLastError("Receiver timeout while waiting for first block to be transmitted");
            Warn(retryText);
            Drain(ByteTimeOut);
            WriteByte(NAK);
            result = HMODEM_DATA_TIMEOUT;
        } else {
            const uint16_t sent = static_cast<uint16_t>(header[kHeaderSize] << 8 | header[kHeaderSize + 1]);
            const uint16_t computed = Crc16(header.Data(), kHeaderSize);
            if (sent != computed) {
                retryText.Format("CRC mismatch (%X sent vs. %X) on header block\r\n", sent, computed);
                SetLastError("Receiver CRC mismatch on first block transmitted");
                Warn(retryText);
                WriteByte(NAK);
                result = HMODEM_CRC_MISMATCH;
            } else {
                headerSeen = true;
                // Fields: u16 tag, u16 length, value. Unknown tags (and the zero padding, which
                // reads as empty fields) are skipped by their length.
                unsigned position = 0;
                while (position + 4 <= kHeaderSize) {
                    uint32_t tag = 0;
                    uint32_t size = 0;
                    header.ReadNumber(position, tag, 2);
                    header.ReadNumber(position + 2, size, 2);
                    position += 4;
                    if (size > kHeaderSize - position)
                        break;
                    if (size <= 4 && (tag == kTagTotalSize || tag == kTagUncompressedLength ||
                                      tag == kTagCompressionMode || tag == kTagFlags)) {
                        uint32_t value = 0;
                        for (unsigned i = 0; i < size; ++i)
                            value |= static_cast<uint32_t>(header[position + i]) << (8 * i);
                        if (tag == kTagTotalSize)
                            AnnouncedSize = value;
                        else if (tag == kTagUncompressedLength)
                            m_ReceivedUncompressedLength = value;
                        else if (tag == kTagCompressionMode)
                            m_ReceivedMode = value;
                        else
                            m_ReceivedFlags = value;
                    }
                    position += size;
                }
                const unsigned needed = std::max(AnnouncedSize, m_ReceivedUncompressedLength);
                if (growable && needed <= limit)
                    destinationString->Reserve(std::min<uint64_t>(uint64_t(needed) + kLargeBlock, limit));
                if (needed > limit) {
                    retryText.Format("%u bytes of decompressed data too large for %u byte buffer\r\n", needed, limit);
                    Warn(retryText);
                    SetLastError("Receiver refusing data from transmitter (too large)");
                    WriteByte(ESC);
                    return HMODEM_TOO_MUCH_DATA;
                }
                if (!HCompression::IsKnownMode(m_ReceivedMode)) {
                    retryText.Format("Compression mode %u not recognized by receiver\r\n", m_ReceivedMode);
                    AnnouncedSize = needed;
                    m_ReceivedMode = 0;
                    SetLastError("Receiver doesn't recognize compression mode of data sent by transmitter");
                    Warn(retryText);
                    WriteByte(NAK);
                    result = HMODEM_UNKNOWN_COMPRESSION_MODE;
                } else {
                    WriteByte(ACK);
                }
            }
        }
    } else {
        pending = true;
    }

    // Block loop. n counts accepted blocks + 1; the wire carries n modulo 256.
    unsigned n = 1;
    unsigned s = 0;
    // Sizes of the last two accepted blocks, newest first, for a transmitter that rewinds.
    unsigned history[2] = { 0, 0 };
    unsigned historyCount = 0;
    HSTRING block(kPacketBuffer, false);
    while (!done && !cancelled) {
        if (m_Status && !m_Status->MayContinue(0, AnnouncedSize)) {
            cancelled = true;
            break;
        }
        if (!pending && !ReadByte(byte, ByteTimeOut)) {
            retryText.Format("Failed to read block size (%u bytes); retry #%u : block #%u\r\n", s, retries + 1, n);
            failure(HMODEM_BLOCK_SIZE_TIMEOUT, "Receiver timed out while waiting for HModem block size");
        } else if (pending = false; byte == SOH || byte == STX) {
            const unsigned size = byte == SOH ? kSmallBlock : kLargeBlock;
            if (s >= limit || size > limit - s) {
                SetLastError("Exceeded maximum data to be received");
                result = HMODEM_TOO_MUCH_DATA;
                // Tell the transmitter, or it would wait out its retries.
                Drain(ByteTimeOut);
                EscapeSequence();
                done = true;
                break;
            }
            unsigned char number = 0;
            unsigned char inverse = 0;
            const unsigned expected = n & 0xFF;
            unsigned back = 0;
            if (!ReadByte(number, ByteTimeOut)) {
                retryText.Format("Failed to read block number; retry #%u : block #%u\r\n", retries + 1, n);
                failure(HMODEM_BLOCK_NUMBER_TIMEOUT, "Receiver timed out while waiting for HModem block number");
            } else if (back = (expected - number) & 0xFF; back != 0 && !((back == 1 || back == 2) && back <= historyCount)) {
                retryText.Format("Bad block number %u; retry #%u : expecting block #%u\r\n", number, retries + 1, n);
                failure(HMODEM_BAD_BLOCK_NUMBER, "Mismatched HModem block number received");
            } else if (!ReadByte(inverse, ByteTimeOut)) {
                retryText.Format("Failed to read inverse block number; retry #%u : block #%u\r\n", retries + 1, n);
                failure(HMODEM_INVERSE_BLOCK_NUMBER_TIMEOUT,
                        "Receiver timed out while waiting for HModem inverse block number");
            } else if (inverse != static_cast<unsigned char>(255 - number)) {
                retryText.Format("Bad inverse block number; retry #%u : block #%u\r\n", retries + 1, n);
                failure(HMODEM_BAD_INVERSE_BLOCK_NUMBER, "Mismatched HModem inverse block number received");
            } else {
                block.Empty();
                HSTRING piece(size);
                while (block.Length() < size) {
                    piece.Empty();
                    m_Channel->Read(&piece, size - block.Length(), ByteTimeOut);
                    if (piece.Length() == 0)
                        break;
                    if (m_Status)
                        m_Status->ReceivedProtocolCharacters(&piece);
                    block.Append(piece.Data(), std::min(piece.Length(), size - block.Length()));
                }
                unsigned char crcHigh = 0;
                unsigned char crcLow = 0;
                if (block.Length() < size) {
                    retryText.Format("Failed to read data packet; retry #%u : block #%u\r\n", retries + 1, n);
                    failure(HMODEM_DATA_TIMEOUT, "Receiver timed out while waiting for HModem block data");
                } else if (!ReadByte(crcHigh, ByteTimeOut) || !ReadByte(crcLow, ByteTimeOut)) {
                    retryText.Format("Failed to read CRC; retry #%u : block #%u\r\n", retries + 1, n);
                    failure(HMODEM_CRC_TIMEOUT, "Receiver timed out while waiting for HModem block CRC");
                } else if (const uint16_t sent = static_cast<uint16_t>(crcHigh << 8 | crcLow),
                           computed = Crc16(block.Data(), size);
                           sent != computed) {
                    retryText.Format("CRC mismatch (%X sent vs. %X); retry #%u : block # %u\r\n", sent, computed,
                                     retries + 1, n);
                    failure(HMODEM_CRC_MISMATCH, "Mismatched HModem block CRC received");
                } else {
                    if (back != 0) {
                        // The transmitter rewound past blocks we had accepted (it missed our
                        // acknowledgement): take them back out. Only an intact block may do
                        // this, so a damaged number byte never costs us data.
                        retryText.Format("Lower block number %u; retry #%u : expecting block #%u\r\n", number,
                                         retries, n);
                        Warn(retryText);
                        const unsigned dropped = back == 2 ? history[0] + history[1] : history[0];
                        received.SetLength(received.Length() - dropped);
                        s -= dropped;
                        n -= back;
                        historyCount -= back;
                        history[0] = back == 1 ? history[1] : 0;
                        history[1] = 0;
                        if (m_Status)
                            m_Status->SetProgressLevel(static_cast<int>(s));
                    }
                    if (m_Status && !m_Status->MayContinue(size, AnnouncedSize)) {
                        cancelled = true;
                        break;
                    }
                    WriteByte(ACK);
                    received.Append(block);
                    history[1] = history[0];
                    history[0] = size;
                    historyCount = std::min(historyCount + 1, 2u);
                    ++n;
                    s += size;
                    retries = 0;
                    result = HMODEM_SUCCESS;
                    if (perBlock && !perBlock(block.Data(), size))
                        cancelled = true;
                    continue;
                }
            }
        } else if (byte == kRecovery) {
            retryText.Format("Received recovery byte; retry #%u : block #%u\r\n", retries + 1, n);
            Warn(retryText);
            Drain(1);
            WriteByte(NAK);
            unsigned char again = 0;
            if (ReadByte(again, 2 * ByteTimeOut) && again == kRecovery) {
                WriteByte(ACK);
                retries = 0;
                continue;
            }
            ++retries;
        } else if (byte == EOT) {
            // With flag bit 0 the end counts only when the transmitter repeats its EOT after
            // our NAK, so a stray EOT byte cannot end a transfer early.
            bool confirmed = true;
            if (m_ReceivedFlags & kFlagConfirmEnd) {
                Drain(1);
                WriteByte(NAK);
                unsigned char again = 0;
                confirmed = ReadByte(again, 2 * ByteTimeOut) && again == EOT;
            }
            if (confirmed) {
                WriteByte(ACK);
                result = HMODEM_SUCCESS;
                done = true;
                break;
            }
            retryText.Format("Failed to read block size (%u bytes); retry #%u : block #%u\r\n", s, retries + 1, n);
            failure(HMODEM_BLOCK_SIZE_TIMEOUT, "Receiver timed out while waiting for HModem block size");
        } else if (byte == ESC) {
            Drain(1);
            WriteByte(NAK);
            unsigned char again = 0;
            if (!ReadByte(again, 2 * ByteTimeOut) || again == ESC) {
                SetLastError("Transmitter terminated HMODEM");
                result = HMODEM_OTHER_SIDE_CANCELLED;
                done = true;
                break;
            }
            retryText.Format("Bad block size; retry #%u : block #%u\r\n", retries + 1, n);
            failure(HMODEM_BAD_BLOCK_SIZE, "Illegal HModem block size received");
        } else {
            retryText.Format("Bad block size; retry #%u : block #%u\r\n", retries + 1, n);
            failure(HMODEM_BAD_BLOCK_SIZE, "Illegal HModem block size received");
        }

        // A failure: let the line go quiet, then ask for the block again (or give up).
        Warn(retryText);
        Drain(ByteTimeOut);
        if (retries < RetryLimit) {
            WriteByte(NAK);
        } else {
            WriteByte(ESC);
            done = true;
        }
    }

    if (cancelled) {
        CancelSequence();
        SetLastError("We (receiver) terminated HMODEM");
        return HMODEM_WE_CANCELLED;
    }
    if (result != HMODEM_SUCCESS)
        return result;

    // Finishing: undo the compression, or cut the padding of the last block.
    std::vector<uint8_t> output;
    const unsigned char* bytes = received.Data();
    unsigned length = received.Length();
    if (headerSeen && m_ReceivedMode != 0) {
        if (!HCompression::Decompress(m_ReceivedMode, std::span<const uint8_t>(received.Data(), received.Length()),
                                      limit, output, m_ReceivedUncompressedLength)) {
            SetLastError("Receiver failed to decompress data sent by transmitter");
            return HMODEM_UNKNOWN_COMPRESSION_MODE;
        }
        bytes = output.data();
        length = static_cast<unsigned>(output.size());
    } else if (headerSeen && m_ReceivedUncompressedLength < length) {
        length = m_ReceivedUncompressedLength;
    }
    if (length > limit) {
        SetLastError("Exceeded maximum data to be received");
        return HMODEM_TOO_MUCH_DATA;
    }
    if (destination && length)
        std::copy(bytes, bytes + length, destination);
    if (destinationString && !destinationString->Copy(bytes, length)) {
        SetLastError("Exceeded maximum data to be received");
        return HMODEM_TOO_MUCH_DATA;
    }
    if (receivedLength)
        *receivedLength = length;
    m_LastError->Empty();
    return HMODEM_SUCCESS;
}
