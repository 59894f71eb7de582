// The simulated reader's scanner: what each kind of decoded symbol does to the reader, and a
// printed sheet scanned in order.
#include "barcode/BarRasterCanvas.h"
#include "barcode/BarcodeSheets.h"
#include "barcode/SheetImage.h"
#include "RecordingCanvas.h"
#include "sim/ReaderEngine.h"
#include "sim/SheetScanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

using Format = ReaderEngine::ScanFormat;

ReaderProfile Profile()
{
    ReaderProfile profile;
    std::string error;
    const char* text = "name scan\nrev_qx QX80001013-008\nrev_sw S\np_name P\nlink 0xCE07\nline 38400 8N1\ntables 3\n"
                       "caps tables wireless\nscanners A B\n"
                       "setting BEPLVL range=0-3 default=2 values=1\n"
                       "setting CBRENA range=0-1 default=1 values=0\n"
                       "setting BASEID range=0-65535 default=0 values=12 global\n";
    EXPECT_TRUE(ReaderProfile::Parse(text, profile, error)) << error;
    return profile;
}

std::string Value(ReaderEngine& engine, const std::string& tag)
{
    const SettingState* setting = engine.Model().Find(tag);
    return setting ? engine.Model().Value(*setting) : "<none>";
}

TEST(ReaderScan, EachKindOfSymbol)
{
    ReaderEngine engine(Profile());
    struct Row {
        Format format;
        std::string bytes;
        bool readerInit;
        bool accepted;
        std::string tag;
        std::string value;
    };
    const Row rows[] = {
        { Format::Code128, "~BEPLVL3.", true, true, "BEPLVL", "3" },
        { Format::Code128, "~BEPLVL0.", false, false, "BEPLVL", "3" }, // no FNC3: ordinary data
        { Format::Code128, "~BEPLVL9.", true, false, "BEPLVL", "3" }, // out of range
        { Format::Code128, "~4711", true, true, "BASEID", "4711" }, // the tagless base id
        { Format::Aztec, "CBRENA1;BEPLVL0.", false, true, "CBRENA", "1" },
        { Format::Aztec, "CBRENA0;BEPLVL7.", false, false, "BEPLVL", "0" }, // the first still takes
        { Format::Other, "~BEPLVL1.", true, false, "BEPLVL", "0" },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(engine.Scan(row.format, row.bytes, row.readerInit), row.accepted) << row.bytes;
        EXPECT_EQ(Value(engine, row.tag), row.value) << row.bytes;
    }
    EXPECT_EQ(Value(engine, "CBRENA"), "0");
    ASSERT_EQ(engine.ScanLog().size(), std::size(rows));
    EXPECT_EQ(engine.ScanLog()[0], "accepted menu command: ~BEPLVL3.");
    EXPECT_EQ(engine.ScanLog()[1].rfind("refused", 0), 0u);
}

TEST(ReaderScan, KeyboardInterfaceWaitsForTheKestrelSymbol)
{
    ReaderEngine engine(Profile());
    engine.SetSilent(true);
    EXPECT_FALSE(engine.Scan(Format::Code128, "~BEPLVL3.", true));
    EXPECT_EQ(Value(engine, "BEPLVL"), "1");
    EXPECT_FALSE(engine.Scan(Format::Code128, "~KESTRL.", false)); // FNC3 is part of it
    EXPECT_TRUE(engine.Silent());
    EXPECT_TRUE(engine.Scan(Format::Code128, "~KESTRL.", true));
    EXPECT_FALSE(engine.Silent());
}

TEST(ReaderScan, PrintedSheetIsScannedInOrder)
{
    // Two commands on one setting: the later one in scan order must win.
    const std::string data = Linear("BEPLVL0") + Linear("CBRENA1") + Linear("BEPLVL3");
    LinearPageSettings settings;
    settings.columns = 2;
    const int width = 2422, height = 3135;
    BarRasterCanvas metrics(width, height, 300, 300);
    BarRasterCanvas page(width, height, 300, 300);
    ASSERT_EQ(CheckLinearSheet(metrics, data, settings, width, height, 300, {}, {}).error, "");
    ASSERT_EQ(PrintLinearSheet(page, data, settings, width, height, {}, {}), 1);
    GrayImage image;
    image.width = width;
    image.height = height;
    image.pixels = page.Pixels();
    const std::string path = ::testing::TempDir() + "/sheet.pbm";
    std::ofstream(path, std::ios::binary) << WritePbm(image);
    ReaderEngine engine(Profile());
    SheetScanner scanner(engine);
    std::string log;
    ASSERT_TRUE(scanner.ScanFile(path, log));
    EXPECT_EQ(log, "accepted menu command: ~BEPLVL0.\naccepted menu command: ~CBRENA1.\n"
                   "accepted menu command: ~BEPLVL3.\n");
    EXPECT_EQ(Value(engine, "BEPLVL"), "3");
    std::remove(path.c_str());
    EXPECT_FALSE(scanner.ScanFile(path, log));
}

} // namespace
