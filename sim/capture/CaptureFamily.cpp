// Capture commands of the simulated imager and the frame handler that sends the picture after
// the command's reply.
#include "sim/capture/PictureSupport.h"

#include "sim/ReaderEngine.h"
#include "sim/capture/Scene.h"
#include "sim/htag/HTagPeer.h"
#include "sim/hmodem/HModemPeer.h"
#include "transfer/image/CKim.h"
#include "transfer/image/HImageFormats.h"
#include "transfer/image/HRunCode.h"

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// Sends its bytes when the line is next serviced, so they follow the command's reply.
class PictureSender final : public FrameHandler {
public:
    PictureSender(std::string bytes, PictureFaults faults) : m_Bytes(std::move(bytes)), m_Faults(faults) { }
    void Begin(ReaderModel&, ReaderOutput&) override { }
    bool Feed(uint8_t, ReaderModel& model, ReaderOutput& output) override { return Poll(model, output); }
    bool Poll(ReaderModel&, ReaderOutput& output) override
    {
        const size_t half = m_Bytes.size() / 2;
        if (m_Sent == 0) {
            if (m_Faults.cutShort) {
                output.Send(m_Bytes.substr(0, half));
                return false;
            }
            if (m_Faults.pause) {
                output.Send(m_Bytes.substr(0, half));
                m_Sent = half;
                m_Resume = Clock::now() + std::chrono::seconds(2);
                return true;
            }
            output.Send(m_Bytes);
            return false;
        }
        if (Clock::now() < m_Resume)
            return true;
        output.Send(m_Bytes.substr(m_Sent));
        return false;
    }

private:
    std::string m_Bytes;
    PictureFaults m_Faults;
    size_t m_Sent = 0;
    Clock::time_point m_Resume;
};

std::string HeaderDigits(const HIMAGE& image)
{
    const HTAG& p = image.parameters;
    char text[40];
    std::snprintf(text, sizeof text, "%04d%04d%04lld%04lld%04lld%04lld%04lld", image.width, image.height,
                  p.GetInt("L"), p.GetInt("T"), p.GetInt("R"), p.GetInt("B"), p.GetInt("S"));
    return text;
}

class CaptureFamily final : public MenuCommandFamily {
public:
    CaptureFamily(ReaderEngine& engine, PictureFaults faults) : m_Engine(engine), m_Faults(faults) { }

    bool Claims(const ReaderModel& model, const std::string& tag) const override
    {
        return model.Has(CapImage) && (tag == "IMGSNP" || tag == "IMGSHP" || tag == "IMGTST" || tag == "TSTAOF");
    }

    MenuAnswer Answer(ReaderModel& model, const MenuCommand& command) override
    {
        const std::string& tag = command.upperTag;
        if (command.Mark() != 0)
            return MenuAnswer::Ack(tag == "IMGSHP" ? "1" : "0");
        if (tag == "TSTAOF")
            return MenuAnswer::Ack(command.value);
        if (tag == "IMGSNP") {
            ++m_Number;
            const size_t ship = command.value.find(",SHP");
            if (ship != std::string::npos)
                Ship(model, command.value.substr(ship + 4), true, false);
            return MenuAnswer::Ack(command.value);
        }
        Ship(model, command.value, false, tag == "IMGTST");
        return MenuAnswer::Ack(command.value);
    }

    // The picture in form `format` as the reader puts it on the line.
    static std::string Bytes(const HIMAGE& image, int format, int quality, bool windowed)
    {
        std::vector<uint8_t> data;
        if (windowed) {
            const bool binary = image.bitsPerPixel == 1;
            std::string out = binary ? "]!!)1bU(" : "]!!)8bU(";
            out += HeaderDigits(image);
            HImageFormats::Encode(binary ? 4 : 5, image, quality, data);
            return out + std::string(data.begin(), data.end());
        }
        switch (format) {
        case 0: {
            const std::vector<uint8_t> code = CKim::EncodePixels(image.pixels.data(), image.pixels.size());
            return "]!!)8bT(" + HeaderDigits(image) + std::string(code.begin(), code.end());
        }
        case 4:
        case 5:
            HImageFormats::Encode(format, image, quality, data);
            return (format == 4 ? "]!!)1bU(" : "]!!)8bU(") + HeaderDigits(image) + std::string(data.begin(), data.end());
        case 6:
            HImageFormats::Encode(6, image, quality, data);
            return std::string(data.begin(), data.end());
        case 7:
            HImageFormats::Encode(7, image, quality, data);
            return "]!!)1bT(" + HeaderDigits(image) + std::string(data.begin(), data.end());
        default:
            return HTagPeer::PicturePacket(image, format, quality, 2);
        }
    }

private:
    void Ship(ReaderModel& model, const std::string& options, bool windowed, bool testPattern)
    {
        HTAG p("IMGSHP");
        unsigned used = 0;
        p.ParseParameters(reinterpret_cast<const unsigned char*>(options.data()), unsigned(options.size()), used);
        const HIMAGE image = HTagPeer::Picture(model, p, m_Number, testPattern);
        if (!image.Valid())
            return;
        const int format = windowed ? 5 : int(p.GetInt("F"));
        std::string bytes = Bytes(image, format, int(p.GetInt("J")), windowed);
        m_Engine.Delegate(std::make_shared<PictureSender>(std::move(bytes), m_Faults));
    }

