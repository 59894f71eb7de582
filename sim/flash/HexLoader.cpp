#include "sim/flash/HexLoader.h"

#include "sim/MenuCommand.h"
#include "sim/flash/NewFirmware.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr uint8_t kCrByte = 0x0D;
constexpr size_t kMaxCommandText = 16;

// One letter's frames, handed to the shared loader.
class LetterHandler final : public FrameHandler {
public:
    LetterHandler(std::shared_ptr<HexLoader> loader, char letter) : loader_(std::move(loader)), letter_(letter) { }
    void Begin(ReaderModel&, ReaderOutput&) override { loader_->Begin(letter_); }
    bool Feed(uint8_t byte, ReaderModel& model, ReaderOutput& output) override
    {
        return loader_->Feed(letter_, byte, model, output);
    }

private:
    std::shared_ptr<HexLoader> loader_;
    char letter_;
};

} // namespace

std::shared_ptr<HexLoader> HexLoader::Install(ReaderEngine& engine)
{
    auto loader = std::make_shared<HexLoader>();
    for (char letter : { 'G', 'E', 'A', 'I' })
        engine.SetFrameHandler(letter, std::make_shared<LetterHandler>(loader, letter));
    return loader;
}

void HexLoader::Begin(char) { text_.clear(); }

bool HexLoader::Feed(char letter, uint8_t byte, ReaderModel& model, ReaderOutput& output)
{
    if (state_ != State::Off)
        return Loader(byte, model, output);
    if (byte == kCrByte)
        return Command(letter, model, output);
    if (text_.size() >= kMaxCommandText)
        return false;
    text_ += static_cast<char>(byte);
    return true;
}

bool HexLoader::TakesRate(const ReaderModel& model, uint32_t rate) const
{
    const auto& rates = model.Profile().flashRates;
    return model.Profile().flash == "hex" && std::find(rates.begin(), rates.end(), rate) != rates.end();
}

bool HexLoader::Command(char letter, ReaderModel& model, ReaderOutput& output)
{
    const bool digits = !text_.empty() && std::all_of(text_.begin(), text_.end(), [](char c) { return c >= '0' && c <= '9'; });
    const uint32_t rate = digits ? static_cast<uint32_t>(std::strtoul(text_.c_str(), nullptr, 10)) : 0;
    switch (letter) {
    case 'G':
        output.Send(std::string(1, static_cast<char>(TakesRate(model, rate) ? kAck : kNak)));
        return false;
    case 'E':
        if (!TakesRate(model, rate))
            return false;
        Enter(rate, model, output);
        return true;
    case 'A':
        if (model.Profile().flash != "hex" || model.Profile().flashRates.empty() || !text_.empty())
            return false;
        Enter(model.Profile().flashRates.front(), model, output);
        return true;
    default:
        return false;
    }
}

void HexLoader::Enter(uint32_t rate, ReaderModel& model, ReaderOutput& output)
{
    lineBefore_ = model.Line();
    LineFormat flash;
    flash.rate = rate;
    model.SetLine(flash);
    output.LineChanged(flash);
    records_.clear();
    received_ = 0;
    naksLeft_ = faults_.nakTimes;
    state_ = State::Between;
}

bool HexLoader::Loader(uint8_t byte, ReaderModel& model, ReaderOutput& output)
{
    switch (state_) {
    case State::Off:
        return false;
    case State::Between:
        if (byte == ':') {
            record_.clear();
            state_ = State::Count;
        } else if (byte == kSyn) {
            state_ = State::AfterSyn;
        }
        return true;
    case State::AfterSyn:
        state_ = byte == 'I' ? State::AfterSynI : State::Between;
        return true;
    case State::AfterSynI:
        if (byte != kCrByte) {
            state_ = State::Between;
            return true;
        }
        Reboot(model, output);
        return false;
    case State::Count:
        record_.push_back(byte);
        state_ = State::Body;
        return true;
    case State::Body:
        record_.push_back(byte);
        if (record_.size() < static_cast<size_t>(record_[0]) + 5)
            return true;
        break;
    }

    // A whole record.
    state_ = State::Between;
    const int number = ++received_;
    if (faults_.silentFrom > 0 && number >= faults_.silentFrom)
        return true;
    uint8_t sum = 0;
    for (uint8_t b : record_)
        sum = static_cast<uint8_t>(sum + b);
    const bool refused = number == faults_.nakRecord && naksLeft_ > 0;
    if (sum != 0 || refused) {
        if (refused)
            --naksLeft_;
        // The host sends the record again; it is counted once.
        --received_;
        ++naksSent_;
        output.Send(std::string(1, static_cast<char>(kNak)));
        return true;
    }
    records_.push_back(record_);
    output.Send(std::string(1, static_cast<char>(kAck)));
    if (record_[3] == 0x01) {
        Reboot(model, output);
        return false;
    }
    return true;
}

void HexLoader::Reboot(ReaderModel& model, ReaderOutput& output)
{
    state_ = State::Off;
    ++reboots_;
    std::string data;
    for (const auto& record : records_)
        if (record.size() > 5 && record[3] == 0x00)
            data.append(record.begin() + 4, record.end() - 1);
    StartNewFirmware(model, data);
    model.SetLine(lineBefore_);
    output.LineChanged(lineBefore_);
}

std::string HexLoader::IntelHexText() const
{
    std::string text;
    char pair[3];
    for (const auto& record : records_) {
        text += ':';
        for (uint8_t b : record) {
            std::snprintf(pair, sizeof pair, "%02X", b);
            text += pair;
        }
        text += "\r\n";
    }
    return text;
}
