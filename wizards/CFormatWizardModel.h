// CFormatWizardModel: the data formatter wizard without widgets, and the two dialogs its data
// page opens: "Format Commands" (the list of the 22 commands) and "Data Formatter Command"
// (the parameters of one).
//
// Pages: terminal ID, symbology (left out for the auxiliary port, which keeps "All
// Symbologies"), length, primary/alternate, data. The entry is changed only by a Finish that
// passes the checks: a length of 0 to 9999, a command sequence that parses, and a block that
// stays within what the reader holds.
#pragma once

#include "device/blocks/CFormatKeyEntry.h"
#include "wizards/FormatCommandCatalog.h"
#include "wizards/WizardText.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CFormatWizardModel {
public:
    enum class Page { Terminal, Symbology, Length, Alternate, Data };
    static constexpr std::string_view kAnyLength = "9999";
    static constexpr std::string_view kAddTitle = "Data Formatter Wizard";

    // Gives a message when `entry` would not fit the reader's block, "" when it does.
    using BlockCheck = std::function<std::string(const CFormatKeyEntry& entry)>;

    CFormatWizardModel(std::vector<std::string> symbologies, std::vector<std::string> terminals,
        const CFormatKeyEntry& entry, bool auxiliary, std::string title);

    const std::string& Title() const { return m_title; }
    const std::vector<Page>& Pages() const { return m_pages; }
    WizardButtons ButtonsFor(int page) const { return WizardButtonsFor(page, static_cast<int>(m_pages.size())); }
    static std::string_view PageTitle(Page page);
    static std::string_view PageInstruction(Page page);

    // ---- terminal ID -------------------------------------------------------------------------
    // The terminal names less "N/A", and "Any Terminal" once.
    const std::vector<std::string>& TerminalChoices() const { return m_terminalChoices; }
    const std::string& Terminal() const { return m_terminal; }
    void SetTerminal(std::string name) { m_terminal = std::move(name); }
    bool IsAnyTerminal() const;
    // "Apply format to any Terminal Interface": checked selects "Any Terminal" and disables
    // the list.
    void SetAnyTerminal(bool on);

    // ---- symbology ---------------------------------------------------------------------------
    const std::vector<std::string>& SymbologyChoices() const { return m_symbologyChoices; }
    int SymbologyIndex() const;
    const std::string& Symbology() const { return m_symbology; }
    void SetSymbology(std::string name) { m_symbology = std::move(name); }

    // ---- length ------------------------------------------------------------------------------
    const std::string& Length() const { return m_length; }
    void SetLength(std::string text) { m_length = std::move(text); }
    bool IsAnyLength() const { return m_length == kAnyLength; }
    // "Apply format to any length code": checked puts "9999" in the field.
    void SetAnyLength(bool on);

    // ---- primary/alternate -------------------------------------------------------------------
    int Slot() const { return m_slot; }
    void SetSlot(int slot);

    // ---- data --------------------------------------------------------------------------------
    const std::string& Commands() const { return m_commands; }
    void SetCommands(std::string text) { m_commands = std::move(text); }
    void AppendCommands(std::string_view sequence) { m_commands += sequence; }
    void EraseCommands() { m_commands.clear(); }

    void SetBlockCheck(BlockCheck check) { m_blockCheck = std::move(check); }
    // Checks the pages (a message for the first fault, and false) and on success updates
    // `entry`.
    bool Finish(CFormatKeyEntry& entry) const;

private:
    std::string m_title;
    std::vector<Page> m_pages;
    std::vector<std::string> m_terminalChoices;
    std::vector<std::string> m_symbologyChoices;
    std::string m_terminal;
    std::string m_symbology;
    std::string m_length;
    int m_slot = 0;
    std::string m_commands;
    BlockCheck m_blockCheck;
};

// "Format Commands": the titles of the catalog; the chosen title gives its command's code.
class CFormatCommandsList {
public:
    static constexpr std::string_view kInstruction
        = "Double click on one of the following commands to select a command and see a complete description:";
    static std::vector<std::string> Titles() { return GetFormatCommandTitles(); }
    // The code of the title at `row`; without a selection the message, and nothing.
    static std::optional<std::string> CodeOf(int row);
};

// "Data Formatter Command": the parameters of one command, checked as they are typed.
class CFormatCommandEntry {
public:
    static constexpr std::string_view kEnterValue = "Please enter a value in the edit box";
    static constexpr std::string_view kTooMany = "Too many characters entered, please enter a maximum of ";

    explicit CFormatCommandEntry(std::string_view code);

    const FormatCommand& Command() const { return m_command; }
    bool HasField(int field) const;
    bool IsNumeric(int field) const;
    // "Control Chars" for the field that has the focus: only a text parameter takes them.
    bool ControlCharsEnabled(int focusedField) const;
    // A change of the field's text. Returns the text the field must show afterwards (emptied
    // when a number is out of range, cut when a text is too long, else as typed); a fault is
    // told through the host.
    std::string ChangeField(int field, std::string_view text);
    // "Control Chars" appends the picked text to the field, then checks it as a change.
    std::string AppendPicked(int field, std::string_view fieldText, std::string_view picked);
    // The stored values: numbers of one digit carry a leading "0".
    const std::string& Value(int field) const { return m_values.at(static_cast<std::size_t>(field)); }
    // OK: -1 when it may close, else the field to focus (after the message).
    int Confirm() const;
    // "{" code "}" and the two values.
    std::string Sequence() const;

private:
    FormatCommand m_command;
    std::array<std::string, 2> m_values;
};
