// Buttons on the pages, the read-back after writing a table and the file description, against
// the in-process simulated reader. The reader's answers to the button commands come from a
// family added in front of its own ones; answers no reader model gives (text before the tag,
// no tag at all, no answer) come from a line that stands in for the reader for one command.
#include "DocumentBench.h"

#include "sim/families/MenuCommandFamily.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

namespace {

const char* kCommandSent = "Command successfully sent to the device.";
const char* kNotSent = "Did not send command. Please ensure the device is connected, pull trigger, then retry.";
const char* kAllWritten = "Changes successfully written to the device.";

// A reader with three buttons and one field, and the rows that show them.
const char* kReader = "name test\nmodel Test reader\nclass CDevice\nrev_qx QX80001005-012\nrev_sw SW1.00\n"
                      "p_name 3800LR\nlink 0xCE31\nline 115200 8N1\ntables 1\ncaps none\n"
                      "setting EDTONE range=0-100 default=10 values=10\n"
                      "setting ASKONE range=0-0 default=0 values=0 action\n"
                      "setting MSGONE range=0-0 default=0 values=0 action\n"
                      "setting DEFCUS range=0-0 default=0 values=0 action\n";

const char* kRows = "EDTONE,Main,Edit One,EDIT,Options,0x7FFFF,0,100,10,None,N,N,101\n"
                    "ASKONE,Main,Ask Reader,COMMAND,None,0x7FFFF,0,0,0,None,N,N,102\n"
                    "MSGONE,Main,Show Count,MSGCMD,None,0x7FFFF,0,0,0,None,N,N,103\n"
                    "DEFCUS,Main,Custom Defaults,COMMAND,None,0x7FFFF,0,0,0,None,N,N,104\n";

// The same reader with two settings tables.
const char* kTableReader = "name test2\nmodel Test base\nclass CRFBaseDevice\nrev_qx QX80001013-008\n"
                           "rev_sw SW1.00\np_name 2020BS\nlink 0xDE52\nline 115200 8N1\ntables 2\n"
                           "caps tables wireless\n"
                           "setting EDTONE range=0-100 default=10 values=10,20\n";

// Answers chosen by the test for some tags, asked before the reader's own families.
class ChosenAnswers final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel&, const std::string& upperTag) const override
    {
        return answers.count(upperTag) != 0;
    }
    MenuAnswer Answer(ReaderModel&, const MenuCommand& command) override { return answers.at(command.upperTag); }

    std::map<std::string, MenuAnswer> answers;
};

// Passes everything to the simulated reader, except a command listed in `standIn`: that one
// never reaches the reader, and the host reads the listed bytes instead (nothing when the
// entry is empty: a reader that stays quiet).
class StandInLine final : public SerialDevice {
public:
    StandInLine(std::unique_ptr<SerialDevice> inner, std::map<std::string, std::optional<std::string>>& standIn)
        : inner_(std::move(inner)), standIn_(standIn)
    {
    }
    bool GetLineState(SerialLineState& state) override { return inner_->GetLineState(state); }
    bool SetLineState(const SerialLineState& state) override { return inner_->SetLineState(state); }
    bool SetBufferSizes(size_t in, size_t out) override { return inner_->SetBufferSizes(in, out); }
    long Write(const uint8_t* data, size_t count) override
    {
        const auto found = standIn_.find(std::string(reinterpret_cast<const char*>(data), count));
        if (found == standIn_.end()) return inner_->Write(data, count);
        if (found->second) pending_ += *found->second;
        return static_cast<long>(count);
    }
    bool WaitUntilSent(unsigned timeoutMs) override { return inner_->WaitUntilSent(timeoutMs); }
    long InputCount() override
    {
        const long inner = inner_->InputCount();
        return inner < 0 ? inner : inner + static_cast<long>(pending_.size());
    }
    long Read(uint8_t* data, size_t count) override
    {
        if (pending_.empty()) return inner_->Read(data, count);
        const size_t n = std::min(count, pending_.size());
        std::copy_n(pending_.begin(), n, data);
        pending_.erase(0, n);
        return static_cast<long>(n);
    }
    long OutputCount() override { return inner_->OutputCount(); }
    void PurgeInput() override
    {
        pending_.clear();
        inner_->PurgeInput();
    }
    void PurgeOutput() override { inner_->PurgeOutput(); }
    void ClearErrors() override { inner_->ClearErrors(); }

private:
    std::unique_ptr<SerialDevice> inner_;
    std::map<std::string, std::optional<std::string>>& standIn_;
    std::string pending_;
};

class StandInPortSystem final : public SerialPortSystem {
public:
    explicit StandInPortSystem(SerialPortSystem& inner) : inner_(inner) { }
    std::unique_ptr<SerialDevice> Open(const std::string& path) override
    {
        auto line = inner_.Open(path);
        if (!line) return nullptr;
        return std::make_unique<StandInLine>(std::move(line), standIn);
    }
    std::vector<SerialPortInfo> EnumeratePorts() override { return inner_.EnumeratePorts(); }

