// Any decoded symbol into the simulated reader's bar code scanner (ReaderEngine::Scan): accepted
// or refused, logged once, and the reader keeps a line it can speak.
#include "sim/ReaderEngine.h"

#include <cstdlib>
#include <string>

namespace {

ReaderProfile ScanProfile()
{
    ReaderProfile profile;
    std::string error;
    const char* text = "name fuzz\nrev_qx QX80001013-008\nrev_sw S\np_name P\nlink 0xCE07\nline 38400 8N1\ntables 3\n"
                       "caps tables wireless\nscanners A B\n"
                       "setting 232BDR range=300|9600|38400| default=9600 values=38400 global\n"
                       "setting BEPLVL range=0-3 default=2 values=2\n"
                       "setting PREBK2 range=0-60 default= values= text\n"
                       "setting BASEID range=0-65535 default=0 values=12 global\n"
                       "setting DEFALT range=0-0 default=0 values=0 action\n";
    if (!ReaderProfile::Parse(text, profile, error))
        std::abort();
    return profile;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const ReaderProfile profile = ScanProfile();
    ReaderEngine engine(profile);
    engine.SetSilent((data[0] & 4) != 0);
    const auto format = static_cast<ReaderEngine::ScanFormat>(data[0] % 3);
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    engine.Scan(format, bytes, (data[0] & 8) != 0);
    engine.Scan(format, bytes, true);
    if (engine.ScanLog().size() != 2)
        std::abort();
    const LineFormat& line = engine.Model().Line();
    if (line.rate < 50 || (line.dataBits != 7 && line.dataBits != 8))
        std::abort();
    return 0;
}
