// The simulated reader's protocol engine: it parses the bytes it receives and answers as a
// reader does. It knows nothing of timing or framing; the line in front of it (the virtual
// UART or the pseudo-terminal) delivers bytes as the reader samples them and carries the
// answers back.
//
// Byte parser (one state at a time; SYN in any state starts a new frame, dropping the
// partial one, because a host that gave up on an exchange starts over the same way):
//
//            SYN                 'C'              CR
//   Idle ---------> Framing ----------> Probe ----------> answer ACK NAK link-hi link-lo --> Idle
//    ^  other          |  'M' or 'Y'            CR
//    |  bytes          +-------------> MenuOpen ----> MenuText --- ';' ends one command (stays)
//    |  ignored        |                                  |  '.' '!' '&' '@' end the batch:
//    |                 |                                  +----> answer every command --> Idle
//    |                 |  'N'                                     (text over 8 KiB --> Idle)
//    |                 +-------------> SynNText --- CR --> DEVICETYPE, the SYN-N handler, else silent --> Idle
//    |                 |  letter with a registered frame handler
//    |                 +-------------> Delegated: bytes go to the handler until it is done
//    +---------------- anything else
//
// Each command of a batch is answered in order: its tag as sent, the reply value, a status
// byte (ACK accepted, ENQ not present, NAK out of range) and the separator or terminator
// that followed it. "?", "*" and "^" without a tag answer for every setting of the table.
// Commands go to the first family (see families/MenuCommandFamily.h) that claims the tag.
//
// A reader running its boot code (ReaderModel::bootCode) answers the probe, DEVICETYPE with
// "BOOT,n", the SYN-N handler's commands and only the menu commands a download needs (MSZAPP,
// MSZBOT, APPMSK, ASYSTA, 232WRD); every other command goes unanswered, so a host cannot
// identify it as a working reader.
#pragma once

#include "sim/ReaderModel.h"
#include "sim/families/MenuCommandFamily.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Where the reader's answers go.
class ReaderOutput {
public:
    virtual ~ReaderOutput() = default;
    virtual void Send(const std::string& bytes) = 0;
    // The reader now speaks another line format (after the bytes sent so far).
    virtual void LineChanged(const LineFormat& format) = 0;
};

// Takes over the byte stream after SYN and its letter (firmware transfers, tagged packets).
class FrameHandler {
public:
    virtual ~FrameHandler() = default;
    virtual void Begin(ReaderModel& model, ReaderOutput& output) = 0;
    // Returns false once the frame is complete; the parser then returns to Idle.
    virtual bool Feed(uint8_t byte, ReaderModel& model, ReaderOutput& output) = 0;
    // Called each time the line is serviced, also when no byte came: a handler that works on
    // its own (a block transfer with time-outs) sends what it has produced since, and ends
    // the frame by returning false.
    virtual bool Poll(ReaderModel&, ReaderOutput&) { return true; }
    // The line went away in the middle of the frame (ResetParser): the handler ends it as the
    // reader would on its own, without sending anything.
    virtual void Abandon(ReaderModel&) { }
};

struct TranscriptEntry {
    std::string command;  // as received, without separator
    uint8_t status = 0;   // ACK, ENQ or NAK; 0 for a probe
};

class ReaderEngine {
public:
    static constexpr size_t kMaxMenuText = 8192;

    explicit ReaderEngine(ReaderProfile profile);

    ReaderModel& Model() { return model_; }
    const ReaderModel& Model() const { return model_; }

    void SetOutput(ReaderOutput* output) { output_ = output; }
    void Receive(uint8_t byte);
    void Receive(const std::string& bytes);
    // Forget a half-received frame (the line was closed); a frame handler in charge is told.
    void ResetParser();

    // Families added here are asked before the built-in ones.
    void AddFamily(std::unique_ptr<MenuCommandFamily> family);
    void SetFrameHandler(char letter, std::shared_ptr<FrameHandler> handler);
    // Hands the byte stream to a handler from now on, as if its frame had just begun: for a
    // command whose answer is a transfer (called while answering it).
    void Delegate(std::shared_ptr<FrameHandler> handler);
    // Lets a frame handler that is in charge send what it produced without a new byte.
    void Poll();
    // Bytes a handler held back while it was busy (a reader storing firmware still buffers
    // what arrives): they are parsed as if just received once its frame has ended.
    void ReceiveAfterFrame(const std::string& bytes) { afterFrame_ += bytes; }

    // SYN-N commands beyond DEVICETYPE (firmware downloads): the handler gets the command name
    // upper-cased, without data text or address, and returns true when it answered it.
    using SynNHandler = std::function<bool(const std::string& upperName)>;
    void SetSynNHandler(SynNHandler handler) { synNHandler_ = std::move(handler); }

    // Faults at the command level: the next k commands are refused with NAK whatever they
    // ask; a silent reader ignores everything it receives.
    void NakNextCommands(int count) { nakRemaining_ = count; }
    void SetSilent(bool silent) { silent_ = silent; }
    bool Silent() const { return silent_; }

    // A symbol the reader's scanner read (sim/ReaderScan.cpp). Menu symbols change settings
    // as the same commands sent on the line do; every scan is logged as accepted or refused.
    enum class ScanFormat { Code128, Aztec, Other };
    bool Scan(ScanFormat format, const std::string& bytes, bool readerInit);
    const std::vector<std::string>& ScanLog() const { return scanLog_; }
    // Runs each time the line is serviced (a scanner watching a folder).
    void SetIdleHook(std::function<void()> hook) { idleHook_ = std::move(hook); }
    const std::function<void()>& IdleHook() const { return idleHook_; }
    // Where the reader's answers go (nullptr before a line is attached).
    ReaderOutput* Output() const { return output_; }

    const std::vector<TranscriptEntry>& Transcript() const { return transcript_; }
    void ClearTranscript() { transcript_.clear(); }
    int ProbesAnswered() const { return probes_; }

private:
    enum class State { Idle, Framing, Probe, MenuOpen, MenuText, SynNText, Delegated };

    void AnswerProbe();
    void AnswerBatch();
    void AnswerSynN(const std::string& text);
    std::string AnswerCommand(const std::string& text, char separator);
    bool ScanCommand(const std::string& text);
    // A serial-line command answered: the reader now speaks the new format.
    void ApplyPendingLine();
    std::string AnswerWholeTable(char mark, char separator);
    void Emit(const std::string& bytes);
    void EndFrame();

    ReaderModel model_;
    ReaderOutput* output_ = nullptr;
    std::vector<std::unique_ptr<MenuCommandFamily>> families_;
    size_t addedFamilies_ = 0;
    std::map<char, std::shared_ptr<FrameHandler>> frameHandlers_;
    std::shared_ptr<FrameHandler> delegate_;
    std::string afterFrame_;
    bool muted_ = false;
    SynNHandler synNHandler_;

    State state_ = State::Idle;
    std::string text_;
    std::vector<std::pair<std::string, char>> batch_;
    int nakRemaining_ = 0;
    bool silent_ = false;
    std::vector<TranscriptEntry> transcript_;
    int probes_ = 0;
    std::vector<std::string> scanLog_;
    std::function<void()> idleHook_;
};
