#include "sim/families/MenuCommandFamily.h"

bool IdentityFamily::Claims(const ReaderModel& model, const std::string& tag) const
{
    // REVINF is a button on the pages; only readers that list it answer it.
    // A profile whose rev_sw is "-" plays a reader without a separate software revision: it
    // does not know the query and answers ENQ.
    return tag == "P_NAME" || tag == "REV_QX" || (tag == "REV_SW" && model.Profile().revSw != "-")
        || (tag == "REVINF" && model.Find(tag) != nullptr);
}

MenuAnswer IdentityFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    const ReaderProfile& profile = model.Profile();
    if (command.upperTag == "REVINF") {
        if (!command.value.empty())
            return AnswerSetting(model, *model.Find(command.upperTag), command);
        return MenuAnswer::Ack(profile.revSw + " " + profile.revQx);
    }
    const std::string& text = command.upperTag == "P_NAME"   ? profile.productId
                              : command.upperTag == "REV_QX" ? profile.revQx
                                                             : profile.revSw;
    // The identity is burnt in: it can be asked ("p_name?." or plain "p_name.") but not set.
    if (command.value.empty() || command.Mark() == '?')
        return MenuAnswer::Ack(text);
    return MenuAnswer::Nak(command.value);
}
