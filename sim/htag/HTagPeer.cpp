#include "sim/htag/HTagPeer.h"

#include "sim/capture/Scene.h"
#include "sim/hmodem/HModemPeer.h"
#include "transfer/image/HImageFormats.h"

#include <cctype>

namespace {

unsigned CompressionOf(int protocol) { return protocol == 3 ? 7u : protocol == 5 ? 6u : 0u; }

std::string Le32(uint32_t v)
{
    return std::string { char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24) };
}

std::string Str(const HSTRING& s) { return std::string(s.Text(), s.Length()); }

} // namespace

std::string HTagPeer::Packet(const std::string& name, const std::string& parameters, const std::string& data)
{
    const std::string header = name + "2P";
    const std::string body = parameters + "\x1d" + data;
    return "\x16\xfe" + Le32(uint32_t(header.size() + body.size())) + "\r" + header + body;
}

HIMAGE HTagPeer::Picture(const ReaderModel& model, const HTAG& p, unsigned number, bool testPattern)
{
    const int width = model.Profile().imageWidth > 0 ? model.Profile().imageWidth : 640;
    const int height = model.Profile().imageHeight > 0 ? model.Profile().imageHeight : 480;
    int left = int(p.GetInt("L")), top = int(p.GetInt("T")), right = int(p.GetInt("R")), bottom = int(p.GetInt("B"));
    // No window asked: the whole sensor.
    if (right <= left)
        right = width - 1, left = 0;
    if (bottom <= top || bottom >= height)
        bottom = height - 1, top = top < height ? top : 0;
    if (right >= width)
        right = width - 1;
    HIMAGE image = SimScene::Window(SimScene::Render(width, height, number, testPattern), left, top, right, bottom,
                                    int(p.GetInt("S")), int(p.GetInt("D")));
    image.parameters.SetInt("F", p.GetInt("F"));
    image.parameters.SetInt("J", p.GetInt("J"));
    return image;
}

std::string HTagPeer::PicturePacket(const HIMAGE& image, int format, int quality, int)
{
    std::vector<uint8_t> data;
    if (!HImageFormats::Encode(format, image, quality, data))
        return "";
    HTAG tag("IMGSHP");
    tag.SetProtocol(2);
    for (const char* name : { "L", "T", "R", "B", "S", "D" })
        tag.SetInt(name, image.parameters.GetInt(name));
    tag.SetInt("F", format);
    tag.Data().Copy(data.data(), unsigned(data.size()));
    HSTRING packet;
    tag.BuildPacket(packet);
    return Str(packet);
}

void HTagPeer::Begin(ReaderModel&, ReaderOutput&)
{
    m_Phase = Phase::Length;
    m_Header.clear();
    m_Name.clear();
    m_Body.clear();
    m_Protocol = 0;
}

bool HTagPeer::Feed(uint8_t byte, ReaderModel& model, ReaderOutput& output)
{
    switch (m_Phase) {
    case Phase::Length:
        m_Header.push_back(char(byte));
        if (m_Header.size() == 4) {
            m_Length = uint32_t(uint8_t(m_Header[0])) | uint32_t(uint8_t(m_Header[1])) << 8
                | uint32_t(uint8_t(m_Header[2])) << 16 | uint32_t(uint8_t(m_Header[3])) << 24;
            if (m_Length > kLimit || m_Length < 8)
                return false;
            m_Phase = Phase::Cr;
        }
        return true;
    case Phase::Cr:
        m_Phase = Phase::Name;
        return byte == '\r';
    case Phase::Name:
        m_Name.push_back(char(std::toupper(byte)));
        if (m_Name.size() == 6) {
            m_Remaining = m_Length - 6;
            m_Phase = Phase::Protocol;
        }
        return true;
    case Phase::Protocol:
        if (m_Remaining == 0)
            return false;
        --m_Remaining;
        if (byte >= '0' && byte <= '9') {
            m_Protocol = m_Protocol * 10 + (byte - '0');
            return m_Protocol <= 5;
        }
        if (byte != 'P')
            return false;
        if (m_Protocol >= 3) {
            m_HModem.StartReceive(m_Remaining + 1024);
            m_HModem.Begin(model, output);
            m_Phase = Phase::HModemIn;
            return true;
        }
        m_Phase = Phase::Body;
        if (m_Remaining == 0) {
            Process(model, output);
            return m_Phase == Phase::HModemOut;
        }
        return true;
    case Phase::Body:
        m_Body.push_back(char(byte));
        if (--m_Remaining == 0) {
            Process(model, output);
            return m_Phase == Phase::HModemOut;
        }
        return true;
    case Phase::HModemIn:
    case Phase::HModemOut:
        return ForwardHModem(m_HModem.Feed(byte, model, output), model, output);
    case Phase::Done:
        return false;
    }
    return false;
}

