#include "laps/LapFilePath.h"

#include <cmath>

#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

std::vector<LapVertex> LapFilePathOf(const LapProfile& lap)
{
    std::vector<LapVertex> path;
    if (lap.Path.empty())
        return path;
    path.reserve(lap.Path.size());
    const double start = lap.Path.front().t;
    for (std::size_t i = 0; i < lap.Path.size(); ++i) {
        const PathVertex& p = lap.Path[i];
        const LapVertex vertex{p.x, p.y, p.t - start,
                               i < lap.SpeedKmh.size() ? lap.SpeedKmh[i] : std::nullopt};
        if (!path.empty() && !(vertex.T > path.back().T)) {
            if (i + 1 == lap.Path.size() && path.size() > 1)
                path.back() = vertex;  // the lap's end is its crossing of the line
            continue;
        }
        path.push_back(vertex);
    }
    return path;
}

LapFile LapFileOf(const LapAnalysis& analysis, std::int32_t lap, std::int64_t viewTime, LapFileRace race)
{
    LapFile file;
    file.TrackName = std::move(race.TrackName);
    file.Layout = race.Layout;
    file.Driver = std::move(race.Driver);
    file.Car = std::move(race.Car);
    file.DateNs = race.DateNs;
    file.Race = race.Race;
    file.Lap = lap;
    file.ViewTime = viewTime;
    if (lap >= 1 && lap <= analysis.LapCount) {
        file.PreciseS = analysis.Lap(lap).PreciseS;
        file.Path = LapFilePathOf(ProfileOf(analysis, lap));
    }
    return file;
}

LapProfile ProfileOfLapFile(const LapFile& file)
{
    std::vector<PathVertex> path;
    std::vector<std::optional<double>> speeds;
    path.reserve(file.Path.size());
    speeds.reserve(file.Path.size());
    double distance = 0;
    for (const LapVertex& v : file.Path) {
        if (!path.empty()) {
            const double dx = v.X - path.back().x, dy = v.Y - path.back().y;
            distance += std::sqrt(dx * dx + dy * dy);  // as the analysis measures its paths
        }
        path.push_back({v.X, v.Y, v.T, distance});
        speeds.push_back(v.SpeedKmh);
    }
    LapProfile profile = ProfileOfKeptLap(file.Lap, DateText(file.DateNs).substr(0, 10), file.PreciseS,
                                          std::move(path), std::move(speeds));
    if (!profile.Path.empty())
        profile.Driver = FileNameToCp1252(file.Driver);  // the drawings' texts
    return profile;
}

}  // namespace vx
