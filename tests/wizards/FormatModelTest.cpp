// The data format page, its wizard, "Format Commands" and "Data Formatter Command", and the
// checks of a typed command sequence.
#include "wizards/CFormatPageModel.h"
#include "wizards/CFormatWizardModel.h"
#include "wizards/FormatSequence.h"

#include "platform/ScriptedHost.h"

#include <gtest/gtest.h>

namespace {

CFormatKeyEntry Format(std::string commands, std::uint8_t slot = 0)
{
    CFormatKeyEntry entry;
    entry.SetTerminal("RS-232");
    entry.SetLength("0012");
    entry.SetSlot(slot);
    entry.SetCommands(commands);
    return entry;
}

TEST(FormatPage, RowColumnsAreCutAndPadded)
{
    CFormatKeyEntry entry = Format("{F5}05{F1}[ CR]{EA}{F7}", 2);
    entry.SetTerminal("A Terminal Interface Name");
    entry.SetSymbology("RSS / EAN-UCC Composite");
    EXPECT_EQ(CFormatPageModel::Row(entry),
        "A2  A Terminal Interface ... RSS / EAN-UC... 0012 {F5}05{F1}[ CR]{... ");
    EXPECT_EQ(CFormatPageModel::Row(Format("{F7}")),
        "Pri RS-232                   All Symbolog... 0012 {F7}                ");
}

TEST(FormatPage, StateRadios)
{
    std::vector<CFormatKeyEntry> entries;
    struct Row {
        const char* state;
        bool visible;
        int checked;
    };
    for (const Row& row : { Row { "0", true, 0 }, Row { "2", true, 2 }, Row { "3", true, -1 },
             Row { "4", true, -1 }, Row { "HIDE_BUTTON", false, -1 } }) {
        CFormatPageModel page({}, {}, entries, row.state, false);
        EXPECT_EQ(page.IsStateGroupVisible(), row.visible) << row.state;
        EXPECT_EQ(page.CheckedState(), row.checked) << row.state;
    }
    CFormatPageModel page({}, {}, entries, "4", false);
    EXPECT_EQ(page.State(), "4"); // kept until a radio is clicked
    page.SetState(1);
    EXPECT_EQ(page.State(), "1");
}

TEST(FormatPage, MoveUpDownAndDelete)
{
    ScriptedHost host;
    ScopedHost scoped(host);
    std::vector<CFormatKeyEntry> entries { Format("{F7}"), Format("{EA}"), Format("{E5}") };
    CFormatPageModel page({}, {}, entries, "1", false);
    EXPECT_EQ(page.MoveUp(0), 0);
    EXPECT_EQ(page.MoveDown(2), 2);
    EXPECT_EQ(entries[0].GetCommands(), "{F7}");
    EXPECT_EQ(page.MoveDown(0), 1);
    EXPECT_EQ(entries[1].GetCommands(), "{F7}");
    EXPECT_EQ(page.MoveUp(2), 1);
    EXPECT_EQ(entries[1].GetCommands(), "{E5}");
    EXPECT_EQ(page.MoveUp(-1), -1);
    EXPECT_FALSE(page.Delete(3));
    EXPECT_TRUE(host.MessageTexts().size() == 2);
    EXPECT_TRUE(page.Delete(1));
    EXPECT_EQ(entries.size(), 2u);
}

TEST(FormatWizard, TerminalListLengthAndSlotFromTheEntry)
{
    CFormatKeyEntry entry;
    entry.SetSlot(3);
    CFormatWizardModel wizard({ "All Symbologies", "Code 39" }, { "RS-232", "N/A", "USB" }, entry, false, "W");
    EXPECT_EQ(wizard.TerminalChoices(), (std::vector<std::string> { "RS-232", "USB", "Any Terminal" }));
    EXPECT_TRUE(wizard.IsAnyTerminal());
    EXPECT_EQ(wizard.Length(), "9999");
    EXPECT_TRUE(wizard.IsAnyLength());
    EXPECT_EQ(wizard.Slot(), 3);
    EXPECT_EQ(wizard.Symbology(), "All Symbologies");
    EXPECT_EQ(wizard.Pages().size(), 5u);
    EXPECT_EQ(wizard.ButtonsFor(0), WizardButtons::Next);
    EXPECT_EQ(wizard.ButtonsFor(3), WizardButtons::BackNext);
    EXPECT_EQ(wizard.ButtonsFor(4), WizardButtons::BackFinish);

    CFormatWizardModel listed({ "Code 39" }, { "Any Terminal", "N/A" }, Format(""), true, "W");
    EXPECT_EQ(listed.TerminalChoices(), (std::vector<std::string> { "Any Terminal" }));
    EXPECT_EQ(listed.Pages().size(), 4u);
    EXPECT_EQ(listed.Symbology(), "All Symbologies");
    EXPECT_EQ(listed.Length(), "0012");
}

TEST(FormatWizard, FinishChecksTheLengthAndTheSequence)
{
    ScriptedHost host;
    ScopedHost scoped(host);
    CFormatKeyEntry entry = Format("{F7}");
    const CFormatKeyEntry before = entry;
    CFormatWizardModel wizard({ "All Symbologies", "Code 39" }, { "RS-232" }, entry, false, "W");
    wizard.SetLength("10000");
    EXPECT_FALSE(wizard.Finish(entry));
    wizard.SetLength("12");
    wizard.SetCommands("x{F5}05");
    EXPECT_FALSE(wizard.Finish(entry));
    wizard.SetCommands("{F5}05{Q1}");
    EXPECT_FALSE(wizard.Finish(entry));
    EXPECT_EQ(entry, before);
    EXPECT_EQ(host.MessageTexts(),
        (std::vector<std::string> { "The length must be a number from 0 to 9999",
            "Text before the first command: \"x\"", "Command 2 {Q1}: not a formatter command" }));

    wizard.SetBlockCheck([](const CFormatKeyEntry& e) { return e.GetCommands().size() > 20 ? "too long" : ""; });
    wizard.SetCommands("{F5}05{F1}[ CR]{F7}{EA}");
    EXPECT_FALSE(wizard.Finish(entry));
    wizard.SetCommands("{F5}05{F1}[ CR]");
    wizard.SetSymbology("Code 39");
    wizard.SetSlot(1);
    wizard.SetAnyTerminal(true);
    ASSERT_TRUE(wizard.Finish(entry));
    EXPECT_EQ(entry.GetCommands(), "{F5}05{F1}[ CR]");
    EXPECT_EQ(entry.GetSlotName(), "A1");
    EXPECT_EQ(entry.GetTerminal(), "Any Terminal");
    EXPECT_EQ(entry.GetSymbology(), "Code 39");
    EXPECT_EQ(entry.GetLength(), "12");
}

TEST(FormatSequenceParse, EveryCommandShape)
{
    struct Row {
        const char* text;
        const char* error; // "" when it parses
    };
    const Row rows[] = {
        { "", "A format needs at least one command." }, // the reader refuses a record without one
        { "{F1}[ CR]{F2}05x{F3}ab{F4}*03{F5}05{F6}99{F7}{F8}a{F9}b{FB}ab[ CR]{FC}{FE}c", "" },
        { "{E4}aAbB{E5}{E6}A{E7}A{E9}02{EA}{EB}{EC}{ED}{EF}9999{ef}5", "" },
        { "{F1}", "Command 1 {F1}: a character parameter is missing" },
        { "{F1}ab", "Command 1 {F1}: \"b\" is more than the command takes" },
        { "{F5}5", "Command 1 {F5}: the parameter must be a two-digit number from 00 to 99" },
        { "{F7}x", "Command 1 {F7}: takes no parameter, but \"x\" follows" },
        { "{EF}10000", "Command 1 {EF}: \"0\" is more than the command takes" },
        { "{E4}abc", "Command 1 {E4}: characters must come in pairs: search character, then its replacement" },
        { "{FB}0123456789abcdef", "Command 1 {FB}: too many characters: at most 15" },
        { "{F7}{ZZ}", "Command 2 {ZZ}: not a formatter command" },
        { "  {F7}", "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::vector<FormatStep> steps;
        FormatSequenceError error;
        const bool parsed = ParseFormatSequence(row.text, steps, error);
        EXPECT_EQ(parsed, std::string(row.error).empty());
        if (!parsed) {
            EXPECT_EQ(error.Message(), row.error);
        }
    }
    std::vector<FormatStep> steps;
    FormatSequenceError error;
    ASSERT_TRUE(ParseFormatSequence("{F2}05[ CR]{F4}[ HT]12{EF}0250", steps, error));
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].number1, 5);
    EXPECT_EQ(steps[0].text2, "\r");
    EXPECT_EQ(steps[1].text1, "\t");
    EXPECT_EQ(steps[1].number2, 12);
    EXPECT_EQ(steps[2].number1, 250);
}

