// Replay driver for fuzz targets when libFuzzer is not available (gcc builds).
// Runs the target on every file named on the command line, or on a fixed series of
// pseudo-random inputs with `--random N`, so the targets are exercised by every test run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--random") == 0) {
        const long count = std::strtol(argv[2], nullptr, 10);
        std::mt19937 random(20261208u);
        std::vector<uint8_t> input;
        for (long i = 0; i < count; ++i) {
            // Mostly short inputs, now and then a long one, biased towards printable text
            // so that parsers get past their first checks.
            const size_t size = (i % 50 == 0) ? random() % 8192 : random() % 300;
            input.resize(size);
            const bool text = (i % 3) != 0;
            for (auto& byte : input)
                byte = text ? static_cast<uint8_t>(32 + random() % 95) : static_cast<uint8_t>(random());
            LLVMFuzzerTestOneInput(input.data(), input.size());
        }
        std::printf("replayed %ld random inputs\n", count);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        std::vector<uint8_t> input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    return 0;
}
