#include "sim/families/MenuCommandFamily.h"

bool WirelessFamily::Claims(const ReaderModel& model, const std::string& tag) const
{
    if (!model.Has(CapWireless))
        return false;
    if (tag == "QXRCCD" || tag == "REMOVE")
        return true;
    return (tag == "BASEID" || tag == "RADCOD") && model.Find(tag) != nullptr;
}

MenuAnswer WirelessFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    if (command.upperTag == "QXRCCD") {
        // Unlocks one write of the radio identity; a stray write without it is refused, so a
        // host that forgets the unlock sees a NAK instead of a reader that silently changed
        // its radio country.
        if (!command.value.empty())
            return MenuAnswer::Nak(command.value);
        model.radioUnlocked = true;
        return MenuAnswer::Ack({});
    }
    if (command.upperTag == "REMOVE")
        return command.value.empty() ? MenuAnswer::Ack({}) : MenuAnswer::Nak(command.value);
    SettingState& setting = *model.Find(command.upperTag);
    if (command.Mark() != 0)
        return AnswerSetting(model, setting, command);
    if (!model.radioUnlocked)
        return MenuAnswer::Nak(command.value);
    model.radioUnlocked = false;
    return AnswerSetting(model, setting, command);
}
