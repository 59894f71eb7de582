#include "sim/families/MenuCommandFamily.h"

#include <cstdlib>

bool TableFamily::Claims(const ReaderModel& model, const std::string& tag) const
{
    // A reader with one table does not know the command at all.
    return tag == "CURTBL" && model.Has(CapTables);
}

MenuAnswer TableFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    switch (command.Mark()) {
    case '?':
    case '$': {
        MenuAnswer answer = MenuAnswer::Ack(std::to_string(model.CurrentTable()));
        answer.withStatus = command.Mark() == '?';
        return answer;
    }
    case '*': return MenuAnswer::Ack("0-" + std::to_string(model.TableCount() - 1));
    case '^': return MenuAnswer::Ack("0");
    default: break;
    }
    const std::string& value = command.value;
    if (value.empty() || value.size() > 2 || value.find_first_not_of("0123456789") != std::string::npos)
        return MenuAnswer::Nak(value);
    if (!model.SelectTable(std::atoi(value.c_str())))
        return MenuAnswer::Nak(value);
    return MenuAnswer::Ack(value);
}
