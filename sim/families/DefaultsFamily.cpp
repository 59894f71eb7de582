#include "sim/families/MenuCommandFamily.h"

bool DefaultsFamily::Claims(const ReaderModel&, const std::string& tag) const
{
    return tag == "DEFALT" || tag == "PAPDFT";
}

MenuAnswer DefaultsFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    if (!command.value.empty()) {
        // Readers list the defaults commands among their settings; asking about them is fine.
        if (SettingState* listed = model.Find(command.upperTag); listed != nullptr && command.Mark() != 0)
            return AnswerSetting(model, *listed, command);
        return MenuAnswer::Nak(command.value);
    }
    const LineFormat restored = model.RestoreDefaults(command.upperTag == "PAPDFT");
    // Defaults include the line settings: a reader whose defaults differ from its current
    // line moves to them once it has answered, like any other line change.
    if (model.pendingLine || !(restored == model.Line()))
        model.pendingLine = restored;
    return MenuAnswer::Ack({});
}
