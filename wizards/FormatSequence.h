// FormatSequence: a formatter command sequence as the editor writes it, checked and split
// into commands.
//
// "{F5}05{F1}[ CR]": each command is a braced two-letter code followed by its parameters,
// numbers as digits ("05"), characters as themselves or as delimited names. What the user
// types goes to the reader, so a sequence is checked before it is taken: every code must be
// one of the 22 formatter commands and every parameter must fit its command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct FormatStep {
    std::string code; // upper case, without braces
    // Text parameters as the bytes they stand for; numbers as their value.
    std::string text1;
    std::string text2;
    int number1 = 0;
    int number2 = 0;
    std::size_t offset = 0; // of the "{" in the sequence text
};

struct FormatSequenceError {
    int command = 0; // 1-based; 0: before the first command; -1: no command at all
    std::string code;
    std::string reason;
    std::string Message() const;
};

bool ParseFormatSequence(std::string_view text, std::vector<FormatStep>& steps, FormatSequenceError& error,
    std::string_view left = "[", std::string_view right = "]");