TEST(FormatCommands, ChoosingATitleGivesItsCode)
{
    ScriptedHost host;
    ScopedHost scoped(host);
    EXPECT_EQ(CFormatCommandsList::Titles().size(), 22u);
    EXPECT_EQ(CFormatCommandsList::CodeOf(21), "EF");
    EXPECT_FALSE(CFormatCommandsList::CodeOf(-1).has_value());
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string> { "Please select a command from the list" }));
}

TEST(FormatCommandEntry, FieldsFollowThePrompts)
{
    CFormatCommandEntry none("{f7}");
    EXPECT_FALSE(none.HasField(0));
    EXPECT_FALSE(none.HasField(1));
    EXPECT_FALSE(none.ControlCharsEnabled(0));
    EXPECT_EQ(none.Confirm(), -1);
    EXPECT_EQ(none.Sequence(), "{F7}");

    CFormatCommandEntry f2("F2");
    EXPECT_TRUE(f2.HasField(1));
    EXPECT_FALSE(f2.ControlCharsEnabled(0));
    EXPECT_TRUE(f2.ControlCharsEnabled(1));
}

TEST(FormatCommandEntry, NumbersAreRangeCheckedAndPadded)
{
    ScriptedHost host;
    ScopedHost scoped(host);
    CFormatCommandEntry f5("F5");
    EXPECT_EQ(f5.ChangeField(0, "100"), "");
    EXPECT_EQ(f5.ChangeField(0, "[ CR]"), "");
    EXPECT_EQ(f5.ChangeField(0, "x"), "");
    EXPECT_EQ(f5.ChangeField(0, "5"), "5");
    EXPECT_EQ(f5.Value(0), "05");
    EXPECT_EQ(f5.Sequence(), "{F5}05");
    CFormatCommandEntry ef("EF");
    EXPECT_EQ(ef.ChangeField(0, "10000"), "");
    EXPECT_EQ(ef.ChangeField(0, "9999"), "9999");
    const std::string range99 = "Value out of range, please enter a value between 0 - 99";
    EXPECT_EQ(host.MessageTexts(),
        (std::vector<std::string> { range99, range99, range99,
            "Value out of range, please enter a value between 0 - 9999" }));
}

