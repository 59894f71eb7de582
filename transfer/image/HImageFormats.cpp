#include "transfer/image/HImageFormats.h"

#include "platform/AtomicFile.h"
#include "transfer/HCOMMAND_PROCESSOR.h"
#include "transfer/compression/HJpegCodec.h"
#include "transfer/image/CKim.h"
#include "transfer/image/HRunCode.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <span>
#include <ctime>

#include <png.h>
#include <tiffio.h>
#include <zlib.h>

namespace HImageFormats {

namespace {

constexpr const char* kNames[kFormatCount] = { "kim", "g3", "g4", "tiff", "binary", "gray", "jpeg", "runs", "bmp", "zlib" };
constexpr size_t kMaxPixels = size_t(HIMAGE::kMaxSide) * HIMAGE::kMaxSide;

void SetWindow(HIMAGE& image, const HTAG& from)
{
    image.parameters = from;
    if (from.GetInt("R") == 0 && from.GetInt("L") == 0) {
        // Self-describing forms sent without a window get the picture's own.
        image.parameters.SetInt("L", 0);
        image.parameters.SetInt("T", 0);
        image.parameters.SetInt("R", image.width - 1);
        image.parameters.SetInt("B", image.height - 1);
    }
}

std::vector<uint8_t> PackBits(const HIMAGE& image)
{
    const size_t rowBytes = (size_t(image.width) + 7) / 8;
    std::vector<uint8_t> out(rowBytes * image.height, 0);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.pixels[size_t(y) * image.width + x] >= image.threshold)
                out[y * rowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    }
    return out;
}

bool UnpackBits(const uint8_t* data, size_t length, HIMAGE& image)
{
    const size_t rowBytes = (size_t(image.width) + 7) / 8;
    if (length < rowBytes * image.height)
        return false;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            image.pixels[size_t(y) * image.width + x] = (data[y * rowBytes + x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    }
    return true;
}

// ---- TIFF in memory ------------------------------------------------------------------------

struct TiffMemory {
    const uint8_t* in = nullptr;
    size_t inLength = 0;
    std::vector<uint8_t>* out = nullptr;
    size_t position = 0;
};

tsize_t TiffRead(thandle_t h, tdata_t buffer, tsize_t size)
{
    auto* m = static_cast<TiffMemory*>(h);
    if (!m->in || size < 0 || m->position >= m->inLength)
        return 0;
    const size_t n = std::min<size_t>(size_t(size), m->inLength - m->position);
    std::memcpy(buffer, m->in + m->position, n);
    m->position += n;
    return tsize_t(n);
}

tsize_t TiffWrite(thandle_t h, tdata_t buffer, tsize_t size)
{
    auto* m = static_cast<TiffMemory*>(h);
    if (!m->out || size < 0)
        return 0;
    if (m->position + size_t(size) > m->out->size())
        m->out->resize(m->position + size_t(size));
    std::memcpy(m->out->data() + m->position, buffer, size_t(size));
    m->position += size_t(size);
    return size;
}

toff_t TiffSeek(thandle_t h, toff_t offset, int whence)
{
    auto* m = static_cast<TiffMemory*>(h);
    const size_t length = m->out ? m->out->size() : m->inLength;
    size_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? length : 0;
    m->position = base + size_t(offset);
    return m->position;
}

int TiffClose(thandle_t) { return 0; }

toff_t TiffSize(thandle_t h)
{
    auto* m = static_cast<TiffMemory*>(h);
    return m->out ? m->out->size() : m->inLength;
}

int TiffMap(thandle_t, tdata_t*, toff_t*) { return 0; }
void TiffUnmap(thandle_t, tdata_t, toff_t) { }

// libtiff reports through process-wide handlers; damaged input is our caller's business.
void Quiet(const char*, const char*, va_list) { }
void SilenceTiff()
{
    static const bool once = [] {
        TIFFSetErrorHandler(Quiet);
        TIFFSetWarningHandler(Quiet);
        return true;
    }();
    (void)once;
}

const char* InfoValue(const HPICTURE_INFO& info, const char* key)
{
    for (const auto& [k, v] : info) {
        if (k == key)
            return v.c_str();
    }
    return nullptr;
}

// ---- PNG: written through libpng with text chunks; text chunks read back by hand ----------

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

int32_t Le32(const uint8_t* p) { return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24); }

} // namespace

