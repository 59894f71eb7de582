// Compression modes of HModem on the two kinds of data they carry: firmware (a real ELF
// binary of this machine, first 1 MiB) and an 8-bit grayscale 640 x 480 picture. For each
// mode: the ratio, compression and decompression speed, and the effective speed-up over
// sending the raw bytes on a 115200 baud line (10 bits per byte):
//   raw line time / (compress time + line time of the compressed bytes + decompress time)
// A plain table rather than Google Benchmark's per-iteration output, because the figures
// that matter (ratio, speed-up) are derived from several measurements.
//
// Usage: bench_transfer_compression [ELF file]   (default /usr/bin/cmake)
#include "transfer/compression/HCompression.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kLineBytesPerSecond = 115200.0 / 10.0;
constexpr std::size_t kFirmwareBytes = 1u << 20;
constexpr unsigned kPictureWidth = 640;
constexpr unsigned kPictureHeight = 480;

std::vector<uint8_t> ReadFirmware(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes;
    bytes.resize(kFirmwareBytes);
    file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

// A scene as an imager sees it: uneven lighting, a printed label with a bar code and rows
// of small glyphs (hard edges), a soft shadow, and sensor noise.
std::vector<uint8_t> SynthesizePicture()
{
    std::mt19937 random(2026);
    std::normal_distribution<double> noise(0.0, 2.5);
    std::vector<uint8_t> pixels(std::size_t(kPictureWidth) * kPictureHeight);
    for (unsigned y = 0; y < kPictureHeight; ++y) {
        for (unsigned x = 0; x < kPictureWidth; ++x) {
            const double dx = (double(x) - 300.0) / 400.0;
            const double dy = (double(y) - 220.0) / 300.0;
            double value = 70.0 + 120.0 * std::exp(-(dx * dx + dy * dy));   // lighting
            const bool label = x > 120 && x < 520 && y > 100 && y < 380;
            if (label) {
                value += 50.0;
                const bool bars = y > 140 && y < 240 && x > 150 && x < 490;
                if (bars && ((x - 150) / 3 * 2654435761u >> 28) % 3 == 0)
                    value = 30.0;
                const bool glyphRow = y > 270 && y < 360 && (y - 270) % 30 < 14;
                if (glyphRow && x > 150 && x < 490) {
                    const unsigned cell = (x - 150) / 9 + (y - 270) / 30 * 64;
                    const unsigned gx = (x - 150) % 9;
                    const unsigned gy = (y - 270) % 30;
                    const unsigned glyph = (cell * 2246822519u) >> 16;
                    if (gx < 7 && ((glyph >> ((gx + gy * 3) % 16)) & 1))
                        value = 40.0;
                }
            }
            if (x > 520 && x < 560 && y > 110)
                value *= 0.6;   // shadow beside the label
            value += noise(random);
            pixels[std::size_t(y) * kPictureWidth + x] = static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, value))));
        }
    }
    return pixels;
}

// Runs `work` until at least a quarter second has passed (and at least twice); seconds per run.
template <typename Work>
double TimePerRun(Work&& work)
{
    int runs = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        work();
        ++runs;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (runs < 2 || elapsed < 0.25);
    return elapsed / runs;
}

void Report(const char* sampleName, const std::vector<uint8_t>& sample)
{
    std::printf("\n%s: %zu bytes; raw line time %.1f s at 115200 baud\n", sampleName, sample.size(),
                double(sample.size()) / kLineBytesPerSecond);
    std::printf("%-4s %-21s %-4s %10s %7s %10s %10s %8s %9s\n", "mode", "method", "used", "bytes", "ratio",
                "comp MB/s", "dec MB/s", "speed-up", "mean err");
    const double rawLine = double(sample.size()) / kLineBytesPerSecond;
    for (unsigned mode = 0; mode < HCompression::kModeCount; ++mode) {
        std::vector<uint8_t> packed;
        unsigned used = 0;
        const double compressTime = TimePerRun([&] { used = HCompression::Compress(mode, sample, packed); });
        std::vector<uint8_t> restored;
        bool ok = true;
        const double decompressTime = TimePerRun([&] {
            ok = HCompression::Decompress(used, packed, sample.size(), restored, sample.size());
        });
        double meanError = 0;
        const bool lossy = used >= 3 && used <= 5;
        if (!ok || restored.size() != sample.size() || (!lossy && restored != sample)) {
            std::printf("%-4u %-21s decoding failed or differs\n", mode, HCompression::ModeName(mode));
            continue;
        }
        for (std::size_t i = 0; i < sample.size(); ++i)
            meanError += std::abs(int(sample[i]) - int(restored[i]));
        meanError /= double(sample.size());
        const double megabytes = double(sample.size()) / 1e6;
        const double total = compressTime + double(packed.size()) / kLineBytesPerSecond + decompressTime;
        std::printf("%-4u %-21s %-4u %10zu %7.2f %10.1f %10.1f %8.2f %9.2f\n", mode, HCompression::ModeName(mode), used,
                    packed.size(), double(sample.size()) / double(packed.size()), megabytes / compressTime,
                    megabytes / decompressTime, rawLine / total, meanError);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const char* elf = argc > 1 ? argv[1] : "/usr/bin/cmake";
    const std::vector<uint8_t> firmware = ReadFirmware(elf);
    if (firmware.empty()) {
        std::fprintf(stderr, "cannot read %s\n", elf);
        return 1;
    }
    std::printf("HModem compression modes; 'used' is the mode sent (0 when compression did not shrink "
                "the data or does not apply); JPEG modes are lossy (mean err = mean absolute pixel error).\n");
    const std::string firmwareName = std::string("firmware-like (") + elf + ", first 1 MiB)";
    Report(firmwareName.c_str(), firmware);
    Report("picture 640x480, 8-bit gray", SynthesizePicture());
    return 0;
}
