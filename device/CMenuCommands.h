// CMenuCommands: the device object's side of the menu command protocol.
//
// A reader is configured with short ASCII commands: a six-character tag, an optional value
// and a terminator, sent after SYN "M" CR. The reader echoes every command with a status
// byte before its terminator (ACK accepted, ENQ not present, NAK out of range). Settings are
// written in batches of at most ten commands separated by ";" and ended by ".". This class
// sends commands and batches over the serial port, waits for the echo, and sorts the echoes
// of a whole write into the three lists the user is shown. The device object inherits it.
#pragma once

#include "device/CDeviceChannel.h"

#include <string>
#include <vector>

class CMenuCommands : public CDeviceChannel {
public:
    static constexpr char SYN = 0x16;
    static constexpr char CR = 0x0D;
    static constexpr char ACK = 0x06;
    static constexpr char ENQ = 0x05;
    static constexpr char NAK = 0x15;

    // Framing sent before every menu command and batch.
    static constexpr char kMenuPrefix[3] = { SYN, 'M', CR };
    static constexpr size_t kCommandsPerBatch = 10;
    // Each byte that arrives buys the reply this much more time.
    static constexpr unsigned kPieceExtensionMs = 50;
    static constexpr unsigned kBatchDrainMs = 200;
    static constexpr unsigned kBatchTimeoutMs = 1000;

    explicit CMenuCommands(CSerComm* port = nullptr);

    // Sends prefix and command, then reads until the reply is complete (its last character
    // ".", "&" or "!" with ACK, NAK or ENQ before it), the time limit passes, or Escape.
    // A complete reply with ENQ or NAK is still true; the caller reads the status byte.
    bool SendCommandAndWait(const std::string& command, std::string& reply, unsigned timeoutMs);
    void SendCommandNoWait(const std::string& command);
    // Sends one batch (ending "." is added when missing) and appends its reply — or, when it
    // got none, the batch itself, so every command in it is reported as unanswered.
    bool SendBatch(std::string batch, std::string& replies);
    // Sends a text of "tag value;" items in batches of at most ten; true when every batch was
    // answered.
    bool SendItemsInBatches(const std::string& items, std::string& replies);

    // Cuts a text of "tag value;" items into batches of at most ten, each ending ".".
    static std::vector<std::string> SplitIntoBatches(const std::string& items);
    // Sorts accumulated replies: out of range (NAK), not present (ENQ), no response
    // (anything else). Each tag is listed once; the block-default tags are never reported.
    static void ClassifyReplies(const std::string& replies, std::vector<std::string>& notPresent,
                                std::vector<std::string>& outOfRange, std::vector<std::string>& noResponse);
    // A range reply: "min-max" (minimum may be negative) or "a|b|c|" (a list of values).
    static void ParseRange(const std::string& range, std::vector<std::string>& values, long& minimum, long& maximum);
    // Whether a reply has its terminator with a status byte before it.
    static bool ReplyComplete(const std::string& reply);
};
