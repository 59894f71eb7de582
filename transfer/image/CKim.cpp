#include "transfer/image/CKim.h"

#include "platform/AtomicFile.h"
#include "platform/Host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

void HKimNibbleDecoder::Nibble(int n)
{
    if (Done())
        return;
    if (m_Full > 0) {
        m_FullValue = m_FullValue * 16 + n;
        if (--m_Full == 0) {
            m_Value = m_FullValue;
            m_Pixels.push_back(static_cast<uint8_t>(m_Value));
        }
        return;
    }
    if (n == 8) {
        m_Full = 2;
        m_FullValue = 0;
        return;
    }
    m_Value = (m_Value + (n <= 7 ? n : n - 16)) & 0xFF;
    m_Pixels.push_back(static_cast<uint8_t>(m_Value));
}

bool CKim::Read(const std::string& path, std::string& error)
{
    m_File.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = kCorruptHeader;
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size <= 0) {
        error = kCorruptHeader;
        return false;
    }
    // Anything past the largest valid picture cannot be a KIM file of ours; take no more.
    const size_t take = std::min<size_t>(static_cast<size_t>(size), kMaxFileSize);
    m_File.resize(take);
    in.read(reinterpret_cast<char*>(m_File.data()), static_cast<std::streamsize>(take));
    m_File.resize(static_cast<size_t>(in.gcount()));
    if (m_File.empty()) {
        error = kCorruptHeader;
        return false;
    }
    return true;
}

namespace {

// Four ASCII digits; -1 when any is not a digit.
int Side(const uint8_t* digits)
{
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        if (digits[i] < '0' || digits[i] > '9')
            return -1;
        value = value * 10 + (digits[i] - '0');
    }
    return value;
}

} // namespace

bool CKim::Expand(HIMAGE& image, std::string& error, ProgressWindow* progress) const
{
    if (m_File.size() < kHeaderSize) {
        error = kCorruptHeader;
        return false;
    }
    const int width = Side(m_File.data());
    const int height = Side(m_File.data() + 4);
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        error = kCorruptHeader;
        return false;
    }
    image.width = width;
    image.height = height;
    image.bitsPerPixel = 8;
    const size_t count = size_t(width) * size_t(height);
    HKimNibbleDecoder decoder(image.pixels, count);
    if (progress) {
        progress->SetTitle("Expanding raw KIM data...");
        progress->SetRange(height);
        progress->Show();
    }
    for (size_t i = kHeaderSize; i < m_File.size() && !decoder.Done(); ++i) {
        decoder.Feed(m_File[i]);
        if (progress && (i & 0xFFF) == 0)
            progress->SetPosition(int(image.pixels.size() / size_t(width)));
    }
    if (progress) {
        progress->SetPosition(height);
        progress->Hide();
    }
    if (!decoder.Done()) {
        // Keep what arrived, white for the rest, so a damaged picture can still be looked at.
        image.pixels.resize(count, 255);
        error = kCorruptFile;
        return false;
    }
    image.parameters.SetInt("F", 0);
    return true;
}

namespace {

// The writer's side of the nibble code, a pixel at a time.
class KimEncoder {
public:
    explicit KimEncoder(std::vector<uint8_t>& out) : m_Out(out) { }
    void Add(uint8_t pixel)
    {
        const int delta = pixel - m_Value;
        if (delta >= -7 && delta <= 7) {
            Nibble(delta & 15);
        } else {
            Nibble(8);
            Nibble(pixel >> 4);
            Nibble(pixel & 15);
        }
        m_Value = pixel;
    }
    // An odd final nibble is completed with 8.
    void Finish()
    {
        if (m_Pending >= 0)
            Nibble(8);
    }

private:
    void Nibble(int n)
    {
        if (m_Pending < 0) {
            m_Pending = n;
            return;
        }
        m_Out.push_back(static_cast<uint8_t>(m_Pending << 4 | n));
        m_Pending = -1;
    }
    std::vector<uint8_t>& m_Out;
    int m_Pending = -1;
    // -9: the first pixel is always written in full.
    int m_Value = -9;
};

std::string SideText(int side)
{
    char text[32];
    std::snprintf(text, sizeof text, "0000%d", side);
    return std::string(text + std::strlen(text) - 4);
}

} // namespace

std::vector<uint8_t> CKim::EncodePixels(const uint8_t* pixels, size_t count)
{
    std::vector<uint8_t> out;
    out.reserve(count + 2);
    KimEncoder encoder(out);
    for (size_t i = 0; i < count; ++i)
        encoder.Add(pixels[i]);
    encoder.Finish();
    return out;
}

std::vector<uint8_t> CKim::Encode(const HIMAGE& image)
{
    const std::string sizes = SideText(image.width) + SideText(image.height);
    std::vector<uint8_t> out(sizes.begin(), sizes.end());
    const std::vector<uint8_t> body = EncodePixels(image.pixels.data(), image.pixels.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

bool CKim::Save(const HIMAGE& image, const std::string& path, std::string& error, ProgressWindow* progress)
{
    if (!image.Valid()) {
        error = kWriteError;
        return false;
    }
    const std::string sizes = SideText(image.width) + SideText(image.height);
    std::vector<uint8_t> bytes(sizes.begin(), sizes.end());
    bytes.reserve(kHeaderSize + image.pixels.size() * 2);
    if (progress) {
        progress->SetTitle("Saving to Disk");
        progress->SetRange(image.height);
        progress->Show();
    }
    KimEncoder encoder(bytes);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = image.pixels.data() + size_t(y) * image.width;
        for (int x = 0; x < image.width; ++x)
            encoder.Add(row[x]);
        if (progress)
            progress->SetPosition(y + 1);
    }
    encoder.Finish();
    const bool ok = WriteFileAtomically(path, std::string(bytes.begin(), bytes.end()));
    if (progress)
        progress->Hide();
    if (!ok) {
        error = kWriteError;
        return false;
    }
    return true;
}

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

std::vector<uint8_t> CKim::DisplayBitmap(const HIMAGE& image)
{
    std::vector<uint8_t> out;
    if (!image.Valid())
        return out;
    const uint32_t stride = (uint32_t(image.width) + 3) & ~3u;
    out.reserve(40 + 1024 + size_t(stride) * image.height);
    Put32(out, 40);
    Put32(out, uint32_t(image.width));
    Put32(out, uint32_t(image.height));
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0);
    Put32(out, stride * uint32_t(image.height));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 256);
    Put32(out, 256);
    for (int i = 0; i < 256; ++i) {
        out.push_back(static_cast<uint8_t>(i));
        out.push_back(static_cast<uint8_t>(i));
        out.push_back(static_cast<uint8_t>(i));
        out.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        const uint8_t* row = image.pixels.data() + size_t(y) * image.width;
        out.insert(out.end(), row, row + image.width);
        out.insert(out.end(), stride - uint32_t(image.width), 0);
    }
    return out;
}

std::vector<uint8_t> CKim::BmpFile(const HIMAGE& image)
{
    const std::vector<uint8_t> dib = DisplayBitmap(image);
    std::vector<uint8_t> out;
    if (dib.empty())
        return out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, uint32_t(14 + dib.size()));
    Put32(out, 0);
    Put32(out, 14 + 40 + 1024);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}
