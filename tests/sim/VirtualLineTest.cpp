// The virtual line's timing and faults, the simulated port system and the port registry.
#include "sim/PortRegistry.h"
#include "sim/SimPortSystem.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace simtest;

namespace {

struct Rig {
    explicit Rig(const std::string& profile = SmallProfile())
        : reader(std::make_shared<SimulatedReader>(ParseProfile(profile), &clock)), line(reader->OpenLine())
    {
        SetHostFormat(*line, reader->Model().Line().rate, 'N', 8);
    }
    std::string ReadAll()
    {
        std::string out;
        uint8_t buffer[256];
        long n = 0;
        while ((n = line->Read(buffer, sizeof buffer)) > 0)
            out.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
        return out;
    }
    void Write(const std::string& bytes) { line->Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); }

    ManualSimClock clock;
    std::shared_ptr<SimulatedReader> reader;
    std::unique_ptr<SerialDevice> line;
};

const std::string kQuery = "\x16M\rCBRMIN?.";        // 11 bytes out
const std::string kReply = "CBRMIN10\x06.";           // 10 bytes back

}  // namespace

TEST(VirtualLine, PacingTakesTheFrameTimeOfEveryByte)
{
    Rig rig;  // 9600 8N1: 10 bits a byte, 1041 us
    rig.reader->SetPacing(true);
    rig.Write(kQuery);
    EXPECT_GT(rig.line->OutputCount(), 0);
    EXPECT_FALSE(rig.line->WaitUntilSent(5));  // 5 ms is not enough for 11 bytes (11.5 ms)
    rig.clock.AdvanceMs(8);                    // 13 ms since the write: the command is out
    EXPECT_TRUE(rig.line->WaitUntilSent(0));
    EXPECT_EQ(rig.line->OutputCount(), 0);
    EXPECT_EQ(rig.line->InputCount(), 1);      // one answer byte so far
    rig.clock.Advance(10 * 1042 - 1042);
    EXPECT_EQ(rig.ReadAll(), kReply);
}

TEST(VirtualLine, FaultsHitTheSameBytesForTheSameSeed)
{
    auto run = [](uint64_t seed) {
        Rig rig;
        FaultPlan plan;
        plan.seed = seed;
        plan.toHost.corruptRate = 0.2;
        plan.toHost.dropRate = 0.1;
        rig.reader->SetFaults(plan);
        std::string out;
        for (int i = 0; i < 20; ++i) {
            rig.Write(kQuery);
            out += rig.ReadAll();
        }
        return out;
    };
    const std::string first = run(7);
    EXPECT_EQ(first, run(7));
    EXPECT_NE(first, run(8));
    EXPECT_LT(first.size(), 20 * kReply.size());
}

TEST(VirtualLine, FaultsAtOneByte)
{
    Rig rig;
    FaultPlan plan;
    plan.toHost.dropAt = 2;
    plan.toHost.corruptAt = 5;
    rig.reader->SetFaults(plan);
    rig.Write(kQuery);
    const std::string got = rig.ReadAll();
    ASSERT_EQ(got.size(), kReply.size() - 1);
    EXPECT_EQ(got.substr(0, 2), "CB");
    EXPECT_EQ(got.substr(2, 2), "MI");  // 'R' dropped
    EXPECT_NE(got[4], 'N');             // byte 5 of the reply corrupted
    EXPECT_EQ(got.substr(5), "10\x06.");
    rig.Write(kQuery);
    EXPECT_EQ(rig.ReadAll(), kReply);   // only those bytes

    // A byte lost on the way to the reader spoils the command: no answer at all.
    Rig deaf;
    plan = {};
    plan.toReader.dropAt = 0;
    deaf.reader->SetFaults(plan);
    deaf.Write(kQuery);
    EXPECT_EQ(deaf.ReadAll(), "");
}

TEST(VirtualLine, DelayHoldsBackTheRest)
{
    Rig rig;
    FaultPlan plan;
    plan.toHost.delayAt = 3;
    plan.toHost.delayMs = 40;
    rig.reader->SetFaults(plan);
    rig.Write(kQuery);
    EXPECT_EQ(rig.ReadAll(), "CBR");
    rig.clock.AdvanceMs(39);
    EXPECT_EQ(rig.ReadAll(), "");
    rig.clock.AdvanceMs(1);
    EXPECT_EQ(rig.ReadAll(), "MIN10\x06.");
}