const char* FormatName(int format) { return format >= 0 && format < kFormatCount ? kNames[format] : nullptr; }

int FormatByName(const std::string& name)
{
    for (int i = 0; i < kFormatCount; ++i) {
        if (name == kNames[i])
            return i;
    }
    return -1;
}

HPICTURE_INFO InfoFor(const HIMAGE& image, const std::string& model, const std::string& firmware)
{
    const HTAG& p = image.parameters;
    char window[64];
    std::snprintf(window, sizeof window, "%lld,%lld,%lld,%lld", p.GetInt("L"), p.GetInt("T"), p.GetInt("R"),
                  p.GetInt("B"));
    char when[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    gmtime_r(&now, &tm);
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &tm);
    const char* format = FormatName(int(p.GetInt("F")));
    return { { "Model", model },
             { "Firmware", firmware },
             { "Window", window },
             { "Subsample", std::to_string(p.GetInt("S")) },
             { "Depth", std::to_string(p.GetInt("D")) },
             { "Format", format ? format : "" },
             { "Time", when } };
}

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) { }

// libpng reports errors by longjmp; nothing here owns anything a jump could leak but the
// two structs, which the caller destroys.
bool RunPngWrite(png_structp png, png_infop pngInfo, const HIMAGE& image, std::vector<png_text>& texts)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, pngInfo, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!texts.empty())
        png_set_text(png, pngInfo, texts.data(), int(texts.size()));
    png_set_compression_level(png, 9);
    png_write_info(png, pngInfo);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, image.pixels.data() + size_t(y) * image.width);
    png_write_end(png, pngInfo);
    return true;
}

} // namespace

bool EncodePng(const HIMAGE& image, const HPICTURE_INFO& info, std::vector<uint8_t>& out)
{
    out.clear();
    if (!image.Valid())
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop pngInfo = png_create_info_struct(png);
    if (!pngInfo) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    // Text chunks: keys of 1..79 bytes, as the format allows.
    std::vector<png_text> texts;
    for (const auto& [key, value] : info) {
        if (key.empty() || key.size() > 79)
            continue;
        png_text text {};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>(key.c_str());
        text.text = const_cast<char*>(value.c_str());
        text.text_length = value.size();
        texts.push_back(text);
    }
    const bool ok = RunPngWrite(png, pngInfo, image, texts);
    png_destroy_write_struct(&png, &pngInfo);
    if (!ok)
        out.clear();
    return ok;
}

bool DecodePng(const uint8_t* data, size_t length, HIMAGE& image, HPICTURE_INFO& info)
{
    info.clear();
    // Text chunks, walked by hand within the bytes given.
    for (size_t at = 8; length >= 8 && at + 12 <= length;) {
        const uint32_t size = Be32(data + at);
        if (size > length - at - 12)
            break;
        if (std::memcmp(data + at + 4, "tEXt", 4) == 0) {
            const char* text = reinterpret_cast<const char*>(data + at + 8);
            const size_t key = strnlen(text, size);
            if (key < size)
                info.emplace_back(std::string(text, key), std::string(text + key + 1, size - key - 1));
        }
        at += 12 + size;
    }
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, length))
        return false;
    png.format = PNG_FORMAT_GRAY;
    if (png.width < 1 || png.height < 1 || png.width > unsigned(HIMAGE::kMaxSide) || png.height > unsigned(HIMAGE::kMaxSide)) {
        png_image_free(&png);
        return false;
    }
    image.Resize(int(png.width), int(png.height));
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    return true;
}

