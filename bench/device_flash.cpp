// Firmware flashing over a line paced at a real baud rate.
//
// Hex: the simulated 4600 imager takes its loader at 115200 baud and acknowledges every
// record. The floor is the time the record bytes alone need on the line (10 bits a byte);
// every record also waits for its acknowledgement, so the ratio to the floor shows what the
// record-by-record handshake costs.
//
// Binary: the simulated 5620 imager takes a 256 KiB application over HModem at 115200 baud.
// Uncompressed (mode 0) the floor is the HModem blocks on the line; the ratio shows what the
// queries, the window and the storage wait cost. Compressed (mode 6) the same image is
// measured against mode 0: machine code (this program's own) stands in for firmware.
#include "catalog/DeviceCatalog.h"
#include "device/CDevice.h"
#include "device/CSerComm.h"
#include "platform/Host.h"
#include "platform/ScriptedHost.h"
#include "sim/SimPortSystem.h"
#include "sim/SimulatedReader.h"
#include "transfer/HMODEM.h"
#include "transfer/firmware/IntelHexFile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

std::string HexFile(std::size_t dataBytes, std::size_t& recordBytes)
{
    std::mt19937 rng(7);
    std::string text;
    char pair[3];
    auto line = [&](uint8_t type, uint16_t address, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> fields { static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address >> 8),
                                      static_cast<uint8_t>(address), type };
        fields.insert(fields.end(), data.begin(), data.end());
        uint8_t sum = 0;
        for (uint8_t b : fields)
            sum = static_cast<uint8_t>(sum + b);
        fields.push_back(static_cast<uint8_t>(-sum));
        text += ':';
        for (uint8_t b : fields) {
            std::snprintf(pair, sizeof pair, "%02X", b);
            text += pair;
        }
        text += "\r\n";
    };
    for (std::size_t at = 0; at < dataBytes; at += 32) {
        if (at % 0x10000 == 0)
            line(4, 0, { static_cast<uint8_t>(at >> 24), static_cast<uint8_t>(at >> 16) });
        std::vector<uint8_t> data(32);
        for (auto& b : data)
            b = static_cast<uint8_t>(rng());
        line(0, static_cast<uint16_t>(at), data);
    }
    text += ":00000001FF\r\n";
    IntelHexImage image;
    ParseIntelHex(std::vector<uint8_t>(text.begin(), text.end()), image);
    recordBytes = image.bytes.size();
    return text;
}

// Seconds for one flash of the file at `path` into a fresh simulated `profile` reader on a
// paced line, in compression `mode`; a negative number on failure.
double FlashSeconds(const char* profile, const std::string& path, int mode, std::string& result)
{
    ScriptedHost host;
    InstallHost(&host);
    SimPortSystem ports;
    InstallSerialPortSystem(&ports);
    std::string error;
    auto reader = SimulatedReader::FromProfile(profile, error);
    ports.Attach("COM5", reader);
    CSerComm port;
    port.SetPortNumber(5);
    CDevice finder(&port);
    std::string settings;
    double seconds = -1;
    if (finder.Connect(settings) == CDevice::kConnected) {
        reader->SetPacing(true);
        host.fileChoices.push_back(path);
        const auto start = std::chrono::steady_clock::now();
        if (finder.LoadFirmwareEx(result, mode, nullptr, true, true))
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } else {
        result = "no reader";
    }
    port.ClosePort();
    InstallSerialPortSystem(nullptr);
    InstallHost(nullptr);
    return seconds;
}

void HexFlashPaced(benchmark::State& state)
{
    const std::size_t dataBytes = static_cast<std::size_t>(state.range(0));
    std::size_t recordBytes = 0;
    const std::string path = (std::filesystem::temp_directory_path() / "kestrel-bench-flash.hex").string();
    std::ofstream(path, std::ios::binary) << HexFile(dataBytes, recordBytes);

    if (!TheDeviceCatalog().IsLoaded())
        TheDeviceCatalog().Load(std::string(KESTREL_SOURCE_DATA_DIR) + "/QXDevFil.dat");
    double ratio = 0;
    for (auto _ : state) {
        std::string result;
        const double seconds = FlashSeconds("4600sr", path, 0, result);
        if (seconds < 0) {
            state.SkipWithError(result.c_str());
            break;
        }
        const double floor = recordBytes / (115200 / 10.0);
        ratio = seconds / floor;
        state.SetIterationTime(seconds);
        std::printf("hex flash: %zu data bytes in %zu record bytes at 115200 baud: %.2f s, floor %.2f s, %.2fx\n",
                    dataBytes, recordBytes, seconds, floor, ratio);
    }
    state.counters["x_floor"] = ratio;
    std::filesystem::remove(path);
}

// An application for device type 7 whose body is machine code read from this program.
std::string ApplicationImage(std::size_t size)
{
    std::string image(64, '\0');
    image += std::string("MATRIXAPP\0\0\0DEVICETYPE\0\0", 24);
    image += std::string("\x01\0\0\0\x40", 5);            // a one-byte mask: type 7
    image += std::string("\xFF\xFF\xFF\xFF\0\0\0\0", 8); // an empty keyword block
    std::ifstream self("/proc/self/exe", std::ios::binary);
    std::string code(size, '\0');
    self.read(code.data(), static_cast<std::streamsize>(code.size()));
    image += code;
    image.resize(size);
    return image;
}

void BinaryFlashPaced(benchmark::State& state)
{
    const std::size_t size = static_cast<std::size_t>(state.range(0));
    const std::string path = (std::filesystem::temp_directory_path() / "kestrel-bench-flash.bin").string();
    const std::string image = ApplicationImage(size);
    std::ofstream(path, std::ios::binary) << image;
    if (!TheDeviceCatalog().IsLoaded())
        TheDeviceCatalog().Load(std::string(KESTREL_SOURCE_DATA_DIR) + "/QXDevFil.dat");
    for (auto _ : state) {
        std::string result;
        const double plain = FlashSeconds("5620sr", path, 0, result);
        const double compressed = plain < 0 ? -1 : FlashSeconds("5620sr", path, 6, result);
        if (compressed < 0) {
            state.SkipWithError(result.c_str());
            break;
        }
        const double floor = HMODEM::TotalSize(static_cast<unsigned>(size), false) / (115200 / 10.0);
        state.SetIterationTime(plain);
        state.counters["x_floor"] = plain / floor;
        state.counters["speedup_mode6"] = plain / compressed;
        std::printf("binary flash: %zu bytes at 115200 baud: mode 0 %.2f s (floor %.2f s, %.3fx), "
                    "mode 6 %.2f s (%.2fx faster)\n",
                    size, plain, floor, plain / floor, compressed, plain / compressed);
    }
    std::filesystem::remove(path);
}

} // namespace

BENCHMARK(BinaryFlashPaced)->Arg(256 << 10)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(HexFlashPaced)->Arg(64 << 10)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