TEST(VirtualLine, UnplugClosesTheLineUntilReplugged)
{
    Rig rig;
    FaultPlan plan;
    plan.unplugAfter = 4;
    rig.reader->SetFaults(plan);
    rig.Write(kQuery);
    EXPECT_EQ(rig.line->InputCount(), -1);
    EXPECT_EQ(rig.line->Write(reinterpret_cast<const uint8_t*>("x"), 1), -1);
    EXPECT_FALSE(rig.reader->OpenLine());
    rig.reader->Replug();
    rig.reader->SetFaults({});
    auto again = rig.reader->OpenLine();
    ASSERT_TRUE(again);
    SetHostFormat(*again, 9600, 'N', 8);
    EXPECT_EQ(Exchange(*again, kQuery), kReply);
    // The old line stays dead even though the reader is back.
    EXPECT_EQ(rig.line->Read(nullptr, 0), -1);
}

TEST(VirtualLine, PurgeAndExclusiveOpen)
{
    Rig rig;
    rig.Write(kQuery);
    EXPECT_EQ(rig.line->InputCount(), static_cast<long>(kReply.size()));
    rig.line->PurgeInput();
    EXPECT_EQ(rig.line->InputCount(), 0);
    EXPECT_FALSE(rig.reader->OpenLine());  // already open
    rig.line.reset();
    EXPECT_TRUE(rig.reader->OpenLine());
}

TEST(VirtualLine, RefusesLineStatesADriverRefuses)
{
    Rig rig;
    SerialLineState state;
    ASSERT_TRUE(rig.line->GetLineState(state));
    state.parity = 'x';
    EXPECT_FALSE(rig.line->SetLineState(state));
    state.parity = 'N';
    state.baudRate = 0;
    EXPECT_FALSE(rig.line->SetLineState(state));
}

TEST(SimPorts, OpenByNameInEitherForm)
{
    SimPortSystem ports;
    auto reader = std::make_shared<SimulatedReader>(ParseProfile(SmallProfile()));
    ports.Attach("COM12", reader);
    EXPECT_FALSE(ports.Open("COM3"));
    auto line = ports.Open("\\\\.\\COM12");
    ASSERT_TRUE(line);
    EXPECT_FALSE(ports.Open("com12"));  // exclusive
    line.reset();
    EXPECT_TRUE(ports.Open("com12"));
    ASSERT_EQ(ports.EnumeratePorts().size(), 1u);
    EXPECT_EQ(ports.EnumeratePorts()[0].name, "COM12");
    reader->Unplug();
    EXPECT_TRUE(ports.EnumeratePorts().empty());
}

TEST(PortRegistryFile, AddRemoveAndDropStaleEntries)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("kestrel-sim-registry-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    const std::string registry = (dir / "sub" / "ports").string();
    const std::string live = (dir / "live").string();
    std::filesystem::create_directories(dir);
    std::ofstream(live).put('x');
    std::string error;
    ASSERT_TRUE(PortRegistry::Add(registry, "/nonexistent/pty", error)) << error;
    ASSERT_TRUE(PortRegistry::Add(registry, live, error)) << error;
    EXPECT_EQ(PortRegistry::Read(registry), (std::vector<std::string> {live}));  // the dead one went
    ASSERT_TRUE(PortRegistry::Add(registry, live, error));
    EXPECT_EQ(PortRegistry::Read(registry).size(), 1u);
    EXPECT_TRUE(PortRegistry::Remove(registry, live));
    EXPECT_TRUE(PortRegistry::Read(registry).empty());
    std::filesystem::remove_all(dir);
}

TEST(FaultList, ParsesTheCommandLineForm)
{
    FaultPlan plan;
    std::string error;
    ASSERT_TRUE(FaultPlan::Parse("seed=9,drop-rate=0.5,corrupt-at=3,host-drop-at=1,delay-ms=20,nak-next=2,silent,"
                                 "unplug-after=50",
                                 plan, error))
        << error;
    EXPECT_EQ(plan.seed, 9u);
    EXPECT_EQ(plan.toHost.dropRate, 0.5);
    EXPECT_EQ(plan.toHost.corruptAt, 3);
    EXPECT_EQ(plan.toReader.dropAt, 1);
    EXPECT_EQ(plan.nakNext, 2);
    EXPECT_TRUE(plan.silent);
    EXPECT_EQ(plan.unplugAfter, 50);
    EXPECT_FALSE(plan.storage.Any());
    ASSERT_TRUE(FaultPlan::Parse("store-nak,store-delay=2500,power-loss", plan, error)) << error;
    EXPECT_TRUE(plan.storage.nak);
    EXPECT_EQ(plan.storage.delayMs, 2500u);
    EXPECT_TRUE(plan.storage.powerLoss);
    EXPECT_FALSE(FaultPlan::Parse("drop-rate=2", plan, error));
    EXPECT_FALSE(FaultPlan::Parse("explode", plan, error));
    EXPECT_FALSE(FaultPlan::Parse("host-store-delay=5", plan, error));
    EXPECT_FALSE(FaultPlan::Parse("store-delay=600001", plan, error));
}