bool EncodeTiff(const HIMAGE& image, int compression, const HPICTURE_INFO& info, std::vector<uint8_t>& out)
{
    out.clear();
    if (!image.Valid())
        return false;
    SilenceTiff();
    TiffMemory memory;
    memory.out = &out;
    TIFF* tiff = TIFFClientOpen("picture", "w", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                                TiffMap, TiffUnmap);
    if (!tiff)
        return false;
    const bool binary = compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(image.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(image.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, binary ? 1 : 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(image.height));
    if (const char* v = InfoValue(info, "Model"))
        TIFFSetField(tiff, TIFFTAG_MODEL, v);
    if (const char* v = InfoValue(info, "Firmware"))
        TIFFSetField(tiff, TIFFTAG_SOFTWARE, v);
    if (const char* v = InfoValue(info, "Time"))
        TIFFSetField(tiff, TIFFTAG_DATETIME, v);
    // The rest as one "key=value" line each, so every fact survives a conversion.
    std::string description;
    for (const auto& [k, v] : info) {
        if (k != "Model" && k != "Firmware" && k != "Time")
            description += k + "=" + v + "\n";
    }
    if (!description.empty())
        TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
    bool ok = true;
    const std::vector<uint8_t> packed = binary ? PackBits(image) : std::vector<uint8_t>();
    const size_t rowBytes = binary ? (size_t(image.width) + 7) / 8 : size_t(image.width);
    std::vector<uint8_t> row(rowBytes);
    for (int y = 0; y < image.height && ok; ++y) {
        const uint8_t* src = binary ? packed.data() + y * rowBytes : image.pixels.data() + size_t(y) * image.width;
        std::copy(src, src + rowBytes, row.begin());
        ok = TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) == 1;
    }
    TIFFClose(tiff);
    return ok;
}

bool DecodeTiff(const uint8_t* data, size_t length, HIMAGE& image, HPICTURE_INFO& info)
{
    SilenceTiff();
    info.clear();
    TiffMemory memory;
    memory.in = data;
    memory.inLength = length;
    TIFF* tiff = TIFFClientOpen("picture", "rm", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                                TiffMap, TiffUnmap);
    if (!tiff)
        return false;
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 1, photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    bool ok = width >= 1 && height >= 1 && width <= uint32_t(HIMAGE::kMaxSide) && height <= uint32_t(HIMAGE::kMaxSide)
        && samples == 1 && (bits == 1 || bits == 8) && TIFFScanlineSize(tiff) >= tmsize_t((width * bits + 7) / 8);
    if (ok) {
        image.Resize(int(width), int(height));
        image.bitsPerPixel = bits;
        std::vector<uint8_t> row(size_t(TIFFScanlineSize(tiff)));
        const bool inverted = photometric == PHOTOMETRIC_MINISWHITE;
        for (uint32_t y = 0; y < height && ok; ++y) {
            ok = TIFFReadScanline(tiff, row.data(), y, 0) == 1;
            for (uint32_t x = 0; x < width && ok; ++x) {
                uint8_t v = bits == 8 ? row[x] : ((row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0);
                image.pixels[size_t(y) * width + x] = inverted ? uint8_t(255 - v) : v;
            }
        }
        const struct {
            ttag_t tag;
            const char* key;
        } texts[] = { { TIFFTAG_MODEL, "Model" }, { TIFFTAG_SOFTWARE, "Firmware" }, { TIFFTAG_DATETIME, "Time" } };
        for (const auto& t : texts) {
            char* value = nullptr;
            if (TIFFGetField(tiff, t.tag, &value) == 1 && value)
                info.emplace_back(t.key, value);
        }
        char* description = nullptr;
        if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description) == 1 && description) {
            std::string lines(description);
            size_t start = 0;
            while (start < lines.size()) {
                size_t end = lines.find('\n', start);
                if (end == std::string::npos)
                    end = lines.size();
                const std::string line = lines.substr(start, end - start);
                const size_t eq = line.find('=');
                if (eq != std::string::npos)
                    info.emplace_back(line.substr(0, eq), line.substr(eq + 1));
                start = end + 1;
            }
        }
    }
    TIFFClose(tiff);
    return ok;
}

