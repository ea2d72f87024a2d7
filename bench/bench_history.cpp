// The race history: recording one race, "history add" of a folder of
// generated races (first and again), "history" over 10,000 races, the
// history window over 10,000 races, a race row's click to its load, and the
// database's size per race. Each beside a baseline from the same run.
//
//   bench_history                       the benchmarks
//   bench_history analyse FOLDER TRACK  (the baseline process) reads, parses
//                                       and analyses every saved game of FOLDER
//                                       with TRACK, as history add loads them
//
// The races come from make_demo --races (VX_MAKE_DEMO); the program under
// test is VX_ANALYSER.
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/windows/HistoryLayout.h"
#include "app/windows/MainWindow.h"
#include "history/HistoryStore.h"
#include "laps/LapView.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Toolkit.h"

namespace vx::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kGeneratedRaces = 500;
constexpr int kManyRaces = 10'000;

// The generated races: ScratchFolder()/races/{Saves,Tracks}.
const std::string& RacesFolder()
{
    static const std::string folder = [] {
        const std::string path = ScratchFolder() + "/races";
        const std::string command = std::string(VX_MAKE_DEMO) + " " + path + " --races " +
                                    std::to_string(kGeneratedRaces) + " >/dev/null";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("make_demo failed");
        return path;
    }();
    return folder;
}

std::vector<std::string> GeneratedGames()
{
    std::vector<std::string> games;
    for (const auto& entry : fs::directory_iterator(RacesFolder() + "/Saves"))
        games.push_back(entry.path().string());
    std::sort(games.begin(), games.end());
    return games;
}

// The record of a saved game, as history add makes it.
RaceRecord RecordOf(const std::string& game)
{
    Toolkit toolkit;
    AppState state;
    InitAppState(state, toolkit.CurrentFolder());
    if (!LoadGameData(state, toolkit, game))
        throw std::runtime_error("cannot load " + game);
    std::string whyNot;
    const auto record = RaceRecordOf(state, *StampOfPath(game), whyNot);
    if (!record)
        throw std::runtime_error(game + ": " + whyNot);
    return *record;
}

std::unique_ptr<HistoryStore> FreshStore(const std::string& name)
{
    const std::string path = ScratchFolder() + "/" + name;
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path + suffix);
    HistoryOpening opening = OpenHistory(path);
    if (!opening.Store)
        throw std::runtime_error(opening.Problem);
    return std::move(opening.Store);
}

