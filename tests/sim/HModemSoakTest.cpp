// HModem transfers of 256 KiB to the simulated reader over a line that drops and garbles 1%
// of its bytes both ways: each one either arrives intact or ends with a failure result. A
// transfer that reports success with other data is counted and must never happen.
//
// KESTREL_SOAK_CYCLES sets the number of transfers (short by default; the "soak" label runs 50).
#include "LineComm.h"
#include "sim/FaultPlan.h"
#include "sim/SimulatedReader.h"
#include "tests/sim/SimTestSupport.h"
#include "transfer/HMODEM.h"
#include "transfer/HTRANSFER_STATUS.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

int Transfers()
{
    const char* text = std::getenv("KESTREL_SOAK_CYCLES");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? std::min(count, 50) : 2;
}

TEST(HModemSoakTest, TransfersArriveIntactOrFail)
{
    auto reader = std::make_shared<SimulatedReader>(simtest::ParseProfile(simtest::SmallProfile()));
    std::unique_ptr<SerialDevice> line = reader->OpenLine();
    ASSERT_NE(line, nullptr);
    simtest::SetHostFormat(*line, 9600, 'N', 8);
    LineComm comm(*line);
    FaultPlan plan;
    std::string error;
    ASSERT_TRUE(FaultPlan::Parse("seed=5,drop-rate=0.01,corrupt-rate=0.01,host-drop-rate=0.01,host-corrupt-rate=0.01",
                    plan, error))
        << error;
    reader->SetFaults(plan);

    std::mt19937 random(99);
    int intact = 0, failed = 0, wrong = 0;
    const int transfers = Transfers();
    for (int i = 0; i < transfers; ++i) {
        std::string data(256 * 1024, '\0');
        for (char& c : data)
            c = static_cast<char>(random() & 0xFF);
        HTRANSFER_STATUS status;
        HMODEM modem(&comm, &status, nullptr);
        modem.ByteTimeOut = 100;
        modem.ResponseTimeOut = 1;
        modem.StartTimeOut = 1;
        modem.FinalTimeOut = 1;
        const std::string start = "\x16HR\r";
        const int result = modem.Transmit(reinterpret_cast<const unsigned char*>(data.data()), unsigned(data.size()),
            reinterpret_cast<const unsigned char*>(start.data()), unsigned(start.size()), false, true, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!reader->HModem().WaitFinished(5) && std::chrono::steady_clock::now() < deadline)
            line->InputCount();
        const HModemOutcome outcome = reader->HModem().Outcome();
        if (result != HMODEM_SUCCESS) {
            ++failed;
        } else if (outcome.result == HMODEM_SUCCESS && outcome.data == data) {
            ++intact;
        } else {
            ++wrong;
            std::printf("transfer %d: the host reported success, the reader holds %zu bytes (result %d)\n", i,
                outcome.data.size(), outcome.result);
        }
    }
    std::printf("HModem soak: %d transfers of 256 KiB, %d intact, %d failures reported, %d wrong data\n", transfers,
        intact, failed, wrong);
    EXPECT_EQ(wrong, 0);
}

} // namespace
