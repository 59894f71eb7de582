#include "sim/families/MenuCommandFamily.h"

namespace {

bool EndsWith(const std::string& text, const char* tail)
{
    const std::string t(tail);
    return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

bool BlockFamily::IsBlockTag(const std::string& tag)
{
    return EndsWith(tag, "BK2") || EndsWith(tag, "BK3");
}

std::string BlockFamily::BlockOfClear(const std::string& tag)
{
    if (EndsWith(tag, "CA2") || EndsWith(tag, "CA3"))
        return tag.substr(0, 3) + "BK" + tag.substr(5);
    return {};
}

bool BlockFamily::Claims(const ReaderModel& model, const std::string& tag) const
{
    if (IsBlockTag(tag))
        return model.Find(tag) != nullptr;
    const std::string block = BlockOfClear(tag);
    return !block.empty() && model.Find(block) != nullptr;
}

MenuAnswer BlockFamily::Answer(ReaderModel& model, const MenuCommand& command)
{
    const std::string block = BlockOfClear(command.upperTag);
    if (!block.empty()) {
        if (!command.value.empty()) {
            if (SettingState* listed = model.Find(command.upperTag); listed != nullptr && command.Mark() != 0)
                return AnswerSetting(model, *listed, command);
            return MenuAnswer::Nak(command.value);
        }
        model.SetValue(*model.Find(block), {});
        return MenuAnswer::Ack({});
    }
    SettingState& setting = *model.Find(command.upperTag);
    if (command.Mark() != 0)
        return AnswerSetting(model, setting, command);
    // A block holds a list of records, each closed by "|"; a write of one record adds it. The
    // record is kept as text: a symbology code and hexadecimal pairs for prefix/suffix
    // blocks, slot, terminal, symbology, length and commands for data formats. A write that
    // carries "|" is a whole block value, as the reader reports it, and replaces the block;
    // an empty one empties it.
    const std::string& record = command.value;
    if (setting.profile.readOnly)
        return MenuAnswer::Nak(record);
    if (record.empty() || record.find('|') != std::string::npos) {
        std::string whole;
        size_t start = 0;
        while (start < record.size()) {
            const size_t bar = record.find('|', start);
            const std::string piece = record.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
            if (piece.size() < 2)
                return MenuAnswer::Nak(record);
            whole += piece + "|";
            if (bar == std::string::npos)
                break;
            start = bar + 1;
        }
        if (!SettingRange::Accepts(setting.profile, whole))
            return MenuAnswer::Nak(record);
        model.SetValue(setting, whole);
        return MenuAnswer::Ack(record);
    }
    if (record.size() < 2)
        return MenuAnswer::Nak(record);
    std::string grown = model.Value(setting) + record + "|";
    if (!SettingRange::Accepts(setting.profile, grown))
        return MenuAnswer::Nak(record);
    model.SetValue(setting, grown);
    return MenuAnswer::Ack(record);
}
