// The simulated reader's end of HTag packets (SYN 0xFE), raw or through HModem.
//
// It keeps a small file store (FILSTO stores, FILRET answers FILSTO with the file), answers
// GETSYS with SYSINF, MNUCMD with MNURSP, IMGSHP with an IMGSHP packet carrying the picture
// in form F, and takes BOTMOD / FLSMOD with their passwords. An answer goes out with the
// request's protocol: raw for 2, through HModem (the reader transmitting) for 3, 4 and 5.
//
//   frame:  Length (4 bytes) -> CR -> Name (6) -> Protocol digits, 'P'
//           -> raw body (length - header bytes)  or  HModem receive of the body
//           -> answer (raw bytes, or header then HModem transmit) -> done
#pragma once

#include "sim/ReaderEngine.h"
#include "transfer/HTAG.h"
#include "transfer/image/HIMAGE.h"

#include <map>
#include <memory>
#include <string>

class HModemPeer;

class HTagPeer final : public FrameHandler {
public:
    // Longest packet the reader takes.
    static constexpr uint32_t kLimit = 8u << 20;

    HTagPeer(ReaderEngine& engine, HModemPeer& hmodem) : m_Engine(engine), m_HModem(hmodem) { }

    void Begin(ReaderModel& model, ReaderOutput& output) override;
    bool Feed(uint8_t byte, ReaderModel& model, ReaderOutput& output) override;
    bool Poll(ReaderModel& model, ReaderOutput& output) override;

    // A raw (protocol 2) packet: name, parameters as they go on the wire, data.
    static std::string Packet(const std::string& name, const std::string& parameters, const std::string& data);
    // The reader's picture for an IMGSHP parameter set (window, subsample, depth).
    static HIMAGE Picture(const ReaderModel& model, const HTAG& parameters, unsigned number, bool testPattern);
    // An IMGSHP packet carrying `image` in form `format` (raw protocol only).
    static std::string PicturePacket(const HIMAGE& image, int format, int quality, int protocol);

    const std::map<std::string, std::string>& Files() const { return m_Files; }

private:
    enum class Phase { Length, Cr, Name, Protocol, Body, HModemIn, HModemOut, Done };
    void Process(ReaderModel& model, ReaderOutput& output);
    void Answer(HTAG& answer, int protocol, ReaderModel& model, ReaderOutput& output);
    bool ForwardHModem(bool result, ReaderModel& model, ReaderOutput& output);

    ReaderEngine& m_Engine;
    HModemPeer& m_HModem;
    Phase m_Phase = Phase::Length;
    std::string m_Header;
    uint32_t m_Length = 0;
    std::string m_Name;
    int m_Protocol = 0;
    uint32_t m_Remaining = 0;
    std::string m_Body;
    std::map<std::string, std::string> m_Files;
    unsigned m_Pictures = 0;
};
