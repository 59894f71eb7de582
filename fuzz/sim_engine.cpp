// Any bytes on the line, in any framing: the reader answers or stays silent, never crashes,
// and its replies stay bounded by what it was asked.
#include "sim/ReaderEngine.h"

#include <cstdlib>
#include <string>

namespace {

class CountingOutput final : public ReaderOutput {
public:
    void Send(const std::string& bytes) override { sent += bytes.size(); }
    void LineChanged(const LineFormat&) override {}
    size_t sent = 0;
};

ReaderProfile FuzzProfile()
{
    ReaderProfile profile;
    std::string error;
    const char* text =
        "name fuzz\nrev_qx QX80001017-021\nrev_sw S\np_name P\nlink 0xCE31\nline 9600 8N1\ntables 3\n"
        "caps matrix aztec image pdf tables wireless\nimage 64 48\nscanners A B\n"
        "setting BEPVOL range=0|1|2|3| default=3 values=2\n"
        "setting PREBK2 range=0-60 default= values= text\n"
        "setting DFMBK3 range=0-60 default= values= text\n"
        "setting AUXBDR range=0-9 default=5 values=5 global\n"
        "setting AUXPAR range=0|1|2|3|4| default=0 values=0 global\n"
        "setting RADCOD range=0-127 default=0 values=4\n"
        "setting DEFALT range=0-0 default=0 values=0 action\n";
    if (!ReaderProfile::Parse(text, profile, error))
        std::abort();
    return profile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const ReaderProfile profile = FuzzProfile();
    ReaderEngine engine(profile);
    CountingOutput output;
    engine.SetOutput(&output);
    for (size_t i = 0; i < size; ++i)
        engine.Receive(data[i]);
    // The longest answer is a whole-table query: every setting's longest text per byte asked.
    if (output.sent > (size + 1) * 200)
        std::abort();
    const LineFormat& line = engine.Model().Line();
    if (line.rate < 50 || (line.dataBits != 7 && line.dataBits != 8))
        std::abort();
    return 0;
}
