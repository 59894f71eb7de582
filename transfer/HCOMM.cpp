#include "transfer/HCOMM.h"

#include "transfer/HSTRING.h"

HCOMM::HCOMM() : ReadTimeOut(1000), Setting2(2000), Setting3(5000), Setting4(0x400000) { }

HCOMM::HCOMM(const HCOMM& other) = default;

HCOMM& HCOMM::operator=(const HCOMM& other) = default;

HCOMM::~HCOMM() = default;

void HCOMM::ZeroElapsedTime() { }

// "Forever" by default, so a protocol run over a bare channel times out at once instead of
// waiting on a clock that never moves.
unsigned HCOMM::ElapsedTime() { return 0x7FFFFFFF; }

bool HCOMM::FlushReadBuffer() { return FlushReadBuffer(0); }

bool HCOMM::FlushReadBuffer(int) { return false; }

bool HCOMM::Read(unsigned char* bytes, unsigned* countRead, unsigned wanted, unsigned timeOutMs)
{
    if (countRead)
        *countRead = 0;
    if (!bytes)
        return false;
    // The caller's bytes serve as the buffer itself: nothing is copied and nothing can grow.
    HSTRING buffer(bytes, wanted, false, false, true);
    const bool ok = Read(&buffer, wanted, timeOutMs);
    if (countRead)
        *countRead = buffer.Length();
    return ok;
}

bool HCOMM::Read(HSTRING*, unsigned, unsigned) { return false; }

bool HCOMM::Write(HSTRING* buffer)
{
    if (!buffer)
        return false;
    return Write(buffer, 0, static_cast<int>(buffer->Length()), false);
}

bool HCOMM::Write(HSTRING*, int, int, bool) { return false; }

bool HCOMM::IsPortAssigned() { return false; }

bool HCOMM::FlushWriteBuffer() { return false; }

unsigned HCOMM::BytesInWriteBuffer() { return 0; }

void HCOMM::HCommSleep(unsigned) { }

bool HCOMM::SwitchTo8BitTransferMode() { return true; }

bool HCOMM::RevertFrom8BitTransferMode() { return true; }
