// The reader's menu protocol, driven over the virtual line as a host would.
#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

const std::string ACK = "\x06";
const std::string ENQ = "\x05";
const std::string NAK = "\x15";

class ReaderProtocol : public ::testing::Test {
protected:
    void Start(const std::string& profileText)
    {
        reader = std::make_shared<SimulatedReader>(ParseProfile(profileText));
        line = reader->OpenLine();
        ASSERT_TRUE(line);
        SetHostFormat(*line, reader->Model().Line().rate, 'N', 8);
    }
    std::string Menu(const std::string& text) { return simtest::Menu(*line, text); }

    std::shared_ptr<SimulatedReader> reader;
    std::unique_ptr<SerialDevice> line;
};

const char* kTables =
    "tables 3\ncaps tables matrix\n"
    "setting TRGMOD range=0-3 default=0 values=0,2,3\n"
    "setting 232BDR range=300|9600|19200| default=9600 values=9600 global\n";

}  // namespace

TEST_F(ReaderProtocol, ProbeAnswersAckNakAndLinkCode)
{
    Start(SmallProfile());
    // Bytes before the frame (the end-of-record byte a host sends first) are ignored.
    EXPECT_EQ(Exchange(*line, "\r\x16" "C\r"), Bytes({0x06, 0x15, 0xCE, 0x31}));
    EXPECT_EQ(Exchange(*line, "\x16" "Cx"), "");
}

TEST_F(ReaderProtocol, BatchAnswersEveryCommandInOrder)
{
    Start(SmallProfile());
    EXPECT_EQ(Menu("bepvol1;CBRMIN99;NOSUCH5;SCNLEDOFF;CBRMIN?."),
              "bepvol1" + ACK + ";CBRMIN99" + NAK + ";NOSUCH5" + ENQ + ";SCNLEDOFF" + ACK + ";CBRMIN10" + ACK + ".");
    EXPECT_EQ(Menu("BEPVOL?!"), "BEPVOL1" + ACK + "!");
    EXPECT_EQ(Menu("SCNLED*&"), "SCNLEDHIGH|LOW|OFF|" + ACK + "&");
    EXPECT_EQ(Menu("CBRMIN^@"), "CBRMIN4" + ACK + "@");
    EXPECT_EQ(Menu("abc."), "abc" + ENQ + ".");
    // A "$" query answers without a status byte, so its reply can be sent back as a command.
    EXPECT_EQ(Menu("BEPVOL$!"), "BEPVOL1!");
}

TEST_F(ReaderProtocol, IdentityQueries)
{
    Start(SmallProfile());
    EXPECT_EQ(Menu("p_name?."), "p_name3800LR" + ACK + ".");
    EXPECT_EQ(Menu("rev_qx."), "rev_qxQX80001005-012" + ACK + ".");
    EXPECT_EQ(Menu("REV_SW?."), "REV_SWSW 1.0" + ACK + ".");
    EXPECT_EQ(Menu("p_nameXYZ."), "p_nameXYZ" + NAK + ".");
}

TEST_F(ReaderProtocol, WholeTableQueries)
{
    Start(SmallProfile());
    EXPECT_EQ(Menu("?."), "BEPVOL2" + ACK + ";CBRMIN10" + ACK + ";SCNLEDLOW" + ACK + ";PREBK2990d|" + ACK + ".");
    EXPECT_EQ(Menu("*."), "BEPVOL0|1|2|3|" + ACK + ";CBRMIN2-60" + ACK + ";SCNLEDHIGH|LOW|OFF|" + ACK + ";PREBK20-20" +
                              ACK + ".");
    EXPECT_EQ(Menu("^."), "BEPVOL3" + ACK + ";CBRMIN4" + ACK + ";SCNLEDHIGH" + ACK + ";PREBK2" + ACK + ".");
}

TEST_F(ReaderProtocol, TablesSelectQueryAndRange)
{
    Start(SmallProfile(kTables));
    EXPECT_EQ(Menu("CURTBL?."), "CURTBL0" + ACK + ".");
    EXPECT_EQ(Menu("curtbl*."), "curtbl0-2" + ACK + ".");
    EXPECT_EQ(Menu("CURTBL*."), "CURTBL0-2" + ACK + ".");
    EXPECT_EQ(Menu("CURTBL2."), "CURTBL2" + ACK + ".");
    EXPECT_EQ(Menu("TRGMOD?;BEPVOL3;CURTBL?."), "TRGMOD3" + ACK + ";BEPVOL3" + ACK + ";CURTBL2" + ACK + ".");
    EXPECT_EQ(Menu("CURTBL3."), "CURTBL3" + NAK + ".");
    EXPECT_EQ(Menu("CURTBL1;BEPVOL?."), "CURTBL1" + ACK + ";BEPVOL2" + ACK + ".");  // table 1 untouched
    EXPECT_EQ(Menu("CURTBL2;BEPVOL?."), "CURTBL2" + ACK + ";BEPVOL3" + ACK + ".");
}

