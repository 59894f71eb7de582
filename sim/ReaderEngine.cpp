#include "sim/ReaderEngine.h"

#include "platform/TextUtil.h"

#include <cctype>

namespace {

bool IsTerminator(uint8_t byte)
{
    return byte == '.' || byte == '!' || byte == '&' || byte == '@';
}

// A long-running simulator keeps only the recent past.
constexpr size_t kTranscriptLimit = 20000;

// What a reader's boot code understands: enough to load a new application.
bool BootCodeKnows(const std::string& upperTag)
{
    return upperTag == "MSZAPP" || upperTag == "MSZBOT" || upperTag == "APPMSK" || upperTag == "ASYSTA" ||
           upperTag == "232WRD";
}

}  // namespace

ReaderEngine::ReaderEngine(ReaderProfile profile) : model_(std::move(profile))
{
    families_.push_back(std::make_unique<IdentityFamily>());
    families_.push_back(std::make_unique<TableFamily>());
    families_.push_back(std::make_unique<ModeFamily>());
    families_.push_back(std::make_unique<CapabilityFamily>());
    families_.push_back(std::make_unique<DefaultsFamily>());
    families_.push_back(std::make_unique<WirelessFamily>());
    families_.push_back(std::make_unique<BlockFamily>());
    families_.push_back(std::make_unique<SerialParameterFamily>());
    families_.push_back(std::make_unique<SettingsFamily>());
}

void ReaderEngine::AddFamily(std::unique_ptr<MenuCommandFamily> family)
{
    families_.insert(families_.begin() + static_cast<long>(addedFamilies_), std::move(family));
    ++addedFamilies_;
}

void ReaderEngine::SetFrameHandler(char letter, std::shared_ptr<FrameHandler> handler)
{
    frameHandlers_[letter] = std::move(handler);
}

void ReaderEngine::Delegate(std::shared_ptr<FrameHandler> handler)
{
    if (!handler || output_ == nullptr)
        return;
    text_.clear();
    batch_.clear();
    delegate_ = std::move(handler);
    state_ = State::Delegated;
    delegate_->Begin(model_, *output_);
}

void ReaderEngine::Poll()
{
    if (idleHook_)
        idleHook_();
    if (silent_ || state_ != State::Delegated || output_ == nullptr)
        return;
    if (!delegate_->Poll(model_, *output_))
        EndFrame();
}

void ReaderEngine::EndFrame()
{
    delegate_.reset();
    state_ = State::Idle;
    if (afterFrame_.empty())
        return;
    const std::string held = std::move(afterFrame_);
    afterFrame_.clear();
    Receive(held);
}

void ReaderEngine::ResetParser()
{
    const std::shared_ptr<FrameHandler> abandoned = std::move(delegate_);
    state_ = State::Idle;
    text_.clear();
    batch_.clear();
    delegate_.reset();
    afterFrame_.clear();
    if (!abandoned)
        return;
    abandoned->Abandon(model_);
    if (afterFrame_.empty())
        return;
    // What the handler held back had reached the reader before the line went: it still
    // acts on it, but its answers have nowhere to go.
    const std::string held = std::move(afterFrame_);
    afterFrame_.clear();
    muted_ = true;
    Receive(held);
    muted_ = false;
    ResetParser();
}

void ReaderEngine::Receive(const std::string& bytes)
{
    for (char c : bytes)
        Receive(static_cast<uint8_t>(c));
}

void ReaderEngine::Receive(uint8_t byte)
{
    if (silent_)
        return;
    if (state_ == State::Delegated) {
        if (output_ == nullptr || !delegate_->Feed(byte, model_, *output_))
            EndFrame();
        return;
    }
    if (byte == kSyn) {
        text_.clear();
        batch_.clear();
        state_ = State::Framing;
        return;
    }
    switch (state_) {
    case State::Idle:
        return;
    case State::Framing:
        if (byte == 'C') {
            state_ = State::Probe;
        } else if (byte == 'M' || byte == 'Y') {
            state_ = State::MenuOpen;
        } else if (byte == 'N') {
            state_ = State::SynNText;
        } else if (auto handler = frameHandlers_.find(static_cast<char>(byte));
                   handler != frameHandlers_.end() && output_ != nullptr) {
            delegate_ = handler->second;
            state_ = State::Delegated;
            delegate_->Begin(model_, *output_);
        } else {
            state_ = State::Idle;
        }
        return;
    case State::Probe:
        state_ = State::Idle;
        if (byte == kCr)
            AnswerProbe();
        return;
    case State::MenuOpen:
        state_ = byte == kCr ? State::MenuText : State::Idle;
        return;
    case State::MenuText:
        if (byte == ';') {
            batch_.emplace_back(text_, ';');
            text_.clear();
        } else if (IsTerminator(byte)) {
            batch_.emplace_back(text_, static_cast<char>(byte));
            text_.clear();
            state_ = State::Idle;
            AnswerBatch();
            return;
        } else {
            text_ += static_cast<char>(byte);
        }
        if (text_.size() > kMaxMenuText || batch_.size() > kMaxMenuText)
            ResetParser();
        return;
    case State::SynNText:
        if (byte == kCr) {
            const std::string text = text_;
            ResetParser();
            AnswerSynN(text);
        } else if (text_.size() > kMaxMenuText) {
            ResetParser();
        } else {
            text_ += static_cast<char>(byte);
        }
        return;
    case State::Delegated:
        return;
    }
}

