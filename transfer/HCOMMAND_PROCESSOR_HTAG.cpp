// The command processor's HTag side: sending commands raw or through HModem, receiving the
// reader's packets, answering its requests, and the boot-code / flash-image mode switches.
#include "transfer/HCOMMAND_PROCESSOR.h"

#include "transfer/HCOMM.h"
#include "transfer/HMODEM.h"
#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/image/HImageFormats.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// Raw sends go out in pieces of this size, each waited for, so progress and a cancel stay live.
constexpr unsigned kRawSendPiece = 2048;
// Raw receives read at most this much at once.
constexpr unsigned kRawReceivePiece = 10000;
// A protocol value has a handful of digits; more is not a packet.
constexpr unsigned kMaxProtocolDigits = 9;

// HModem compression mode of each protocol value 3, 4, 5.
unsigned CompressionOf(int protocol) { return protocol == 3 ? 7u : protocol == 5 ? 6u : 0u; }

const char* TransmitFailureText(int result)
{
    switch (result) {
    case 7: return "HModem Download - Timeout while waiting for receiver response\r\n";
    case 8: return "HModem Download - Receiver not ready to receive data\r\n";
    case 10: return "HModem Download - Receiver terminated download\r\n";
    case 11: return "HModem Download - Receiver terminated HMODEM\r\n";
    default: return "Error while transmitting HMODEM image\r\n";
    }
}

const char* ReceiveFailureText(int result)
{
    switch (result) {
    case 10: return "Transmitter terminated HMODEM\r\n";
    case 11: return "Receiver terminated HMODEM\r\n";
    case 12: return "Timeout while waiting for HMODEM block number\r\n";
    case 13: return "Mismatched HMODEM block number\r\n";
    case 14:
    case 15: return "Timeout while waiting for HMODEM inverse block number\r\n";
    case 16: return "Timeout while waiting for HMODEM block size\r\n";
    case 17: return "Illegal HMODEM block size received\r\n";
    case 18: return "Timeout while waiting for HMODEM data block\r\n";
    case 19: return "Timeout while waiting for HMODEM CRC\r\n";
    case 20: return "Mismatched HMODEM CRC\r\n";
    case 22: return "Transmit HMODEM data too large\r\n";
    default: return "Error while receiving HMODEM HTag data\r\n";
    }
}

void SetText(HSTRING* out, const char* text)
{
    if (out)
        out->Copy(text);
}

constexpr const char* kBootPasswords[3] = { "QWMZTRBNKLPXVDH", "PLKWQZTNMRBVXHDGCYJFSAE", "ZXCVMNBQWTRYPLKJHGFD" };
constexpr const char* kFlashPasswords[3] = { "MNQPZWLKRTYXBVCGH", "HJKQWPZLMNXBVRTYCDGFSAEUO", "TYQWZPLKMXNBVCRHGJDFSA" };

} // namespace