bool HTagPeer::Poll(ReaderModel& model, ReaderOutput& output)
{
    if (m_Phase == Phase::HModemIn || m_Phase == Phase::HModemOut)
        return ForwardHModem(m_HModem.Poll(model, output), model, output);
    return m_Phase != Phase::Done;
}

bool HTagPeer::ForwardHModem(bool running, ReaderModel& model, ReaderOutput& output)
{
    if (running)
        return true;
    if (m_Phase == Phase::HModemOut) {
        m_Phase = Phase::Done;
        return false;
    }
    const HModemOutcome outcome = m_HModem.Outcome();
    if (outcome.result != 4) {
        m_Phase = Phase::Done;
        return false;
    }
    m_Body = outcome.data.substr(0, std::min<size_t>(outcome.data.size(), m_Remaining));
    Process(model, output);
    return m_Phase == Phase::HModemOut;
}

void HTagPeer::Process(ReaderModel& model, ReaderOutput& output)
{
    m_Phase = Phase::Done;
    HTAG request(m_Name.c_str());
    request.ParseBody(reinterpret_cast<const unsigned char*>(m_Body.data()), unsigned(m_Body.size()));
    const int protocol = m_Protocol;
    if (m_Name == "FILSTO") {
        m_Files[request.GetText("FILE")] = Str(request.Data());
        return;
    }
    if (m_Name == "FILRET") {
        HTAG answer("FILSTO");
        answer.SetText("FILE", request.GetText("FILE"));
        const auto file = m_Files.find(request.GetText("FILE"));
        if (file != m_Files.end())
            answer.Data().Copy(reinterpret_cast<const unsigned char*>(file->second.data()), unsigned(file->second.size()));
        Answer(answer, protocol, model, output);
        return;
    }
    if (m_Name == "GETSYS") {
        HTAG answer("SYSINF");
        const std::string info = "MODEL=" + model.Profile().model + "\r\nFIRMWARE=" + model.Profile().revSw + "\r\n";
        answer.Data().Copy(info.c_str());
        Answer(answer, protocol, model, output);
        return;
    }
    if (m_Name == "MNUCMD" || m_Name == "NMNCMD") {
        HTAG answer(m_Name == "MNUCMD" ? "MNURSP" : "NMNRSP");
        // The command comes back acknowledged, as the reader's menu would echo it.
        HSTRING echo(request.Data());
        echo.AppendByte(0x06);
        answer.Data().Copy(echo);
        Answer(answer, protocol, model, output);
        return;
    }
    if (m_Name == "IMGSHP" && model.Has(CapImage)) {
        const HIMAGE image = Picture(model, request, ++m_Pictures, false);
        if (!image.Valid())
            return;
        std::vector<uint8_t> data;
        const int format = int(request.GetInt("F"));
        if (!HImageFormats::Encode(format, image, int(request.GetInt("J")), data))
            return;
        HTAG answer("IMGSHP");
        for (const char* name : { "L", "T", "R", "B", "S", "D" })
            answer.SetInt(name, image.parameters.GetInt(name));
        answer.SetInt("F", format);
        answer.Data().Copy(data.data(), unsigned(data.size()));
        Answer(answer, protocol, model, output);
        return;
    }
    // BOTMOD, FLSMOD and the rest are taken as they come.
}

void HTagPeer::Answer(HTAG& answer, int protocol, ReaderModel& model, ReaderOutput& output)
{
    answer.SetProtocol(protocol);
    HSTRING body;
    answer.BuildBody(body);
    HSTRING header;
    answer.BuildHeader(header, body.Length());
    if (protocol < 3) {
        output.Send(Str(header) + Str(body));
        return;
    }
    output.Send(Str(header));
    m_HModem.StartTransmit(Str(body), CompressionOf(protocol));
    m_HModem.Begin(model, output);
    m_Phase = Phase::HModemOut;
}
