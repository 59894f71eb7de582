#include "sim/families/MenuCommandFamily.h"

namespace {

// Capability queries and the capability each needs. A profile may also list one of these
// tags as an ordinary setting; the setting then answers instead.
struct CapabilityTag {
    const char* tag;
    ReaderCapability cap;
};
constexpr CapabilityTag kCapabilityTags[] = {
    {"MATCMD", CapMatrix}, {"AZTENA", CapAztec}, {"IMGSHP", CapImage}, {"PDFENA", CapPdf},
    {"IMGMXX", CapImage},  {"IMGMXY", CapImage}, {"LSTSCN", CapWireless},
};

}  // namespace

bool CapabilityFamily::Claims(const ReaderModel& model, const std::string& tag) const
{
    if (model.Find(tag) != nullptr)
        return false;
    for (const CapabilityTag& entry : kCapabilityTags) {
        if (tag == entry.tag)
            return model.Has(entry.cap);
    }
    return false;
}

MenuAnswer CapabilityFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    const char mark = command.Mark();
    if (mark != '?' && !(command.value.empty() && command.upperTag == "LSTSCN"))
        return MenuAnswer::Nak(command.value);
    const ReaderProfile& profile = model.Profile();
    if (command.upperTag == "IMGMXX")
        return MenuAnswer::Ack(std::to_string(profile.imageWidth));
    if (command.upperTag == "IMGMXY")
        return MenuAnswer::Ack(std::to_string(profile.imageHeight));
    if (command.upperTag == "LSTSCN") {
        std::string list;
        for (size_t i = 0; i < profile.scanners.size(); ++i) {
            if (i > 0)
                list += kScannerSeparator;
            list += profile.scanners[i];
        }
        return MenuAnswer::Ack(list);
    }
    return MenuAnswer::Ack("1");
}