bool HCOMMAND_PROCESSOR::SendHTag(const HTAG& command, bool waitForFinish, HSTRING* resultText)
{
    SetText(resultText, "");
    if (!m_Channel || !m_Channel->IsPortAssigned())
        return false;
    const int protocol = command.Protocol();
    if (protocol < 2) {
        HSTRING packet;
        command.BuildPacket(packet);
        const bool ok = m_Channel->Write(&packet, 0, static_cast<int>(packet.Length()), true);
        SetText(resultText, ok ? "Successfully transmitted HTag data" : "Error while transmitting HTag data\r\n");
        return ok;
    }
    HSTRING body;
    command.BuildBody(body);
    HSTRING header;
    command.BuildHeader(header, body.Length());

    if (protocol >= 3) {
        // The processor already owns the conversation: no wake-up probe in front of the packet.
        HMODEM modem(m_Channel, m_Status, nullptr);
        const int result = modem.Transmit(body, header, waitForFinish, true, CompressionOf(protocol));
        const bool ok = result == HMODEM_SUCCESS;
        SetText(resultText, ok ? "Successfully transmitted HTag data" : TransmitFailureText(result));
        return ok;
    }

    if (m_Status)
        m_Status->SetProgressLevel(0);
    bool ok = m_Channel->Write(&header, 0, static_cast<int>(header.Length()), true);
    unsigned sent = 0;
    while (ok && sent < body.Length()) {
        const unsigned piece = std::min(kRawSendPiece, body.Length() - sent);
        ok = m_Channel->Write(&body, static_cast<int>(sent), static_cast<int>(piece), true);
        sent += piece;
        // Stopping half way leaves the reader with a partial packet: that is a failure.
        if (ok && m_Status && !m_Status->MayContinue(piece, body.Length())) {
            ok = false;
            SetText(resultText, "HTag transmission stopped\r\n");
            return false;
        }
    }
    if (m_Status)
        m_Status->SetProgressLevel(static_cast<int>(body.Length()));
    SetText(resultText, ok ? "Successfully transmitted HTag data" : "Error while transmitting HTag data\r\n");
    return ok;
}

void HCOMMAND_PROCESSOR::DeliverHTag(const HTAG& command, int code, const char* text)
{
    if (m_Events)
        m_Events->HTagReceived(command, code, HSTRING(text));
}

bool HCOMMAND_PROCESSOR::ReceiveHTag(HTAG& command, int& code, HSTRING* resultText, bool markerSeen)
{
    command = HTAG();
    HSTRING text(64);
    auto fail = [&](int failure, const char* why) {
        code = failure;
        text.Copy(why);
        SetText(resultText, why);
        DeliverHTag(command, code, why);
        return false;
    };
    unsigned char frame[HTAG::kFrameHeaderLength] = { HTAG::SYN, HTAG::MARKER };
    const unsigned timeOut = m_Channel ? m_Channel->ReadTimeOut : 1000;
    if (!markerSeen) {
        if (ReadInput(frame, 1, timeOut) != 1 || frame[0] != HTAG::SYN)
            return fail(HTAG_RECEIVE_NO_SYN, "Missing <SYN> at the start of an HTag packet\r\n");
        if (ReadInput(frame + 1, 1, timeOut) != 1 || frame[1] != HTAG::MARKER)
            return fail(HTAG_RECEIVE_NO_MARKER, "Missing FE after <SYN> in an HTag packet\r\n");
    }
    const unsigned gotLength = ReadInput(frame + 2, 4, timeOut);
    if (gotLength != 4) {
        // Not a packet after all: the bytes go on as decoded data.
        PushBackInput(frame + 2, gotLength);
        return fail(HTAG_RECEIVE_NO_LENGTH, "Timeout while waiting for HTag length\r\n");
    }
    const uint32_t length = uint32_t(frame[2]) | uint32_t(frame[3]) << 8 | uint32_t(frame[4]) << 16
        | uint32_t(frame[5]) << 24;
    // Refused before anything more is read, so a hostile length cannot make us wait for it.
    if (length > m_HTagLimit)
        return fail(HTAG_RECEIVE_TOO_LONG, "HTag packet is longer than allowed\r\n");
    if (ReadInput(frame + 6, 1, timeOut) != 1 || frame[6] != HTAG::CR) {
        PushBackInput(frame + 2, 5);
        return fail(HTAG_RECEIVE_NO_CR, "Missing <CR> after the HTag length\r\n");
    }
    unsigned char name[HTAG::kNameLength] = {};
    if (length < HTAG::kNameLength || ReadInput(name, HTAG::kNameLength, timeOut) != HTAG::kNameLength)
        return fail(HTAG_RECEIVE_NO_NAME, "Missing HTag command name\r\n");
    unsigned remaining = length - HTAG::kNameLength;
    auto skip = [&](unsigned count) {
        std::vector<unsigned char> sink(std::min(count, kRawReceivePiece));
        while (count > 0) {
            const unsigned got = ReadInput(sink.data(), std::min<unsigned>(count, static_cast<unsigned>(sink.size())), timeOut);
            if (got == 0)
                break;
            count -= got;
        }
    };
    if (!HTAG::IsKnownName(reinterpret_cast<const char*>(name), HTAG::kNameLength)) {
        // Within the limit: skipped by its length, the line stays in step.
        skip(remaining);
        return fail(HTAG_RECEIVE_UNRECOGNIZED, "Unrecognized <SYN>FE command");
    }
    const std::string nameText(reinterpret_cast<const char*>(name), HTAG::kNameLength);
    command = HTAG(nameText.c_str());

    // Protocol digits, then the protocol parameter's name.
    int protocol = 0;
    unsigned digits = 0;
    unsigned char c = 0;
    for (;;) {
        if (remaining == 0 || ReadInput(&c, 1, timeOut) != 1)
            return fail(HTAG_RECEIVE_BAD_PROTOCOL, "Timeout while waiting for protocol\r\n");
        --remaining;
        if (c < '0' || c > '9')
            break;
        if (++digits > kMaxProtocolDigits)
            break;
        protocol = protocol * 10 + (c - '0');
    }
    if (digits == 0 || digits > kMaxProtocolDigits) {
        skip(remaining);
        return fail(HTAG_RECEIVE_BAD_PROTOCOL, "Bad protocol\r\n");
    }
    if (c != 'P') {
        skip(remaining);
        return fail(HTAG_RECEIVE_BAD_PROTOCOL, "Incorrect protocol parameter name\r\n");
    }
    command.SetProtocol(protocol);
    if (!ReceiveHTagBody(command, remaining, protocol, code, text)) {
        SetText(resultText, text.Text());
        DeliverHTag(command, code, text.Text());
        return false;
    }
    HandleHTagCommand(command, code, text);
    SetText(resultText, text.Text());
    DeliverHTag(command, code, text.Text());
    return code == HTAG_PARSE_OK || code == HTAG_PARSE_UNKNOWN_SKIPPED;
}

