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
#include "transfer/HTAG.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

class HCOMM;
class HTRANSFER_STATUS;
class HPROCESSOR_EVENTS;
struct HIMAGE;
struct FirmwareImageInfo;

// Printable-form switches applied to decoded data before it reaches the event sink.
struct HDECODED_CONVERSION {
    bool convert = false;       // off: decoded data go on as received
    bool bracketHex = false;    // control bytes as [0x1B] instead of \1B
    bool controlNames = false;  // control bytes below 32 as [ESC]
    bool escapeHigh = false;    // bytes 128..255 escaped too
    bool keepCrLf = false;      // CR LF stays a line break
    bool hexStyle = false;      // \x1B instead of \1B
};

// Receive codes of HTag packets beyond the parameter codes (see HTAG_PARSE).
enum HTAG_RECEIVE : int {
    HTAG_RECEIVE_OK = 1,
    HTAG_RECEIVE_NO_SYN = 16,
    HTAG_RECEIVE_NO_MARKER = 17,
    HTAG_RECEIVE_TOO_LONG = 18,
    HTAG_RECEIVE_NO_CR = 19,
    HTAG_RECEIVE_UNRECOGNIZED = 21,
    HTAG_RECEIVE_NO_LENGTH = 22,
    HTAG_RECEIVE_NO_NAME = 23,
    HTAG_RECEIVE_BAD_PROTOCOL = 24,
    HTAG_RECEIVE_DATA_TIMEOUT = 25,
    HTAG_RECEIVE_HMODEM_FAILED = 26,
    HTAG_RECEIVE_BAD_REQUEST = 10005,
    HTAG_RECEIVE_NOT_IN_STORE_MODE = 10006,
};

// What the reader is doing with boot code or flash images, as its BOTMOD / FLSMOD said.
enum class HCODE_MODE { None, Entered, Retrieve, Store };

// Picture results.
enum HIMAGE_RESULT : int {
    HIMAGE_OK = 1,
    HIMAGE_BAD_WINDOW = 10001,
    HIMAGE_BAD_DEPTH = 10002,
    HIMAGE_BAD_MARGIN = 10003,
    HIMAGE_EMPTY = 10005,
    HIMAGE_CORRUPT = 10006,
};

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

public:
    // ---- received data ------------------------------------------------------------------
    // Reads what the reader sends on its own and hands it on: `alreadyRead` (may be null) is
    // examined first; with keepReading the line is read until it has been quiet for one read
    // wait. Returns the number of bytes handled; 0 at once when called from inside itself.
    unsigned ProcessReceivedData(const HSTRING* alreadyRead, bool keepReading);
    // The idle poll: runs the dispatcher when the line has something for it.
    unsigned ProcessPendingData();
    bool ReceivedDataBusy() const { return m_ReceivedDataBusy; }

    void SetEventSink(HPROCESSOR_EVENTS* events) { m_Events = events; }
    HPROCESSOR_EVENTS* EventSink() const { return m_Events; }
    HDECODED_CONVERSION& DecodedConversion() { return m_Conversion; }
    void SetDecodedDataParsing(bool on) { m_ParseDecodedData = on; }
    bool DecodedDataParsing() const { return m_ParseDecodedData; }
    // While on, the dispatcher reads with 1 ms waits and sends 20 ESC bytes before each round,
    // which stops a reader's burst of pictures or data.
    void SetStopBurst(bool on) { m_StopBurst = on; }
    bool StopBurst() const { return m_StopBurst; }
    // Set when a reader status message (an HPL... packet) arrived; the caller clears it.
    bool StatusMessageArrived() const { return m_StatusMessageArrived; }
    void ClearStatusMessageArrived() { m_StatusMessageArrived = false; }

    // Decoded data handed on once this many bytes have gathered (and when the dispatcher ends).
    static constexpr unsigned kDecodedFlush = 200;
    // Envelopes and tagged blocks are cut at this size; what follows is decoded data again.
    static constexpr unsigned kTaggedBlockLimit = 64 * 1024;

    // ---- HTag ------------------------------------------------------------------------------
    // Sends `command` by its protocol; `resultText` gets the outcome text.
    bool SendHTag(const HTAG& command, bool waitForFinish, HSTRING* resultText);
    // Receives one packet from the line (or what the dispatcher already took of it when
    // `markerSeen`); `code` gets the receive code. Answers requests and feeds the sink.
    bool ReceiveHTag(HTAG& command, int& code, HSTRING* resultText, bool markerSeen = false);
    // Longest packet accepted (the length field); 4 MiB unless changed.
    void SetHTagLimit(unsigned bytes) { m_HTagLimit = bytes; }
    unsigned HTagLimit() const { return m_HTagLimit; }
    // The boot-code and flash-image mode switches: enter, then retrieve or store.
    bool SwitchToBootCodeMode(bool retrieve, HSTRING* resultText = nullptr);
    bool SwitchToFlashImageMode(bool retrieve, HSTRING* resultText = nullptr);
    HCODE_MODE BootCodeMode() const { return m_BootCodeMode; }
    HCODE_MODE FlashImageMode() const { return m_FlashImageMode; }
    static HCODE_MODE ModeFromPassword(bool bootCode, const std::string& password);

    // ---- firmware downloads (HCOMMAND_PROCESSOR_DOWNLOAD.cpp) --------------------------------
    // An application image into the reader: size, device-type and application-kind checks,
    // then the image over HModem and the wait for the reader to confirm that it stored it.
    // optionA: ASYSTA1 and a storage confirmation awaited (off: ASYSTA0, none awaited);
    // optionB: NEWAPP (off: NEWAPPRAM). The reader's word format and ASYSTA come back after
    // the transfer whatever its outcome. `resultText` gets the outcome text.
    bool DownloadApplication(const unsigned char* image, unsigned length, unsigned compressionMode, bool optionA,
                             bool optionB, HSTRING* resultText);
    // Boot code: size and device-type checks, SETBOOTCODEDOWNLOADMODE, then NEWBOOT over HModem.
    bool DownloadBootCode(const unsigned char* image, unsigned length, unsigned compressionMode, bool waitForReader,
                          HSTRING* resultText);
    // Limits for readers that give no usable MSZAPP / MSZBOT answer.
    static constexpr unsigned kDefaultApplicationLimit = 917504;
    static constexpr unsigned kDefaultBootCodeLimit = 16384;
    // Takes over another processor's state (what the probe learnt, the address, the sink)
    // on a channel and status of its own: a device object made for a flash works on.
    void Rebind(HCOMM* channel, HTRANSFER_STATUS* status)
    {
        m_Channel = channel;
        m_Status = status;
    }

    // ---- pictures --------------------------------------------------------------------------
    void SetCaptureMode(bool on) { m_CaptureMode = on; }
    bool IsCaptureModeOn() const { return m_CaptureMode; }
    // Sent before every windowed capture (empty: nothing).
    void SetExtraCaptureCommand(const std::string& command) { m_ExtraCaptureCommand = command; }
    const std::string& ExtraCaptureCommand() const { return m_ExtraCaptureCommand; }
    // Windowed capture: TSTAOF!, the extra command, then IMGSNP1L1P,SHP8F with the window.
    bool CaptureWindow(int left, int top, int right, int bottom, int subsample, int depth);
    // Plain capture (only while capture mode is on) and the test image; a negative format
    // leaves format and quality to the reader.
    bool CapturePlain(int subsample, int format, int quality);
    bool CaptureTestImage(int subsample, int format, int quality);
    static std::string WindowCaptureCommand(int left, int top, int right, int bottom, int subsample, int depth);
    static std::string CaptureOptions(int subsample, int format, int quality);
    bool PictureExpected() const { return m_PictureExpected; }
    // Checks an IMGSHP set; HIMAGE_OK or the failure code, with the picture's size.
    static int CheckImageParameters(const HTAG& parameters, int& width, int& height);

