// The traffic log's line format (shared with the simulator's log), and its file writer: the
// named file appears only complete, and every line is either written or counted as dropped.
#include "platform/SerialDevice.h"
#include "platform/TrafficLog.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

TEST(TrafficLogTest, LineFormat)
{
    const std::uint8_t bytes[] = { 'r', 'e', 'v', 0x06, 0x2E, 0xFF };
    EXPECT_EQ(TrafficLog::FormatData(1.5, "COM10", '<', bytes, sizeof bytes),
        "    1.500000 COM10 < 72 65 76 06 2E FF" + std::string(47 - 17, ' ') + "  |rev...|");
    EXPECT_EQ(TrafficLog::FormatEvent(0.25, "COM10", '!', "opened"), "    0.250000 COM10 ! opened");
    SerialLineState line;
    line.baudRate = 38400;
    line.parity = 'E';
    line.dataBits = 7;
    line.dtrControl = 1;
    EXPECT_EQ(TrafficLog::DescribeLine(line), "38400,E,7,1 DTR on RTS off CTS flow off");
}

TEST(TrafficLogTest, FileIsCompleteAndCountsWhatItDropped)
{
    TempFolder folder;
    const std::string path = folder.Path() + "/trace.log";
    TrafficLog& log = TrafficLog::Instance();
    std::string error;
    log.SetQueueLimit(4);
    ASSERT_TRUE(log.OpenFile(path, error)) << error;
    std::uint8_t block[40] = {};
    const int writes = 2000;
    for (int i = 0; i < writes; ++i)
        log.Data("COM1", '>', block, sizeof block); // three lines each
    EXPECT_FALSE(std::ifstream(path).good()); // not there until complete
    const std::uint64_t dropped = log.DroppedLines();
    log.CloseFile();
    log.SetQueueLimit(TrafficLog::kQueueLines);
    log.SetRecording(false);

    std::ifstream in(path);
    ASSERT_TRUE(in.good());
    std::string line, last;
    std::uint64_t lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        last = line;
    }
    const std::uint64_t reportedDropped = log.DroppedLines();
    EXPECT_GE(reportedDropped, dropped);
    if (reportedDropped > 0) {
        EXPECT_NE(last.find(std::to_string(reportedDropped) + " lines dropped"), std::string::npos) << last;
        --lines;
    }
    EXPECT_EQ(lines + reportedDropped, static_cast<std::uint64_t>(writes) * 3);
}
