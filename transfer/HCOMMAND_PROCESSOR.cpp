#include "transfer/HCOMMAND_PROCESSOR.h"

#include "transfer/HCOMM.h"
#include "transfer/HTRANSFER_STATUS.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr unsigned char SYN = 0x16;
constexpr unsigned char CR = 0x0D;
constexpr unsigned char ACK = 0x06;
constexpr unsigned char ENQ = 0x05;
constexpr unsigned char NAK = 0x15;

// The reader's reply arrives in small pieces; reads wait at most 10 ms, which keeps the
// loop responsive to a cancel without spinning. Each read asks for one byte: a read of a
// whole chunk would wait out its time-out after every short reply (ten commands cost
// 100 ms that way), while a reply is complete the moment its terminator is in.
constexpr unsigned kReadChunk = 80;
constexpr unsigned kReadPiece = 1;
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
            m_Channel->Read(&piece, kReadPiece, kReadWaitMs);
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

// ---- the other framings -------------------------------------------------------------------

namespace {

constexpr unsigned char kSynYPrefix[] = { SYN, 'Y', CR };
constexpr unsigned char kProbe[] = { SYN, 'C', CR };
constexpr int kBootCodeTransfer = 3;

std::string AsText(const HSTRING& s) { return std::string(s.Text(), s.Length()); }

// Replies of the probe's flag queries: "TAG" value, then "1", ACK and the terminator.
bool EndsOneAck(const HSTRING& reply)
{
    const unsigned n = reply.Length();
    return n > 8 && reply[n - 3] == '1' && reply[n - 2] == ACK;
}

bool LastButOneIsAck(const HSTRING& reply, unsigned longerThan)
{
    const unsigned n = reply.Length();
    return n > longerThan && reply[n - 2] == ACK;
}

} // namespace

bool HCOMMAND_PROCESSOR::SynNReplyComplete(const HSTRING&, const HSTRING& reply)
{
    return reply.Length() > 0 && reply[reply.Length() - 1] == CR;
}

bool HCOMMAND_PROCESSOR::SynYReplyComplete(const HSTRING& command, const HSTRING& reply)
{
    const unsigned n = reply.Length();
    if (n == 0)
        return false;
    const unsigned char last = reply[n - 1];
    if (command.Length() >= 2 && command[command.Length() - 2] == '$')
        return IsTerminator(last);
    return (last == '.' || last == '!') && n >= 2 && IsStatus(reply[n - 2]);
}

bool HCOMMAND_PROCESSOR::SendSynNCommand(const char* name, HSTRING* reply, const char* data, unsigned timeOutMs)
{
    const unsigned char prefixBytes[] = { SYN, 'N' };
    const HSTRING prefix(prefixBytes, sizeof prefixBytes);
    HSTRING named(32);
    AddressCommand(HSTRING(name ? name : ""), named);
    HSTRING body(named.Length() + 32);
    body.Append(data ? data : "");
    body.AppendByte(',');
    body.Append(named);
    body.AppendByte(CR);
    return Exchange(prefix, body, body, reply, timeOutMs ? timeOutMs : m_CommandReplyTimeOut, SynNReplyComplete);
}

bool HCOMMAND_PROCESSOR::SendMenuCommand(const HSTRING& command, HSTRING* reply, unsigned timeOutMs)
{
    const HSTRING prefix(kMenuPrefix, sizeof kMenuPrefix);
    HSTRING body(command.Length() + 16);
    AddressCommand(command, body);
    return Exchange(prefix, body, command, reply, timeOutMs ? timeOutMs : m_CommandReplyTimeOut,
                    MenuReplyComplete);
}

bool HCOMMAND_PROCESSOR::SendSynYCommand(const HSTRING& command, HSTRING* reply, unsigned timeOutMs)
{
    const HSTRING prefix(kSynYPrefix, sizeof kSynYPrefix);
    return Exchange(prefix, command, command, reply, timeOutMs ? timeOutMs : m_CommandReplyTimeOut,
                    SynYReplyComplete);
}

// ---- wake-up and capability probes ----------------------------------------------------------

bool HCOMMAND_PROCESSOR::WakeupOnce()
{
    if (!m_Channel || !m_Channel->IsPortAssigned())
        return false;
    HReceivedDataLock lock(m_Status);
    m_Channel->FlushReadBuffer();
    HSTRING probe(kProbe, sizeof kProbe);
    if (!m_Channel->Write(&probe))
        return false;
    unsigned char answer[4] = {};
    for (unsigned i = 0; i < 4; ++i) {
        unsigned got = 0;
        if (!m_Channel->Read(&answer[i], &got, 1, m_ProbeByteTimeOut) || got != 1)
            return false;
    }
    return answer[0] == ACK && answer[1] == NAK;
}

