#include "sim/families/MenuCommandFamily.h"

bool IdentityFamily::Claims(const ReaderModel&, const std::string& tag) const
{
    return tag == "P_NAME" || tag == "REV_QX" || tag == "REV_SW";
}

MenuAnswer IdentityFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    const ReaderProfile& profile = model.Profile();
    const std::string& text = command.upperTag == "P_NAME"   ? profile.productId
                              : command.upperTag == "REV_QX" ? profile.revQx
                                                             : profile.revSw;
    // The identity is burnt in: it can be asked ("p_name?." or plain "p_name.") but not set.
    if (command.value.empty() || command.Mark() == '?')
        return MenuAnswer::Ack(text);
    return MenuAnswer::Nak(command.value);
}
