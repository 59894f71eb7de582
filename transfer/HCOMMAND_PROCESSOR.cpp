#include "transfer/HCOMMAND_PROCESSOR.h"

#include "transfer/HCOMM.h"
#include "transfer/HTRANSFER_STATUS.h"

#include <cstring>

namespace {

constexpr unsigned char SYN = 0x16;
constexpr unsigned char CR = 0x0D;
constexpr unsigned char ACK = 0x06;
constexpr unsigned char ENQ = 0x05;
constexpr unsigned char NAK = 0x15;

// The reader's reply arrives in small pieces; 80 bytes a read with 10 ms waits keeps the
// loop responsive to a cancel without spinning.
constexpr unsigned kReadChunk = 80;
constexpr unsigned kReadWaitMs = 10;

constexpr unsigned char kMenuPrefix[] = { SYN, 'M', CR };

bool IsTerminator(unsigned char c) { return c == '.' || c == '&' || c == '!' || c == 0x40; }

bool IsStatus(unsigned char c) { return c == ACK || c == ENQ || c == NAK; }

} // namespace

HCOMMAND_PROCESSOR::HCOMMAND_PROCESSOR(HCOMM* channel, HTRANSFER_STATUS* status)
    : m_Channel(channel), m_Status(status), m_Address(8)
{
}

HCOMMAND_PROCESSOR::HCOMMAND_PROCESSOR(const HCOMMAND_PROCESSOR& other) = default;

HCOMMAND_PROCESSOR& HCOMMAND_PROCESSOR::operator=(const HCOMMAND_PROCESSOR& other) = default;

HCOMMAND_PROCESSOR::~HCOMMAND_PROCESSOR() = default;

void HCOMMAND_PROCESSOR::AddressCommand(const HSTRING& command, HSTRING& out) const
{
    out.Empty();
    if (m_UseAddress && m_Address.Length() > 0 && command.Length() > 0 && command[0] != ':') {
        out.AppendByte(':');
        out.Append(m_Address);
        out.AppendByte(':');
    }
    out.Append(command);
}

bool HCOMMAND_PROCESSOR::MenuReplyComplete(const HSTRING& command, const HSTRING& reply)
{
    const unsigned n = reply.Length();
    if (n == 0 || !IsTerminator(reply[n - 1]))
        return false;
    // A "$" command is answered without a status byte: the terminator alone ends it.
    if (command.Length() >= 2 && command[command.Length() - 2] == '$')
        return true;
    return n >= 2 && IsStatus(reply[n - 2]);
}

bool HCOMMAND_PROCESSOR::Exchange(const HSTRING& prefix, const HSTRING& body, const HSTRING& command,
                                  HSTRING* reply, unsigned timeOutMs, CompletionRule complete)
{
    if (reply)
        reply->Empty();
    if (!m_Channel || !m_Channel->IsPortAssigned())
        return false;
    HSTRING scratch(kReadChunk * 2);
    HSTRING& answer = reply ? *reply : scratch;

    HReceivedDataLock lock(m_Status);
    if (m_WakeBeforeCommand)
        WakeupDevice();
    if (m_Status)
        m_Status->WaitingForResponse();

    HSTRING packet(prefix.Length() + body.Length());
    packet.Append(prefix);
    packet.Append(body);
    bool done = false;
    if (m_Channel->Write(&packet)) {
        m_Channel->ZeroElapsedTime();
        const unsigned limitSeconds = timeOutMs / 1000;
        HSTRING piece(kReadChunk);
        while (!done) {
            piece.Empty();
            m_Channel->Read(&piece, kReadChunk, kReadWaitMs);
            if (piece.Length() > 0 && !answer.Append(piece))
                break;
            done = complete(command, answer);
            if (done || m_Channel->ElapsedTime() > limitSeconds)
                break;
            if (m_Status && !m_Status->MayContinue(0, 0, true))
                break;
        }
    }
    if (m_Status)
        m_Status->FinishedWaitingForResponse();
    return done;
}

bool HCOMMAND_PROCESSOR::SendAndWait(const HSTRING& command, HSTRING* reply)
{
    const HSTRING prefix(kMenuPrefix, sizeof kMenuPrefix);
    HSTRING body(command.Length() + 16);
    AddressCommand(command, body);
    return Exchange(prefix, body, command, reply, m_CommandReplyTimeOut, MenuReplyComplete);
}

bool HCOMMAND_PROCESSOR::SendAndWait(const char* command, HSTRING* reply)
{
    return SendAndWait(HSTRING(command), reply);
}

bool HCOMMAND_PROCESSOR::SendOnly(const HSTRING& command)
{
    if (!m_Channel || !m_Channel->IsPortAssigned())
        return false;
    HSTRING packet(sizeof kMenuPrefix + command.Length() + 16);
    packet.Append(kMenuPrefix, sizeof kMenuPrefix);
    HSTRING body;
    AddressCommand(command, body);
    packet.Append(body);
    m_Channel->Write(&packet);
    return true;
}

bool HCOMMAND_PROCESSOR::SendOnly(const char* command) { return SendOnly(HSTRING(command)); }

bool HCOMMAND_PROCESSOR::QueryCommand(const char* tag, HSTRING* reply, bool keepStatus, bool addQueryMark)
{
    if (reply)
        reply->Empty();
    const size_t length = tag ? std::strlen(tag) : 0;
    HSTRING command(16);
    if (length == 6) {
        command.Copy(tag);
        if (addQueryMark)
            command.Append("?.");
    } else if (length == 7 && IsTerminator(static_cast<unsigned char>(tag[6]))) {
        command.Copy(reinterpret_cast<const unsigned char*>(tag), 6);
        if (addQueryMark)
            command.AppendByte('?');
        command.AppendByte(static_cast<unsigned char>(tag[6]));
    } else {
        return false;
    }
    HSTRING answer(64);
    if (!SendAndWait(command, &answer))
        return false;
    // The echo starts with the tag and ends with status byte and terminator; what lies
    // between is the value. A reply too short to hold them leaves nothing of the value.
    answer.Remove(0, 6);
    const unsigned tail = keepStatus ? 1 : 2;
    answer.SetLength(answer.Length() > tail ? answer.Length() - tail : 0);
    if (reply)
        reply->Copy(answer);
    return true;
}
