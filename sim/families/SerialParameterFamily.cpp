#include "sim/families/MenuCommandFamily.h"

#include "sim/SerialParameters.h"

bool SerialParameterFamily::Claims(const ReaderModel& model, const std::string& tag) const
{
    return SerialParameters::IsLineTag(tag, model.Has(CapWireless)) && model.Find(tag) != nullptr;
}

MenuAnswer SerialParameterFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    SettingState& setting = *model.Find(command.upperTag);
    if (command.Mark() != 0)
        return AnswerSetting(model, setting, command);
    LineFormat line = model.LineAfterReply();
    if (setting.profile.readOnly || !SettingRange::Accepts(setting.profile, command.value) ||
        !SerialParameters::Apply(command.upperTag, command.value, line))
        return MenuAnswer::Nak(command.value);
    model.SetValue(setting, command.value);
    // The reply still goes out in the old format; the engine switches once it is sent.
    model.pendingLine = line;
    return MenuAnswer::Ack(command.value);
}