    std::map<std::string, std::optional<std::string>> standIn;

private:
    SerialPortSystem& inner_;
};

// A scripted host that lets a test act on the reader when a message box comes up.
class HookedHost final : public ScriptedHost {
public:
    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
        int defaultButton) override
    {
        if (onMessage) onMessage(text);
        return ScriptedHost::MessageBox(text, caption, buttons, icon, defaultButton);
    }
    std::function<void(const std::string&)> onMessage;
};

// A main window whose description dialog gives back a chosen text, or is cancelled.
class DescriptionFrame final : public DocumentFrame {
public:
    void FillTableChooser(const std::vector<std::string>&, int, bool) override { }
    void ShowCommandErrors(const std::vector<std::string>&, const std::vector<std::string>&,
        const std::vector<std::string>&) override
    {
    }
    bool EditFileDescription(std::string& description) override
    {
        shown.push_back(description);
        if (!accept) {
            description = "typed then cancelled";
            return false;
        }
        description = typed;
        return true;
    }
    void ShowStartupChoice() override { }
    void SetTitle(const std::string&) override { }
    void PagesRebuilt() override { }
    void ValuesChanged() override { }

    std::string typed;
    bool accept = true;
    std::vector<std::string> shown;
};

class DocumentButtonsTest : public DocumentBench {
protected:
    void SetUp() override
    {
        DocumentBench::SetUp();
        InstallHost(&hooked);
        InstallSerialPortSystem(&standIn);
        ASSERT_TRUE(definitions.LoadText(kRows));
        document = MakeDocument(&definitions);
    }

    void ConnectTo(const char* profileText)
    {
        reader = AttachText(profileText);
        auto family = std::make_unique<ChosenAnswers>();
        chosen = family.get();
        reader->Engine().AddFamily(std::move(family));
        ASSERT_TRUE(document->Connect());
        hooked.messages.clear();
        hooked.statusTexts.clear();
        ports.written.clear();
    }

    int Id(const std::string& tag)
    {
        const ControlBinding* binding = BindingOf(tag);
        if (!binding) {
            ADD_FAILURE() << "no control for " << tag;
            return 0;
        }
        return binding->controlId;
    }

    size_t Connects() const
    {
        return static_cast<size_t>(std::count_if(hooked.progressWindows.begin(), hooked.progressWindows.end(),
            [](const auto& window) { return window->title == "Connecting To Device"; }));
    }

    HookedHost hooked;
    StandInPortSystem standIn { ports };
    TabDefinitions definitions;
    std::shared_ptr<SimulatedReader> reader;
    ChosenAnswers* chosen = nullptr;
};

TEST_F(DocumentButtonsTest, CommandButtonReportsSuccessOrWhyTheReaderRefused)
{
    ConnectTo(kReader);
    document->OnButton(Id("ASKONE"));
    EXPECT_TRUE(hooked.messages.empty());
    EXPECT_EQ(hooked.statusTexts, (std::vector<std::string> { kCommandSent }));
    EXPECT_EQ(TakeCount("ASKONE."), 1u);

    const struct {
        MenuAnswer answer;
        const char* message;
    } refusals[] = {
        { MenuAnswer::Nak(""), "Command out of range: ASKONE = Ask Reader" },
        { MenuAnswer::Enq(""), "Command not present in device: ASKONE = Ask Reader" },
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.message);
        chosen->answers["ASKONE"] = refusal.answer;
        hooked.messages.clear();
        hooked.statusTexts.clear();
        document->OnButton(Id("ASKONE"));
        EXPECT_EQ(hooked.MessageTexts(), (std::vector<std::string> { refusal.message }));
        EXPECT_TRUE(hooked.statusTexts.empty());
    }
}

TEST_F(DocumentButtonsTest, CommandThatGetsNoAnswerIsReported)
{
    ConnectTo(kReader);
    standIn.standIn["ASKONE."] = std::nullopt;
    document->OnButton(Id("ASKONE"));
    EXPECT_EQ(hooked.MessageTexts(), (std::vector<std::string> { "Error, no response for this command: ASKONE = Ask Reader" }));
    EXPECT_TRUE(hooked.statusTexts.empty());
}

TEST_F(DocumentButtonsTest, CustomDefaultsButtonReadsTheReaderAgain)
{
    ConnectTo(kReader);
    const size_t before = Connects();
    const int rebuiltBefore = frame.rebuilds;
    document->OnButton(Id("DEFCUS"));
    EXPECT_EQ(hooked.statusTexts.front(), kCommandSent);
    EXPECT_EQ(Connects(), before + 1);
    EXPECT_GT(frame.rebuilds, rebuiltBefore);
    EXPECT_FALSE(document->Pages().empty());
    EXPECT_TRUE(hooked.messages.empty());
    // The old bindings are gone; the new pages still carry the button.
    EXPECT_NE(BindingOf("DEFCUS"), nullptr);
}