bool DecodeBmp(const uint8_t* data, size_t length, HIMAGE& image)
{
    if (length < 54 || data[0] != 'B' || data[1] != 'M')
        return false;
    const uint32_t offset = uint32_t(Le32(data + 10));
    const uint32_t headerSize = uint32_t(Le32(data + 14));
    const int32_t width = Le32(data + 18);
    const int32_t rawHeight = Le32(data + 22);
    const int bits = data[28] | data[29] << 8;
    const uint32_t compression = uint32_t(Le32(data + 30));
    if (headerSize < 40 || width < 1 || width > HIMAGE::kMaxSide || rawHeight == 0 || rawHeight < -HIMAGE::kMaxSide
        || rawHeight > HIMAGE::kMaxSide || (bits != 8 && bits != 1) || compression != 0)
        return false;
    // A negative height means the rows run top down.
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;
    uint32_t colours = uint32_t(Le32(data + 46));
    if (colours == 0 || colours > (1u << bits))
        colours = 1u << bits;
    const size_t palette = 14 + size_t(headerSize);
    if (palette + colours * 4 > length)
        return false;
    uint8_t gray[256] = {};
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t* c = data + palette + i * 4;
        gray[i] = uint8_t((c[0] + c[1] + c[2]) / 3);
    }
    const size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    if (offset > length || stride * height > length - offset)
        return false;
    image.Resize(width, height);
    image.bitsPerPixel = bits;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = data + offset + stride * size_t(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint8_t index = bits == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
            image.pixels[size_t(y) * width + x] = gray[index];
        }
    }
    return true;
}

bool Encode(int format, const HIMAGE& image, int quality, std::vector<uint8_t>& out)
{
    out.clear();
    if (!image.Valid())
        return false;
    switch (format) {
    case 0:
        out = CKim::Encode(image);
        return true;
    case 1:
        return EncodeTiff(image, COMPRESSION_CCITTFAX3, {}, out);
    case 2:
        return EncodeTiff(image, COMPRESSION_CCITTFAX4, {}, out);
    case 3:
        return EncodeTiff(image, COMPRESSION_NONE, {}, out);
    case 4:
        out = PackBits(image);
        return true;
    case 5:
        out = image.pixels;
        return true;
    case 6:
        return HJpegCodec::CompressPicture(image.pixels, image.width, image.height, quality, out);
    case 7:
        out = EncodeRuns(image.pixels.data(), image.pixels.size(), image.threshold);
        return true;
    case 8:
        out = CKim::BmpFile(image);
        return true;
    case 9: {
        const std::vector<uint8_t> bits = PackBits(image);
        uLongf packed = compressBound(uLong(bits.size()));
        out.resize(packed);
        if (compress2(out.data(), &packed, bits.data(), uLong(bits.size()), 9) != Z_OK)
            return false;
        out.resize(packed);
        return true;
    }
    default:
        return false;
    }
}