    ReaderEngine& m_Engine;
    PictureFaults m_Faults;
    unsigned m_Number = 0;
};

// Sends the emit list every few hundred milliseconds until the host speaks.
class Emitter final : public FrameHandler {
public:
    Emitter(std::vector<std::string> items, unsigned everyMs) : m_Items(std::move(items)), m_Every(everyMs) { }
    void Begin(ReaderModel&, ReaderOutput&) override { }
    bool Feed(uint8_t, ReaderModel&, ReaderOutput&) override { return false; }
    bool Poll(ReaderModel&, ReaderOutput& output) override
    {
        const auto now = Clock::now();
        if (now < m_Next)
            return true;
        m_Next = now + std::chrono::milliseconds(m_Every);
        ++m_Round;
        for (const std::string& item : m_Items)
            output.Send(EmittedBytes(item, m_Round));
        return true;
    }

private:
    std::vector<std::string> m_Items;
    unsigned m_Every;
    unsigned m_Round = 0;
    Clock::time_point m_Next = Clock::now() + std::chrono::milliseconds(300);
};

std::vector<std::string> SplitList(const std::string& list)
{
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start)
            items.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

} // namespace

std::string EmittedBytes(const std::string& item, unsigned number)
{
    const size_t colon = item.find(':');
    const std::string name = item.substr(0, colon);
    const std::string argument = colon == std::string::npos ? std::string() : item.substr(colon + 1);
    if (name == "text")
        return argument.empty() ? SimScene::SymbolText(number) + "\r\n" : argument + "\r\n";
    if (name == "actsta")
        return HTagPeer::Packet("ACTSTA", "1ACTIVITY" + std::to_string(number) + "PROCESSED9TOTAL", "");
    if (name == "trgevt")
        return HTagPeer::Packet("TRGEVT", "2T", "");
    if (name == "decres")
        return HTagPeer::Packet("DECRES", "1WCHAR", argument.empty() ? SimScene::SymbolText(number) : argument);
    if (name == "hpl")
        return HTagPeer::Packet("HPLSMS", "", "status");
    if (name == "tagged")
        return "]!!)bil(" + (argument.empty() ? std::string("tagged block") : argument);
    if (name == "envelope")
        return "[)>\x1e" "01\x1d" "96" + (argument.empty() ? std::string("envelope") : argument) + "\x1e\x04";
    if (name == "picture") {
        HIMAGE image = SimScene::Window(SimScene::Render(64, 48, number), 0, 0, 63, 47, 1, 8);
        return CaptureFamily::Bytes(image, 5, 80, false);
    }
    if (name == "bad-packet")
        return HTagPeer::Packet("FILSTO", "9CMP", "");  // CMP out of range
    if (name == "bad-header")
        return std::string("\x16\xfe\x05\x00\x00\x00X", 7);  // no CR after the length
    return "";
}

bool InstallPictureSupport(ReaderEngine& engine, HModemPeer& hmodem, const PictureSupportOptions& options,
                           std::string& error)
{
    engine.AddFamily(std::make_unique<CaptureFamily>(engine, options.faults));
    engine.SetFrameHandler(static_cast<char>(0xFE), std::make_shared<HTagPeer>(engine, hmodem));
    if (options.events.empty())
        return true;
    std::vector<std::string> items = SplitList(options.events);
    for (const std::string& item : items) {
        if (EmittedBytes(item, 1).empty()) {
            error = "unknown event \"" + item + "\" in the emit list";
            return false;
        }
    }
    engine.Delegate(std::make_shared<Emitter>(std::move(items), options.emitEveryMs));
    return true;
}
