// A reader that vanishes half way through a read (its adapter pulled): the user gets the
// unable-to-connect message within the protocol's time-outs, the open document keeps its
// device, pages, unsaved changes and name, and once the reader is back a connect works.
#include "DocumentBench.h"

#include "sim/FaultPlan.h"

#include <chrono>

namespace {

class ReaderVanishesTest : public DocumentBench { };

TEST_F(ReaderVanishesTest, TheOpenDocumentStaysAsItWas)
{
    std::string profile = "name gone\nmodel Vanishing reader\nclass CDevice\nrev_qx QX80001005-012\nrev_sw SW1.00\n"
                          "p_name 3800LR\nlink 0xCE31\nline 115200 8N1\ntables 1\ncaps none\n";
    for (int i = 0; i < 60; ++i)
        profile += "setting TST" + std::to_string(100 + i) + " range=0-999 default=1 values=2\n";
    const std::shared_ptr<SimulatedReader> reader = AttachText(profile);
    ASSERT_TRUE(document->Connect());
    const CDevice* device = document->Device();
    const size_t bindings = document->Bindings().size();
    document->Device()->Settings()[0].SetValue(1, 0, "7"); // an edit not saved yet
    document->OnControlChanged(document->Bindings().front().controlId);
    ASSERT_TRUE(document->IsModified());
    frame.title = "site.kst";
    host.messages.clear();

    // The reader goes away once it has sent 300 more bytes: inside the all-settings reply.
    FaultPlan plan;
    std::string error;
    ASSERT_TRUE(FaultPlan::Parse("unplug-after=300", plan, error)) << error;
    reader->SetFaults(plan);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(document->DetectNewDevice());
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 30.0); // a rate scan that finds nothing, then the message
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text, CQLMenuDoc::kUnableToConnect);
    EXPECT_EQ(document->Device(), device);
    EXPECT_EQ(document->Bindings().size(), bindings);
    EXPECT_EQ(document->Device()->Settings()[0].ValueForDevice(0), "7");
    EXPECT_TRUE(document->IsModified());
    EXPECT_EQ(frame.title, "site.kst");

    reader->SetFaults(FaultPlan {});
    reader->Replug();
    EXPECT_TRUE(document->Connect());
    EXPECT_EQ(document->Device()->Settings()[0].ValueForDevice(0), "2");
}

} // namespace
