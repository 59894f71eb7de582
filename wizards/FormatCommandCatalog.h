// FormatCommandCatalog: the 22 commands of the reader's data formatter.
//
// The formatter editor shows the titles, prompts and help texts; the block codec uses the
// four numbers to turn a command sequence into the reader's DFMBK3 text and back. The table
// and the lookup are constexpr and live in this header because both sides use them: the
// device library reads them without linking the wizards library.
//
// The four numbers: limit 1 and limit 2 belong to the first and second parameter, numeric 1
// and numeric 2 say whether that parameter is a number (1) or text (0). For a number the limit
// selects the range (2: 0-9999, anything else: 0-99); for text it is the largest number of
// characters, a delimited control-character name counting as one. A command without a given
// parameter has limit 0 for it, so the codec neither reads nor writes one.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

struct FormatCommand {
    std::string_view code;
    std::string_view title;
    std::string_view help;
    std::string_view prompt1;
    std::string_view prompt2;
    int limit1 = 0;
    int limit2 = 0;
    int numeric1 = 0;
    int numeric2 = 0;
};

// clang-format off
inline constexpr std::array<FormatCommand, 22> kFormatCommands{{
    /* 0*/ {"F1", "F1 - Send all characters followed by an additional character",
            "Send all data characters from the current cursor position to the end of the data string, "
            "followed by an additional character.  Click \"Control Chars\" to select a control character, "
            "or type the character to send in the edit box.",
            "Character to Send", "", 1, 0, 0, 0},
    /* 1*/ {"F2", "F2 - Send up to 99 characters followed by an additional character",
            "Send up to 99 characters, starting at the current cursor position, followed by an additional "
            "character.  Type the number of characters to send in the first edit box.  Click \"Control "
            "Chars\" to select a control character, or type the character to send in the second edit box.",
            "Number of Characters to Send", "Character to Send", 1, 1, 1, 0},
    /* 2*/ {"F3", "F3 - Send data up to, but don\xE2\x80\x99t include, a search character.  Follow with an additional character.",
            "Send the data from the current cursor position up to, but not including, a search character, "
            "followed by an additional character.  The cursor is left on the search character.  Click "
            "\"Control Chars\" to select a control character, or type the characters in the edit boxes.",
            "Character to Search For", "Character to Send", 1, 1, 0, 0},
    /* 3*/ {"F4", "F4 - Send a character up to 99 times",
            "Send a character up to 99 times.  The cursor does not move.  Click \"Control Chars\" to "
            "select a control character, or type the character to send in the first edit box; then type "
            "the number of times to send it in the second edit box.",
            "Character to Send", "Number of Times to Send", 1, 1, 0, 1},
    /* 4*/ {"F5", "F5 - Move cursor forward from 1 to 99 characters",
            "Move the cursor forward from 1 to 99 characters.  Type the number of characters to move the "
            "cursor in the edit box.",
            "Number of Characters to Move Cursor Forward", "", 1, 0, 1, 0},
    /* 5*/ {"F6", "F6 - Move cursor back from 1 to to 99 characters",
            "Move the cursor back from 1 to 99 characters.  Type the number of characters to move the "
            "cursor in the edit box.",
            "Number of Characters to Move Cursor Back", "", 1, 0, 1, 0},
    /* 6*/ {"F7", "F7 - Move cursor to the beginning of a data string",
            "Move the cursor to the beginning of the data string. ",
            "", "", 0, 0, 0, 0},
    /* 7*/ {"F8", "F8 - Search forward for a character",
            "Search forward from the current cursor position for a character and leave the cursor on it.  "
            "Click \"Control Chars\" to select a control character, or type the character in the edit box.",
            "Character to Search Forward For", "", 1, 0, 0, 0},
    /* 8*/ {"F9", "F9 - Search back for a character",
            "Search backward from the current cursor position for a character and leave the cursor on it.  "
            "Click \"Control Chars\" to select a control character, or type the character in the edit box.",
            "Character to Search Backward For", "", 1, 0, 0, 0},
    /* 9*/ {"FB", "FB - Suppress up to 15 different characters",
            "Suppress all occurrences of up to 15 different characters, starting at the current cursor "
            "position, as other commands advance the cursor.  Suppression lasts until an FC command.  Click "
            "\"Control Chars\" to select control characters, or type the characters to suppress in the edit box.",
            "Characters to Suppress", "", 15, 0, 0, 0},
    /*10*/ {"FC", "FC - Terminate suppress command and clear all suppressed characters",
            "Terminate the suppress command and clear all suppressed characters.",
            "", "", 0, 0, 0, 0},
    /*11*/ {"FE", "FE - Increment cursor if character in data string matches user-specified character",
            "Compare the character at the current cursor position with the character you choose, and move "
            "the cursor forward one position if they match.  Click \"Control Chars\" to select a control "
            "character, or type the character in the edit box.",
            "Character to Move the Cursor Forward", "", 1, 0, 0, 0},
    /*12*/ {"E4", "E4 - Replace up to 15 characters with other characters",
            "Replace up to 15 characters in the data with other characters, until an E5 command.  Enter "
            "the characters as pairs: the character to search for, followed by the character that replaces "
            "it.  Click \"Control Chars\" to select control characters, or type the pairs in the edit box.",
            "Characters to Search/Replace", "", 30, 0, 0, 0},
    /*13*/ {"E5", "E5 - Terminate character replacement",
            "Terminate character replacement.",
            "", "", 0, 0, 0, 0},
    /*14*/ {"E6", "E6 - Search forward for the last instance of a user-specified character",
            "Search forward for the last instance of a character in a run of that character, then move the "
            "cursor past it.  For example, searching the data string \"1234AA5678\" forward for A leaves the "
            "cursor on the 5.  Click \"Control Chars\" to select a control character, or type the character "
            "in the edit box.",
            "Character to Search For", "", 1, 0, 0, 0},
    /*15*/ {"E7", "E7 - Search backward for the last instance of a user-specified character",
            "Search backward for the last instance of a character in a run of that character, then move the "
            "cursor past it.  For example, searching the data string \"1234AA5678\" backward from its end for "
            "A leaves the cursor on the 4.  Click \"Control Chars\" to select a control character, or type the "
            "character in the edit box.",
            "Character to Search For", "", 1, 0, 0, 0},
    /*16*/ {"E9", "E9 - Send all data up to, but do not include, a number of characters at the end of the data string",
            "Send all data from the current cursor position except a number of characters at the end of the "
            "data string.  Type the number of end characters to cut off in the edit box.",
            "Number of End Characters To Cut Off", "", 1, 0, 1, 0},
    /*17*/ {"EA", "EA - Move cursor to the end of a data string",
            "Move the cursor to the end of the data string. ",
            "", "", 0, 0, 0, 0},
    /*18*/ {"EB", "EB - Toggle device in and out of auxiliary port mode and send characters out aux port",
            "Toggles the auxiliary port on/off.  This command is used when data is normally transmitted out "
            "the main port, and needs to be temporarily sent out the aux port.  The first EB in a format "
            "string opens the aux port, temporarily re-directing data transmission out the aux port.  Send "
            "commands (F1,F2,F3,F4) are then used to transmit data.  A second EB command closes the aux port "
            "and resumes normal data transmission through the main port.",
            "", "", 0, 0, 0, 0},
    /*19*/ {"EC", "EC - Check for a numeric character at current position",
            "Check to make sure there is a number at the current cursor position.",
            "", "", 0, 0, 0, 0},
    /*20*/ {"ED", "ED - Check for a non- numeric character at current position",
            "Check to make sure there is an alphabetic character at the current cursor position.",
            "", "", 0, 0, 0, 0},
    /*21*/ {"EF", "EF - Insert a delay of up to 49995 milliseconds (supported by KT-5100 only)",
            "Click in the Delay Length text box and enter the number of 5 ms steps you want in the delay, up to 9999.",
            "Delay Length", "", 2, 0, 1, 0},
}};
// clang-format on

namespace format_catalog_detail {
constexpr char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
} // namespace format_catalog_detail

// The catalog entry for `code`, given with or without braces and in any case ("{ef}" finds
// EF); nullptr when there is none.
constexpr const FormatCommand* FindFormatCommand(std::string_view code)
{
    char normal[2] = {};
    std::size_t length = 0;
    for (const char c : code) {
        if (c == '{' || c == '}') continue;
        if (length == 2) return nullptr;
        normal[length++] = format_catalog_detail::Upper(c);
    }
    if (length != 2) return nullptr;
    for (const FormatCommand& command : kFormatCommands)
        if (command.code[0] == normal[0] && command.code[1] == normal[1]) return &command;
    return nullptr;
}

// As FindFormatCommand, but an unknown code gives an entry with empty texts and zero numbers.
constexpr FormatCommand LookupFormatCommand(std::string_view code)
{
    const FormatCommand* command = FindFormatCommand(code);
    return command ? *command : FormatCommand {};
}

// Upper end of a numeric parameter's range.
constexpr int FormatNumericMaximum(int limit)
{
    return limit == 2 ? 9999 : 99;
}

// All titles in table order, as the "Format Commands" list shows them.
std::vector<std::string> GetFormatCommandTitles();
