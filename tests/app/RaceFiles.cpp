#include "app/RaceFiles.h"

#include <cmath>

namespace vx::test {

TrackFileBuilder OvalTrack()
{
    TrackFileBuilder track;
    track.SetMapScale(100).SetWaterLevel(10).SetTrackLength(2500);
    track.SetMapRuns({MapRun(2, 4095), MapRun(0, 2000), MapRun(2, 4095)});
    track.SetHeight(0, 3);  // one lake cell in the bottom-left corner
    track.AddObject({10, 100, 100, 0});
    track.AddObject({17, 700, 600, 30});
    track.AddLine({512, 2 * (512 - 50), 512, 2 * (512 - 150)});
    track.SetBestTime1(5432, "Anna").SetBestTimeCarName("Comet");
    return track;
}

std::vector<ReplayPoint> CirclingReplay(int completedLaps, int samplesPerLap)
{
    constexpr double kPi = 3.14159265358979323846;
    std::vector<ReplayPoint> samples;
    const double step = 2 * kPi / samplesPerLap;
    const double start = -0.2, end = 2 * kPi * completedLaps + 0.2;
    for (double theta = start; theta < end; theta += step) {
        // Each lap runs a little further inside, so every lap has its own trace.
        const int lap = theta < 0 ? 0 : static_cast<int>(theta / (2 * kPi));
        const double radius = 150 - 12 * lap;
        const double px = 256 + radius * std::sin(theta);
        const double py = 256 - radius * std::cos(theta);
        samples.push_back({static_cast<std::uint16_t>(std::lround(px * 29.5)),
                           static_cast<std::uint16_t>(std::lround((511 - py) * 29.5))});
    }
    return samples;
}

GameFileBuilder CupGame(const std::string& trackName, int completedLaps)
{
    GameFileBuilder game;
    GameDriver max = HumanDriver("Max", "Falcon");
    max.Position = 1;
    max.LapsDriven = 10;
    max.RaceTime = 61234;
    GameDriver eva = ComputerDriver("Eva", "Heron", 3);
    eva.LapsDriven = 10;
    eva.RaceTime = 60000;
    GameDriver olaf = ComputerDriver("Olaf", "Lynx", 4);
    olaf.Position = 2;
    olaf.LapsDriven = 9;
    olaf.RaceTime = 0;
    game.SetGauges(80, 40, 10, 150, 120);
    game.AddDriver(max).AddDriver(eva).AddDriver(olaf);
    game.AddTrack("Hills").AddTrack(trackName).SetRacedTrack(1);
    game.SetReplay({.Samples = CirclingReplay(completedLaps)});
    return game;
}

}  // namespace vx::test
