// The received-data dispatcher: bytes a reader sends on its own are matched against the
// prefixes of pictures, JPEG data, HTag packets and (with parsing on) structured messages;
// everything else is decoded barcode data. Then the picture receivers.
//
// Nothing is lost: bytes that looked like a prefix but turn out not to be one, and bytes that
// follow a refused header, go on as decoded data, in the order they came.
#include "transfer/HCOMMAND_PROCESSOR.h"

#include "transfer/HCOMM.h"
#include "transfer/HPROCESSOR_EVENTS.h"
#include "transfer/HTRANSFER_STATUS.h"
#include "transfer/compression/HJpegCodec.h"
#include "transfer/image/CKim.h"
#include "transfer/image/HIMAGE.h"
#include "transfer/image/HRunCode.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string_view>

namespace {

constexpr unsigned char ESC = 0x1B;
constexpr unsigned kReadWaitMs = 50;
constexpr unsigned kStopBurstWaitMs = 1;
constexpr unsigned kStopBurstEscapes = 20;

enum class Prefix { ImageHeader, TaggedBlock, Envelope, Jpeg, HTag, HTagAfterJpeg };

// One prefix: the bytes allowed at each position.
struct PrefixPattern {
    std::array<std::string_view, 9> positions;
    unsigned length;
    Prefix kind;
    bool onlyWhenParsing;
};

using namespace std::string_view_literals;
constexpr PrefixPattern kPrefixes[] = {
    { { "]", "!", "!", ")", "018", "b", "TU", "(" }, 8, Prefix::ImageHeader, false },
    { { "]", "!", "!", ")", "b", "i", "l", "(" }, 8, Prefix::TaggedBlock, true },
    { { "]", "!", "!", ")", "m", "f", "g", "(" }, 8, Prefix::TaggedBlock, true },
    { { "]", "!", "!", ")", "m", "e", "d", "(" }, 8, Prefix::TaggedBlock, true },
    { { "[", ")", ">", "\x1e", "0", "1", "\x1d", "9", "6" }, 9, Prefix::Envelope, true },
    { { "\xff"sv, "\xd8"sv, "\xff"sv, "\xe0"sv }, 4, Prefix::Jpeg, false },
    { { "\x16"sv, "\xfe"sv }, 2, Prefix::HTag, false },
    { { "\xff"sv, "\xd8"sv, "\xff"sv, "\xe9"sv, "\x16"sv, "\xfe"sv }, 6, Prefix::HTagAfterJpeg, false },
};

enum class Match { None, Partial, Full };

Match MatchPrefix(const std::string& candidate, bool parsing, Prefix& kind)
{
    bool partial = false;
    for (const PrefixPattern& p : kPrefixes) {
        if (p.onlyWhenParsing && !parsing)
            continue;
        if (candidate.size() > p.length)
            continue;
        bool fits = true;
        for (size_t i = 0; i < candidate.size() && fits; ++i)
            fits = p.positions[i].find(candidate[i]) != std::string_view::npos;
        if (!fits)
            continue;
        if (candidate.size() == p.length) {
            kind = p.kind;
            return Match::Full;
        }
        partial = true;
    }
    return partial ? Match::Partial : Match::None;
}

using Clock = std::chrono::steady_clock;

// Quiet time after which a picture that stopped coming is given up.
constexpr auto kPictureStall = std::chrono::seconds(2);
constexpr unsigned kPictureByteWaitMs = 500;
constexpr unsigned kPicturePiece = 200;
constexpr unsigned kHeaderDigitsWaitMs = 200;
constexpr unsigned kJpegPiece = 5000;
constexpr unsigned kJpegWaitMs = 1000;
constexpr unsigned kJpegProgressStep = 10000;
// The largest JPEG stream taken in: far above any picture of 4096 x 4096 gray pixels.
constexpr size_t kJpegLimit = 16u << 20;

// Where a JPEG stream ends, found by walking its segments as the bytes come: marker
// segments are skipped by their length, entropy-coded data up to the next real marker.
class JpegEndFinder {
public:
    // Bytes the walker can take without looking (inside a segment of known length).
    size_t Skippable() const { return m_State == State::Skip ? m_Skip : 0; }
    void Skip(size_t n) { m_Skip -= n; if (m_Skip == 0) AfterSegment(); }
    bool Done() const { return m_State == State::Done; }
    bool Broken() const { return m_State == State::Broken; }
    void Feed(uint8_t b)
    {
        switch (m_State) {
        case State::Marker:
            m_State = b == 0xFF ? State::MarkerCode : State::Broken;
            break;
        case State::MarkerCode:
            if (b == 0xFF)
                break;
            Code(b);
            break;
        case State::Length1:
            m_Skip = size_t(b) << 8;
            m_State = State::Length2;
            break;
        case State::Length2:
            m_Skip |= b;
            if (m_Skip < 2) {
                m_State = State::Broken;
                break;
            }
            m_Skip -= 2;
            m_State = State::Skip;
            if (m_Skip == 0)
                AfterSegment();
            break;
        case State::Skip:
            Skip(1);
            break;
        case State::Entropy:
            if (b == 0xFF)
                m_State = State::EntropyMarker;
            break;
        case State::EntropyMarker:
            if (b == 0x00 || (b >= 0xD0 && b <= 0xD7))
                m_State = State::Entropy;
            else if (b != 0xFF)
                Code(b);
            break;
        case State::Done:
        case State::Broken:
            break;
        }
    }

private:
    enum class State { Marker, MarkerCode, Length1, Length2, Skip, Entropy, EntropyMarker, Done, Broken };
    void Code(uint8_t b)
    {
        if (b == 0xD9) {
            m_State = State::Done;
        } else if ((b >= 0xD0 && b <= 0xD8) || b == 0x01) {
            m_State = State::Marker;
        } else {
            m_Code = b;
            m_State = State::Length1;
        }
    }
    void AfterSegment() { m_State = m_Code == 0xDA ? State::Entropy : State::Marker; }