// Another race of the same bytes' shape: a key of its own.
void Renumber(RaceRecord& race, std::uint64_t number)
{
    for (int i = 0; i < 8; ++i)
        race.Race[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(number >> (8 * i));
}

// --- Recording one race --------------------------------------------------------------------

// The long replay's record written (a new race each time): what recording
// adds to a load and its analysis.
void BM_RecordRace_Long(benchmark::State& state)
{
    RaceRecord race = RecordOf(LongGame());
    auto store = FreshStore("record-long.sqlite3");
    std::uint64_t number = 0;
    for (auto _ : state) {
        Renumber(race, ++number);
        if (!store->Record(race)) {
            state.SkipWithError(store->LastFailure().message.c_str());
            break;
        }
    }
}
BENCHMARK(BM_RecordRace_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: the analysis of the long replay that the record is made from.
void BM_AnalyseLoaded_Long(benchmark::State& state)
{
    Toolkit toolkit;
    AppState loaded;
    InitAppState(loaded, toolkit.CurrentFolder());
    if (!LoadGameData(loaded, toolkit, LongGame())) {
        state.SkipWithError("cannot load long.gam");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(AnalyseCommittedLaps(loaded));
}
BENCHMARK(BM_AnalyseLoaded_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// The two keys of the long replay's load: SHA-256 of both files' bytes.
void BM_Keys_Long(benchmark::State& state)
{
    const std::vector<std::uint8_t> game = ReadBytes(LongGame());
    const std::vector<std::uint8_t> track = ReadBytes(DemoTrack());
    for (auto _ : state) {
        benchmark::DoNotOptimize(Sha256(game));
        benchmark::DoNotOptimize(Sha256(track));
    }
}
BENCHMARK(BM_Keys_Long)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- history add ------------------------------------------------------------------------------

void Spawn(benchmark::State& state, const std::string& program, const std::vector<std::string>& arguments,
           const std::function<void()>& before = {})
{
    for (auto _ : state) {
        if (before) {
            state.PauseTiming();
            before();
            state.ResumeTiming();
        }
        const ChildRun run = RunChild(program, arguments);
        if (run.ExitStatus != 0) {
            state.SkipWithError((program + " ended with status " + std::to_string(run.ExitStatus)).c_str());
            break;
        }
        state.SetIterationTime(run.Seconds);
    }
}

void RemoveHistory(const std::string& path)
{
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path + suffix);
}

// The first add of the generated races, into a history of its own each time.
void BM_Process_HistoryAdd500(benchmark::State& state)
{
    const std::string history = ScratchFolder() + "/add.sqlite3";
    Spawn(state, VX_ANALYSER, {"history", "add", RacesFolder() + "/Saves", "--history", history},
          [&] { RemoveHistory(history); });
}
BENCHMARK(BM_Process_HistoryAdd500)->Unit(benchmark::kMillisecond)->UseManualTime();

// Baseline: one process reading, parsing and analysing the same files.
void BM_Process_Analyse500(benchmark::State& state)
{
    Spawn(state, VX_BENCH_SELF, {"analyse", RacesFolder() + "/Saves", RacesFolder() + "/Tracks/Kestrelvale.trk"});
}
BENCHMARK(BM_Process_Analyse500)->Unit(benchmark::kMillisecond)->UseManualTime();

// The same folder again, unchanged: nothing is read again.
void BM_Process_HistoryAddAgain500(benchmark::State& state)
{
    const std::string history = ScratchFolder() + "/again.sqlite3";
    RemoveHistory(history);
    if (RunChild(VX_ANALYSER, {"history", "add", RacesFolder() + "/Saves", "--history", history}).ExitStatus != 0) {
        state.SkipWithError("the first add failed");
        return;
    }
    Spawn(state, VX_ANALYSER, {"history", "add", RacesFolder() + "/Saves", "--history", history});
}
BENCHMARK(BM_Process_HistoryAddAgain500)->Unit(benchmark::kMillisecond)->UseManualTime();

// --- history over 10,000 races ------------------------------------------------------------------

// 10,000 races: the generated ones twenty times over, each copy a race of
// its own, twenty weeks later.
const std::string& ManyRacesHistory()
{
    static const std::string path = [] {
        auto store = FreshStore("many.sqlite3");
        std::vector<RaceRecord> races;
        for (const std::string& game : GeneratedGames())
            races.push_back(RecordOf(game));
        std::uint64_t number = 0;
        for (int copy = 0; number < kManyRaces; ++copy) {
            for (RaceRecord race : races) {
                if (number == kManyRaces)
                    break;
                Renumber(race, ++number);
                race.DateNs += copy * 140LL * 24 * 3600 * 1'000'000'000;
                if (!store->Record(race))
                    throw std::runtime_error(store->LastFailure().message);
            }
        }
        return store->Path();
    }();
    return path;
}

void BM_Process_History10k(benchmark::State& state)
{
    Spawn(state, VX_ANALYSER, {"history", "--history", ManyRacesHistory()});
}
BENCHMARK(BM_Process_History10k)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_Process_HistoryTrack10k(benchmark::State& state)
{
    Spawn(state, VX_ANALYSER, {"history", "Kestrelvale", "--json", "--history", ManyRacesHistory()});
}
BENCHMARK(BM_Process_HistoryTrack10k)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_Process_Version(benchmark::State& state)
{
    Spawn(state, VX_ANALYSER, {"--version"});
}
BENCHMARK(BM_Process_Version)->Unit(benchmark::kMillisecond)->UseManualTime();

// --- The history window ------------------------------------------------------------------------------

// A headless program as the window starts it, with a history, for the run
// of one benchmark (one program at a time: each takes the window system's
// events).
struct Program {
    Toolkit tk;
    Application app{tk};
    explicit Program(const HistoryOptions& history)
    {
        app.StartUp(history);
        app.ProcessPendingEvents();
    }
    AppState& State() { return app.State(); }
};

// The race every window benchmark shows: a generated one of the demo's size.
std::string ShownGame()
{
    return RacesFolder() + "/Saves/race-0250.gam";
}

// The 500 generated races, recorded as history add records them (each its
// file's race): a copy each time, as a click records its race again.
std::string GeneratedHistory()
{
    static const std::string original = [] {
        auto store = FreshStore("generated.sqlite3");
        for (const std::string& game : GeneratedGames())
            if (!store->Record(RecordOf(game)))
                throw std::runtime_error(store->LastFailure().message);
        return store->Path();
    }();
    const std::string copy = ScratchFolder() + "/clicked.sqlite3";
    RemoveHistory(copy);
    fs::copy_file(original, copy);
    return copy;
}

// The window opened over the shown race's track of 10,000 races (read,
// figured and drawn whole), and painted.
void BM_HistoryWindow10k(benchmark::State& state)
{
    Program p({ManyRacesHistory(), false});
    if (!LoadGameFrom(p.State(), p.tk, ShownGame())) {
        state.SkipWithError("cannot load the shown race");
        return;
    }
    p.app.History().Open(p.State(), p.tk);
    if (p.app.History().Races().size() != kManyRaces) {
        state.SkipWithError("the window does not show the 10,000 races");
        return;
    }
    for (auto _ : state) {
        p.app.History().Open(p.State(), p.tk);
        p.app.ProcessPendingEvents();
    }
}
BENCHMARK(BM_HistoryWindow10k)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: the track's 10,000 races read from the history.
void BM_HistoryProgress10k(benchmark::State& state)
{
    HistoryOpening opening = OpenHistoryToRead(ManyRacesHistory());
    const auto tracks = opening.Store ? opening.Store->Tracks() : std::nullopt;
    if (!tracks || tracks->empty()) {
        state.SkipWithError("no history");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(opening.Store->Progress(tracks->front().Layout));
}
BENCHMARK(BM_HistoryProgress10k)->Unit(benchmark::kMillisecond)->UseRealTime();

// A click on the shown race's row of the open window: its file looked at,
// the load with its bytes' check, the race recorded again, the rows marked.
void BM_RaceRowClick(benchmark::State& state)
{
    Program p({GeneratedHistory(), true});
    if (!LoadGameFrom(p.State(), p.tk, ShownGame())) {
        state.SkipWithError("cannot load the shown race");
        return;
    }
    HistoryWindow& window = p.app.History();
    window.Open(p.State(), p.tk);
    const auto& races = window.Races();
    const auto row = std::find_if(races.begin(), races.end(),
                                  [&](const ProgressRow& race) { return race.Race == p.State().GameDigest; });
    if (row == races.end()) {
        state.SkipWithError("the shown race is not in the window");
        return;
    }
    const auto index = static_cast<std::size_t>(row - races.begin());
    for (auto _ : state) {
        window.ClickRace(p.State(), p.tk, index);
        p.app.ProcessPendingEvents();
    }
    if (p.State().Log.NewestWhole().rfind("Loaded ", 0) != 0)
        state.SkipWithError(p.State().Log.NewestWhole().c_str());
}
BENCHMARK(BM_RaceRowClick)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: the same saved game loaded as a load is without the history.
void BM_LoadWithoutHistory(benchmark::State& state)
{
    Program p({});
    for (auto _ : state) {
        if (!LoadGameFrom(p.State(), p.tk, ShownGame())) {
            state.SkipWithError("cannot load the shown race");
            break;
        }
        p.app.ProcessPendingEvents();
    }
}
BENCHMARK(BM_LoadWithoutHistory)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- Size -------------------------------------------------------------------------------------------

// The database's size per race: the demo race recorded 200 times (as races of
// their own), and the generated races once each. One iteration: a size, not a time.
void BM_Size_PerRace(benchmark::State& state)
{
    const auto perRace = [](const std::vector<RaceRecord>& races, int copies) {
        const std::string path = ScratchFolder() + "/size.sqlite3";
        {
            auto store = FreshStore("size.sqlite3");
            std::uint64_t number = 0;
            for (int copy = 0; copy < copies; ++copy)
                for (RaceRecord race : races) {
                    Renumber(race, ++number);
                    store->Record(race);
                }
        }  // closed: the journal copied back into the file
        return static_cast<double>(fs::file_size(path)) / 1024.0 / static_cast<double>(races.size() * copies);
    };
    double demo = 0, generated = 0;
    for (auto _ : state) {
        demo = perRace({RecordOf(DemoGame())}, 200);
        std::vector<RaceRecord> races;
        for (const std::string& game : GeneratedGames())
            races.push_back(RecordOf(game));
        generated = perRace(races, 1);
    }
    state.counters["demo_KB"] = demo;
    state.counters["generated_KB"] = generated;
}
BENCHMARK(BM_Size_PerRace)->Unit(benchmark::kMillisecond)->Iterations(1);

// --- The baseline process ----------------------------------------------------------------------------

int AnalyseFolder(const std::string& folder, const std::string& track)
{
    Toolkit toolkit;
    AppState state;
    InitAppState(state, toolkit.CurrentFolder());
    std::vector<std::string> games;
    for (const auto& entry : fs::directory_iterator(folder))
        games.push_back(entry.path().string());
    std::sort(games.begin(), games.end());
    double sum = 0;
    for (const std::string& game : games) {
        if (!LoadGameData(state, toolkit, game, track))
            return 3;
        if (const auto analysis = AnalyseCommittedLaps(state))
            sum += analysis->Lap(analysis->ReferenceLap).PreciseS;
    }
    std::printf("%.3f\n", sum);
    return 0;
}

}  // namespace

}  // namespace vx::bench

int main(int argc, char** argv)
{
    using namespace vx::bench;
    std::setlocale(LC_NUMERIC, "C");
    if (argc == 4 && std::string(argv[1]) == "analyse")
        return AnalyseFolder(argv[2], argv[3]);
    if (!vx::SystemWindows().Start(true, nullptr))
        return 1;
    const std::vector<Figure> figures = {
        {"Recording one race (long.gam) beyond load+analysis", "BM_RecordRace_Long", "",
         "BM_AnalyseLoaded_Long", "", 2.0},
        {"The two keys of a load (SHA-256), long.gam", "BM_Keys_Long", "", "BM_AnalyseLoaded_Long", "", 0.0},
        {"history add, 500 races (ratio <= 1.3)", "BM_Process_HistoryAdd500", "", "BM_Process_Analyse500", "",
         0.0},
        {"history add again, unchanged (ratio <= 0.05)", "BM_Process_HistoryAddAgain500", "",
         "BM_Process_HistoryAdd500", "", 0.0},
        {"history, 10,000 races (ratio <= 1.5)", "BM_Process_History10k", "", "BM_Process_Version", "", 0.0},
        {"history TRACK --json, 10,000 races", "BM_Process_HistoryTrack10k", "", "BM_Process_Version", "", 0.0},
        {"History window drawn, a track of 10,000 races", "BM_HistoryWindow10k", "", "BM_HistoryProgress10k", "",
         50.0},
        {"A race row's click to its load (ratio ~ 1)", "BM_RaceRowClick", "", "BM_LoadWithoutHistory", "", 0.0},
        {"Database per race, demo.gam", "BM_Size_PerRace", "demo_KB", "", "", 40.0, Unit::Kilobytes},
        {"Database per race, generated races", "BM_Size_PerRace", "generated_KB", "", "", 40.0,
         Unit::Kilobytes},
    };
    return RunBenchmarks(argc, argv, figures);
}