TEST_F(DocumentButtonsTest, MessageButtonShowsTheAnswerText)
{
    ConnectTo(kReader);
    // The reader echoes the tag and puts its answer after it.
    chosen->answers["MSGONE"] = MenuAnswer::Ack("1234");
    document->OnButton(Id("MSGONE"));
    EXPECT_EQ(hooked.MessageTexts(), (std::vector<std::string> { "Show Count : 1234" }));
    EXPECT_TRUE(hooked.statusTexts.empty());

    const struct {
        const char* reply;
        const char* message;
    } replies[] = {
        { "Ready MSGONE\x06.", "Show Count : Ready " }, // text before the tag
        { "XXXXXX42\x06.", "Show Count : " }, // no tag at all
        { "MSGONE\x06.", "Show Count : " }, // the tag alone
    };
    for (const auto& reply : replies) {
        SCOPED_TRACE(reply.message);
        standIn.standIn["MSGONE."] = std::string(reply.reply);
        hooked.messages.clear();
        document->OnButton(Id("MSGONE"));
        EXPECT_EQ(hooked.MessageTexts(), (std::vector<std::string> { reply.message }));
    }
    // A refusal is reported as for a command button.
    standIn.standIn.clear();
    chosen->answers["MSGONE"] = MenuAnswer::Nak("");
    hooked.messages.clear();
    document->OnButton(Id("MSGONE"));
    EXPECT_EQ(hooked.MessageTexts(), (std::vector<std::string> { "Command out of range: MSGONE = Show Count" }));
}

TEST_F(DocumentButtonsTest, NothingIsSentWhenTheReaderIsGone)
{
    ConnectTo(kReader);
    reader->Engine().SetSilent(true);
    document->OnButton(Id("ASKONE"));
    EXPECT_EQ(hooked.MessageTexts(), (std::vector<std::string> { kNotSent }));
    EXPECT_EQ(TakeCount("ASKONE."), 0u);

    reader->Engine().SetSilent(false);
    reader->Unplug();
    hooked.messages.clear();
    document->OnButton(Id("MSGONE"));
    EXPECT_EQ(hooked.MessageTexts(), (std::vector<std::string> { kNotSent }));
    EXPECT_EQ(TakeCount("MSGONE."), 0u);
    EXPECT_TRUE(hooked.statusTexts.empty());
}

TEST_F(DocumentButtonsTest, FailedReadBackAsksUntilRetryWorksOrCancel)
{
    ConnectTo(kTableReader);
    ASSERT_TRUE(document->Device()->HasTables());
    // The reader's adapter is pulled once the write is reported.
    hooked.onMessage = [this](const std::string& text) {
        if (text == kAllWritten) reader->Unplug();
    };
    hooked.answers = { MsgAnswer::Ok, MsgAnswer::Retry, MsgAnswer::Cancel };
    EXPECT_FALSE(document->WriteCurrentTable());
    const std::vector<std::string> asked { kAllWritten, CQLMenuDoc::kUnableToConnect, CQLMenuDoc::kUnableToConnect };
    EXPECT_EQ(hooked.MessageTexts(), asked);
    ASSERT_EQ(hooked.messages.size(), 3u);
    EXPECT_EQ(hooked.messages[1].buttons, MsgButtons::RetryCancel);
    EXPECT_EQ(hooked.messages[2].buttons, MsgButtons::RetryCancel);
    EXPECT_FALSE(document->Pages().empty());

    // Retry once the reader is back: the table is read again and the pages rebuilt.
    reader->Replug();
    hooked.messages.clear();
    hooked.onMessage = [this](const std::string& text) {
        if (text == kAllWritten) reader->Engine().SetSilent(true);
        if (text == CQLMenuDoc::kUnableToConnect) reader->Engine().SetSilent(false);
    };
    hooked.answers = { MsgAnswer::Ok, MsgAnswer::Retry };
    const int rebuiltBefore = frame.rebuilds;
    EXPECT_TRUE(document->WriteCurrentTable());
    EXPECT_EQ(hooked.MessageTexts(), (std::vector<std::string> { kAllWritten, CQLMenuDoc::kUnableToConnect }));
    EXPECT_GT(frame.rebuilds, rebuiltBefore);
}

TEST_F(DocumentButtonsTest, FileDescriptionKeepsAtMostAThousandCharactersAndCancelDropsTheEdit)
{
    DescriptionFrame dialog;
    document->SetFrame(&dialog);
    dialog.typed = "Line A settings";
    document->FileDescription();
    EXPECT_EQ(document->Description(), "Line A settings");
    EXPECT_TRUE(document->IsModified());

    dialog.typed = std::string(999, 'a') + "bc";
    document->FileDescription();
    EXPECT_EQ(document->Description(), std::string(999, 'a') + "b");

    dialog.accept = false;
    document->FileDescription();
    EXPECT_EQ(document->Description(), std::string(999, 'a') + "b");
    // The dialog opened on the text kept so far each time.
    EXPECT_EQ(dialog.shown, (std::vector<std::string> { "", "Line A settings", std::string(999, 'a') + "b" }));
    document->SetFrame(&frame);
}

} // namespace
