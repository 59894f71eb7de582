// JPEG modes through the JPEG library. Its default error handler ends the process, so
// errors come back here by longjmp; the functions that call setjmp keep nothing of their
// own that a jump could leave half-changed: all state sits in the caller's job record.
#include "transfer/compression/HJpegCodec.h"

#include "transfer/compression/HCompression.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jpeglib.h>

namespace {

constexpr int kQuality = 80;

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

// Corrupt-data warnings would go to stderr; a damaged picture is the caller's business.
void KeepQuiet(j_common_ptr) {}

void InstallTrap(jpeg_error_mgr*& slot, ErrorTrap& trap)
{
    slot = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JumpOnError;
    trap.manager.output_message = KeepQuiet;
}

struct CompressJob {
    jpeg_compress_struct info;
    ErrorTrap trap;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

bool RunCompress(CompressJob& job, const uint8_t* pixels, bool fastDct, unsigned width = HCompression::kJpegWidth,
                 unsigned height = HCompression::kJpegHeight, int quality = kQuality)
{
    if (setjmp(job.trap.jump))
        return false;
    jpeg_create_compress(&job.info);
    jpeg_mem_dest(&job.info, &job.buffer, &job.size);
    job.info.image_width = width;
    job.info.image_height = height;
    job.info.input_components = 1;
    job.info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&job.info);
    jpeg_set_quality(&job.info, quality, TRUE);
    job.info.dct_method = fastDct ? JDCT_IFAST : JDCT_ISLOW;
    jpeg_start_compress(&job.info, TRUE);
    while (job.info.next_scanline < job.info.image_height) {
        // The library only reads the rows it is handed.
        JSAMPROW row = const_cast<JSAMPLE*>(pixels + std::size_t(job.info.next_scanline) * width);
        jpeg_write_scanlines(&job.info, &row, 1);
    }
    jpeg_finish_compress(&job.info);
    return true;
}

// A progressive stream may split a picture into any number of scans, each of which costs
// a pass over the whole coefficient buffer; a few hundred bytes of hostile input could keep
// the user-interface thread busy for minutes. Real encoders write about ten.
constexpr int kMaxScans = 500;

struct DecompressJob {
    jpeg_decompress_struct info;
    ErrorTrap trap;
    jpeg_progress_mgr progress;
};

void LimitScans(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->is_decompressor && decompress->input_scan_number > kMaxScans)
        std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

bool RunDecompress(DecompressJob& job, std::span<const uint8_t> input, std::size_t maximum, std::vector<uint8_t>& output,
                   bool smoothing = true)
{
    if (setjmp(job.trap.jump))
        return false;
    jpeg_create_decompress(&job.info);
    job.progress.progress_monitor = LimitScans;
    job.info.progress = &job.progress;
    jpeg_mem_src(&job.info, input.data(), static_cast<unsigned long>(input.size()));
    jpeg_read_header(&job.info, TRUE);
    job.info.out_color_space = JCS_GRAYSCALE;
    job.info.do_block_smoothing = smoothing ? TRUE : FALSE;
    // Refuse before the library allocates anything picture-sized.
    const uint64_t pixels = uint64_t(job.info.image_width) * job.info.image_height;
    if (pixels == 0 || pixels > maximum)
        return false;
    jpeg_start_decompress(&job.info);
    const std::size_t width = job.info.output_width;
    if (job.info.output_components != 1 || uint64_t(width) * job.info.output_height > maximum)
        return false;
    output.resize(width * job.info.output_height);
    while (job.info.output_scanline < job.info.output_height) {
        JSAMPROW row = output.data() + std::size_t(job.info.output_scanline) * width;
        if (jpeg_read_scanlines(&job.info, &row, 1) != 1)
            return false;
    }
    jpeg_finish_decompress(&job.info);
    return true;
}

} // namespace

bool HJpegCodec::Compress(std::span<const uint8_t> input, bool fastDct, std::vector<uint8_t>& output)
{
    output.clear();
    if (input.size() != std::size_t(HCompression::kJpegWidth) * HCompression::kJpegHeight)
        return false;
    // Zeroed, so that destroying after a failed create is harmless.
    CompressJob job {};
    InstallTrap(job.info.err, job.trap);
    const bool ok = RunCompress(job, input.data(), fastDct);
    jpeg_destroy_compress(&job.info);
    if (ok) {
        try {
            output.assign(job.buffer, job.buffer + job.size);
        } catch (const std::bad_alloc&) {
            output.clear();
            std::free(job.buffer);
            return false;
        }
    }
    std::free(job.buffer);
    return ok;
}

bool HJpegCodec::CompressPicture(std::span<const uint8_t> pixels, int width, int height, int quality,
                                 std::vector<uint8_t>& output)
{
    output.clear();
    if (width < 1 || height < 1 || pixels.size() != std::size_t(width) * std::size_t(height))
        return false;
    CompressJob job {};
    InstallTrap(job.info.err, job.trap);
    const bool ok = RunCompress(job, pixels.data(), false, unsigned(width), unsigned(height),
                                quality < 1 ? 1 : quality > 100 ? 100 : quality);
    jpeg_destroy_compress(&job.info);
    if (ok)
        output.assign(job.buffer, job.buffer + job.size);
    std::free(job.buffer);
    return ok;
}

bool HJpegCodec::Decompress(std::span<const uint8_t> input, std::size_t maximum, std::vector<uint8_t>& output,
                            bool smoothing, int& width, int& height)
{
    output.clear();
    width = height = 0;
    if (input.empty())
        return false;
    DecompressJob job {};
    InstallTrap(job.info.err, job.trap);
    // A picture that runs out before its end decodes as gray with a warning; for a picture
    // that is a corrupt one, not a good one.
    const bool ok = RunDecompress(job, input, maximum, output, smoothing) && job.trap.manager.num_warnings == 0;
    if (ok) {
        width = static_cast<int>(job.info.output_width);
        height = static_cast<int>(job.info.output_height);
    }
    jpeg_destroy_decompress(&job.info);
    if (!ok)
        output.clear();
    return ok;
}

bool HJpegCodec::Decompress(std::span<const uint8_t> input, std::size_t maximum, std::vector<uint8_t>& output)
{
    output.clear();
    if (input.empty())
        return false;
    DecompressJob job {};
    InstallTrap(job.info.err, job.trap);
    const bool ok = RunDecompress(job, input, maximum, output);
    jpeg_destroy_decompress(&job.info);
    if (!ok)
        output.clear();
    return ok;
}
