#include "sim/flash/BinaryLoader.h"

#include "sim/MenuCommand.h"
#include "sim/flash/NewFirmware.h"
#include "sim/hmodem/HModemPeer.h"
#include "sim/htag/HTagPeer.h"

#include <cstdlib>
#include <span>

namespace {

bool BinaryFlash(const ReaderModel& model) { return model.Profile().flash == "binary"; }

// The loader's queries: read-only values of the profile, on readers with the binary loader.
class FlashQueryFamily final : public MenuCommandFamily {
public:
    bool Claims(const ReaderModel& model, const std::string& tag) const override
    {
        if (!BinaryFlash(model) || model.Find(tag) != nullptr)
            return false;
        const ReaderProfile& profile = model.Profile();
        return (tag == "MSZAPP" && profile.mszApp > 0) || (tag == "MSZBOT" && profile.mszBot > 0) ||
               (tag == "APPMSK" && !profile.appMask.empty());
    }

    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override
    {
        const ReaderProfile& profile = model.Profile();
        const std::string value = command.upperTag == "MSZAPP"   ? std::to_string(profile.mszApp)
                                  : command.upperTag == "MSZBOT" ? std::to_string(profile.mszBot)
                                                                 : profile.appMask;
        if (command.value.empty() || command.Mark() == '?')
            return MenuAnswer::Ack(value);
        if (command.Mark() == '$')
            return MenuAnswer { kAck, value, false };
        return MenuAnswer::Nak(command.value);
    }
};

bool AsystaOn(const ReaderModel& model)
{
    const SettingState* setting = model.Find("ASYSTA");
    return setting == nullptr || model.Value(*setting) == "1";
}

std::span<const uint8_t> Bytes(const std::string& text)
{
    return { reinterpret_cast<const uint8_t*>(text.data()), text.size() };
}

} // namespace

std::shared_ptr<BinaryLoader> BinaryLoader::Install(ReaderEngine& engine, HModemPeer& hmodem, SimClock* clock)
{
    auto loader = std::make_shared<BinaryLoader>(engine, hmodem, clock ? *clock : SteadySimClock::Instance());
    engine.AddFamily(std::make_unique<FlashQueryFamily>());
    std::weak_ptr<BinaryLoader> weak = loader;
    engine.SetSynNHandler([weak](const std::string& name) {
        const auto self = weak.lock();
        return self && self->SynN(name);
    });
    return loader;
}

BinaryLoader::BinaryLoader(ReaderEngine& engine, HModemPeer& hmodem, SimClock& clock)
    : engine_(engine), hmodem_(hmodem), clock_(clock)
{
}

uint64_t BinaryLoader::ElapsedMs(uint64_t since) const
{
    const uint64_t now = clock_.NowMicros();
    return now > since ? (now - since) / 1000 : 0;
}

bool BinaryLoader::SynN(const std::string& name)
{
    ReaderModel& model = engine_.Model();
    if (!BinaryFlash(model) || engine_.Output() == nullptr || phase_ != Phase::Idle)
        return false;
    if (name == "NEWAPP" || name == "NEWAPPRAM") {
        StartReceive(Image::Application, name == "NEWAPPRAM");
        return true;
    }
    // Boot code is replaced only from a running application, and only when announced.
    if (model.bootCode)
        return false;
    if (name == "SETBOOTCODEDOWNLOADMODE") {
        bootArmed_ = true;
        engine_.Output()->Send("\r");
        return true;
    }
    if (name == "NEWBOOT" && bootArmed_) {
        bootArmed_ = false;
        StartReceive(Image::BootCode, false);
        return true;
    }
    return false;
}

void BinaryLoader::StartReceive(Image image, bool ramOnly)
{
    image_ = image;
    ramRequested_ = ramOnly;
    received_.clear();
    held_.clear();
    phase_ = Phase::Receiving;
    hmodem_.StartReceive(hmodem_.Settings().receiveLimit);
    engine_.Delegate(shared_from_this());
}

void BinaryLoader::Begin(ReaderModel& model, ReaderOutput& output)
{
    // The transfer was started while answering the command; the peer takes it from here.
    hmodem_.Begin(model, output);
}

bool BinaryLoader::Feed(uint8_t byte, ReaderModel& model, ReaderOutput& output)
{
    switch (phase_) {
    case Phase::Receiving:
        return hmodem_.Feed(byte, model, output) || TransferEnded(model, output);
    case Phase::Storing:
        if (held_.size() < kHeldLimit)
            held_ += static_cast<char>(byte);
        return Continue(model, output);
    case Phase::Off:
        if (Continue(model, output))
            return true;
        // Power came back before this byte: the boot code reads it.
        engine_.ReceiveAfterFrame(std::string(1, static_cast<char>(byte)));
        return false;
    case Phase::Idle:
        break;
    }
    return false;
}