TEST(FormatCommandEntry, TextIsCutWithNamesKeptWhole)
{
    ScriptedHost host;
    ScopedHost scoped(host);
    CFormatCommandEntry fb("FB");
    EXPECT_EQ(fb.ChangeField(0, "abcdefghijklmnop"), "abcdefghijklmno");
    EXPECT_EQ(fb.ChangeField(0, "abcdefghijklmn[ CR][ LF]"), "abcdefghijklmn[ CR]");
    EXPECT_EQ(host.MessageTexts(),
        (std::vector<std::string>(2, "Too many characters entered, please enter a maximum of 15")));
    CFormatCommandEntry e4("E4");
    const std::string thirty(30, 'a');
    EXPECT_EQ(e4.ChangeField(0, thirty), thirty);
    EXPECT_EQ(host.MessageTexts().size(), 2u);

    CFormatCommandEntry f1("F1");
    EXPECT_EQ(f1.Confirm(), 0);
    EXPECT_EQ(host.MessageTexts().back(), "Please enter a value in the edit box");
    EXPECT_EQ(f1.AppendPicked(0, "", "[ CR]"), "[ CR]");
    EXPECT_EQ(f1.Confirm(), -1);
    EXPECT_EQ(f1.Sequence(), "{F1}[ CR]");
}

} // namespace
