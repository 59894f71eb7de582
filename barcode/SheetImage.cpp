#include "barcode/SheetImage.h"

#include <png.h>
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

constexpr const char* kDamaged = "The sheet file is damaged or not a PDF, PNG or PBM picture.";

bool SizeAllowed(long long width, long long height)
{
    return width > 0 && height > 0 && width <= kMaxSheetSide && height <= kMaxSheetSide;
}

std::string SizeMessage(long long width, long long height)
{
    return "The sheet picture is " + std::to_string(width) + " x " + std::to_string(height)
        + " dots; at most " + std::to_string(kMaxSheetSide) + " dots a side are read.";
}

// PBM header fields: whitespace and "#" comments between numbers.
bool ReadNumber(std::string_view bytes, size_t& at, long long& value)
{
    while (at < bytes.size()) {
        const char c = bytes[at];
        if (c == '#') {
            while (at < bytes.size() && bytes[at] != '\n')
                ++at;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++at;
        } else {
            break;
        }
    }
    if (at >= bytes.size() || bytes[at] < '0' || bytes[at] > '9')
        return false;
    value = 0;
    while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9') {
        value = value * 10 + (bytes[at] - '0');
        if (value > 1000000)
            return false;
        ++at;
    }
    return true;
}

struct PngReadState {
    std::string_view bytes;
    size_t at = 0;
};

void PngRead(png_structp png, png_bytep out, png_size_t length)
{
    auto* state = static_cast<PngReadState*>(png_get_io_ptr(png));
    if (length > state->bytes.size() - state->at)
        png_error(png, "truncated");
    std::memcpy(out, state->bytes.data() + state->at, length);
    state->at += length;
}

void PngWrite(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void PngFlush(png_structp) {}

// libpng's own handlers print to stderr; a damaged file is reported once, by the caller.
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

void IgnorePopplerMessage(const std::string&, void*) {}

bool RenderPdf(std::string_view bytes, std::vector<GrayImage>& pages, std::string& error)
{
    // poppler writes its complaints about a damaged file to stderr; the caller says it once.
    poppler::set_debug_error_function(IgnorePopplerMessage, nullptr);
    std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
    if (!document || document->is_locked()) {
        error = kDamaged;
        return false;
    }
    const int count = document->pages();
    if (count <= 0 || count > kMaxSheetPages) {
        error = count <= 0 ? kDamaged
                           : "The sheet has " + std::to_string(count) + " pages; at most "
                + std::to_string(kMaxSheetPages) + " are read.";
        return false;
    }
    poppler::page_renderer renderer;
    renderer.set_image_format(poppler::image::format_gray8);
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<poppler::page> page(document->create_page(i));
        if (!page) {
            error = kDamaged;
            return false;
        }
        const poppler::rectf box = page->page_rect();
        const double width = box.width() * kPdfRenderDpi / 72.0;
        const double height = box.height() * kPdfRenderDpi / 72.0;
        if (!SizeAllowed(static_cast<long long>(width), static_cast<long long>(height))) {
            error = SizeMessage(static_cast<long long>(width), static_cast<long long>(height));
            return false;
        }
        const poppler::image image = renderer.render_page(page.get(), kPdfRenderDpi, kPdfRenderDpi);
        if (!image.is_valid() || image.format() != poppler::image::format_gray8) {
            error = kDamaged;
            return false;
        }
        GrayImage out;
        out.width = image.width();
        out.height = image.height();
        out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
        for (int y = 0; y < out.height; ++y)
            std::memcpy(out.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(out.width),
                image.const_data() + static_cast<size_t>(y) * static_cast<size_t>(image.bytes_per_row()),
                static_cast<size_t>(out.width));
        pages.push_back(std::move(out));
    }
    return true;
}

} // namespace