bool HCOMMAND_PROCESSOR::ReceiveHTagBody(HTAG& command, unsigned remaining, int protocol, int& code, HSTRING& text)
{
    HSTRING body(std::min(remaining, 64u * 1024u));
    if (protocol >= 3 && protocol <= 5) {
        HMODEM modem(m_Channel, m_Status, nullptr);
        // The last block may carry up to one block of padding beyond the announced length.
        const int result = modem.Receive(&body, std::min(remaining, 0xFFFFFFFFu - 1024u) + 1024u);
        if (result != HMODEM_SUCCESS) {
            code = HTAG_RECEIVE_HMODEM_FAILED;
            text.Copy(ReceiveFailureText(result));
            return false;
        }
        if (body.Length() > remaining)
            body.SetLength(remaining);
        text.Copy("Successfully received HTag data");
    } else {
        const unsigned total = remaining;
        const unsigned timeOut = m_Channel ? m_Channel->ReadTimeOut : 1000;
        std::vector<unsigned char> piece(std::min(remaining, kRawReceivePiece));
        while (remaining > 0) {
            const unsigned want = std::min(remaining, kRawReceivePiece);
            const unsigned got = ReadInput(piece.data(), want, timeOut);
            if (got == 0) {
                code = HTAG_RECEIVE_DATA_TIMEOUT;
                text.Format("Timeout while waiting for remaining %u bytes of HTag data\r\n", remaining);
                return false;
            }
            body.Append(piece.data(), got);
            remaining -= got;
            if (m_Status && !m_Status->MayContinue(got, total)) {
                code = HTAG_RECEIVE_DATA_TIMEOUT;
                text.Copy("HTag reception stopped\r\n");
                return false;
            }
        }
    }
    code = command.ParseBody(body.Data(), body.Length());
    return true;
}

