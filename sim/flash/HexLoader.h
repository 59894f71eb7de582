// The simulated reader's hex firmware loader: the SYN frames a host uses to find a flash
// rate and enter the loader, and the Intel hex records it then takes one by one.
//
//   SYN 'G' rate CR   does the loader take this rate?  ACK (in the rates of the profile's
//                     "flash_rates") or NAK, on the current line
//   SYN 'E' rate CR   enter the loader at that rate (8N1); no answer
//   SYN 'A' CR        enter the loader at the first flash rate (readers with a fixed rate)
//   SYN 'I' CR        leave the loader and start the firmware
//
// In the loader (the byte stream is its own; data bytes may be SYN):
//
//   Between --':'--> Count --n--> Body (n + 4 bytes) --> checksum right: keep, ACK
//      ^   \--SYN 'I' CR--> reboot          |            checksum wrong: NAK
//      +-------------------------------------+            end-of-file record: ACK, reboot
//
// Rebooting puts the reader back on the line it had and makes it report a new revision:
// the three digits after "KSTREV=" in the image's data, else its revision plus one. A
// cordless reader also forgets its base id and radio country code (factory values).
// Faults: refuse record k (1-based) n times with NAK; stop answering from record k on.
#pragma once

#include "sim/ReaderEngine.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class HexLoader : public std::enable_shared_from_this<HexLoader> {
public:
    struct Faults {
        int nakRecord = 0;   // 1-based; 0: none
        int nakTimes = 0;
        int silentFrom = 0;  // 1-based; 0: never
    };

    static std::shared_ptr<HexLoader> Install(ReaderEngine& engine);

    void SetFaults(const Faults& faults) { faults_ = faults; }
    bool InLoader() const { return state_ != State::Off; }
    // Records kept since the loader was last entered, each without its ':'.
    const std::vector<std::vector<uint8_t>>& Records() const { return records_; }
    // The kept image as an Intel hex file (CR LF line ends).
    std::string IntelHexText() const;
    int Reboots() const { return reboots_; }
    int NaksSent() const { return naksSent_; }
    int RecordsReceived() const { return received_; }

    // Frame handling, one entry per letter (called by the engine's handlers).
    void Begin(char letter);
    bool Feed(char letter, uint8_t byte, ReaderModel& model, ReaderOutput& output);

private:
    enum class State { Off, Between, Count, Body, AfterSyn, AfterSynI };

    bool Command(char letter, ReaderModel& model, ReaderOutput& output);
    bool Loader(uint8_t byte, ReaderModel& model, ReaderOutput& output);
    bool TakesRate(const ReaderModel& model, uint32_t rate) const;
    void Enter(uint32_t rate, ReaderModel& model, ReaderOutput& output);
    void Reboot(ReaderModel& model, ReaderOutput& output);

    State state_ = State::Off;
    std::string text_;
    std::vector<uint8_t> record_;
    std::vector<std::vector<uint8_t>> records_;
    LineFormat lineBefore_;
    Faults faults_;
    int received_ = 0;
    int naksLeft_ = 0;
    int naksSent_ = 0;
    int reboots_ = 0;
};
