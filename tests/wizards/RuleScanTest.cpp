// Scans on the in-process simulated reader go through the rules it holds, the same way the
// preview of those rules says.
#include "wizards/FormatPreview.h"

#include "platform/SerialDevice.h"
#include "sim/RuleScan.h"
#include "sim/SimulatedReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

std::string ReadAll(SerialDevice& line)
{
    std::string bytes;
    for (int quiet = 0; quiet < 20;) {
        unsigned char buffer[256];
        const long n = line.Read(buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
            quiet = 0;
        } else {
            ++quiet;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return bytes;
}

TEST(RuleScan, TheReaderSendsWhatThePreviewSays)
{
    std::string error;
    auto reader = SimulatedReader::FromProfile("5820rules", error);
    ASSERT_TRUE(reader) << error;
    std::unique_ptr<SerialDevice> line = reader->OpenLine();
    ASSERT_TRUE(line);
    SerialLineState state;
    state.baudRate = 57600; // the profile's line
    ASSERT_TRUE(line->SetLineState(state));
    const ReaderRules rules = RulesOfModel(reader->Model());
    struct Row {
        const char* code;
        const char* text;
        const char* host;
    };
    const Row rows[] = {
        { "62", "1234AA5678", "\r\n12345678\r\r" }, // FB suppresses A; Code 39's own prefix
        { "6A", "A1A2", "B1B2\r\r" }, // E4 replaces A by B
        { "5A", "x", "Ax\r\r" }, // the E4 format for all symbologies; the unknown code keeps its prefix
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(reader->Scan(row.code, row.text), "");
        const std::string sent = ReadAll(*line);
        EXPECT_EQ(sent, row.host);
        EXPECT_EQ(sent, RunFormatPreview(rules, { row.code, row.text, "", 0 }).host);
    }
}

} // namespace