void ReaderEngine::Emit(const std::string& bytes)
{
    if (output_ != nullptr && !bytes.empty() && !muted_)
        output_->Send(bytes);
}

void ReaderEngine::AnswerProbe()
{
    ++probes_;
    if (transcript_.size() >= kTranscriptLimit)
        transcript_.erase(transcript_.begin(), transcript_.begin() + kTranscriptLimit / 2);
    transcript_.push_back({"\x16" "C", 0});
    const uint16_t link = model_.Profile().linkCode;
    std::string answer;
    answer += static_cast<char>(kAck);
    answer += static_cast<char>(kNak);
    answer += static_cast<char>(link >> 8);
    answer += static_cast<char>(link & 0xFF);
    Emit(answer);
}

// SYN "N" frames carry a data text, ",", and a command name (after an optional ":address:").
// The device type query is answered here; the boot-code and download commands of this
// framing go to the firmware loader's handler. Unknown commands get no answer, as on an old
// reader.
void ReaderEngine::AnswerSynN(const std::string& text)
{
    const size_t comma = text.rfind(',');
    std::string name = comma == std::string::npos ? text : text.substr(comma + 1);
    if (!name.empty() && name[0] == ':') {
        const size_t close = name.find(':', 1);
        name = close == std::string::npos ? std::string() : name.substr(close + 1);
    }
    if (transcript_.size() >= kTranscriptLimit)
        transcript_.erase(transcript_.begin(), transcript_.begin() + kTranscriptLimit / 2);
    transcript_.push_back({"\x16N" + text, 0});
    const std::string upperName = ToUpper(name);
    if (upperName == "DEVICETYPE") {
        if (model_.Profile().deviceType > 0 && model_.Has(CapMatrix))
            Emit((model_.bootCode ? "BOOT," : "APP,") + std::to_string(model_.Profile().deviceType) + "\r");
        return;
    }
    if (synNHandler_)
        synNHandler_(upperName);
}

void ReaderEngine::AnswerBatch()
{
    std::string reply;
    for (const auto& [text, separator] : batch_)
        reply += AnswerCommand(text, separator);
    batch_.clear();
    Emit(reply);
    ApplyPendingLine();
}

void ReaderEngine::ApplyPendingLine()
{
    if (!model_.pendingLine)
        return;
    const LineFormat line = *model_.pendingLine;
    model_.pendingLine.reset();
    if (!(line == model_.Line())) {
        model_.SetLine(line);
        if (output_ != nullptr)
            output_->LineChanged(line);
    }
}

std::string ReaderEngine::AnswerCommand(const std::string& text, char separator)
{
    if (transcript_.size() >= kTranscriptLimit)
        transcript_.erase(transcript_.begin(), transcript_.begin() + kTranscriptLimit / 2);
    transcript_.push_back({text, kAck});
    uint8_t& logged = transcript_.back().status;

    MenuCommand command;
    command.tag = text.substr(0, 6);
    command.upperTag = ToUpper(command.tag);
    command.value = text.size() > 6 ? text.substr(6) : std::string();
    command.separator = separator;

    if (model_.bootCode && !BootCodeKnows(command.upperTag)) {
        logged = 0;
        return std::string();
    }
    if (nakRemaining_ > 0) {
        --nakRemaining_;
        logged = kNak;
        return text + static_cast<char>(kNak) + separator;
    }
    if (text == "?" || text == "*" || text == "^")
        return AnswerWholeTable(text[0], separator);
    if (text.size() < 6) {
        logged = kEnq;
        return text + static_cast<char>(kEnq) + separator;
    }
    for (const auto& family : families_) {
        if (!family->Claims(model_, command.upperTag))
            continue;
        const MenuAnswer answer = family->Answer(model_, command);
        logged = answer.status;
        std::string reply = command.tag + answer.value;
        if (answer.withStatus)
            reply += static_cast<char>(answer.status);
        return reply + separator;
    }
    logged = kEnq;
    return text + static_cast<char>(kEnq) + separator;
}

std::string ReaderEngine::AnswerWholeTable(char mark, char separator)
{
    // Every setting in the reader's own order: tag, value, ACK and ";", the last one closed
    // by the query's own terminator.
    std::string reply;
    const auto& settings = model_.Settings();
    for (size_t i = 0; i < settings.size(); ++i) {
        const SettingState& setting = settings[i];
        reply += setting.profile.tag;
        reply += mark == '?' ? model_.Value(setting) : mark == '*' ? setting.profile.range : setting.profile.defaultValue;
        reply += static_cast<char>(kAck);
        reply += i + 1 < settings.size() ? ';' : separator;
    }
    if (settings.empty()) {
        reply += static_cast<char>(kAck);
        reply += separator;
    }
    return reply;
}
