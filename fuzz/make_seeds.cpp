// Writes the seed corpora of the fuzz harnesses, built with the test
// fixtures: vx_fuzz_seeds DIR writes DIR/game/*.gam and DIR/track/*.trk.
#include "fixtures/GameFileBuilder.h"
#include "fixtures/TrackFileBuilder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
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

std::vector<vx::ReplayPoint> Circle(int count)
{
    std::vector<vx::ReplayPoint> points;
    for (int j = 0; j < count; ++j)
        points.push_back({static_cast<std::uint16_t>(4000 + 37 * j),
                          static_cast<std::uint16_t>(9000 - 23 * j)});
    return points;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx_fuzz_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir / "game");
    std::filesystem::create_directories(dir / "track");
    bool ok = true;

    vx::GameFileBuilder race;
    race.SetGauges(80, 60, 10, 150, 120).AddTrack("Dunes").AddTrack("  Oval  ").SetRacedTrack(1);
    vx::GameDriver max = vx::HumanDriver("Max", "Falcon");
    max.LapsDriven = 3;
    max.RaceTime = 18234;
    race.AddDriver(max).AddDriver(vx::ComputerDriver("ABCDEFGHIJKLM", "Comet", 3));
    race.AddDriver(vx::ComputerDriver("Smith, J", "Hornet", 4));
    race.SetReplay({.Samples = Circle(40)});
    ok &= Write(dir / "game" / "three_drivers.gam", race.Build());

    vx::GameFileBuilder empty;
    empty.AddTrack("Oval").SetReplay({.Marker = 16, .Samples = Circle(3), .SampleCount = 1000});
    ok &= Write(dir / "game" / "no_drivers.gam", empty.Build());

    vx::GameFileBuilder seven;
    seven.FillUninterpreted().AddTrack("A").AddTrack("B");
    for (int k = 1; k <= 7; ++k)
        seven.AddDriver(vx::ComputerDriver("D" + std::to_string(k), "C" + std::to_string(k), 5));
    ok &= Write(dir / "game" / "seven_drivers.gam", seven.Build());

    vx::TrackFileBuilder oval;
    oval.SetMapScale(100).SetWaterLevel(20);
    oval.SetMapRuns({vx::MapRun(1, 4095), vx::MapRun(2, 700), vx::MapRun(0, 0)});
    oval.SetHeight(5, 3).SetHeight(4095, 200);
    oval.AddObject({10, 2, 1020, 0}).AddObject({17, 500, 600, 64}).AddObject({1, 40, 40, 200});
    oval.AddZones(2).AddLine({10, 20, 30, 40}).AddLine({101, 200, -3, 1023});
    oval.SetTrackLength(3200).SetBestTime1(5432, "Anna").SetBestTime2(7000, "Bert");
    oval.SetBestTimeCarName("Comet");
    ok &= Write(dir / "track" / "oval.trk", oval.Build());

    vx::TrackFileBuilder bare;
    bare.FillUninterpreted().SetInfoGap(9).SetBestTime1(6000, "ABCDEFGHIJKLM");
    ok &= Write(dir / "track" / "bare.trk", bare.Build());

    return ok ? 0 : 1;
}
