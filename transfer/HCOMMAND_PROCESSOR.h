// HCOMMAND_PROCESSOR: the program's owner of the conversation with a connected reader.
//
// It holds the device's channel (HCOMM) and progress reporter (HTRANSFER_STATUS), neither
// owned, and sends menu commands through them: SYN "M" CR, the optional ":" address ":"
// and the command, then collects the echo until its terminator. The other framings
// (SYN-N, SYN-Y), the wake-up probe and the capability probe build on the same exchange
// loop (Exchange below); HTag and the received-data dispatcher will too.
#pragma once

#include "transfer/HCOMMAND_HANDLER.h"
#include "transfer/HSTRING.h"

#include <string>
#include <vector>

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

    // The four framings. Every framing with a reply answers whether the reply was complete.
    // SYN "N", data text, ",", the (address-prefixed) name, CR; the reply ends with CR.
    bool SendSynNCommand(const char* name, HSTRING* reply, const char* data = "", unsigned timeOutMs = 0);
    // SYN "M" CR and the (address-prefixed) menu command; complete under the menu rule.
    bool SendMenuCommand(const HSTRING& command, HSTRING* reply, unsigned timeOutMs = 0);
    // SYN "M" CR and the command, nothing read back (used to put saved settings back).
    bool SendMenuCommandNoReply(const HSTRING& command) { return SendOnly(command); }
    // SYN "Y" CR and the command, never address-prefixed; 0 takes the command reply time-out.
    bool SendSynYCommand(const HSTRING& command, HSTRING* reply, unsigned timeOutMs = 0);
    static bool SynNReplyComplete(const HSTRING& command, const HSTRING& reply);
    static bool SynYReplyComplete(const HSTRING& command, const HSTRING& reply);

    // Wakes the reader with SYN "C" CR (up to kWakeupAttempts tries while the status lets us
    // go on) and, when it answers and nothing forbids it, runs the capability probe.
    bool WakeupDevice() override;
    // Learns what the reader supports; every probe starts from cleared flags.
    bool ProbeCapabilities();
    // The picture size of imagers (IMGMXX, IMGMXY); 0 when not answered.
    bool QueryImageSize();

    bool SupportsMatrixCommands() const { return m_MatrixCommands; }
    bool SupportsImageShip() const { return m_ImageShip; }
    bool SupportsAztec() const { return m_Aztec; }
    bool SupportsPdf() const { return m_Pdf; }
    bool SupportsIqEpro() const { return m_IqEpro; }
    bool SupportsScript() const { return m_Script; }
    bool SupportsCurrentTable() const { return m_CurrentTable; }
    bool ProbeRunning() const { return m_ProbeRunning; }
    // From DEVICETYPE: the device type number (0 unknown) and whether boot code is running.
    int DeviceType() const { return m_DeviceType; }
    bool RunningBootCode() const { return m_RunningBootCode; }
    const std::vector<std::string>& ScannerList() const { return m_Scanners; }
    int ImageWidth() const { return m_ImageWidth; }
    int ImageHeight() const { return m_ImageHeight; }

    unsigned StorageWaitMs() const { return m_StorageWaitMs; }
    unsigned StatusMessageWaitMs() const { return m_StatusMessageWaitMs; }
    unsigned ProbeByteTimeOut() const { return m_ProbeByteTimeOut; }
    unsigned WakeupAttempts() const { return m_WakeupAttempts; }

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

    // One wake-up attempt: ACK, NAK and two more bytes back for SYN "C" CR.
    bool WakeupOnce();
    void ClearCapabilities();

    HCOMM* m_Channel;
    HTRANSFER_STATUS* m_Status;
    HSTRING m_Address;
    bool m_UseAddress = false;
    bool m_WakeBeforeCommand = false;
    unsigned m_CommandReplyTimeOut = 5000;

    unsigned m_StorageWaitMs = 60000;
    unsigned m_StatusMessageWaitMs = 5000;
    unsigned m_ProbeByteTimeOut = 300;
    unsigned m_WakeupAttempts = 5;

    // Set by the capability probe.
    bool m_ProbeRunning = false;
    bool m_MatrixCommands = false;
    bool m_ImageShip = false;
    bool m_Aztec = false;
    bool m_Pdf = false;
    bool m_IqEpro = false;
    bool m_Script = false;
    bool m_CurrentTable = false;
    int m_DeviceType = 0;
    bool m_RunningBootCode = false;
    std::vector<std::string> m_Scanners;
    int m_ImageWidth = 0;
    int m_ImageHeight = 0;

    // The received-data dispatcher and the HTag engine join here.
};