bool ReadPbm(std::string_view bytes, GrayImage& image, std::string& error)
{
    error = kDamaged;
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '1' && bytes[1] != '4'))
        return false;
    size_t at = 2;
    long long width = 0;
    long long height = 0;
    if (!ReadNumber(bytes, at, width) || !ReadNumber(bytes, at, height))
        return false;
    if (!SizeAllowed(width, height)) {
        error = SizeMessage(width, height);
        return false;
    }
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF);
    if (bytes[1] == '4') {
        ++at; // the single whitespace after the height
        const size_t rowBytes = static_cast<size_t>((width + 7) / 8);
        if (at > bytes.size() || bytes.size() - at < rowBytes * static_cast<size_t>(height))
            return false;
        for (long long y = 0; y < height; ++y)
            for (long long x = 0; x < width; ++x) {
                const auto byte = static_cast<unsigned char>(bytes[at + static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)]);
                if ((byte >> (7 - x % 8)) & 1)
                    image.pixels[static_cast<size_t>(y * width + x)] = 0;
            }
    } else {
        for (long long i = 0; i < width * height; ++i) {
            while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\n' || bytes[at] == '\r' || bytes[at] == '\t'))
                ++at;
            if (at < bytes.size() && bytes[at] == '#') {
                while (at < bytes.size() && bytes[at] != '\n')
                    ++at;
                --i;
                continue;
            }
            if (at >= bytes.size() || (bytes[at] != '0' && bytes[at] != '1'))
                return false;
            if (bytes[at] == '1')
                image.pixels[static_cast<size_t>(i)] = 0;
            ++at;
        }
    }
    error.clear();
    return true;
}

bool ReadPng(std::string_view bytes, GrayImage& image, std::string& error)
{
    error = kDamaged;
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    PngReadState state { bytes, 0 };
    // Rows live outside the jump's reach so that a longjmp never skips a destructor.
    std::vector<std::uint8_t>* rows = new std::vector<std::uint8_t>();
    volatile bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &state, PngRead);
        png_set_user_limits(png, kMaxSheetSide, kMaxSheetSide);
        png_read_info(png, info);
        const png_uint_32 width = png_get_image_width(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        png_set_strip_16(png);
        png_set_palette_to_rgb(png);
        png_set_expand_gray_1_2_4_to_8(png);
        png_set_strip_alpha(png);
        png_set_rgb_to_gray_fixed(png, 1, -1, -1);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        if (png_get_channels(png, info) == 1 && png_get_bit_depth(png, info) == 8) {
            rows->resize(static_cast<size_t>(width) * height);
            for (int pass = png_set_interlace_handling(png); pass > 0; --pass)
                for (png_uint_32 y = 0; y < height; ++y)
                    png_read_row(png, rows->data() + static_cast<size_t>(y) * width, nullptr);
            image.width = static_cast<int>(width);
            image.height = static_cast<int>(height);
            ok = true;
        }
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (ok) {
        image.pixels = std::move(*rows);
        error.clear();
    }
    delete rows;
    return ok;
}

bool DecodeSheetBytes(std::string_view bytes, std::vector<GrayImage>& pages, std::string& error)
{
    pages.clear();
    if (bytes.size() >= 5 && bytes.substr(0, 5) == "%PDF-")
        return RenderPdf(bytes, pages, error);
    GrayImage image;
    const bool ok = bytes.size() >= 2 && bytes[0] == 'P' ? ReadPbm(bytes, image, error) : ReadPng(bytes, image, error);
    if (ok)
        pages.push_back(std::move(image));
    return ok;
}

bool LoadSheetImages(const std::string& path, std::vector<GrayImage>& pages, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "Cannot open " + path + ".";
        return false;
    }
    // A page of 30000 x 30000 dots compresses well, but no sheet file needs a gigabyte.
    constexpr std::streamsize kMaxFileBytes = 512LL * 1024 * 1024;
    file.seekg(0, std::ios::end);
    const std::streamsize size = file.tellg();
    if (size < 0 || size > kMaxFileBytes) {
        error = "The sheet file " + path + " is too large.";
        return false;
    }
    file.seekg(0);
    std::string bytes(static_cast<size_t>(size), '\0');
    file.read(bytes.data(), size);
    if (!DecodeSheetBytes(bytes, pages, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string WritePbm(const GrayImage& image)
{
    std::string out = "P4\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n";
    const size_t rowBytes = static_cast<size_t>((image.width + 7) / 8);
    const size_t header = out.size();
    out.resize(header + rowBytes * static_cast<size_t>(image.height), '\0');
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)] < 128)
                out[header + static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)]
                    = static_cast<char>(out[header + static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)]
                        | (0x80 >> (x % 8)));
    return out;
}

bool WritePng(const GrayImage& image, int dpi, std::string& bytes)
{
    bytes.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    volatile bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &bytes, PngWrite, PngFlush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
            PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        const auto perMetre = static_cast<png_uint_32>(dpi * 10000 / 254);
        png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
        png_write_info(png, info);
        for (int y = 0; y < image.height; ++y)
            png_write_row(png, const_cast<png_bytep>(image.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width)));
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok;
}

MonoBitmap ToMonoBitmap(const GrayImage& image)
{
    MonoBitmap bitmap = MonoBitmap::White(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)] < 128)
                bitmap.SetBlack(x, y);
    return bitmap;
}
