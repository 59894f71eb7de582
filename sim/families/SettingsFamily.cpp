#include "sim/families/MenuCommandFamily.h"

bool SettingsFamily::Claims(const ReaderModel& model, const std::string& tag) const
{
    return model.Find(tag) != nullptr;
}

MenuAnswer SettingsFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    return AnswerSetting(model, *model.Find(command.upperTag), command);
}
