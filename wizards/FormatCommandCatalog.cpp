#include "wizards/FormatCommandCatalog.h"

// Every title starts with its code: the "Format Commands" list hands back the first two
// characters of the chosen title as the code.
static_assert([] {
    for (const FormatCommand& command : kFormatCommands)
        if (command.code.size() != 2 || !command.title.starts_with(command.code)) return false;
    return true;
}());
static_assert(FindFormatCommand("{ef}") == &kFormatCommands[21]);

std::vector<std::string> GetFormatCommandTitles()
{
    std::vector<std::string> titles;
    titles.reserve(kFormatCommands.size());
    for (const FormatCommand& command : kFormatCommands)
        titles.emplace_back(command.title);
    return titles;
}
