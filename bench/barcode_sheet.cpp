// Bar code sheets against the time a user waits for them.
//
// LinearSheetPage: one full Letter page of cloning bar codes (two columns, the largest reader
// profile's settings forced into the linear form) composed, rasterised at 600 dpi and every
// symbol on it read back — the check each page passes before it goes to the printer. A
// 40-page-per-minute laser takes 1.5 s a page; the check should stay under 1/20 of that.
//
// AztecRebuild: the Aztec symbol of a 1500-byte configuration rebuilt, as every move of the
// dialog's size slider does; it should fit in one 16.7 ms frame.
#include "barcode/AztecSymbol.h"
#include "barcode/BarRasterCanvas.h"
#include "barcode/BarcodeSheets.h"
#include "barcode/ReadBack.h"
#include "barcode/ScaledCanvas.h"
#include "sim/ReaderProfile.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kDpi = 600;
constexpr int kPrintableWidth = kDpi * 17 / 2 * 95 / 100;
constexpr int kPrintableHeight = kDpi * 11 * 95 / 100;

// Every setting of the largest shipped profile as a linear menu command.
std::string LargestProfileSheet()
{
    ReaderProfile profile;
    std::string error;
    if (!ReaderProfile::LoadByName("5820bs", profile, error))
        return {};
    std::string data = std::string("~DEFALT.") + '\x82';
    for (const ProfileSetting& setting : profile.settings)
        data += "~" + setting.tag + setting.defaultValue + "." + '\x82';
    return data;
}

void LinearSheetPage(benchmark::State& state)
{
    const std::string data = LargestProfileSheet();
    if (data.empty()) {
        state.SkipWithError("no 5820bs profile");
        return;
    }
    LinearPageSettings settings;
    settings.columns = 2;
    settings.captionInformation = CBarCodeSymbol::kDescriptionAndCommand;
    BarRasterCanvas raster(kPrintableWidth, kPrintableHeight, kDpi, kDpi);
    ScaledCanvas half(raster, 2, kPrintableWidth / 2, kPrintableHeight / 2);
    LinearBarcodePage builder;
    builder.SetShowMessages(false);
    size_t symbols = 0;
    int failures = 0;
    for (auto _ : state) {
        raster.StartPage();
        SelectLinearSheetFont(half);
        builder.Compose(half, data, settings, PageRequest::None, {}, [] { return std::time_t { 0 }; });
        const GrayImage page = MakeGrayImage(raster.PageWidth(), raster.PageHeight(), raster.Pixels());
        for (const PlacedSymbol& placed : builder.Placed()) {
            DecodedSymbol decoded;
            const CanvasRect bars { placed.bars.left * 2, placed.bars.top * 2, placed.bars.right * 2,
                placed.bars.bottom * 2 };
            if (!DecodeArea(page, bars, false, decoded) || decoded.bytes != ExpectedLinearReading(placed.encoded))
                ++failures;
        }
        symbols = builder.Placed().size();
    }
    if (failures > 0)
        state.SkipWithError("a symbol did not read back");
    state.counters["symbols_on_page"] = static_cast<double>(symbols);
    state.counters["pages_in_sheet"] = builder.PageCount();
}
BENCHMARK(LinearSheetPage)->Unit(benchmark::kMillisecond);

void AztecRebuild(benchmark::State& state)
{
    std::string text;
    for (int i = 0; text.size() < 1500; ++i)
        text += "BEPLVL" + std::to_string(i % 4) + ";";
    text.resize(1499);
    text += '.';
    AztecSymbol symbol;
    int size = 1;
    for (auto _ : state) {
        if (!symbol.Build(text, size, false)) {
            state.SkipWithError(symbol.Error().c_str());
            break;
        }
        benchmark::DoNotOptimize(symbol.Bitmap().bits.data());
        size = size % AztecSymbol::kMaxSize + 1;
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(AztecRebuild)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
