// The HModem receiver fed whatever a hostile or broken transmitter might send: header fields,
// block numbers, sizes, CRCs and compressed streams. It must end with a result code, never
// crash, never write past the destination or accept more than the maximum.
#include "transfer/HCOMM.h"
#include "transfer/HMODEM.h"
#include "transfer/HSTRING.h"
#include "transfer/HTRANSFER_STATUS.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Serves the fuzz input as the bytes arriving on the line; what the receiver sends is dropped.
class ScriptedLine : public HCOMM {
public:
    ScriptedLine(const uint8_t* data, size_t size) : m_Data(data), m_Size(size) { }
    using HCOMM::FlushReadBuffer;
    using HCOMM::Read;
    using HCOMM::Write;
    bool Read(HSTRING* buffer, unsigned wanted, unsigned) override
    {
        buffer->Empty();
        const size_t n = std::min<size_t>(wanted, m_Size - m_Position);
        buffer->Append(m_Data + m_Position, static_cast<unsigned>(n));
        m_Position += n;
        return true;
    }
    bool Write(HSTRING*, int, int, bool) override { return true; }
    bool IsPortAssigned() override { return true; }
    bool FlushReadBuffer(int) override { return true; }
    bool FlushWriteBuffer() override { return true; }

private:
    const uint8_t* m_Data;
    size_t m_Size;
    size_t m_Position = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // First bytes choose the destination: its maximum (up to 256 KiB) and whether it may grow.
    const unsigned maximum = (static_cast<unsigned>(data[0]) << 10) | data[1];
    const bool growable = data[2] & 1;
    // With bit 1 the rest is wrapped in a well-formed conversation (header with the given
    // fields, blocks with good numbers and CRCs), so the decoders behind it get reached.
    std::vector<uint8_t> wire;
    if ((data[2] & 2) && size >= 3 + 16) {
        const uint8_t* fields = data + 3;
        HSTRING header;
        const uint16_t tags[] = { 100, 101, 200, 300 };
        for (int i = 0; i < 4; ++i) {
            uint32_t value = 0;
            for (int k = 0; k < 4; ++k)
                value |= static_cast<uint32_t>(fields[4 * i + k]) << (8 * k);
            if (i == 2)
                value %= 10;
            header.AppendNumber(tags[i], 2);
            header.AppendNumber(4, 2);
            header.AppendNumber(value, 4);
        }
        header.AppendRepeated(0, 128 - header.Length());
        const uint16_t crc = HMODEM::Crc16(header.Data(), 128);
        wire.push_back(0x00);
        wire.insert(wire.end(), header.Data(), header.Data() + 128);
        wire.push_back(static_cast<uint8_t>(crc >> 8));
        wire.push_back(static_cast<uint8_t>(crc));
        unsigned number = 1;
        for (size_t at = 3 + 16; at < size; at += 128, ++number) {
            std::vector<uint8_t> block(128, 0);
            std::copy(data + at, data + std::min(size, at + 128), block.begin());
            const uint16_t blockCrc = HMODEM::Crc16(block.data(), 128);
            wire.push_back(0x01);
            wire.push_back(static_cast<uint8_t>(number));
            wire.push_back(static_cast<uint8_t>(255 - (number & 0xFF)));
            wire.insert(wire.end(), block.begin(), block.end());
            wire.push_back(static_cast<uint8_t>(blockCrc >> 8));
            wire.push_back(static_cast<uint8_t>(blockCrc));
        }
        wire.push_back(0x04);
        wire.push_back(0x04);
    } else {
        wire.assign(data + 3, data + size);
    }
    ScriptedLine line(wire.data(), wire.size());
    HTRANSFER_STATUS status;
    HMODEM modem(&line, &status, nullptr);
    HSTRING destination(growable ? 0u : std::min(maximum, 4096u), growable);
    const int result = modem.Receive(&destination, maximum);
    const unsigned limit = growable ? maximum : std::min(maximum, 4096u);
    if (destination.Length() > limit)
        std::abort();
    if (result == HMODEM_SUCCESS && modem.LastError().Length() != 0)
        std::abort();
    return 0;
}
