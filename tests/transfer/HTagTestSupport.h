// Helpers of the HTag and received-data tests: packets written by hand and an event sink that
// records every event as one line of text.
#pragma once

#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/HTAG.h"
#include "transfer/image/HIMAGE.h"

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

} // namespace htagtest
