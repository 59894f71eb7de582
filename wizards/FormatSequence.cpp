#include "wizards/FormatSequence.h"

#include "device/blocks/DisplayText.h"
#include "platform/TextUtil.h"
#include "wizards/FormatCommandCatalog.h"

namespace {

bool IsMarker(std::string_view text, std::size_t at)
{
    return at + 4 <= text.size() && text[at] == '{' && text[at + 3] == '}';
}

std::size_t NextMarker(std::string_view text, std::size_t from)
{
    for (std::size_t i = from; i < text.size(); ++i)
        if (IsMarker(text, i)) return i;
    return text.size();
}


int Decimal(std::string_view digits)
{
    int value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// Reads one parameter from the front of `units`; false with a reason when it does not fit.
bool TakeParameter(std::vector<std::string_view>& units, int limit, bool numeric, std::string& text,
    int& number, std::string& reason, std::string_view left, std::string_view right)
{
    if (limit == 0) return true;
    if (numeric) {
        // A number is two digits (a one-digit number carries a leading "0"); the 0-9999
        // range takes one to four digits and is the command's only parameter.
        std::string digits;
        const std::size_t wanted = limit == 2 ? 4 : 2;
        while (!units.empty() && digits.size() < wanted && units.front().size() == 1
            && units.front()[0] >= '0' && units.front()[0] <= '9') {
            digits += units.front();
            units.erase(units.begin());
        }
        if (limit == 2 ? digits.empty() : digits.size() != 2) {
            reason = limit == 2 ? "the parameter must be a number from 0 to 9999"
                                : "the parameter must be a two-digit number from 00 to 99";
            return false;
        }
        number = Decimal(digits);
        return true;
    }
    // Text: one character for a limit of 1, else all that is left, up to the limit.
    const std::size_t count = limit == 1 ? 1 : units.size();
    if (units.size() < count || count == 0) {
        reason = "a character parameter is missing";
        return false;
    }
    if (count > static_cast<std::size_t>(limit)) {
        reason = "too many characters: at most " + std::to_string(limit);
        return false;
    }
    std::string shown;
    for (std::size_t i = 0; i < count; ++i)
        shown += units[i];
    units.erase(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(count));
    text = DisplayTextToBytes(shown, left, right);
    return true;
}

} // namespace

std::string FormatSequenceError::Message() const
{
    if (command < 0) return reason;
    if (command == 0) return "Text before the first command: " + reason;
    return "Command " + std::to_string(command) + " {" + code + "}: " + reason;
}

bool ParseFormatSequence(std::string_view text, std::vector<FormatStep>& steps, FormatSequenceError& error,
    std::string_view left, std::string_view right)
{
    std::vector<FormatStep> parsed;
    std::size_t position = NextMarker(text, 0);
    if (position != 0 && !Trim(text.substr(0, position)).empty()) {
        error = { 0, {}, "\"" + std::string(text.substr(0, position)) + "\"" };
        return false;
    }
    int number = 0;
    while (position < text.size()) {
        ++number;
        FormatStep step;
        step.offset = position;
        step.code = ToUpper(text.substr(position + 1, 2));
        const std::size_t start = position + 4;
        position = NextMarker(text, start);
        std::vector<std::string_view> units = DisplayTextUnits(text.substr(start, position - start), left, right);
        auto fail = [&](std::string reason) {
            error = { number, step.code, std::move(reason) };
            return false;
        };
        const FormatCommand* command = FindFormatCommand(step.code);
        if (!command) return fail("not a formatter command");
        std::string reason;
        if (step.code == "FB" || step.code == "E4") {
            if (units.empty()) return fail("a character parameter is missing");
            if (units.size() > static_cast<std::size_t>(command->limit1))
                return fail("too many characters: at most " + std::to_string(command->limit1));
            if (step.code == "E4" && units.size() % 2 != 0)
                return fail("characters must come in pairs: search character, then its replacement");
            std::string shown;
            for (const std::string_view unit : units)
                shown += unit;
            step.text1 = DisplayTextToBytes(shown, left, right);
            units.clear();
        } else {
            if (!TakeParameter(units, command->limit1, command->numeric1 != 0, step.text1,
                    step.number1, reason, left, right))
                return fail(reason);
            if (!TakeParameter(units, command->limit2, command->numeric2 != 0, step.text2, step.number2,
                    reason, left, right))
                return fail(reason);
        }
        if (!units.empty()) {
            std::string rest;
            for (const std::string_view unit : units)
                rest += unit;
            return fail(command->limit1 == 0 ? "takes no parameter, but \"" + rest + "\" follows"
                                             : "\"" + rest + "\" is more than the command takes");
        }
        parsed.push_back(std::move(step));
    }
    // A record without commands is refused by the reader (and by our own block parser), so a
    // format is finished only with at least one.
    if (parsed.empty()) {
        error = { -1, {}, "A format needs at least one command." };
        return false;
    }
    steps = std::move(parsed);
    return true;
}
