// HCOMMAND_PROCESSOR: the program's owner of the conversation with a connected reader.
//
// It holds the device's channel (HCOMM) and progress reporter (HTRANSFER_STATUS), neither
// owned, and sends menu commands through them: SYN "M" CR, the optional ":" address ":"
// and the command, then collects the echo until its terminator. The other framings
// (SYN-N, SYN-Y), the wake-up probe, the capability probe and HTag build on the same
// exchange loop (Exchange below).
#pragma once

#include "transfer/HCOMMAND_HANDLER.h"
#include "transfer/HSTRING.h"

class HCOMM;
class HTRANSFER_STATUS;

class HCOMMAND_PROCESSOR : public HCOMMAND_HANDLER {
public:
    HCOMMAND_PROCESSOR(HCOMM* channel, HTRANSFER_STATUS* status);
    HCOMMAND_PROCESSOR(const HCOMMAND_PROCESSOR& other);
    HCOMMAND_PROCESSOR& operator=(const HCOMMAND_PROCESSOR& other);
    ~HCOMMAND_PROCESSOR() override;

    // Asks for one setting: `tag` is six characters, or six plus a terminator ("!", "&", "."
    // or 0x40). On success `reply` holds the value alone, or the value and the status byte
    // when keepStatus is set.
    bool QueryCommand(const char* tag, HSTRING* reply, bool keepStatus = false, bool addQueryMark = true);
    // Sends one menu command and waits for its complete echo (reply holds all of it).
    bool SendAndWait(const char* command, HSTRING* reply);
    bool SendAndWait(const HSTRING& command, HSTRING* reply);
    // Sends one menu command without reading; false when the channel is not open.
    bool SendOnly(const char* command);
    bool SendOnly(const HSTRING& command);

    HCOMM* Channel() const { return m_Channel; }
    HTRANSFER_STATUS* Status() const { return m_Status; }

    void SetAddress(const char* address) { m_Address.Copy(address); }
    const HSTRING& Address() const { return m_Address; }
    void SetAddressing(bool on) { m_UseAddress = on; }
    bool Addressing() const { return m_UseAddress; }
    void SetWakeBeforeCommand(bool on) { m_WakeBeforeCommand = on; }
    bool WakeBeforeCommand() const { return m_WakeBeforeCommand; }
    void SetCommandReplyTimeOut(unsigned milliseconds) { m_CommandReplyTimeOut = milliseconds; }
    unsigned CommandReplyTimeOut() const { return m_CommandReplyTimeOut; }

    // ":" address ":" command when addressing is on, the address is set, the command is not
    // empty and does not already carry an address.
    void AddressCommand(const HSTRING& command, HSTRING& out) const;
    // Whether `reply` is the complete echo of `command` under the menu-command rule.
    static bool MenuReplyComplete(const HSTRING& command, const HSTRING& reply);

protected:
    using CompletionRule = bool (*)(const HSTRING& command, const HSTRING& reply);
    // One command/response exchange: writes prefix + body in one write, then reads in pieces
    // until `complete` holds, the time-out (ms, counted in whole seconds) passes or the status
    // asks to stop. `command` is what the completion rule looks at.
    bool Exchange(const HSTRING& prefix, const HSTRING& body, const HSTRING& command, HSTRING* reply,
                  unsigned timeOutMs, CompletionRule complete);

    HCOMM* m_Channel;
    HTRANSFER_STATUS* m_Status;
    HSTRING m_Address;
    bool m_UseAddress = false;
    bool m_WakeBeforeCommand = false;
    unsigned m_CommandReplyTimeOut = 5000;
};