protected:
    // Takes the reader's echo of a capture command off the line (not a byte more); false
    // when what came was not the echo (it stays for the dispatcher).
    bool SkipCaptureEcho(const std::string& command);
    // The dispatcher's input: bytes put back (or handed in) are read before the line.
    unsigned ReadInput(unsigned char* bytes, unsigned wanted, unsigned timeOutMs);
    void PushBackInput(const unsigned char* bytes, unsigned length);
    void FlushDecoded(HSTRING& decoded);
    void DeliverHTag(const HTAG& command, int code, const char* text);
    bool ReceiveHTagBody(HTAG& command, unsigned remaining, int protocol, int& code, HSTRING& text);
    void HandleHTagCommand(HTAG& command, int& code, HSTRING& text);
    bool SwitchCodeMode(const char* name, const char* const passwords[3], bool retrieve, HSTRING* resultText);
    void ReceivePicture(unsigned char bits, bool coded, HSTRING& decoded);
    void ReceiveJpeg(HSTRING& decoded);
    void ReceiveTaggedBlock(const HSTRING& prefix, bool envelope);
    void DeliverPicture(int code, const char* text, const HIMAGE& image);
    // Download helpers: a size limit answered by a query ("MSZAPP"), the DEVICETYPE reply
    // taken apart, and the wait for storage confirmations.
    unsigned QuerySizeLimit(const char* tag, unsigned fallback);
    bool QueryDeviceType(unsigned& type, bool& bootMode, bool& answered);
    bool WaitForStorage(int confirmations, HSTRING& resultText);
    // The checks both downloads make before anything changes the reader: size, signature,
    // device type. False with the refusal in `result`.
    bool CheckDownloadImage(const unsigned char* image, unsigned length, bool bootCode, FirmwareImageInfo& info,
                            unsigned& deviceType, bool& bootMode, HSTRING& result);

    HPROCESSOR_EVENTS* m_Events = nullptr;
    HDECODED_CONVERSION m_Conversion;
    bool m_ParseDecodedData = false;
    bool m_StopBurst = false;
    bool m_ReceivedDataBusy = false;
    bool m_StatusMessageArrived = false;
    unsigned m_HTagLimit = 4u << 20;
    HCODE_MODE m_BootCodeMode = HCODE_MODE::None;
    HCODE_MODE m_FlashImageMode = HCODE_MODE::None;
    bool m_CaptureMode = false;
    bool m_PictureExpected = false;
    std::string m_ExtraCaptureCommand;
    std::deque<unsigned char> m_Input;
};
