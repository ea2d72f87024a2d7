// Writes the seed corpora of the fuzz harnesses: vx_fuzz_seeds DIR writes
// DIR/game/*.gam and DIR/track/*.trk, built with the test fixtures,
// DIR/pipeline/*.bin, pairs of them (FuzzTargets.h gives the layout) plus the
// demo race with its replay cut after a few laps, and DIR/lapfile/*.vxlap,
// the demo race's fastest lap as a lap file, whole and cut short, and files
// that each break one rule of the format.
#include "FuzzTargets.h"
#include "fixtures/RaceFiles.h"
#include "formats/GameFile.h"
#include "formats/LapFile.h"
#include "formats/TrackFile.h"
#include "laps/CompareFigures.h"
#include "laps/LapFilePath.h"
#include "laps/RaceLaps.h"
#include "state/AppState.h"
#include "toolkit/SystemServices.h"
#include "toolkit/Text.h"
#include "fixtures/GameFileBuilder.h"
#include "fixtures/TrackFileBuilder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

bool Write(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

Bytes Read(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<vx::ReplayPoint> Circle(int count)
{
    std::vector<vx::ReplayPoint> points;
    for (int j = 0; j < count; ++j)
        points.push_back({static_cast<std::uint16_t>(4000 + 37 * j),
                          static_cast<std::uint16_t>(9000 - 23 * j)});
    return points;
}

// The saved game with its replay cut after `samples` samples, its stored
// count made to agree; empty when the file holds no replay that long.
Bytes ShortenedReplay(const Bytes& game, std::uint32_t samples)
{
    for (std::size_t p = 0; p + 16 <= game.size(); ++p) {
        if ((game[p] == 5 || game[p] == 16) && game[p + 1] == 1 && game[p + 2] == 'R' &&
            game[p + 3] == 'P') {
            const std::size_t end = p + 16 + 18 * std::size_t{samples};
            if (end > game.size())
                return {};
            Bytes cut(game.begin(), game.begin() + static_cast<std::ptrdiff_t>(end));
            for (int i = 0; i < 4; ++i)
                cut[p + 8 + i] = static_cast<std::uint8_t>(samples >> (8 * i));
            return cut;
        }
    }
    return {};
}

Bytes BytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The fastest lap of a race as an export writes it (dated 2026-11-14).
std::optional<vx::LapFile> FastestLap(const Bytes& game, const Bytes& track)
{
    vx::Parsed<vx::GameData> parsedGame = vx::ParseGameFile(game);
    vx::Parsed<vx::TrackData> parsedTrack = vx::ParseTrackFile(track);
    if (!parsedGame.ok() || !parsedTrack.ok())
        return std::nullopt;
    vx::AppState state;
    state.Game = std::move(*parsedGame.value);
    state.Track = std::move(*parsedTrack.value);
    state.Laps = vx::TraceReplay(state.Game, state.Track, false);
    const std::optional<vx::LapAnalysis> analysis = vx::AnalyseCommittedLaps(state);
    if (!analysis)
        return std::nullopt;
    const std::int32_t k = analysis->ReferenceLap;
    const vx::LapProfile profile = vx::ProfileOf(*analysis, k);
    vx::LapFile lap;
    lap.TrackName = "Kestrelvale";
    lap.Layout = vx::Sha256(vx::LayoutBytes(track, state.Track.TrackInfoBase));
    if (state.Game.HumanDriverIndex >= 1 && state.Game.HumanDriverIndex <= state.Game.Drivers.size()) {
        const vx::DriverRecord& human = state.Game.Drivers[state.Game.HumanDriverIndex - 1u];
        lap.Driver = vx::Cp1252ToUtf8(human.Name);
        lap.Car = vx::Cp1252ToUtf8(human.CarName);
    }
    lap.DateNs = 1'794'674'527'000'000'000;
    lap.Race = vx::Sha256(game);
    lap.Lap = k;
    lap.ViewTime = state.Laps.LapTimes[static_cast<std::size_t>(k - 1)];
    lap.PreciseS = profile.PreciseS;
    lap.Path = vx::LapFilePathOf(profile);
    return lap;
}

// The text with its first `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// The lap files: the demo's fastest lap whole, cut to six vertices (the
// example of docs/lap-file.md), and that example breaking one rule each.
bool WriteLapSeeds(const std::filesystem::path& dir, const Bytes& game, const Bytes& track)
{
    std::optional<vx::LapFile> lap = FastestLap(game, track);
    if (!lap || vx::LapFault(*lap)) {
        std::fprintf(stderr, "the demo race's fastest lap is no sound lap file\n");
        return false;
    }
    bool ok = Write(dir / "demo_fastest.vxlap", BytesOf(vx::WriteLapFile(*lap)));
    std::vector<vx::LapVertex> cut(lap->Path.begin(), lap->Path.begin() + 4);
    cut.insert(cut.end(), lap->Path.end() - 2, lap->Path.end());
    lap->Path = cut;
    const std::string example = vx::WriteLapFile(*lap);
    ok &= Write(dir / "example.vxlap", BytesOf(example));
    const struct {
        const char* name;
        std::string text;
    } misses[] = {
        {"truncated", example.substr(0, example.size() / 2)},
        {"byte_order_mark", "\xEF\xBB\xBF" + example},
        {"member_twice", Replaced(example, "\"lap\": 10,", "\"lap\": 10, \"lap\": 11,")},
        {"newer", Replaced(example, "\"version\": 1", "\"version\": 2")},
        {"time_back", Replaced(example, "0.060989", "0.010989")},
        {"nested", Replaced(example, "\"lap\": 10,", "\"lap\": 10, \"notes\": [[[[[[[[[[[[[[[[{}]]]]]]]]]]]]]]]],")},
        {"speed_text", Replaced(example, "309.58", "\"309.58\"")},
    };
    for (const auto& miss : misses)
        ok &= Write(dir / (std::string(miss.name) + ".vxlap"), BytesOf(miss.text));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx_fuzz_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    for (const char* kind : {"game", "track", "pipeline", "lapfile"})
        std::filesystem::create_directories(dir / kind);
    bool ok = true;

    vx::GameFileBuilder race;
    race.SetGauges(80, 60, 10, 150, 120).AddTrack("Dunes").AddTrack("  Oval  ").SetRacedTrack(1);
    vx::GameDriver max = vx::HumanDriver("Max", "Falcon");
    max.LapsDriven = 3;
    max.RaceTime = 18234;
    race.AddDriver(max).AddDriver(vx::ComputerDriver("ABCDEFGHIJKLM", "Comet", 3));
    race.AddDriver(vx::ComputerDriver("Smith, J", "Hornet", 4));
    race.SetReplay({.Samples = Circle(40)});
    const Bytes threeDrivers = race.Build();
    ok &= Write(dir / "game" / "three_drivers.gam", threeDrivers);

    vx::GameFileBuilder empty;
    empty.AddTrack("Oval").SetReplay({.Marker = 16, .Samples = Circle(3), .SampleCount = 1000});
    const Bytes noDrivers = empty.Build();
    ok &= Write(dir / "game" / "no_drivers.gam", noDrivers);

    vx::GameFileBuilder seven;
    seven.FillUninterpreted().AddTrack("A").AddTrack("B");
    for (int k = 1; k <= 7; ++k)
        seven.AddDriver(vx::ComputerDriver("D" + std::to_string(k), "C" + std::to_string(k), 5));
    const Bytes sevenDrivers = seven.Build();
    ok &= Write(dir / "game" / "seven_drivers.gam", sevenDrivers);

    vx::TrackFileBuilder oval;
    oval.SetMapScale(100).SetWaterLevel(20);
    oval.SetMapRuns({vx::MapRun(1, 4095), vx::MapRun(2, 700), vx::MapRun(0, 0)});
    oval.SetHeight(5, 3).SetHeight(4095, 200);
    oval.AddObject({10, 2, 1020, 0}).AddObject({17, 500, 600, 64}).AddObject({1, 40, 40, 200});
    oval.AddZones(2).AddLine({10, 20, 30, 40}).AddLine({101, 200, -3, 1023});
    oval.SetTrackLength(3200).SetBestTime1(5432, "Anna").SetBestTime2(7000, "Bert");
    oval.SetBestTimeCarName("Comet");
    const Bytes ovalTrack = oval.Build();
    ok &= Write(dir / "track" / "oval.trk", ovalTrack);

    vx::TrackFileBuilder bare;
    bare.FillUninterpreted().SetInfoGap(9).SetBestTime1(6000, "ABCDEFGHIJKLM");
    const Bytes bareTrack = bare.Build();
    ok &= Write(dir / "track" / "bare.trk", bareTrack);

    // Pairs for the pipeline: a race that counts laps on a track with every
    // kind of object the map draws, and the fixtures' own files.
    vx::GameFileBuilder cup = vx::test::CupGame("Oval", 3);
    cup.SetReplay({.Samples = vx::test::CirclingReplay(3, 120)});
    vx::TrackFileBuilder cupTrack = vx::test::OvalTrack();
    const std::int8_t types[] = {9, 25, 18, 1, 2, 3, 23, 29};
    for (int i = 0; i < 8; ++i)
        cupTrack.AddObject({types[i], static_cast<std::int16_t>(150 + 100 * i), 300,
                            static_cast<std::uint8_t>(30 * i)});
    ok &= Write(dir / "pipeline" / "cup.bin",
                vx::JoinPipelineInput(cup.Build(), cupTrack.Build()));
    ok &= Write(dir / "pipeline" / "three_drivers_oval.bin",
                vx::JoinPipelineInput(threeDrivers, ovalTrack));
    ok &= Write(dir / "pipeline" / "seven_drivers_bare.bin",
                vx::JoinPipelineInput(sevenDrivers, bareTrack));
    ok &= Write(dir / "pipeline" / "no_drivers_oval.bin",
                vx::JoinPipelineInput(noDrivers, ovalTrack));

    // The demo race: its first laps are enough, and keep the seed small.
    const std::filesystem::path samples = VX_SAMPLES_DIR;
    const Bytes demo = ShortenedReplay(Read(samples / "Saves" / "demo.gam"), 3200);
    const Bytes demoTrack = Read(samples / "Tracks" / "Kestrelvale.trk");
    if (demo.empty() || demoTrack.empty()) {
        std::fprintf(stderr, "the demo race is missing from %s\n", samples.c_str());
        ok = false;
    } else {
        ok &= Write(dir / "pipeline" / "demo_three_laps.bin", vx::JoinPipelineInput(demo, demoTrack));
        ok &= WriteLapSeeds(dir / "lapfile", Read(samples / "Saves" / "demo.gam"), demoTrack);
    }

    return ok ? 0 : 1;
}