bool HCOMMAND_PROCESSOR::WakeupDevice()
{
    const bool savedAddressing = m_UseAddress;
    m_UseAddress = false;
    bool awake = false;
    for (unsigned attempt = 0; attempt < m_WakeupAttempts && !awake; ++attempt) {
        if (attempt > 0 && m_Status && !m_Status->MayContinue(0, 0, true))
            break;
        if (!m_Channel || !m_Channel->IsPortAssigned())
            break;
        awake = WakeupOnce();
    }
    if (awake && !m_ProbeRunning && !(m_Status && m_Status->GetTransferKind() == kBootCodeTransfer)) {
        m_UseAddress = savedAddressing;
        ProbeCapabilities();
        // The probe decides the address switch afresh; keep what it found.
        return true;
    }
    m_UseAddress = savedAddressing;
    return awake;
}

void HCOMMAND_PROCESSOR::ClearCapabilities()
{
    m_MatrixCommands = m_ImageShip = m_Aztec = m_Pdf = m_IqEpro = m_Script = m_CurrentTable = false;
    m_DeviceType = 0;
    m_RunningBootCode = false;
    m_Scanners.clear();
    m_Scanners.reserve(10);
}

bool HCOMMAND_PROCESSOR::ProbeCapabilities()
{
    if (m_ProbeRunning)
        return false;
    m_ProbeRunning = true;
    m_UseAddress = false;
    HReceivedDataLock lock(m_Status);
    ClearCapabilities();
    HSTRING reply(128);

    // Every step needs the one before it: a reader that stops answering ends the probe with
    // what was learnt so far.
    auto probe = [&]() -> bool {
        if (!WakeupDevice())
            return false;
        if (!SendMenuCommand(HSTRING("MNUBEP0!"), &reply))
            return false;
        if (!SendMenuCommand(HSTRING("MATCMD?."), &reply))
            return false;
        {
            const std::string text = AsText(reply);
            const size_t at = text.find("MATCMD");
            m_MatrixCommands = at != std::string::npos && text.size() - at > 7 && text.size() >= 2
                && static_cast<unsigned char>(text[text.size() - 2]) == ACK && text.back() == '.';
        }
        struct Flag {
            const char* command;
            bool* flag;
        };
        const Flag flags[] = { { "IMGSHP?.", &m_ImageShip }, { "AZTENA?.", &m_Aztec }, { "PDFENA?.", &m_Pdf } };
        for (const Flag& f : flags) {
            if (!SendMenuCommand(HSTRING(f.command), &reply))
                return false;
            *f.flag = LastButOneIsAck(reply, 7);
        }
        if (m_MatrixCommands) {
            if (!SendSynNCommand("DEVICETYPE", &reply))
                return false;
            std::string text = AsText(reply);
            while (!text.empty() && (text.back() == CR || text.back() == '\n'))
                text.pop_back();
            const bool application = text.rfind("APP,", 0) == 0;
            m_RunningBootCode = text.rfind("BOOT,", 0) == 0;
            const std::string number = text.substr(text.find(',') == std::string::npos ? text.size() : text.find(',') + 1);
            int type = 0;
            for (char c : number) {
                if (c < '0' || c > '9' || type > 100000000) {
                    type = 0;
                    break;
                }
                type = type * 10 + (c - '0');
            }
            m_DeviceType = (application || m_RunningBootCode) ? type : 0;
            if (application) {
                if (!SendSynYCommand(HSTRING("IQEPRO?."), &reply))
                    return false;
                m_IqEpro = EndsOneAck(reply);
                if (!SendSynYCommand(HSTRING("SCRIPT?."), &reply))
                    return false;
                m_Script = EndsOneAck(reply);
            }
        }
        if (!SendMenuCommand(HSTRING("CURTBL*."), &reply))
            return false;
        m_CurrentTable = EndsOneAck(reply);
        if (!SendMenuCommand(HSTRING("LSTSCN."), &reply))
            return false;
        if (LastButOneIsAck(reply, 8)) {
            // Tag, names separated by one byte, ACK and the terminator.
            const std::string text = AsText(reply);
            const std::string names = text.substr(6, text.size() - 8);
            size_t start = 0;
            for (size_t i = 0; i <= names.size(); ++i) {
                if (i == names.size() || names[i] == ',') {
                    if (i > start)
                        m_Scanners.push_back(names.substr(start, i - start));
                    start = i + 1;
                }
            }
        }
        const std::string address = AsText(m_Address);
        m_UseAddress = !address.empty()
            && std::find(m_Scanners.begin(), m_Scanners.end(), address) != m_Scanners.end();
        return SendMenuCommand(HSTRING("MNUBEP1!"), &reply);
    };
    const bool ok = probe();
    m_ProbeRunning = false;
    if (ok && m_Status)
        m_Status->DeviceDetected();
    return ok;
}

bool HCOMMAND_PROCESSOR::QueryImageSize()
{
    // Some imagers answer the first size query of a session with an empty value while the
    // sensor wakes up; one more asking gets the number.
    auto ask = [this](const char* tag, int& value) {
        HSTRING reply(32);
        value = 0;
        bool ok = QueryCommand(tag, &reply);
        if (ok && reply.Length() == 0)
            ok = QueryCommand(tag, &reply);
        if (ok)
            value = std::atoi(std::string(reply.Text(), reply.Length()).c_str());
        return ok && reply.Length() > 0;
    };
    const bool okX = ask("IMGMXX", m_ImageWidth);
    const bool okY = ask("IMGMXY", m_ImageHeight);
    return okX && okY;
}
