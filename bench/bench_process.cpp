// Whole processes, measured from outside: the start of the program to its
// window shown, the render command, and the peak resident memory of a load
// with lap switches. Each runs beside its baseline process.
//
// The programs are given by the build: VX_ANALYSER (the program itself) and
// VX_BENCH_CHILD (bench_child.cpp: the program's start-up, load and lap
// switches, ending as soon as they are done).
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace vx::bench {

namespace {

void Spawn(benchmark::State& state, const std::string& program,
           const std::vector<std::string>& arguments)
{
    double peakMB = 0.0;
    for (auto _ : state) {
        const ChildRun run = RunChild(program, arguments);
        if (run.ExitStatus != 0) {
            state.SkipWithError((program + " ended with status " +
                                 std::to_string(run.ExitStatus))
                                    .c_str());
            break;
        }
        state.SetIterationTime(run.Seconds);
        peakMB = std::max(peakMB, static_cast<double>(run.PeakKiB) * 1024.0 / 1e6);
    }
    state.counters["peak_MB"] = peakMB;
}

// Baseline of the start: the process that only prints its version.
void BM_Process_Version(benchmark::State& state)
{
    Spawn(state, VX_ANALYSER, {"--version"});
}
BENCHMARK(BM_Process_Version)->Unit(benchmark::kMillisecond)->UseManualTime();

// From the start of the process to the window shown (headless).
void BM_Process_WindowShown(benchmark::State& state)
{
    Spawn(state, VX_BENCH_CHILD, {"window"});
}
BENCHMARK(BM_Process_WindowShown)->Unit(benchmark::kMillisecond)->UseManualTime();

// The report of the long replay as JSON: the load's numbers, no window.
void BM_Process_ReportJsonLong(benchmark::State& state)
{
    Spawn(state, VX_ANALYSER, {"report", LongGame(), "--json"});
}
BENCHMARK(BM_Process_ReportJsonLong)->Unit(benchmark::kMillisecond)->UseManualTime();

// The render command on the demo, writing its six PNG files.
void BM_Process_RenderDemo(benchmark::State& state)
{
    const std::string out = ScratchFolder() + "/render";
    Spawn(state, VX_ANALYSER, {"render", DemoGame(), "--out", out});
}
BENCHMARK(BM_Process_RenderDemo)->Unit(benchmark::kMillisecond)->UseManualTime();

// Peak memory: the window alone, then long.gam loaded with 100 lap switches.
// One child per iteration; the counter is the child's peak resident set.
void BM_Memory_WindowAlone(benchmark::State& state)
{
    Spawn(state, VX_BENCH_CHILD, {"window"});
}
BENCHMARK(BM_Memory_WindowAlone)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_Memory_LoadAnd100Switches(benchmark::State& state)
{
    Spawn(state, VX_BENCH_CHILD, {"switches", LongGame(), "100"});
}
BENCHMARK(BM_Memory_LoadAnd100Switches)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

// The first load of long.gam in a fresh process, and its first lap switch,
// as the child measures them; the baseline is the second load and lap switch
// in the same child.
void FirstInProcess(benchmark::State& state, int field)
{
    for (auto _ : state) {
        const ChildRun run = RunChild(VX_BENCH_CHILD, {"first", LongGame()});
        double ms[4] = {};
        if (run.ExitStatus != 0 ||
            std::sscanf(run.Output.c_str(), "%lf %lf %lf %lf", &ms[0], &ms[1], &ms[2], &ms[3]) != 4) {
            state.SkipWithError("the child did not load long.gam");
            break;
        }
        state.SetIterationTime(ms[field] / 1000.0);
    }
}

void BM_FirstLoad_Long(benchmark::State& state) { FirstInProcess(state, 0); }
void BM_FirstLapSwitch_Long(benchmark::State& state) { FirstInProcess(state, 1); }
void BM_SecondLoad_Long(benchmark::State& state) { FirstInProcess(state, 2); }
void BM_SecondLapSwitch_Long(benchmark::State& state) { FirstInProcess(state, 3); }
BENCHMARK(BM_FirstLoad_Long)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_SecondLoad_Long)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_FirstLapSwitch_Long)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_SecondLapSwitch_Long)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

}  // namespace vx::bench

int main(int argc, char** argv)
{
    using namespace vx::bench;
    const std::vector<Figure> figures = {
        {"Start of the program to the window shown", "BM_Process_WindowShown", "",
         "BM_Process_Version", "", 300.0},
        {"report --json of long.gam, whole command", "BM_Process_ReportJsonLong", "",
         "BM_Process_Version", "", 0.0},
        {"render of the demo to PNG files, whole command", "BM_Process_RenderDemo", "",
         "BM_Process_Version", "", 500.0},
        {"First load of long.gam in a fresh process", "BM_FirstLoad_Long", "",
         "BM_SecondLoad_Long", "", 25.0},
        {"Its first lap switch (lap 1)", "BM_FirstLapSwitch_Long", "",
         "BM_SecondLapSwitch_Long", "", 0.5},
        {"Peak memory: load long.gam + 100 lap switches", "BM_Memory_LoadAnd100Switches",
         "peak_MB", "BM_Memory_WindowAlone", "peak_MB", 80.0, Unit::Megabytes},
    };
    return RunBenchmarks(argc, argv, figures);
}