TEST_F(ReaderProtocol, SingleTableReaderDoesNotKnowCurtbl)
{
    Start(SmallProfile());
    EXPECT_EQ(Menu("CURTBL?."), "CURTBL?" + ENQ + ".");
}

TEST_F(ReaderProtocol, BeeperAndUpdateModes)
{
    Start(SmallProfile(kTables));
    EXPECT_EQ(Menu("mnubep0!"), "mnubep0" + ACK + "!");
    EXPECT_FALSE(reader->Model().beeperOn);
    EXPECT_EQ(Menu("MNUUPD0!"), "MNUUPD0" + ACK + "!");
    EXPECT_FALSE(reader->Model().updatesOn);
    EXPECT_EQ(Menu("MNUBEP1;MNUUPD1!"), "MNUBEP1" + ACK + ";MNUUPD1" + ACK + "!");
    EXPECT_TRUE(reader->Model().beeperOn && reader->Model().updatesOn);
    EXPECT_EQ(Menu("MNUBEP7!"), "MNUBEP7" + NAK + "!");

    Start(SmallProfile());  // no matrix command set
    EXPECT_EQ(Menu("MNUUPD0!"), "MNUUPD0" + ENQ + "!");
}

TEST_F(ReaderProtocol, LineChangesOnlyAfterTheReply)
{
    Start(SmallProfile(kTables));
    // The reply comes back at the old rate ...
    EXPECT_EQ(Menu("BEPVOL1;232BDR19200."), "BEPVOL1" + ACK + ";232BDR19200" + ACK + ".");
    // ... and from then on the reader is deaf at 9600 and answers at 19200.
    EXPECT_EQ(Exchange(*line, "\x16" "C\r"), "");
    SetHostFormat(*line, 19200, 'N', 8);
    EXPECT_EQ(Exchange(*line, "\x16" "C\r").size(), 4u);
    EXPECT_EQ(Menu("232BDR?."), "232BDR19200" + ACK + ".");
    // A value outside the range changes nothing.
    EXPECT_EQ(Menu("232BDR1234."), "232BDR1234" + NAK + ".");
    EXPECT_EQ(reader->Model().Line().rate, 19200u);
}

TEST_F(ReaderProtocol, DefaultsRestoreTheTableAndTheLine)
{
    Start(SmallProfile(kTables + std::string("setting DEFALT range=0-0 default=0 values=0 action\n")));
    Menu("232BDR19200.");
    SetHostFormat(*line, 19200, 'N', 8);
    Menu("CURTBL1;BEPVOL0;CBRMIN20.");
    EXPECT_EQ(Menu("DEFALT."), "DEFALT" + ACK + ".");
    EXPECT_EQ(reader->Model().Line().rate, 9600u);
    SetHostFormat(*line, 9600, 'N', 8);
    EXPECT_EQ(Menu("BEPVOL?;CBRMIN?;CURTBL0;TRGMOD?."),
              "BEPVOL3" + ACK + ";CBRMIN4" + ACK + ";CURTBL0" + ACK + ";TRGMOD0" + ACK + ".");
    EXPECT_EQ(Menu("DEFALT?."), "DEFALT0" + ACK + ".");
    EXPECT_EQ(Menu("PAPDFT."), "PAPDFT" + ACK + ".");
    EXPECT_EQ(Menu("CURTBL2;TRGMOD?."), "CURTBL2" + ACK + ";TRGMOD0" + ACK + ".");
}

TEST_F(ReaderProtocol, BlocksCollectRecordsAndClear)
{
    Start(SmallProfile());
    EXPECT_EQ(Menu("PRECA2;PREBK2620d0a;PREBK2990d;PREBK2?."),
              "PRECA2" + ACK + ";PREBK2620d0a" + ACK + ";PREBK2990d" + ACK + ";PREBK2620d0a|990d|" + ACK + ".");
    // The block holds at most 20 characters.
    EXPECT_EQ(Menu("PREBK26212345678."), "PREBK26212345678" + NAK + ".");
    EXPECT_EQ(Menu("PREBK2a|b."), "PREBK2a|b" + NAK + ".");
    // A whole block value, as the reader reports it, replaces the block.
    EXPECT_EQ(Menu("PREBK2620d|6a0a."), "PREBK2620d|6a0a" + ACK + ".");
    EXPECT_EQ(Menu("PREBK2?."), "PREBK2620d|6a0a|" + ACK + ".");
    EXPECT_EQ(Menu("PREBK2;PREBK2?."), "PREBK2" + ACK + ";PREBK2" + ACK + ".");
    EXPECT_EQ(Menu("SUFCA2."), "SUFCA2" + ENQ + ".");  // no suffix block on this reader
}

