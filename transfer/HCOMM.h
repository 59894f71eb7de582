// HCOMM: the byte channel to the reader that every transfer protocol is written against.
//
// Protocol code never touches the serial port; it reads with a time-out, writes, flushes,
// keeps an elapsed-time clock and sleeps through this class. Every operation has a harmless
// default so a realisation overrides only what it has. The virtual operations are declared
// in the order of the class's slots; keep it that way.
//
// A subclass that overrides one form of an overloaded operation hides the others: add
// `using HCOMM::Read;` (and Write, FlushReadBuffer) to keep them reachable.
#pragma once

class HSTRING;

class HCOMM {
public:
    HCOMM();
    HCOMM(const HCOMM& other);
    HCOMM& operator=(const HCOMM& other);
    virtual ~HCOMM();

    virtual void ZeroElapsedTime();
    // Whole seconds since the last ZeroElapsedTime.
    virtual unsigned ElapsedTime();
    virtual bool FlushReadBuffer();
    virtual bool FlushReadBuffer(int reserved);
    // Reads up to `wanted` bytes into the caller's bytes; *countRead gets the number read.
    virtual bool Read(unsigned char* bytes, unsigned* countRead, unsigned wanted, unsigned timeOutMs);
    // Empties the buffer, then reads up to `wanted` bytes within the time-out.
    virtual bool Read(HSTRING* buffer, unsigned wanted, unsigned timeOutMs);
    virtual bool Write(HSTRING* buffer);
    virtual bool Write(HSTRING* buffer, int start, int count, bool waitUntilSent);
    virtual bool IsPortAssigned();
    virtual bool FlushWriteBuffer();
    virtual unsigned BytesInWriteBuffer();
    virtual void HCommSleep(unsigned milliseconds);
    virtual bool SwitchTo8BitTransferMode();
    virtual bool RevertFrom8BitTransferMode();

    // Read time-out (ms) of the command processor's single-byte and piecewise reads.
    unsigned ReadTimeOut;
    // Three more settings carried by the exported class; the program reads none of them.
    unsigned Setting2;
    unsigned Setting3;
    unsigned Setting4;
};
