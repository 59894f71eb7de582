// Helpers of the HTag and received-data tests: packets written by hand and an event sink that
// records every event as one line of text.
#pragma once

#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/HTAG.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/image/HIMAGE.h"
#include "MemoryDuplex.h"

#include <string>
#include <vector>

namespace htagtest {

inline std::string Str(const HSTRING& s) { return std::string(s.Text(), s.Length()); }

inline std::string Le32(uint32_t v)
{
    return std::string { char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24) };
}

// A whole framed packet: header text (name, protocol, 'P') and body.
inline std::string Packet(const std::string& headerText, const std::string& body)
{
    return std::string("\x16\xfe") + Le32(uint32_t(headerText.size() + body.size())) + "\r" + headerText + body;
}

class Recorder : public HPROCESSOR_EVENTS {
public:
    void DecodedData(const HSTRING& text) override { events.push_back("text:" + Str(text)); }
    void PictureReceived(int code, const HSTRING& text, const HIMAGE& image) override
    {
        events.push_back("picture:" + std::to_string(code) + ":" + Str(text) + ":" + std::to_string(image.width) + "x"
                         + std::to_string(image.height));
        pictures.push_back(image);
    }
    void HTagReceived(const HTAG& command, int code, const HSTRING& text) override
    {
        events.push_back("htag:" + command.Name() + ":" + std::to_string(code) + (withTexts ? ":" + Str(text) : ""));
        commands.push_back(command);
    }
    void TaggedData(const HSTRING& prefix, const HSTRING& block) override
    {
        events.push_back("tagged:" + Str(prefix) + "|" + Str(block));
    }
    bool ProvideAnswer(const HTAG& request, HTAG& answer) override
    {
        if (answerData.empty())
            return false;
        requests.push_back(request.Name());
        answer.Data().Copy(answerData.c_str());
        return true;
    }
    bool withTexts = false;
    std::vector<std::string> events;
    std::vector<HTAG> commands;
    std::vector<HIMAGE> pictures;
    std::vector<std::string> requests;
    std::string answerData;
};

// A processor on the host end of an in-memory line, its events recorded; the reader end
// says things and hears what the host sent.
struct Bench {
    MemoryDuplex line;
    MemoryComm host { line, 0 };
    MemoryComm reader { line, 1 };
    HTRANSFER_STATUS status;
    Recorder events;
    HCOMMAND_PROCESSOR processor { &host, &status };
    Bench()
    {
        processor.SetEventSink(&events);
        host.ReadTimeOut = 200;
    }
    // What the host put on the line, waiting `ms` for it.
    std::string Heard(size_t wanted, unsigned ms = 300)
    {
        std::vector<uint8_t> bytes(wanted);
        const size_t got = line.Read(0, bytes.data(), wanted, std::chrono::milliseconds(ms));
        return std::string(bytes.begin(), bytes.begin() + got);
    }
    // The reader's bytes, whole or one write a byte.
    void Say(const std::string& bytes, bool oneByOne)
    {
        if (!oneByOne) {
            line.Write(1, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            return;
        }
        for (char c : bytes)
            line.Write(1, reinterpret_cast<const uint8_t*>(&c), 1);
    }
    // Runs the dispatcher over `bytes`: handed in whole, or arriving on the line one by one.
    void Dispatch(const std::string& bytes, bool oneByOne)
    {
        if (!oneByOne) {
            const HSTRING given(reinterpret_cast<const unsigned char*>(bytes.data()), unsigned(bytes.size()));
            processor.ProcessReceivedData(&given, false);
            return;
        }
        Say(bytes, true);
        processor.ProcessReceivedData(nullptr, true);
    }
};

} // namespace htagtest