bool BinaryLoader::Poll(ReaderModel& model, ReaderOutput& output)
{
    if (phase_ == Phase::Receiving)
        return hmodem_.Poll(model, output) || TransferEnded(model, output);
    return phase_ != Phase::Idle && Continue(model, output);
}

bool BinaryLoader::Accepts(const ReaderModel& model, const FirmwareImageInfo& info, FirmwareImageStatus status) const
{
    const ReaderProfile& profile = model.Profile();
    if (status != FirmwareImageStatus::Ok || received_.empty())
        return false;
    if (image_ == Image::BootCode) {
        const long limit = profile.mszBot > 0 ? profile.mszBot : kDefaultBootLimit;
        return received_.size() <= size_t(limit) && profile.deviceType > 0 &&
               info.bootDeviceType == uint32_t(profile.deviceType);
    }
    const long limit = profile.mszApp > 0 ? profile.mszApp : kDefaultApplicationLimit;
    if (received_.size() > size_t(limit) || profile.deviceType <= 0 ||
        !info.SupportsDeviceType(uint32_t(profile.deviceType)))
        return false;
    if (info.kindMask == 0 || profile.appMask.empty())
        return true;
    return (std::strtoul(profile.appMask.c_str(), nullptr, 16) & info.kindMask) != 0;
}

bool BinaryLoader::TransferEnded(ReaderModel& model, ReaderOutput& output)
{
    const HModemOutcome outcome = hmodem_.Outcome();
    if (!outcome.started || outcome.result != 4) {
        // Nothing usable came: the reader goes on running what it had.
        phase_ = Phase::Idle;
        return false;
    }
    received_ = outcome.data;
    FirmwareImageInfo info;
    const FirmwareImageStatus status = ParseFirmwareImage(
        Bytes(received_), image_ == Image::BootCode ? FirmwareImageType::BootCode : FirmwareImageType::Application,
        info);
    accepted_ = Accepts(model, info, status);
    bootAck_ = info.bootAck;
    powerLoss_ = false;
    if (image_ == Image::Application) {
        if (accepted_ && faults_.nak) {
            faults_.nak = false;
            accepted_ = false;
        }
        if (faults_.powerLoss) {
            faults_.powerLoss = false;
            powerLoss_ = true;
        }
    }
    storeStart_ = clock_.NowMicros();
    statusSent_ = 0;
    phase_ = Phase::Storing;
    return Continue(model, output);
}

bool BinaryLoader::Continue(ReaderModel& model, ReaderOutput& output)
{
    if (phase_ == Phase::Off) {
        if (ElapsedMs(offStart_) < kPowerOffMs)
            return true;
        // Power is back, but the application was half written: the boot code runs.
        model.bootCode = true;
        bootArmed_ = false;
        phase_ = Phase::Idle;
        return false;
    }
    const uint64_t elapsed = ElapsedMs(storeStart_);
    const unsigned delay = faults_.delayMs;
    if (powerLoss_ && elapsed >= delay / 2) {
        phase_ = Phase::Off;
        offStart_ = clock_.NowMicros();
        held_.clear();
        return true;
    }
    // One status packet at the start of every second the storing takes.
    while (image_ == Image::Application && uint64_t(statusSent_) * kStatusEveryMs <= elapsed &&
           uint64_t(statusSent_) * kStatusEveryMs < delay) {
        ++statusSent_;
        ++statusPackets_;
        output.Send(HTagPeer::Packet("HPLSMS", "", "Storing application"));
    }
    if (elapsed < delay)
        return true;
    Finish(model, &output);
    phase_ = Phase::Idle;
    if (!held_.empty())
        engine_.ReceiveAfterFrame(held_);
    held_.clear();
    return false;
}

void BinaryLoader::Abandon(ReaderModel& model)
{
    switch (phase_) {
    case Phase::Storing:
        if (powerLoss_) {
            model.bootCode = true;
            bootArmed_ = false;
        } else {
            Finish(model, nullptr);
            engine_.ReceiveAfterFrame(held_);
        }
        break;
    case Phase::Off:
        model.bootCode = true;
        bootArmed_ = false;
        break;
    case Phase::Receiving:
    case Phase::Idle:
        break;
    }
    held_.clear();
    phase_ = Phase::Idle;
}

void BinaryLoader::Finish(ReaderModel& model, ReaderOutput* output)
{
    if (accepted_)
        ++stored_;
    else
        ++refused_;
    if (image_ == Image::BootCode) {
        if (accepted_)
            bootCode_ = received_;
        return;
    }
    if (output != nullptr && AsystaOn(model)) {
        const int confirmations = accepted_ && model.bootCode && bootAck_ ? 2 : 1;
        output->Send(std::string(size_t(confirmations), static_cast<char>(accepted_ ? kAck : kNak)));
    }
    if (!accepted_)
        return;
    application_ = received_;
    ramOnly_ = ramRequested_;
    StartNewFirmware(model, application_);
    model.bootCode = false;
}
