// The simulated reader's binary firmware loader (profiles with "flash binary"): the size and
// kind queries, the SYN-N download commands, reception through HModem, storing and reboot.
//
//   MSZAPP?.  MSZBOT?.  APPMSK?.        msz_app, msz_bot (decimal) and appmsk (hexadecimal)
//                                       of the profile; ENQ when the profile has no value
//   SYN N ",SETBOOTCODEDOWNLOADMODE" CR answered with CR; the next NEWBOOT is taken
//   SYN N ",NEWAPP" CR, ",NEWAPPRAM" CR HModem receive of an application image
//   SYN N ",NEWBOOT" CR                 HModem receive of boot code (application running)
//
//   Idle --NEWAPP--> Receiving --transfer ok--> Storing --stored--> confirm, start it --> Idle
//                        |                        |  one HPLSMS packet per started second
//                        +--transfer failed--> Idle  +--power loss--> Off (1 s, deaf) --> boot code
//
// Storing checks an application: its signature, the reader's device type in its mask, its
// size (at most msz_app, else 917504), and its kind mask against appmsk unless it names no
// kind (PRODCFG). With ASYSTA 1 (or no ASYSTA setting) the reader then confirms: ACK, two
// ACKs when it was running its boot code and the image has BOOTACK, or NAK when it refused
// the image; with ASYSTA 0 it says nothing. A stored application starts at once: revision
// after "KSTREV=" in the image, else one more (flash/NewFirmware.h), and the reader runs its
// application again even when the download came to its boot code. Settings are kept, so the
// host restores its word format and ASYSTA itself. NEWAPPRAM is handled the same way (the
// image is marked as held in RAM only). Boot code (MATRIXBOOT, the reader's own device type,
// at most msz_bot, else 16384) is kept apart and never confirmed: the host reads nothing
// after that transfer.
//
// Bytes the host sends while the reader stores are held and read once it has finished, as
// the reader's UART buffers them; a power loss drops them. When the line goes away meanwhile
// the reader still finishes (storing, or coming back in its boot code) without a word.
//
// Faults (StorageFaults) hit application storage: a refusal (NAK) and a power loss each fire
// once; a storage delay applies to every image.
#pragma once

#include "sim/FaultPlan.h"
#include "sim/ReaderEngine.h"
#include "sim/SimClock.h"
#include "transfer/firmware/FirmwareImage.h"

#include <cstdint>
#include <memory>
#include <string>

class HModemPeer;

class BinaryLoader final : public FrameHandler, public std::enable_shared_from_this<BinaryLoader> {
public:
    static constexpr long kDefaultApplicationLimit = 917504;
    static constexpr long kDefaultBootLimit = 16384;
    static constexpr unsigned kPowerOffMs = 1000;
    static constexpr unsigned kStatusEveryMs = 1000;
    // Host bytes held while storing, at most (a UART buffer is not endless either).
    static constexpr size_t kHeldLimit = 64 * 1024;

    // A loader for `engine`'s reader, receiving through `hmodem`; time from `clock` (the
    // steady clock when null).
    static std::shared_ptr<BinaryLoader> Install(ReaderEngine& engine, HModemPeer& hmodem, SimClock* clock = nullptr);
    BinaryLoader(ReaderEngine& engine, HModemPeer& hmodem, SimClock& clock);

    void SetFaults(const StorageFaults& faults) { faults_ = faults; }

    // The last application and boot code the reader stored (empty before the first).
    const std::string& Application() const { return application_; }
    bool ApplicationInRamOnly() const { return ramOnly_; }
    const std::string& BootCode() const { return bootCode_; }
    int Stored() const { return stored_; }
    int Refused() const { return refused_; }
    int StatusPackets() const { return statusPackets_; }
    bool Busy() const { return phase_ != Phase::Idle; }

    void Begin(ReaderModel& model, ReaderOutput& output) override;
    bool Feed(uint8_t byte, ReaderModel& model, ReaderOutput& output) override;
    bool Poll(ReaderModel& model, ReaderOutput& output) override;
    // The line went away: a transfer is lost, storing completes unheard, power comes back.
    void Abandon(ReaderModel& model) override;

private:
    enum class Phase { Idle, Receiving, Storing, Off };
    enum class Image { Application, BootCode };

    bool SynN(const std::string& upperName);
    void StartReceive(Image image, bool ramOnly);
    // The transfer ended: check what came and begin storing it. False when the frame is over.
    bool TransferEnded(ReaderModel& model, ReaderOutput& output);
    // Moves storing (or the power-off second) on to now. False when the frame is over.
    bool Continue(ReaderModel& model, ReaderOutput& output);
    // Stores (or refuses) what came; confirmations go to `output` unless it is null.
    void Finish(ReaderModel& model, ReaderOutput* output);
    bool Accepts(const ReaderModel& model, const FirmwareImageInfo& info, FirmwareImageStatus status) const;
    uint64_t ElapsedMs(uint64_t since) const;

    ReaderEngine& engine_;
    HModemPeer& hmodem_;
    SimClock& clock_;
    StorageFaults faults_;

    Phase phase_ = Phase::Idle;
    Image image_ = Image::Application;
    bool ramRequested_ = false;
    bool bootArmed_ = false;
    std::string received_;
    bool accepted_ = false;
    bool bootAck_ = false;
    bool powerLoss_ = false;
    uint64_t storeStart_ = 0;
    uint64_t offStart_ = 0;
    unsigned statusSent_ = 0;
    std::string held_;

    std::string application_;
    bool ramOnly_ = false;
    std::string bootCode_;
    int stored_ = 0;
    int refused_ = 0;
    int statusPackets_ = 0;
};
