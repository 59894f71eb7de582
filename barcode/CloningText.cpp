#include "barcode/CloningText.h"

#include "device/CWirelessDevice.h"
#include "device/blocks/CBlockSet.h"
#include "document/CQLMenuDoc.h"
#include "transfer/HCOMMAND_PROCESSOR.h"

#include <algorithm>

namespace {

constexpr char kFnc3 = static_cast<char>(CDevice::kFnc3);

std::string Wrap(const std::string& command, CloningForm form)
{
    if (form == CloningForm::Linear)
        return "~" + command + "." + kFnc3;
    return command + ";";
}

bool IsListType(const std::string& type) { return type == "COMBOBOX" || type == "BLOCK" || type == "BLOCK_STRING"; }
bool IsRadioType(const std::string& type) { return type == "RADIO1" || type == "RADIO2"; }

bool IsWireless(const CDevice& device) { return dynamic_cast<const CWirelessDevice*>(&device) != nullptr; }

} // namespace

CloningForm ChooseCloningForm(const CDevice& device)
{
    if (IsWireless(device))
        return CloningForm::Linear;
    if (device.DeviceName().IsLinear())
        return CloningForm::Linear;
    const HCOMMAND_PROCESSOR& handler = const_cast<CDevice&>(device).CommandHandler();
    if (handler.SupportsMatrixCommands() && !handler.SupportsAztec())
        return CloningForm::Linear;
    return CloningForm::Aztec;
}

std::string RestateCommands(const std::string& text, CloningForm form)
{
    std::string result;
    std::string command;
    auto flush = [&] {
        if (!command.empty())
            result += Wrap(command, form);
        command.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char byte = text[i];
        if (byte == kFnc3)
            continue;
        if (byte == '~' && command.empty())
            continue;
        if (byte == ';' || (byte == '.' && (i + 1 == text.size() || text[i + 1] == kFnc3 || text[i + 1] == '~'))) {
            flush();
            continue;
        }
        command.push_back(byte);
    }
    flush();
    return result;
}

std::string BuildCloningTextFor(CDevice& device, const std::vector<ControlBinding>& bindings, CloningForm form)
{
    std::string text = RestateCommands(device.GetDefaultsCommand(), form);
    const auto& settings = device.Settings();
    const int table = device.CurrentTable();
    std::string lastRadioTag;
    for (const ControlBinding& binding : bindings) {
        if (binding.settingIndex < 0 || binding.settingIndex >= static_cast<int>(settings.size()))
            continue;
        const CDeviceSetting& setting = settings[static_cast<size_t>(binding.settingIndex)];
        const std::string value = setting.ValueForDevice(table);
        if (value == setting.defaultValue)
            continue;
        // Record blocks (prefix/suffix and data format) come with the block commands below;
        // taking them here as well would give the cloned reader every record twice.
        if (binding.controlType == "BLOCK" && CBlockSet::IsRecordBlock(setting.tag))
            continue;
        bool include = setting.minimum != setting.maximum || IsListType(binding.controlType);
        if (IsRadioType(binding.controlType)) {
            include = setting.tag != lastRadioTag;
            if (include)
                lastRadioTag = setting.tag;
        }
        if (include)
            text += Wrap(setting.tag + value, form);
    }
    for (std::string command : device.BuildBlockCommands()) {
        const bool dropped = std::any_of(std::begin(kCloningDroppedCommands), std::end(kCloningDroppedCommands),
            [&](const char* prefix) { return command.rfind(prefix, 0) == 0; });
        if (dropped || command.empty())
            continue;
        command.pop_back();
        text += Wrap(command, form);
    }
    text += RestateCommands(device.GetClosingCommands(), form);
    if (!text.empty() && text.back() == ';')
        text.back() = '.';
    return text;
}

bool BuildCloningText(CQLMenuDoc& document, CloningForm form, std::string& text)
{
    text.clear();
    if (!document.ValidationGate())
        return false;
    CDevice* device = document.Device();
    if (!device)
        return false;
    document.CollectValues();
    text = BuildCloningTextFor(*device, document.Bindings(), form);
    return true;
}

std::vector<CaptionControl> CaptionControlsOf(const CQLMenuDoc& document)
{
    std::vector<CaptionControl> controls;
    const CDevice* device = document.Device();
    if (!device)
        return controls;
    const auto& settings = device->Settings();
    for (const ControlBinding& binding : document.Bindings()) {
        if (binding.settingIndex < 0 || binding.settingIndex >= static_cast<int>(settings.size()))
            continue;
        controls.push_back({ settings[static_cast<size_t>(binding.settingIndex)].tag, binding.caption,
            binding.controlType });
    }
    return controls;
}