TEST_F(ReaderProtocol, RadioIdentityNeedsTheUnlock)
{
    Start(SmallProfile("caps wireless\nsetting RADCOD range=0-127 default=0 values=4\n"
                       "setting BASEID range=0-65535 default=0 values=100\n"));
    EXPECT_EQ(Menu("RADCOD9."), "RADCOD9" + NAK + ".");
    EXPECT_EQ(Menu("QxRcCd."), "QxRcCd" + ACK + ".");
    EXPECT_EQ(Menu("RADCOD9."), "RADCOD9" + ACK + ".");
    EXPECT_EQ(Menu("BASEID77."), "BASEID77" + NAK + ".");  // one write per unlock
    EXPECT_EQ(Menu("QxRcCd;BASEID77;RADCOD?;REMOVE."),
              "QxRcCd" + ACK + ";BASEID77" + ACK + ";RADCOD9" + ACK + ";REMOVE" + ACK + ".");
}

TEST_F(ReaderProtocol, CapabilityQueries)
{
    Start(SmallProfile("caps matrix image\nimage 640 480\nscanners S1 S2\n"));
    EXPECT_EQ(Menu("MATCMD?."), "MATCMD1" + ACK + ".");
    EXPECT_EQ(Menu("IMGMXX?;IMGMXY?."), "IMGMXX640" + ACK + ";IMGMXY480" + ACK + ".");
    EXPECT_EQ(Menu("AZTENA?."), "AZTENA?" + ENQ + ".");
    EXPECT_EQ(Menu("LSTSCN."), "LSTSCN" + ENQ + ".");  // not a cordless base

    Start(SmallProfile("caps wireless\nscanners S1 S2\n"));
    EXPECT_EQ(Menu("LSTSCN."), "LSTSCNS1,S2" + ACK + ".");
}

TEST_F(ReaderProtocol, OtherFramings)
{
    Start(SmallProfile("caps matrix\ndevicetype 7\n"));
    // SYN "N": data text, ",", the command name (maybe behind an address), CR.
    EXPECT_EQ(Exchange(*line, "\x16N,DEVICETYPE\r"), "APP,7\r");
    EXPECT_EQ(Exchange(*line, "\x16N,:S1:DEVICETYPE\r"), "APP,7\r");
    EXPECT_EQ(Exchange(*line, "\x16N,SETBOOTCODEDOWNLOADMODE\r"), "");
    // SYN "Y" carries menu commands.
    EXPECT_EQ(Exchange(*line, "\x16Y\rBEPVOL?."), "BEPVOL2" + ACK + ".");

    Start(SmallProfile("devicetype 7\n"));  // without the matrix command set: no answer
    EXPECT_EQ(Exchange(*line, "\x16N,DEVICETYPE\r"), "");
}

TEST_F(ReaderProtocol, FramingRecovers)
{
    Start(SmallProfile());
    // A new frame abandons a half-sent one; text after the frame's terminator is ignored.
    EXPECT_EQ(Exchange(*line, "\x16M\rBEPVOL1;CBR\x16M\rBEPVOL?.junk"), "BEPVOL2" + ACK + ".");
    EXPECT_EQ(Exchange(*line, "\x16Q\rBEPVOL?."), "");
    // An endless command is dropped rather than grown without bound.
    EXPECT_EQ(Exchange(*line, "\x16M\r" + std::string(ReaderEngine::kMaxMenuText + 10, 'A') + "."), "");
    EXPECT_EQ(Menu("BEPVOL?."), "BEPVOL2" + ACK + ".");
}

TEST_F(ReaderProtocol, CommandFaults)
{
    Start(SmallProfile());
    FaultPlan plan;
    plan.nakNext = 2;
    reader->SetFaults(plan);
    EXPECT_EQ(Menu("BEPVOL1;BEPVOL?;BEPVOL?."), "BEPVOL1" + NAK + ";BEPVOL?" + NAK + ";BEPVOL2" + ACK + ".");
    plan = {};
    plan.silent = true;
    reader->SetFaults(plan);
    EXPECT_EQ(Menu("BEPVOL?."), "");
    EXPECT_EQ(Exchange(*line, "\x16" "C\r"), "");
    reader->SetFaults({});
    EXPECT_EQ(Menu("BEPVOL?."), "BEPVOL2" + ACK + ".");
}

TEST_F(ReaderProtocol, TranscriptRecordsCommandsAndStatus)
{
    Start(SmallProfile());
    Menu("BEPVOL1;NOSUCH1.");
    const auto& transcript = reader->Engine().Transcript();
    ASSERT_EQ(transcript.size(), 2u);
    EXPECT_EQ(transcript[0].command, "BEPVOL1");
    EXPECT_EQ(transcript[1].status, 0x05);
}

TEST_F(ReaderProtocol, StartingAtAnotherRateRewritesTheLineSettings)
{
    Start(SmallProfile(kTables));
    LineFormat moved = reader->Model().Line();
    moved.rate = 115200;  // not in this reader's rate list
    EXPECT_FALSE(reader->Model().MoveLine(moved));
    EXPECT_EQ(reader->Model().Line().rate, 9600u);
    moved.rate = 19200;
    ASSERT_TRUE(reader->Model().MoveLine(moved));
    SetHostFormat(*line, 19200, 'N', 8);
    EXPECT_EQ(Menu("232BDR?."), "232BDR19200" + ACK + ".");
}
