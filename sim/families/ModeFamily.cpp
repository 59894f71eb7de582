#include "sim/families/MenuCommandFamily.h"

bool ModeFamily::Claims(const ReaderModel& model, const std::string& tag) const
{
    return tag == "MNUBEP" || (tag == "MNUUPD" && model.Has(CapMatrix));
}

MenuAnswer ModeFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    bool& flag = command.upperTag == "MNUBEP" ? model.beeperOn : model.updatesOn;
    if (command.Mark() == '?' || command.Mark() == '$') {
        MenuAnswer answer = MenuAnswer::Ack(flag ? "1" : "0");
        answer.withStatus = command.Mark() == '?';
        return answer;
    }
    if (command.Mark() == '*')
        return MenuAnswer::Ack("0-1");
    if (command.Mark() == '^')
        return MenuAnswer::Ack("1");
    if (command.value != "0" && command.value != "1")
        return MenuAnswer::Nak(command.value);
    flag = command.value == "1";
    return MenuAnswer::Ack(command.value);
}
