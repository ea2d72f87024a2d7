// The analysis inside one headless program: the whole load, the lap
// switches, lap 0 with its summary, the map of the demo track, the growth of
// a lap switch with the length of the replay, the lap comparison (analysis,
// window, cursor), and the steps of a load one by one. Every figure runs beside a baseline that does the bare memory work of
// the same size, so that a busy machine shifts both alike.
//
// Sections: the headless program; baselines; the figures; the growth series;
// the steps of a load; main.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/windows/CompareLayout.h"
#include "app/windows/CompareWindow.h"
#include "app/windows/MainWindow.h"
#include "formats/GameFile.h"
#include "formats/LapFile.h"
#include "formats/ReplayBlock.h"
#include "formats/TrackFile.h"
#include "laps/CompareFigures.h"
#include "laps/CompareView.h"
#include "laps/DriverTable.h"
#include "laps/Gauges.h"
#include "laps/LapFilePath.h"
#include "laps/LapNavigation.h"
#include "laps/LapTrace.h"
#include "laps/LapView.h"
#include "laps/RaceLaps.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "state/AppState.h"
#include "toolkit/Text.h"
#include "toolkit/Toolkit.h"
#include "trackmap/MapDrawing.h"
#include "trackmap/MapPicture.h"
#include "trackmap/Objects.h"

