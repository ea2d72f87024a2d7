#include "laps/LapFilePath.h"

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

}  // namespace vx
