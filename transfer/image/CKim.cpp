#include "transfer/image/CKim.h"

#include "platform/AtomicFile.h"

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

bool CKim::Expand(HIMAGE& image, std::string& error) const
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
    for (size_t i = kHeaderSize; i < m_File.size() && !decoder.Done(); ++i)
        decoder.Feed(m_File[i]);
    if (!decoder.Done()) {
        // Keep what arrived, white for the rest, so a damaged picture can still be looked at.
        image.pixels.resize(count, 255);
        error = kCorruptFile;
        return false;
    }
    image.parameters.SetInt("F", 0);
    return true;
}

std::vector<uint8_t> CKim::EncodePixels(const uint8_t* pixels, size_t count)
{
    std::vector<uint8_t> out;
    out.reserve(count + 2);
    int pending = -1;  // a high nibble waiting for its partner
    auto nibble = [&](int n) {
        if (pending < 0) {
            pending = n;
            return;
        }
        out.push_back(static_cast<uint8_t>(pending << 4 | n));
        pending = -1;
    };
    int value = -9;
    for (size_t i = 0; i < count; ++i) {
        const int delta = pixels[i] - value;
        if (delta >= -7 && delta <= 7) {
            nibble(delta & 15);
        } else {
            nibble(8);
            nibble(pixels[i] >> 4);
            nibble(pixels[i] & 15);
        }
        value = pixels[i];
    }
    if (pending >= 0)
        nibble(8);
    return out;
}

std::vector<uint8_t> CKim::Encode(const HIMAGE& image)
{
    char header[32];
    std::snprintf(header, sizeof header, "0000%d", image.width);
    std::string sizes(header + std::strlen(header) - 4);
    std::snprintf(header, sizeof header, "0000%d", image.height);
    sizes += std::string(header + std::strlen(header) - 4);
    std::vector<uint8_t> out(sizes.begin(), sizes.end());
    const std::vector<uint8_t> body = EncodePixels(image.pixels.data(), image.pixels.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

bool CKim::Save(const HIMAGE& image, const std::string& path, std::string& error)
{
    if (!image.Valid()) {
        error = kWriteError;
        return false;
    }
    const std::vector<uint8_t> bytes = Encode(image);
    if (!WriteFileAtomically(path, std::string(bytes.begin(), bytes.end()))) {
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