    State m_State = State::Marker;
    size_t m_Skip = 0;
    uint8_t m_Code = 0;
};

int Digits(const unsigned char* p)
{
    int v = 0;
    for (int i = 0; i < 4; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

} // namespace

unsigned HCOMMAND_PROCESSOR::ReadInput(unsigned char* bytes, unsigned wanted, unsigned timeOutMs)
{
    unsigned got = 0;
    while (got < wanted && !m_Input.empty()) {
        bytes[got++] = m_Input.front();
        m_Input.pop_front();
    }
    if (got < wanted && m_Channel && m_Channel->IsPortAssigned()) {
        unsigned more = 0;
        m_Channel->Read(bytes + got, &more, wanted - got, timeOutMs);
        got += std::min(more, wanted - got);
    }
    return got;
}

void HCOMMAND_PROCESSOR::PushBackInput(const unsigned char* bytes, unsigned length)
{
    m_Input.insert(m_Input.begin(), bytes, bytes + length);
}

void HCOMMAND_PROCESSOR::FlushDecoded(HSTRING& decoded)
{
    if (decoded.Length() == 0)
        return;
    if (m_Conversion.convert) {
        unsigned options = HSTRING_PRINTABLE_BACKSLASH;
        if (m_Conversion.bracketHex)
            options |= HSTRING_PRINTABLE_BRACKET_HEX;
        if (m_Conversion.controlNames)
            options |= HSTRING_PRINTABLE_CONTROL_NAMES;
        if (m_Conversion.escapeHigh)
            options |= HSTRING_PRINTABLE_ESCAPE_HIGH;
        if (m_Conversion.keepCrLf)
            options |= HSTRING_PRINTABLE_KEEP_CRLF;
        decoded.SetHexStyle(m_Conversion.hexStyle);
        decoded.ConvertToPrintable(options);
    }
    if (m_Events)
        m_Events->DecodedData(decoded);
    decoded.Empty();
}

unsigned HCOMMAND_PROCESSOR::ProcessPendingData()
{
    if (m_ReceivedDataBusy || !m_Channel || !m_Channel->IsPortAssigned())
        return 0;
    if (m_Input.empty()) {
        // The channel may pump window messages while it reads; the busy flag keeps a poll
        // that fires meanwhile from reading the same line.
        m_ReceivedDataBusy = true;
        unsigned char first = 0;
        unsigned got = 0;
        const bool read = m_Channel->Read(&first, &got, 1, 0);
        m_ReceivedDataBusy = false;
        if (!read || got == 0)
            return 0;
        m_Input.push_back(first);
    }
    return ProcessReceivedData(nullptr, true);
}

unsigned HCOMMAND_PROCESSOR::ProcessReceivedData(const HSTRING* alreadyRead, bool keepReading)
{
    if (m_ReceivedDataBusy)
        return 0;
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
    } busy(m_ReceivedDataBusy);

    if (alreadyRead)
        m_Input.insert(m_Input.end(), alreadyRead->Data(), alreadyRead->Data() + alreadyRead->Length());
    HSTRING decoded(kDecodedFlush * 2);
    std::string candidate;
    unsigned handled = 0;
    for (;;) {
        // Without keepReading only what was handed in is examined, but a prefix that began in
        // it may still complete from the line.
        if (m_Input.empty() && !keepReading && candidate.empty())
            break;
        unsigned wait = kReadWaitMs;
        if (m_StopBurst && m_Channel && m_Input.empty()) {
            HSTRING escapes(kStopBurstEscapes);
            escapes.AppendRepeated(ESC, kStopBurstEscapes);
            m_Channel->Write(&escapes);
            wait = kStopBurstWaitMs;
        }
        unsigned char byte = 0;
        if (ReadInput(&byte, 1, wait) != 1)
            break;
        ++handled;
        candidate.push_back(static_cast<char>(byte));
        for (;;) {
            Prefix kind {};
            const Match match = MatchPrefix(candidate, m_ParseDecodedData, kind);
            if (match == Match::Partial)
                break;
            if (match == Match::None) {
                decoded.AppendByte(static_cast<unsigned char>(candidate[0]));
                candidate.erase(0, 1);
                if (candidate.empty())
                    break;
                continue;
            }
            // Whatever came before the packet goes first, so events keep the line's order.
            FlushDecoded(decoded);
            const HSTRING prefix(reinterpret_cast<const unsigned char*>(candidate.data()),
                                 static_cast<unsigned>(candidate.size()));
            candidate.clear();
            switch (kind) {
            case Prefix::ImageHeader:
                ReceivePicture(prefix[4], prefix[6] == 'T', decoded);
                break;
            case Prefix::TaggedBlock:
                ReceiveTaggedBlock(prefix, false);
                break;
            case Prefix::Envelope:
                ReceiveTaggedBlock(prefix, true);
                break;
            case Prefix::Jpeg:
                ReceiveJpeg(decoded);
                break;
            case Prefix::HTag:
            case Prefix::HTagAfterJpeg: {
                HTAG command;
                int code = 0;
                ReceiveHTag(command, code, nullptr, true);
                // Not a packet after all: its first bytes are data like the ones it gave back.
                if (code == HTAG_RECEIVE_NO_LENGTH || code == HTAG_RECEIVE_NO_CR)
                    decoded.Append(prefix);
                break;
            }
            }
            break;
        }
        if (decoded.Length() > kDecodedFlush)
            FlushDecoded(decoded);
    }
    decoded.Append(reinterpret_cast<const unsigned char*>(candidate.data()), static_cast<unsigned>(candidate.size()));
    FlushDecoded(decoded);
    return handled;
}

void HCOMMAND_PROCESSOR::ReceiveTaggedBlock(const HSTRING& prefix, bool envelope)
{
    // Bounded: a block that never ends is cut at the limit and the rest is decoded data again.
    HSTRING block(256);
    unsigned char byte = 0;
    while (block.Length() < kTaggedBlockLimit && ReadInput(&byte, 1, kReadWaitMs) == 1) {
        block.AppendByte(byte);
        const unsigned n = block.Length();
        if (envelope && n >= 2 && block[n - 2] == 0x1E && block[n - 1] == 0x04)
            break;
    }
    if (m_Events)
        m_Events->TaggedData(prefix, block);
}

void HCOMMAND_PROCESSOR::DeliverPicture(int code, const char* text, const HIMAGE& image)
{
    if (m_Events)
        m_Events->PictureReceived(code, HSTRING(text), image);
}

int HCOMMAND_PROCESSOR::CheckImageParameters(const HTAG& p, int& width, int& height)
{
    width = height = 0;
    const long long left = p.GetInt("L"), right = p.GetInt("R"), top = p.GetInt("T"), bottom = p.GetInt("B");
    const long long margin = p.GetInt("M"), depth = p.GetInt("D"), subsample = p.GetInt("S");
    if (right < left || bottom < top)
        return HIMAGE_BAD_WINDOW;
    if ((right - left) / 2 < margin || (bottom - top) / 2 < margin)
        return HIMAGE_BAD_MARGIN;
    if (depth != 1 && depth != 8)
        return HIMAGE_BAD_DEPTH;
    if (subsample < 1)
        return HIMAGE_EMPTY;
    const long long w = (right - left - 2 * margin + 1) / subsample;
    const long long h = (bottom - top - 2 * margin + 1) / subsample;
    if (w <= 0 || h <= 0 || w > HIMAGE::kMaxSide || h > HIMAGE::kMaxSide)
        return HIMAGE_EMPTY;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return HIMAGE_OK;
}

void HCOMMAND_PROCESSOR::ReceivePicture(unsigned char bits, bool coded, HSTRING& decoded)
{
    const unsigned char prefix[] = { ']', '!', '!', ')', bits, 'b', static_cast<unsigned char>(coded ? 'T' : 'U'), '(' };
    unsigned char digits[28];
    const unsigned got = ReadInput(digits, sizeof digits, kHeaderDigitsWaitMs);
    const bool allDigits = got == sizeof digits && std::all_of(digits, digits + got, [](unsigned char c) {
        return c >= '0' && c <= '9';
    });
    if (!allDigits) {
        // Not a header after all: it was barcode data that looked like one.
        decoded.Append(prefix, sizeof prefix);
        PushBackInput(digits, got);
        return;
    }
    m_PictureExpected = false;
    const int width = Digits(digits), height = Digits(digits + 4), left = Digits(digits + 8);
    const int top = Digits(digits + 12), right = Digits(digits + 16), bottom = Digits(digits + 20);
    const int subsample = Digits(digits + 24);
    const int depth = bits == '8' ? 8 : bits == '1' ? 1 : 0;

    HIMAGE image;
    image.bitsPerPixel = depth == 8 ? 8 : 1;
    HTAG& p = image.parameters;
    p.SetInt("L", left);
    p.SetInt("T", top);
    p.SetInt("R", right);
    p.SetInt("B", bottom);
    p.SetInt("D", depth == 8 ? 8 : 1);
    p.SetInt("F", coded ? (depth == 8 ? 0 : 7) : (depth == 8 ? 5 : 4));
    const char* corrupt = coded ? (depth == 8 ? "Corrupt KIM grayscale image" : "Corrupt KIM binary image")
                                : (depth == 8 ? "Corrupt grayscale image" : "Corrupt binary image");
    // A subsample of 0 would divide by zero; the window must give exactly the announced sides.
    if (subsample < 1 || subsample > 10 || !p.SetInt("S", subsample) || right < left || bottom < top
        || width != (right - left + 1) / subsample || height != (bottom - top + 1) / subsample
        || !image.Resize(width, height)) {
        DeliverPicture(HIMAGE_BAD_WINDOW, corrupt, image);
        return;
    }

    const size_t pixels = size_t(width) * size_t(height);
    const size_t rowBytes = (size_t(width) + 7) / 8;
    // A 0-bit row carries eight pixels a byte, as an uncompressed 1-bit row does. Coded
    // pictures end when the decoder has every pixel; the count only bounds them: the nibble
    // code takes at most three nibbles a pixel, the run code at most one byte.
    size_t byteCount = rowBytes * height;
    if (depth == 8)
        byteCount = coded ? (pixels * 3 + 1) / 2 : pixels;
    else if (coded && depth == 1)
        byteCount = pixels;
    const int savedKind = m_Status ? m_Status->GetTransferKind() : 0;
    if (m_Status) {
        m_Status->SetTransferKind(5);
        m_Status->PrepareDownloadStatus();
        m_Status->SetProgressLevel(0, static_cast<int>(byteCount));
    }

    std::vector<uint8_t> raw;
    raw.reserve(byteCount);
    std::vector<uint8_t> out;
    HKimNibbleDecoder kim(out, coded && depth == 8 ? pixels : 0);
    HRunDecoder runs(out, coded && depth == 1 ? pixels : 0);
    auto decoderDone = [&] {
        if (!coded)
            return raw.size() >= byteCount;
        if (depth == 8)
            return kim.Done();
        if (depth == 1)
            return runs.Done();
        return raw.size() >= byteCount;
    };
    auto lastData = Clock::now();
    std::vector<uint8_t> piece(kPicturePiece);
    unsigned sinceProgress = 0;
    while (!decoderDone() && raw.size() < byteCount) {
        // Coded pictures end when the decoder has every pixel, so they go a byte at a time.
        const unsigned want = coded ? 1u : static_cast<unsigned>(std::min<size_t>(kPicturePiece, byteCount - raw.size()));
        const unsigned n = ReadInput(piece.data(), want, kPictureByteWaitMs);
        if (n == 0) {
            const bool lineGone = m_Input.empty() && (!m_Channel || !m_Channel->IsPortAssigned());
            if (lineGone || Clock::now() - lastData > kPictureStall)
                break;
            continue;
        }
        lastData = Clock::now();
        for (unsigned i = 0; i < n; ++i) {
            raw.push_back(piece[i]);
            if (coded && depth == 8)
                kim.Feed(piece[i]);
            else if (coded && depth == 1)
                runs.Feed(piece[i]);
        }
        sinceProgress += n;
        if (!coded || sinceProgress >= kPicturePiece) {
            const bool goOn = !m_Status || m_Status->MayContinue(sinceProgress, static_cast<unsigned>(byteCount));
            sinceProgress = 0;
            if (!goOn)
                break;
        }
    }

    // Pixels from the bytes.
    if (!coded && depth == 8) {
        std::copy(raw.begin(), raw.end(), image.pixels.begin());
    } else if (!coded || depth == 0) {
        for (size_t y = 0; y < size_t(height); ++y) {
            for (size_t x = 0; x < size_t(width); ++x) {
                const size_t at = y * rowBytes + x / 8;
                if (at >= raw.size())
                    break;
                image.pixels[y * width + x] = (raw[at] >> (7 - x % 8)) & 1 ? 255 : 0;
            }
        }
    } else {
        std::copy(out.begin(), out.end(), image.pixels.begin());
    }
    const bool complete = decoderDone();
    int checkedWidth = 0, checkedHeight = 0;
    int code = CheckImageParameters(p, checkedWidth, checkedHeight);
    if (code == HIMAGE_OK && !complete)
        code = HIMAGE_CORRUPT;
    DeliverPicture(code, code == HIMAGE_OK ? "Image successfully received" : corrupt, image);
    if (m_Status) {
        m_Status->CloseDownloadStatus();
        m_Status->SetTransferKind(savedKind);
    }
}

void HCOMMAND_PROCESSOR::ReceiveJpeg(HSTRING&)
{
    m_PictureExpected = false;
    const int savedKind = m_Status ? m_Status->GetTransferKind() : 0;
    unsigned total = kJpegProgressStep;
    if (m_Status) {
        m_Status->SetTransferKind(16);
        m_Status->PrepareDownloadStatus();
        m_Status->MayContinue(0, total);
    }
    std::vector<uint8_t> data = { 0xFF, 0xD8, 0xFF, 0xE0 };
    JpegEndFinder end;
    end.Feed(0xFF);
    end.Feed(0xE0);
    std::vector<uint8_t> piece(kJpegPiece);
    while (!end.Done() && !end.Broken() && data.size() < kJpegLimit) {
        // Inside a segment of known length the bytes are taken in pieces; elsewhere one at a
        // time, so that nothing past the end-of-image marker is taken from the line.
        const size_t skippable = std::min<size_t>(end.Skippable(), kJpegPiece);
        const unsigned want = skippable > 0 ? static_cast<unsigned>(skippable) : 1u;
        const unsigned n = ReadInput(piece.data(), want, kJpegWaitMs);
        if (n == 0)
            break;
        data.insert(data.end(), piece.begin(), piece.begin() + n);
        if (skippable > 0)
            end.Skip(n);
        else
            end.Feed(piece[0]);
        if (data.size() > total)
            total += kJpegProgressStep;
        if (m_Status && !m_Status->MayContinue(n, total, true))
            break;
    }
    HIMAGE image;
    int width = 0, height = 0;
    const size_t maximum = size_t(HIMAGE::kMaxSide) * HIMAGE::kMaxSide;
    const bool ok = end.Done() && HJpegCodec::Decompress(data, maximum, image.pixels, false, width, height)
        && width <= HIMAGE::kMaxSide && height <= HIMAGE::kMaxSide;
    if (ok) {
        image.width = width;
        image.height = height;
        image.parameters.SetInt("L", 0);
        image.parameters.SetInt("T", 0);
        image.parameters.SetInt("R", width - 1);
        image.parameters.SetInt("B", height - 1);
    } else {
        image.pixels.clear();
    }
    image.parameters.SetInt("F", 6);
    DeliverPicture(ok ? HIMAGE_OK : HIMAGE_CORRUPT, ok ? "Image successfully received" : "Corrupt JPEG image", image);
    if (m_Status) {
        m_Status->CloseDownloadStatus();
        m_Status->SetTransferKind(savedKind);
    }
}