HCODE_MODE HCOMMAND_PROCESSOR::ModeFromPassword(bool bootCode, const std::string& password)
{
    const char* const* passwords = bootCode ? kBootPasswords : kFlashPasswords;
    if (password == passwords[0])
        return HCODE_MODE::Entered;
    if (password == passwords[1])
        return HCODE_MODE::Retrieve;
    if (password == passwords[2])
        return HCODE_MODE::Store;
    return HCODE_MODE::None;
}

void HCOMMAND_PROCESSOR::HandleHTagCommand(HTAG& command, int& code, HSTRING& text)
{
    const std::string& name = command.Name();
    const bool parsed = code == HTAG_PARSE_OK || code == HTAG_PARSE_UNKNOWN_SKIPPED;
    if (parsed)
        text.Copy("Successfully received command");
    else
        text.Format("Error %d in the parameters of %s\r\n", code, name.c_str());

    if (name.rfind("HPL", 0) == 0)
        m_StatusMessageArrived = true;
    if (name == "BOTMOD" && parsed)
        m_BootCodeMode = ModeFromPassword(true, command.GetText("PASSWORD"));
    if (name == "FLSMOD" && parsed)
        m_FlashImageMode = ModeFromPassword(false, command.GetText("PASSWORD"));
    if ((name == "BOTCOD" || name == "BOTSTO") && m_BootCodeMode != HCODE_MODE::Store) {
        code = HTAG_RECEIVE_NOT_IN_STORE_MODE;
        text.Copy("Boot code received outside boot-code store mode\r\n");
        return;
    }
    if (name == "IMGSHP" && parsed) {
        // A picture shipped as an HTag command: its data are the picture in form F.
        m_PictureExpected = false;
        HIMAGE image;
        std::string error;
        const HSTRING& data = command.Data();
        const int result = HImageFormats::Decode(static_cast<int>(command.GetInt("F")), data.Data(), data.Length(),
                                                 command, image, error);
        DeliverPicture(result, result == HIMAGE_OK ? "Image successfully received" : error.c_str(), image);
    }
    const char* answerName = HTagAnswerFor(name);
    if (!answerName)
        return;
    if (!parsed) {
        code = HTAG_RECEIVE_BAD_REQUEST;
        return;
    }
    if (name == "BOTRET" && !SwitchToBootCodeMode(true))
        return;
    if (name == "FLSRET" && !SwitchToFlashImageMode(true))
        return;
    HTAG answer(answerName);
    answer.SetProtocol(command.Protocol());
    // A retrieve names the file it wants; the answer carries the same name.
    if (command.Find("FILE") >= 0 && answer.Find("FILE") >= 0)
        answer.SetText("FILE", command.GetText("FILE"));
    if (!m_Events || !m_Events->ProvideAnswer(command, answer))
        return;
    HSTRING sendText;
    if (!SendHTag(answer, false, &sendText))
        text.Copy(sendText);
}

bool HCOMMAND_PROCESSOR::SwitchCodeMode(const char* name, const char* const passwords[3], bool retrieve,
                                        HSTRING* resultText)
{
    HReceivedDataLock lock(m_Status);
    HTAG command(name);
    command.SetProtocol(2);
    command.Require("PASSWORD");
    command.SetText("PASSWORD", passwords[0]);
    if (!SendHTag(command, false, resultText))
        return false;
    command.SetText("PASSWORD", passwords[retrieve ? 1 : 2]);
    return SendHTag(command, false, resultText);
}

bool HCOMMAND_PROCESSOR::SwitchToBootCodeMode(bool retrieve, HSTRING* resultText)
{
    return SwitchCodeMode("BOTMOD", kBootPasswords, retrieve, resultText);
}

bool HCOMMAND_PROCESSOR::SwitchToFlashImageMode(bool retrieve, HSTRING* resultText)
{
    return SwitchCodeMode("FLSMOD", kFlashPasswords, retrieve, resultText);
}
