// Fuzz target: the rule preview on random blocks and samples. The input is split at NUL
// bytes into prefix block, suffix block, data-format block, symbology code and data. Nothing
// may crash, and a scan that sends nothing has no output.
#include "wizards/FormatPreview.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string parts[5];
    for (std::string& part : parts) {
        const std::size_t end = input.find('\0');
        part = std::string(input.substr(0, end));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    static const char* const kStates[] = { "0", "1", "2", "3", "4" };
    ReaderRules rules;
    rules.prefixes = parts[0];
    rules.suffixes = parts[1];
    rules.formats = parts[2];
    rules.dfmEn = kStates[data[0] % 5];
    rules.dfmRqd = (data[0] & 0x08) ? "1" : "0";
    rules.codeId = (data[0] & 0x10) ? "1" : "0";
    rules.aimId = (data[0] & 0x20) ? "1" : "0";
    const PreviewSample sample { parts[3].substr(0, 2), parts[4], "", (data[0] >> 6) & 3 };
    const PreviewResult result = RunFormatPreview(rules, sample);
    if (!result.sent && !result.host.empty()) std::abort();
    return 0;
}
