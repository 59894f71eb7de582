// Fuzz target for HTag packets: any bytes as the parameters and data of any command class
// parse without reading past them, and whatever was stored builds a body that parses back
// to the same values; any bytes as a whole packet go through the receiver with nothing but
// what was given to read.
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HTAG.h"

#include <cstdlib>
#include <string>

namespace {

constexpr const char* kNames[] = { "FILSTO", "MSGGET", "GETSYS", "MNUCMD", "ACTSTA", "TRGEVT", "BOTMOD",
                                   "IMGSHP", "APPCOD", "ENGSTO", "FLSRET", "HPLSMS", "ZZZZZZ" };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    HTAG tag(kNames[data[0] % std::size(kNames)]);
    const int code = tag.ParseBody(data + 1, unsigned(size - 1));
    (void)code;
    HSTRING body;
    tag.BuildBody(body, true);
    HTAG again(tag.Name().c_str());
    if (again.ParseBody(body.Data(), body.Length()) != HTAG_PARSE_OK)
        std::abort();
    for (unsigned i = 1; i < tag.Count(); ++i) {
        const char* name = tag.Info(i).name;
        if (tag.GetInt(name) != again.GetInt(name) || tag.GetText(name) != again.GetText(name))
            std::abort();
    }
    if (again.Data().Length() != tag.Data().Length())
        std::abort();

    // The same bytes as a packet off a line that has nothing more to give.
    HCOMMAND_PROCESSOR processor(nullptr, nullptr);
    HSTRING packet(data, unsigned(size));
    processor.ProcessReceivedData(&packet, false);
    return 0;
}