namespace vx::bench {

namespace {

// --- The headless program -----------------------------------------------------

// One window for the whole run, started as the program starts it.
struct Program {
    Toolkit tk;
    Application app{tk};
    Program()
    {
        app.StartUp();
        app.ProcessPendingEvents();
    }
    AppState& State() { return app.State(); }
};

// Ended by main while Qt still runs: a window torn down among the
// destructors at exit would outlive the drawing system.
std::unique_ptr<Program>& ProgramSlot()
{
    static std::unique_ptr<Program> program;
    return program;
}

Program& TheProgram()
{
    std::unique_ptr<Program>& program = ProgramSlot();
    if (!program)
        program = std::make_unique<Program>();
    return *program;
}

// Loads a saved game with its track; the run stops when the load fails.
bool Load(benchmark::State& bench, const std::string& game, const std::string& track = {})
{
    Program& p = TheProgram();
    if (!LoadGameFrom(p.State(), p.tk, game, track)) {
        bench.SkipWithError(("the load of " + game + " failed").c_str());
        return false;
    }
    return true;
}

// What the lap buttons do for lap k (the window is painted afterwards, when
// the program's loop next handles the window system's events).
void SwitchToLap(Program& p, std::int32_t k)
{
    SelectLap(p.State(), p.tk, k);
}

// --- Baselines --------------------------------------------------------------

// The bytes a load must at least move: both files copied once, and two
// pictures of the map's size written once.
void BM_Baseline_CopyFilesAndPictures(benchmark::State& state)
{
    const std::vector<std::uint8_t> game = ReadBytes(LongGame());
    const std::vector<std::uint8_t> track = ReadBytes(DemoTrack());
    std::vector<std::uint8_t> gameCopy(game.size()), trackCopy(track.size());
    constexpr std::size_t kPicture = 512 * 560 * 4;
    std::vector<std::uint8_t> from(kPicture, 7), picture1(kPicture), picture2(kPicture);
    for (auto _ : state) {
        std::memcpy(gameCopy.data(), game.data(), game.size());
        std::memcpy(trackCopy.data(), track.data(), track.size());
        std::memcpy(picture1.data(), from.data(), kPicture);
        std::memcpy(picture2.data(), picture1.data(), kPicture);
        benchmark::DoNotOptimize(gameCopy.data());
        benchmark::DoNotOptimize(trackCopy.data());
        benchmark::DoNotOptimize(picture1.data());
        benchmark::DoNotOptimize(picture2.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Baseline_CopyFilesAndPictures)->Unit(benchmark::kMillisecond)->UseRealTime();

// One pass that reads both words of every replay sample, drawing nothing.
void ReadEverySample(benchmark::State& state, const std::string& gamePath)
{
    const std::vector<std::uint8_t> game = ReadBytes(gamePath);
    const std::optional<ReplayBlock> block = FindReplayBlock(game);
    if (!block) {
        state.SkipWithError("no replay block");
        return;
    }
    for (auto _ : state) {
        std::uint64_t sum = 0;
        for (const ReplaySample& sample : block->Samples)
            sum += sample.SampleX + 3u * sample.SampleY;
        benchmark::DoNotOptimize(sum);
    }
    state.counters["samples"] = static_cast<double>(block->Samples.size());
}

void BM_Baseline_ReadEverySample(benchmark::State& state)
{
    ReadEverySample(state, LongGame());
}
BENCHMARK(BM_Baseline_ReadEverySample)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- The figures --------------------------------------------------------------

// Everything after the requesters: read, parse, gauges, driver table, map,
// water, objects, master copy, lap view, summary and chart.
void BM_WholeLoad_Long(benchmark::State& state)
{
    Program& p = TheProgram();
    for (auto _ : state) {
        if (!LoadGameFrom(p.State(), p.tk, LongGame())) {
            state.SkipWithError("the load failed");
            break;
        }
    }
    state.counters["laps"] = p.State().Laps.LapCount;
}
BENCHMARK(BM_WholeLoad_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// Laps 1, 2, ... in turn, as the ">" button would show them.
void BM_LapSwitch_Long(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    Program& p = TheProgram();
    const std::int32_t laps = p.State().Laps.LapCount;
    std::int32_t k = 0;
    for (auto _ : state) {
        k = k % laps + 1;
        SwitchToLap(p, k);
    }
    state.counters["laps"] = laps;
}
BENCHMARK(BM_LapSwitch_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same, with the window painted as the switch leaves it: what the user
// waits for.
void BM_LapSwitchPainted_Long(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    Program& p = TheProgram();
    const std::int32_t laps = p.State().Laps.LapCount;
    std::int32_t k = 0;
    for (auto _ : state) {
        k = k % laps + 1;
        SwitchToLap(p, k);
        p.app.ProcessPendingEvents();
    }
}
BENCHMARK(BM_LapSwitchPainted_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// Back to lap 0: the whole trace, the lap summary and the chart.
void BM_Lap0WithSummary_Long(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    Program& p = TheProgram();
    for (auto _ : state)
        SwitchToLap(p, 0);
}
BENCHMARK(BM_Lap0WithSummary_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// The lap analysis of the long race: crossings, paths, gates, sectors,
// speeds and clean laps.
void BM_Analysis_Long(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    Program& p = TheProgram();
    for (auto _ : state)
        benchmark::DoNotOptimize(AnalyseCommittedLaps(p.State()));
    state.counters["laps"] = p.State().Laps.LapCount;
}
BENCHMARK(BM_Analysis_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// The comparison window drawn whole for lap k against the reference: map,
// legend, both charts, the table and the figures below the map.
void BM_DrawComparison_Long(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    Program& p = TheProgram();
    CompareWindow& compare = p.app.Compare();
    compare.Open(p.State(), p.tk);
    const std::int32_t laps = p.State().Laps.LapCount;
    const std::int32_t shown = p.State().CurrentLap;
    std::int32_t k = 0;
    for (auto _ : state) {
        k = k % laps + 1;
        p.State().CurrentLap = k;  // the lap compared, without redrawing the main window
        compare.Redraw(p.State(), p.tk);
    }
    p.State().CurrentLap = shown;
    compare.Close(p.tk);
}
BENCHMARK(BM_DrawComparison_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// The cursor moved across the speed chart: both laps' places on the map and
// the values at the cursor.
void BM_CompareCursor_Long(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    Program& p = TheProgram();
    SwitchToLap(p, 3);
    CompareWindow& compare = p.app.Compare();
    compare.Open(p.State(), p.tk);
    const ChartPlot plot = ChartPlotOf(compare_window::SpeedChart.At.w, compare_window::SpeedChart.At.h);
    int x = 0;
    for (auto _ : state) {
        x = (x + 7) % compare_window::SpeedChart.At.w;
        compare.PointAt(p.tk, ChartFraction(plot, x));
    }
    compare.Close(p.tk);
}
BENCHMARK(BM_CompareCursor_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// The lap file of lap k of the committed race, as an export writes it.
LapFile LapFileOfLap(const AppState& s, const LapAnalysis& analysis, std::int32_t k)
{
    const LapProfile profile = ProfileOf(analysis, k);
    LapFile lap;
    lap.TrackName = TrackNameOf(s.TrackFileName);
    lap.Layout = s.LayoutDigest;
    const GameData& game = s.Game;
    if (game.HumanDriverIndex >= 1 && game.HumanDriverIndex <= game.Drivers.size()) {
        lap.Driver = Cp1252ToUtf8(game.Drivers[game.HumanDriverIndex - 1u].Name);
        lap.Car = Cp1252ToUtf8(game.Drivers[game.HumanDriverIndex - 1u].CarName);
    }
    lap.DateNs = 1'809'612'191'000'000'000;
    lap.Race = s.GameDigest;
    lap.Lap = k;
    lap.ViewTime = s.Laps.LapTimes[static_cast<std::size_t>(k - 1)];
    lap.PreciseS = profile.PreciseS;
    lap.Path = LapFilePathOf(profile);
    return lap;
}

// Reading and checking the lap file of the long race's reference lap, as a
// comparison against a file does before anything changes.
void BM_ReadLapFile_Long(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    const AppState& s = TheProgram().State();
    const std::optional<LapAnalysis> analysis = AnalyseCommittedLaps(s);
    if (!analysis) {
        state.SkipWithError("no analysis");
        return;
    }
    const LapFile lap = LapFileOfLap(s, *analysis, analysis->ReferenceLap);
    if (const std::optional<std::string> fault = LapFault(lap)) {
        state.SkipWithError(("the reference lap is no sound lap file: " + *fault).c_str());
        return;
    }
    const std::string text = WriteLapFile(lap);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    for (auto _ : state) {
        Parsed<LapFile> read = ReadLapFile(bytes, "long.vxlap");
        if (!read.ok()) {
            state.SkipWithError(read.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(read.value->Path.data());
    }
    state.counters["vertices"] = static_cast<double>(lap.Path.size());
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ReadLapFile_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// The comparison window drawn whole for lap k against a lap file's lap (the
// long race's reference lap, as a friend would send it): the same pictures
// as against a lap of the race, the file's path and corners in place of it.
void BM_DrawComparisonAgainstFile_Long(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    Program& p = TheProgram();
    const std::optional<LapAnalysis> analysis = AnalyseCommittedLaps(p.State());
    if (!analysis) {
        state.SkipWithError("no analysis");
        return;
    }
    LapFile lap = LapFileOfLap(p.State(), *analysis, analysis->ReferenceLap);
    lap.Driver = "Ada Morrow";
    CompareWindow& compare = p.app.Compare();
    if (const std::string why = compare.CompareAgainstLap(p.State(), p.tk, std::move(lap), "long.vxlap");
        !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    const std::int32_t laps = p.State().Laps.LapCount;
    const std::int32_t shown = p.State().CurrentLap;
    std::int32_t k = 0;
    for (auto _ : state) {
        k = k % laps + 1;
        p.State().CurrentLap = k;
        compare.Redraw(p.State(), p.tk);
    }
    p.State().CurrentLap = shown;
    compare.Close(p.tk);
}
BENCHMARK(BM_DrawComparisonAgainstFile_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// The pointer from one corner to the next (a row of the corner table, a bar
// or a number on the map): the map and both charts drawn again with the
// corner marked, the corner table and the loss chart with it shaded.
void BM_CornerPointing_Long(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    Program& p = TheProgram();
    SwitchToLap(p, 3);
    CompareWindow& compare = p.app.Compare();
    compare.Open(p.State(), p.tk);
    const auto corners = static_cast<std::int32_t>(compare.Corners().Deltas.size());
    if (corners == 0) {
        state.SkipWithError("the long race has no corners");
        return;
    }
    std::int32_t corner = 0;
    for (auto _ : state) {
        corner = corner % corners + 1;
        compare.PointAtCorner(p.State(), p.tk, corner);
    }
    state.counters["corners"] = corners;
    compare.Close(p.tk);
}
BENCHMARK(BM_CornerPointing_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// The three procedures that draw the map, on the demo's track.
void BM_WholeMap_Demo(benchmark::State& state)
{
    if (!Load(state, DemoGame()))
        return;
    Program& p = TheProgram();
    for (auto _ : state) {
        DrawTrackPicture(p.State(), p.tk);
        DrawWaterCells(p.State(), p.tk);
        DrawTrackObjects(p.State(), p.tk);
    }
}
BENCHMARK(BM_WholeMap_Demo)->Unit(benchmark::kMillisecond)->UseRealTime();

// A second window started in the same program: the window's share of the
// start, without the one-off start of the drawing system (measured from
// outside by bench_process).
void BM_StartUp_InProcess(benchmark::State& state)
{
    TheProgram();
    for (auto _ : state) {
        auto tk = std::make_unique<Toolkit>();
        auto app = std::make_unique<Application>(*tk);
        app->StartUp();
        app->ProcessPendingEvents();
        state.PauseTiming();
        app.reset();
        tk.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp_InProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- The growth series ------------------------------------------------------

const std::vector<std::int64_t> kGrowthSamples = {1000, 10000, 50000, 109805};

// Lap 1 of long.gam's replay cut to n samples.
void BM_LapSwitchGrowth(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    if (!Load(state, CutReplay(LongGame(), n), DemoTrack()))
        return;
    Program& p = TheProgram();
    for (auto _ : state)
        SwitchToLap(p, 1);
    state.counters["laps"] = p.State().Laps.LapCount;
    state.SetComplexityN(n);
}

void BM_ReadEverySampleGrowth(benchmark::State& state)
{
    ReadEverySample(state, CutReplay(LongGame(), state.range(0)));
    state.SetComplexityN(state.range(0));
}

void GrowthArgs(benchmark::internal::Benchmark* b)
{
    for (const std::int64_t n : kGrowthSamples)
        b->Arg(n);
}
BENCHMARK(BM_LapSwitchGrowth)->Apply(GrowthArgs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadEverySampleGrowth)
    ->Apply(GrowthArgs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// --- The steps of a load ----------------------------------------------------
// Each step as the load runs it, on the committed long.gam; for finding
// where the time of a load goes, not figures of their own.

void BM_Step_ReadBothFiles(benchmark::State& state)
{
    Program& p = TheProgram();
    for (auto _ : state) {
        FileRead game = ReadWholeFile(p.tk, LongGame(), kMaxGameFileBytes);
        FileRead track = ReadWholeFile(p.tk, DemoTrack(), kMaxTrackFileBytes);
        benchmark::DoNotOptimize(game.bytes.data());
        benchmark::DoNotOptimize(track.bytes.data());
    }
}
BENCHMARK(BM_Step_ReadBothFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Step_ParseBothFiles(benchmark::State& state)
{
    const std::vector<std::uint8_t> game = ReadBytes(LongGame());
    const std::vector<std::uint8_t> track = ReadBytes(DemoTrack());
    for (auto _ : state) {
        auto g = ParseGameFile(game);
        auto t = ParseTrackFile(track);
        benchmark::DoNotOptimize(g);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_Step_ParseBothFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

// The walk over the samples that cuts the replay into laps, once per load,
// with nothing drawn.
void BM_Step_TraceOnly(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    const AppState& s = TheProgram().State();
    for (auto _ : state) {
        const LapTrace trace = TraceReplay(s.Game, s.Track);
        benchmark::DoNotOptimize(trace.LapCount);
    }
}
BENCHMARK(BM_Step_TraceOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

template <void (*Step)(AppState&, Toolkit&)>
void RunStep(benchmark::State& state)
{
    if (!Load(state, LongGame()))
        return;
    Program& p = TheProgram();
    for (auto _ : state)
        Step(p.State(), p.tk);
}

void CopyMaster(AppState&, Toolkit& tk)
{
    tk.CopyImageSlot(MapImage, MapMasterImage);
}

void LapView0(AppState& state, Toolkit& tk)
{
    state.CurrentLap = 0;
    tk.CopyImageSlot(MapMasterImage, MapImage);
    DrawLapView(state, tk);
}

void ShowMapInBox(AppState&, Toolkit& tk)
{
    tk.SetControlValue(MapBox, static_cast<std::int64_t>(tk.ImageHandleOf(MapImage)));
}

BENCHMARK(RunStep<ShowMapInBox>)->Name("BM_Step_ShowMapInBox")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RunStep<DrawGaugePanel>)->Name("BM_Step_Gauges")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RunStep<FillDriverTable>)->Name("BM_Step_DriverTable")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RunStep<DrawTrackPicture>)->Name("BM_Step_TrackPicture")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RunStep<DrawWaterCells>)->Name("BM_Step_WaterCells")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RunStep<DrawTrackObjects>)->Name("BM_Step_TrackObjects")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RunStep<CopyMaster>)->Name("BM_Step_MasterCopy")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RunStep<LapView0>)->Name("BM_Step_LapView0")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

}  // namespace vx::bench

int main(int argc, char** argv)
{
    using namespace vx::bench;
    std::setlocale(LC_NUMERIC, "C");
    if (!vx::SystemWindows().Start(true, nullptr))
        return 1;
    const std::vector<Figure> figures = {
        {"Whole load, long.gam", "BM_WholeLoad_Long", "", "BM_Baseline_CopyFilesAndPictures", "",
         25.0},
        {"Lap switch (lap k), long.gam", "BM_LapSwitch_Long", "", "BM_Baseline_ReadEverySample",
         "", 0.5},
        {"Lap switch painted (lap k), long.gam", "BM_LapSwitchPainted_Long", "",
         "BM_Baseline_ReadEverySample", "", 0.0},
        {"Lap 0 with summary, long.gam", "BM_Lap0WithSummary_Long", "",
         "BM_Baseline_ReadEverySample", "", 6.0},
        {"Whole map (picture, water, objects), demo track", "BM_WholeMap_Demo", "", "", "", 10.0},
        {"Start-up in a running program (window shown)", "BM_StartUp_InProcess", "", "", "", 0.0},
        {"Lap analysis, long.gam", "BM_Analysis_Long", "", "BM_Baseline_ReadEverySample", "", 3.0},
        {"Comparison window drawn whole, long.gam", "BM_DrawComparison_Long", "",
         "BM_Baseline_CopyFilesAndPictures", "", 16.0},
        {"Comparison cursor moved, long.gam", "BM_CompareCursor_Long", "",
         "BM_Baseline_ReadEverySample", "", 8.0},
        {"Lap file of the reference lap read and checked, long.gam", "BM_ReadLapFile_Long", "",
         "BM_Analysis_Long", "", 2.0},
        {"A corner pointed at in the comparison, long.gam", "BM_CornerPointing_Long", "",
         "BM_Baseline_ReadEverySample", "", 8.0},
    };
    const std::vector<Series> series = {
        {"Growth: lap switch to lap 1 (baseline: one pass reading every sample)",
         "BM_LapSwitchGrowth", "BM_ReadEverySampleGrowth"},
    };
    const int status = RunBenchmarks(argc, argv, figures, series);
    ProgramSlot().reset();
    return status;
}
