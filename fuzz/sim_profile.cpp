// Profile files come from users: the loader must refuse anything malformed without crashing,
// and whatever it accepts must drive the reader without trouble.
#include "sim/ReaderEngine.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ReaderProfile profile;
    std::string error;
    if (!ReaderProfile::Parse(text, profile, error))
        return 0;
    ReaderEngine engine(std::move(profile));
    engine.Receive(std::string("\x16M\r?;*;^.") + "\x16" "C\r");
    return 0;
}
