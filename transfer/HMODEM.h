// HMODEM: the block protocol that moves firmware, flash images, pictures and HTag files
// between the program and a reader.
//
// Receiver-driven: the receiver asks with `C`, the transmitter may offer a 128-byte header
// block (sizes, compression mode, flags), then sends 128- or 1024-byte blocks, each with its
// number, the number's complement and a CRC-16/XMODEM, keeping up to two blocks in flight.
// Errors are retried by rewinding to the oldest unacknowledged block; the end is confirmed.
// The engine knows the line only as an HCOMM, reports only through an HTRANSFER_STATUS and
// wakes the reader through an HCOMMAND_HANDLER; none of them is owned.
#pragma once

#include "transfer/HSTRING.h"

#include <cstdint>
#include <functional>

class HCOMM;
class HCOMMAND_HANDLER;
class HTRANSFER_STATUS;

// Result codes of Transmit and Receive.
enum HMODEM_RESULT : int {
    HMODEM_NO_DATA = 0,
    HMODEM_SUCCESS = 4,
    HMODEM_RECEIVER_UNRESPONSIVE = 7,
    HMODEM_NO_START_CHARACTER = 8,
    HMODEM_OTHER_SIDE_CANCELLED = 10,
    HMODEM_WE_CANCELLED = 11,
    HMODEM_BLOCK_NUMBER_TIMEOUT = 12,
    HMODEM_BAD_BLOCK_NUMBER = 13,
    HMODEM_INVERSE_BLOCK_NUMBER_TIMEOUT = 14,
    HMODEM_BAD_INVERSE_BLOCK_NUMBER = 15,
    HMODEM_BLOCK_SIZE_TIMEOUT = 16,
    HMODEM_BAD_BLOCK_SIZE = 17,
    HMODEM_DATA_TIMEOUT = 18,
    HMODEM_CRC_TIMEOUT = 19,
    HMODEM_CRC_MISMATCH = 20,
    HMODEM_UNKNOWN_COMPRESSION_MODE = 21,
    HMODEM_TOO_MUCH_DATA = 22,
    HMODEM_HEADER_NOT_ACKNOWLEDGED = 23,
    HMODEM_RECEIVER_NAKED = 25,
};

class HMODEM {
public:
    // Gets each accepted block's data; returning false stops the transfer after that block.
    using BlockCallback = std::function<bool(const unsigned char* data, unsigned length)>;

    HMODEM(HCOMM* channel, HTRANSFER_STATUS* status, HCOMMAND_HANDLER* wakeupHandler);
    ~HMODEM();
    HMODEM(const HMODEM&) = delete;
    HMODEM& operator=(const HMODEM&) = delete;

    // Sends `data`. The start command tells the reader to receive; it is written after the
    // wake-up. waitForFinish: the reader acknowledges the end once more after storing the data.
    int Transmit(const unsigned char* data, unsigned length, const unsigned char* startCommand,
                 unsigned startCommandLength, bool waitForFinish, bool sendHeader, unsigned compressionMode);
    int Transmit(const HSTRING& data, const HSTRING& startCommand, bool waitForFinish = false,
                 bool sendHeader = true, unsigned compressionMode = 0);
    int Transmit(const HSTRING* data, const HSTRING* startCommand, bool waitForFinish = false,
                 bool sendHeader = true, unsigned compressionMode = 0);

    // Receives into `destination` (at least `maximum` bytes of room) and/or `destinationString`,
    // at most `maximum` bytes. A fixed-size destination string also limits the maximum to its
    // capacity; a growable one grows as needed up to the maximum.
    int Receive(unsigned char* destination, unsigned* receivedLength, HSTRING* destinationString, unsigned maximum,
                const BlockCallback& perBlock = nullptr);
    int Receive(HSTRING* destination, unsigned maximum);

    const HSTRING& LastError() const { return *m_LastError; }
    // Compression mode and flags announced by the last header block received.
    unsigned ReceivedCompressionMode() const { return m_ReceivedMode; }
    unsigned ReceivedFlags() const { return m_ReceivedFlags; }
    unsigned ReceivedUncompressedLength() const { return m_ReceivedUncompressedLength; }

    // CRC-16/XMODEM: polynomial 0x1021, initial 0, most significant bit first, no final XOR.
    static uint16_t Crc16(const unsigned char* data, unsigned length);
    // Bytes the transmitter puts on the line for `length` data bytes (the blocks' sum).
    static unsigned TotalSize(unsigned length, bool smallBlocks);

    // Settings; the owner may change them before a transfer.
    bool Streaming = true;
    bool StopStreamingAfterError = false;
    bool SmallBlocks = false;
    bool SmallBlocksOnLastRetry = false;
    unsigned ByteTimeOut = 200;       // ms, each single byte read during the protocol
    unsigned RetryLimit = 3;          // consecutive failures tolerated
    unsigned StartTimeOut = 10;       // s, transmitter's wait for `C`
    unsigned AnnouncedSize = 0;       // receiver: padded size from the header block
    unsigned ResponseTimeOut = 6;     // s, wait for ACK/NAK after a block, the probe or the header
    unsigned FinalTimeOut = 60;       // s, end acknowledgement when waiting for the reader to finish

private:
    enum class Reply { Ack, Nak, OtherCancelled, WeCancelled, TimeOut };

    bool ReadByte(unsigned char& byte, unsigned timeOutMs);
    bool WriteBytes(const unsigned char* bytes, unsigned length);
    bool WriteByte(unsigned char byte) { return WriteBytes(&byte, 1); }
    Reply WaitForReply(unsigned timeOutSeconds, unsigned total);
    void CancelSequence();
    void EscapeSequence();
    void Drain(unsigned readTimeOutMs);
    void SetLastError(const char* text) { m_LastError->Copy(text); }
    void Warn(HSTRING& text);

    HCOMM* m_Channel;
    HTRANSFER_STATUS* m_Status;
    HCOMMAND_HANDLER* m_WakeupHandler;
    HSTRING* m_LastError;

    unsigned m_ReceivedMode = 0;
    unsigned m_ReceivedFlags = 0;
    unsigned m_ReceivedUncompressedLength = 0;
};
