#include "device/CMenuCommands.h"

#include "device/CSerComm.h"
#include "platform/Host.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Tags the device object sends as block defaults; readers without blocks answer ENQ, which
// is no news to the user.
constexpr const char* kSilentTags[] = { "PREDFT", "SUFDFT", "DFMDFT" };

bool IsStatus(char c) { return c == CMenuCommands::ACK || c == CMenuCommands::NAK || c == CMenuCommands::ENQ; }

void AddOnce(std::vector<std::string>& list, const std::string& tag)
{
    if (std::find(list.begin(), list.end(), tag) == list.end())
        list.push_back(tag);
}

// Decimal number at the start of text (leading blanks and sign allowed), clamped so a
// silly reply cannot overflow; 0 when there is none.
long LeadingNumber(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    const long long value = std::strtoll(begin, &end, 10);
    if (end == begin)
        return 0;
    return static_cast<long>(std::clamp<long long>(value, -2147483647LL - 1, 2147483647LL));
}

} // namespace

CMenuCommands::CMenuCommands(CSerComm* port)
    : CDeviceChannel(port)
{
}

bool CMenuCommands::ReplyComplete(const std::string& reply)
{
    if (reply.size() < 2)
        return false;
    const char last = reply.back();
    return (last == '.' || last == '&' || last == '!') && IsStatus(reply[reply.size() - 2]);
}

bool CMenuCommands::SendCommandAndWait(const std::string& command, std::string& reply, unsigned timeoutMs)
{
    WaitCursor cursor;
    reply.clear();
    if (!m_pSerComm)
        return false;
    HReceivedDataLock lock(this);

    m_pSerComm->WriteBytes(reinterpret_cast<const uint8_t*>(kMenuPrefix), sizeof kMenuPrefix);
    m_pSerComm->WriteText(command);

    const Clock::time_point start = Clock::now();
    unsigned long long limitMs = timeoutMs;
    bool complete = false;
    uint8_t piece[512];
    for (;;) {
        const int got = m_pSerComm->ReadAvailable(piece, sizeof piece);
        if (got > 0) {
            reply.append(reinterpret_cast<const char*>(piece), static_cast<size_t>(got));
            limitMs += kPieceExtensionMs;
            complete = ReplyComplete(reply);
        }
        if (complete || UserAbortRequested())
            break;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (static_cast<unsigned long long>(elapsed) >= limitMs)
            break;
        // Keep the window (and its Escape key) alive; wait a little when nothing came.
        ::PumpWaitingMessages();
        if (got <= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return complete;
}

void CMenuCommands::SendCommandNoWait(const std::string& command)
{
    if (!m_pSerComm)
        return;
    m_pSerComm->WriteBytes(reinterpret_cast<const uint8_t*>(kMenuPrefix), sizeof kMenuPrefix);
    m_pSerComm->WriteText(command);
}

bool CMenuCommands::SendBatch(std::string batch, std::string& replies)
{
    if (batch.empty() || (batch.back() != '.' && batch.back() != '!'))
        batch += '.';
    if (m_pSerComm)
        m_pSerComm->DrainInput(kBatchDrainMs);
    std::string reply;
    const bool complete = SendCommandAndWait(batch, reply, kBatchTimeoutMs);
    const bool answered = complete && !reply.empty();
    if (!answered)
        reply = batch;
    replies += reply;
    return answered;
}

std::vector<std::string> CMenuCommands::SplitIntoBatches(const std::string& items)
{
    std::vector<std::string> batches;
    size_t start = 0;
    size_t separators = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] != ';')
            continue;
        if (++separators == kCommandsPerBatch) {
            batches.push_back(items.substr(start, i - start) + ".");
            start = i + 1;
            separators = 0;
        }
    }
    if (start < items.size()) {
        std::string last = items.substr(start);
        if (last.back() == ';')
            last.back() = '.';
        batches.push_back(last);
    }
    return batches;
}

bool CMenuCommands::SendItemsInBatches(const std::string& items, std::string& replies)
{
    bool allAnswered = true;
    for (const std::string& batch : SplitIntoBatches(items)) {
        if (!SendBatch(batch, replies))
            allAnswered = false;
    }
    return allAnswered;
}

void CMenuCommands::ClassifyReplies(const std::string& replies, std::vector<std::string>& notPresent,
                                    std::vector<std::string>& outOfRange, std::vector<std::string>& noResponse)
{
    notPresent.clear();
    outOfRange.clear();
    noResponse.clear();
    size_t start = 0;
    for (size_t i = 0; i < replies.size(); ++i) {
        if (replies[i] != ';' && replies[i] != '.')
            continue;
        if (i > start) {
            const char status = replies[i - 1];
            // The tag is the entry's first six characters; a cut-short entry never lends its
            // status byte to the tag.
            const size_t tagLength = std::min<size_t>(6, i - start - (IsStatus(status) ? 1 : 0));
            const std::string tag = replies.substr(start, tagLength);
            if (status == NAK) {
                AddOnce(outOfRange, tag);
            } else if (status == ENQ) {
                const bool silent = std::any_of(std::begin(kSilentTags), std::end(kSilentTags),
                                                [&tag](const char* quiet) { return tag == quiet; });
                if (!silent)
                    AddOnce(notPresent, tag);
            } else if (status != ACK) {
                AddOnce(noResponse, tag);
            }
        }
        start = i + 1;
    }
}

void CMenuCommands::ParseRange(const std::string& range, std::vector<std::string>& values, long& minimum,
                               long& maximum)
{
    minimum = 0;
    maximum = 0;
    values.clear();
    std::string text = range;
    if (!text.empty() && text.back() == '|')
        text.pop_back();

    size_t itemStart = 0;
    bool barAfterFirst = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '|')
            continue;
        values.push_back(text.substr(itemStart, i - itemStart));
        itemStart = i + 1;
        if (i >= 1)
            barAfterFirst = true;
    }
    if (barAfterFirst)
        values.push_back(text.substr(itemStart));

    // The "-" is looked for from the second character on, so "-5-5" is -5 to 5.
    const size_t dash = text.size() > 1 ? text.find('-', 1) : std::string::npos;
    if (dash != std::string::npos) {
        minimum = LeadingNumber(text.substr(0, dash));
        maximum = LeadingNumber(text.substr(dash + 1));
    }
    if (text.find('|') == std::string::npos && dash == std::string::npos)
        values.push_back(text);
}