int Decode(int format, const uint8_t* data, size_t length, const HTAG& parameters, HIMAGE& image, std::string& error)
{
    image = HIMAGE();
    error = "Corrupt image";
    HPICTURE_INFO ignored;
    bool ok = false;
    bool windowed = format == 4 || format == 5 || format == 7 || format == 9;
    if (windowed) {
        int width = 0, height = 0;
        const int code = HCOMMAND_PROCESSOR::CheckImageParameters(parameters, width, height);
        if (code != 1)
            return code;
        image.Resize(width, height);
    }
    switch (format) {
    case 0: {
        CKim kim;
        kim.SetBytes(std::vector<uint8_t>(data, data + length));
        std::string kimError;
        ok = kim.Expand(image, kimError);
        if (!ok)
            error = kimError;
        break;
    }
    case 1:
    case 2:
    case 3:
        ok = DecodeTiff(data, length, image, ignored);
        break;
    case 4:
        ok = UnpackBits(data, length, image);
        break;
    case 5:
        ok = length >= image.pixels.size();
        if (ok)
            std::copy(data, data + image.pixels.size(), image.pixels.begin());
        break;
    case 6: {
        int w = 0, h = 0;
        ok = HJpegCodec::Decompress(std::span<const uint8_t>(data, length), kMaxPixels, image.pixels, false, w, h);
        image.width = w;
        image.height = h;
        if (!ok)
            error = "Corrupt JPEG image";
        break;
    }
    case 7: {
        std::vector<uint8_t> pixels;
        HRunDecoder runs(pixels, image.pixels.size());
        for (size_t i = 0; i < length && !runs.Done(); ++i)
            runs.Feed(data[i]);
        ok = runs.Done();
        std::copy(pixels.begin(), pixels.end(), image.pixels.begin());
        break;
    }
    case 8:
        ok = DecodeBmp(data, length, image);
        break;
    case 9: {
        std::vector<uint8_t> bits(((size_t(image.width) + 7) / 8) * image.height);
        uLongf size = uLongf(bits.size());
        const int result = uncompress(bits.data(), &size, data, uLong(length));
        ok = (result == Z_OK || result == Z_BUF_ERROR) && size == bits.size() && UnpackBits(bits.data(), size, image);
        break;
    }
    default:
        error = "Unknown image format";
        return HIMAGE_EMPTY;
    }
    const int keptFormat = format;
    SetWindow(image, parameters);
    image.parameters.SetInt("F", keptFormat);
    image.bitsPerPixel = (format == 1 || format == 2 || format == 4 || format == 7 || format == 9) ? 1 : 8;
    return ok ? 1 : 10006;
}

bool WriteFile(const HIMAGE& image, const std::string& path, const HPICTURE_INFO& info, std::string& error)
{
    std::string extension;
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos)
        extension = path.substr(dot + 1);
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    std::vector<uint8_t> bytes;
    bool ok = false;
    if (extension == "kim")
        return CKim::Save(image, path, error);
    if (extension == "png")
        ok = EncodePng(image, info, bytes);
    else if (extension == "tif" || extension == "tiff")
        ok = EncodeTiff(image, image.bitsPerPixel == 1 ? COMPRESSION_CCITTFAX4 : COMPRESSION_NONE, info, bytes);
    else if (extension == "bmp")
        ok = !(bytes = CKim::BmpFile(image)).empty();
    else {
        error = "Unknown picture file type: " + path;
        return false;
    }
    if (!ok || !WriteFileAtomically(path, std::string(bytes.begin(), bytes.end()))) {
        error = CKim::kWriteError;
        return false;
    }
    return true;
}

bool ReadFile(const std::string& path, HIMAGE& image, HPICTURE_INFO& info, std::string& error)
{
    info.clear();
    std::string content;
    if (!ReadWholeFile(path, content, CKim::kMaxFileSize) || content.empty()) {
        error = CKim::kCorruptHeader;
        return false;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(content.data());
    const size_t length = content.size();
    bool ok = false;
    image = HIMAGE();
    if (length >= 8 && std::memcmp(data, "\x89PNG", 4) == 0) {
        ok = DecodePng(data, length, image, info);
    } else if (length >= 4 && (std::memcmp(data, "II*", 3) == 0 || std::memcmp(data, "MM\0*", 4) == 0)) {
        ok = DecodeTiff(data, length, image, info);
    } else if (length >= 2 && data[0] == 'B' && data[1] == 'M') {
        ok = DecodeBmp(data, length, image);
    } else if (length >= 3 && data[0] == 0xFF && data[1] == 0xD8) {
        int w = 0, h = 0;
        ok = HJpegCodec::Decompress(std::span<const uint8_t>(data, length), kMaxPixels, image.pixels, false, w, h);
        image.width = w;
        image.height = h;
    } else {
        CKim kim;
        kim.SetBytes(std::vector<uint8_t>(data, data + length));
        if (!kim.Expand(image, error))
            return false;
        ok = true;
    }
    if (!ok || !image.Valid()) {
        error = "Corrupt picture file";
        return false;
    }
    return true;
}

} // namespace HImageFormats
