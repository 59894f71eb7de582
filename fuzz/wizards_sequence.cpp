// Fuzz target: command sequences as users type them (the data format wizard's field and
// kestrel-cli's --commands) and the parameter fields of "Data Formatter Command". Nothing may
// crash; a sequence that parses must reach the reader in a form that reads back as the same
// commands.
#include "device/blocks/BlockCodec.h"
#include "wizards/CFormatWizardModel.h"
#include "wizards/FormatSequence.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        std::vector<FormatStep> steps;
        FormatSequenceError error;
        if (!ParseFormatSequence(input, steps, error)) {
            if (error.Message().empty()) std::abort();
            return 0;
        }
        // What the reader is sent passes the reader-side check, and decodes to a sequence
        // with the same commands and parameters.
        const std::string encoded = EncodeFormatCommands(input);
        std::vector<CFormatKeyEntry> entries;
        BlockTextError blockError;
        if (!ParseDataFormatText("0099999999" + encoded, {}, {}, entries, blockError)) std::abort();
        std::vector<FormatStep> again;
        if (!ParseFormatSequence(DecodeFormatCommands(encoded), again, error) || again.size() != steps.size())
            std::abort();
        for (std::size_t i = 0; i < steps.size(); ++i)
            if (again[i].code != steps[i].code || again[i].text1 != steps[i].text1 || again[i].text2 != steps[i].text2
                || again[i].number1 != steps[i].number1 || again[i].number2 != steps[i].number2)
                std::abort();
        return 0;
    }
    // A parameter field: the first byte picks the command, the rest is typed.
    const FormatCommand& command = kFormatCommands[data[0] / 2 % kFormatCommands.size()];
    CFormatCommandEntry entry(command.code);
    for (int field = 0; field < 2; ++field) {
        const std::string shown = entry.ChangeField(field, input);
        if (shown.size() > input.size()) std::abort();
    }
    (void)entry.Sequence();
    return 0;
}
