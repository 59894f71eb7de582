// HCOMMAND_HANDLER: the hook a transfer calls once before it starts, to wake the reader.
#pragma once

class HCOMMAND_HANDLER {
public:
    HCOMMAND_HANDLER();
    HCOMMAND_HANDLER(const HCOMMAND_HANDLER& other);
    HCOMMAND_HANDLER& operator=(const HCOMMAND_HANDLER& other);
    virtual ~HCOMMAND_HANDLER();

    virtual bool WakeupDevice();
};
