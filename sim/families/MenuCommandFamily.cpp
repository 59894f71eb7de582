#include "sim/families/MenuCommandFamily.h"

MenuAnswer MenuCommandFamily::AnswerSetting(ReaderModel& model, SettingState& setting, const MenuCommand& command)
{
    switch (command.Mark()) {
    case '?': return MenuAnswer::Ack(model.Value(setting));
    case '*': return MenuAnswer::Ack(setting.profile.range);
    case '^': return MenuAnswer::Ack(setting.profile.defaultValue);
    case '$': {
        MenuAnswer answer = MenuAnswer::Ack(model.Value(setting));
        answer.withStatus = false;
        return answer;
    }
    default: break;
    }
    if (setting.profile.action && command.value.empty())
        return MenuAnswer::Ack({});
    if (setting.profile.readOnly || !SettingRange::Accepts(setting.profile, command.value))
        return MenuAnswer::Nak(command.value);
    model.SetValue(setting, command.value);
    return MenuAnswer::Ack(command.value);
}
