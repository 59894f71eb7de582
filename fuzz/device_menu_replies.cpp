// Reader replies are bytes from the far end of a cable: sorting them into the error lists,
// parsing range replies and cutting write texts into batches must hold for any input.
#include "device/CMenuCommands.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> notPresent, outOfRange, noResponse;
    CMenuCommands::ClassifyReplies(text, notPresent, outOfRange, noResponse);
    for (const std::vector<std::string>* list : { &notPresent, &outOfRange, &noResponse }) {
        for (const std::string& tag : *list) {
            if (tag.size() > 6)
                __builtin_trap();
        }
    }

    std::vector<std::string> values;
    long minimum = 0, maximum = 0;
    CMenuCommands::ParseRange(text, values, minimum, maximum);

    // Batches put back together give the text again, and none holds more than ten commands.
    std::string joined;
    for (const std::string& batch : CMenuCommands::SplitIntoBatches(text)) {
        size_t separators = 0;
        for (char c : batch)
            separators += c == ';';
        if (separators > 9)
            __builtin_trap();
        joined += batch;
    }
    if (joined.size() != text.size())
        __builtin_trap();
    CMenuCommands::ReplyComplete(text);
    return 0;
}
