// Fuzz target for the received-data dispatcher: any byte stream (decoded data, picture
// headers, JPEG, HTag packets, envelopes) is handled without a crash, without reading past
// what it was given, and every byte that is not part of a recognised packet reaches the sink.
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/HPROCESSOR_EVENTS.h"

#include <cstdlib>

namespace {

class CountingSink : public HPROCESSOR_EVENTS {
public:
    void DecodedData(const HSTRING& text) override { decoded += text.Length(); }
    size_t decoded = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    HCOMMAND_PROCESSOR processor(nullptr, nullptr);
    CountingSink sink;
    processor.SetEventSink(&sink);
    processor.SetDecodedDataParsing(data[0] & 1);
    HSTRING stream(data + 1, unsigned(size - 1));
    const unsigned handled = processor.ProcessReceivedData(&stream, false);
    if (handled > size - 1 || sink.decoded > size - 1)
        std::abort();
    // Nothing is left behind for the next call.
    if (processor.ProcessReceivedData(nullptr, false) != 0)
        std::abort();
    return 0;
}
