#include "laps/CompareFigures.h"

#include <algorithm>
#include <span>
#include <utility>

#include "laps/LapAnalysis.h"

namespace vx {

namespace {

// The sample at the index-th vertex of lap's path; -1 for a crossing point.
std::int64_t SampleOfVertex(const LapAnalysis& analysis, std::int32_t lap, std::size_t index)
{
    const auto path = analysis.PathOf(lap);
    if (index + 1 >= path.size())
        return -1;  // the last vertex is the lap's crossing, or there is none
    if (lap == 1)
        return static_cast<std::int64_t>(index);
    return index == 0 ? -1 : analysis.SampleStarts[static_cast<std::size_t>(lap - 1)] +
                                 static_cast<std::int64_t>(index) - 1;
}

// The vertex is one of the lap's samples, not a crossing of the line.
bool AtSample(const LapProfile& lap, std::size_t index)
{
    if (index + 1 >= lap.Path.size())
        return false;
    return index != 0 || !lap.StartsAtCrossing;
}

// The vertex pair around distance d of the path (first vertex at or beyond
// it) and the part of the way between them.
struct Along {
    std::size_t i = 0;  // path[i - 1] -> path[i], or i = 0 at the start
    double part = 0;
};
Along FindAlong(std::span<const PathVertex> path, double d)
{
    const auto it = std::lower_bound(path.begin(), path.end(), d,
                                     [](const PathVertex& v, double x) { return v.distance < x; });
    if (it == path.begin())
        return {0, 0};
    if (it == path.end())
        return {path.size() - 1, 1};
    const auto i = static_cast<std::size_t>(it - path.begin());
    const double span = path[i].distance - path[i - 1].distance;  // > 0: path[i - 1] lies before d
    return {i, (d - path[i - 1].distance) / span};
}

}  // namespace

LapProfile ProfileOf(const LapAnalysis& analysis, std::int32_t lap)
{
    LapProfile profile;
    const auto path = analysis.PathOf(lap);
    if (path.empty())
        return profile;
    const LapFigures& figures = analysis.Lap(lap);
    profile.Lap = lap;
    profile.StartS = figures.StartS;
    profile.PreciseS = figures.PreciseS;
    profile.LengthPx = figures.LengthPx;
    profile.StartsAtCrossing = lap >= 2;
    profile.Path.assign(path.begin(), path.end());
    profile.SpeedKmh.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i)
        profile.SpeedKmh.push_back(analysis.SpeedAt(SampleOfVertex(analysis, lap, i)));
    return profile;
}

LapProfile ProfileOfKeptLap(std::int32_t lap, std::string race, double preciseS, std::vector<PathVertex> path,
                            std::vector<std::optional<double>> speedsKmh)
{
    LapProfile profile;
    if (path.size() < 2)
        return profile;
    profile.Lap = lap;
    profile.Race = std::move(race);
    profile.StartS = path.front().t;
    profile.PreciseS = preciseS;
    profile.LengthPx = path.back().distance;
    // Lap 1 starts at the race's first sample; every later lap where the
    // line was crossed, which has no speed of its own.
    profile.StartsAtCrossing = lap >= 2;
    if (speedsKmh.size() != path.size())
        speedsKmh.assign(path.size(), std::nullopt);
    profile.Path = std::move(path);
    profile.SpeedKmh = std::move(speedsKmh);
    return profile;
}

double TimeAt(const LapProfile& lap, double f)
{
    if (lap.Path.empty())
        return 0;
    f = std::clamp(f, 0.0, 1.0);
    if (f >= 1)
        return lap.PreciseS;
    if (!(lap.LengthPx > 0))
        return f * lap.PreciseS;  // a path without length: evenly in time
    const Along along = FindAlong(lap.Path, f * lap.LengthPx);
    if (along.i == 0)
        return lap.Path[0].t - lap.StartS;
    const PathVertex& a = lap.Path[along.i - 1];
    const PathVertex& b = lap.Path[along.i];
    return a.t + along.part * (b.t - a.t) - lap.StartS;
}

MapPoint PointAt(const LapProfile& lap, double f)
{
    if (lap.Path.empty())
        return {};
    const Along along = FindAlong(lap.Path, std::clamp(f, 0.0, 1.0) * lap.LengthPx);
    if (along.i == 0)
        return {lap.Path[0].x, lap.Path[0].y};
    const PathVertex& a = lap.Path[along.i - 1];
    const PathVertex& b = lap.Path[along.i];
    return {a.x + along.part * (b.x - a.x), a.y + along.part * (b.y - a.y)};
}

std::optional<double> SpeedAt(const LapProfile& lap, double f)
{
    const std::size_t size = lap.Path.size();
    if (size == 0)
        return std::nullopt;
    const Along along = FindAlong(lap.Path, std::clamp(f, 0.0, 1.0) * lap.LengthPx);
    std::size_t nearer = along.i, other = along.i;
    if (along.i > 0) {
        nearer = along.part < 0.5 ? along.i - 1 : along.i;
        other = along.part < 0.5 ? along.i : along.i - 1;
    }
    std::size_t vertex = nearer;
    if (!AtSample(lap, vertex))
        vertex = other;
    if (!AtSample(lap, vertex) && size > 2)  // at a crossing: the sample beside it
        vertex = nearer == 0 ? 1 : size - 2;
    return AtSample(lap, vertex) ? lap.SpeedKmh[vertex] : std::nullopt;
}

double DeltaAt(const LapProfile& lap, const LapProfile& against, double f)
{
    return TimeAt(lap, f) - TimeAt(against, f);
}

std::optional<SpeedRange> SpeedRangeOf(const LapProfile& lap)
{
    std::optional<SpeedRange> range;
    for (const std::optional<double>& speed : lap.SpeedKmh) {
        if (!speed)
            continue;
        if (!range)
            range = SpeedRange{*speed, *speed};
        range->Low = std::min(range->Low, *speed);
        range->High = std::max(range->High, *speed);
    }
    return range;
}

CompareFigures CompareLaps(LapProfile lap, LapProfile against)
{
    CompareFigures figures;
    figures.LapSpeeds = SpeedRangeOf(lap);
    figures.AgainstSpeeds = SpeedRangeOf(against);
    figures.Lap = std::move(lap);
    figures.Against = std::move(against);
    return figures;
}

CompareFigures CompareLaps(const LapAnalysis& analysis, std::int32_t lap, std::int32_t against)
{
    if (against < 1 || against > analysis.LapCount)
        against = analysis.ReferenceLap;
    return CompareLaps(ProfileOf(analysis, lap), ProfileOf(analysis, against));
}

namespace {

std::vector<CornerFigures> CornersOfLap(const LapAnalysis& analysis, std::int32_t lap)
{
    if (lap < 1 || lap > analysis.LapCount)
        return std::vector<CornerFigures>(analysis.Corners.size());
    return analysis.Lap(lap).Corners;
}

CornerComparison CompareCornerFigures(std::vector<CornerFigures> lap, std::vector<CornerFigures> against)
{
    CornerComparison comparison;
    comparison.Deltas.resize(std::min(lap.size(), against.size()));
    const auto minus = [](const std::optional<double>& a, const std::optional<double>& b) {
        return a && b ? std::optional(*a - *b) : std::nullopt;
    };
    for (std::size_t i = 0; i < comparison.Deltas.size(); ++i) {
        CornerDelta& delta = comparison.Deltas[i];
        delta.EntryS = minus(lap[i].EntryS, against[i].EntryS);
        delta.ExitS = minus(lap[i].ExitS, against[i].ExitS);
        delta.TimeS = minus(lap[i].TimeS(), against[i].TimeS());
    }
    comparison.Lap = std::move(lap);
    comparison.Against = std::move(against);
    return comparison;
}

}  // namespace

CornerComparison CompareCorners(const LapAnalysis& analysis, std::int32_t lap, std::int32_t against)
{
    if (against < 1 || against > analysis.LapCount)
        against = analysis.ReferenceLap;
    return CompareCornerFigures(CornersOfLap(analysis, lap), CornersOfLap(analysis, against));
}

CornerComparison CompareCorners(const LapAnalysis& analysis, std::int32_t lap, const LapProfile& kept)
{
    std::vector<CornerFigures> against(analysis.Corners.size());
    if (!kept.Path.empty())
        against = CornerFiguresOfPath(analysis.Corners, kept.Path, kept.SpeedKmh, kept.StartS,
                                      kept.StartS + kept.PreciseS);
    return CompareCornerFigures(CornersOfLap(analysis, lap), std::move(against));
}

std::vector<CornerLoss> MostTimeLost(const CornerComparison& comparison, std::size_t count)
{
    std::vector<CornerLoss> losses;
    for (std::size_t i = 0; i < comparison.Deltas.size(); ++i) {
        const CornerDelta& delta = comparison.Deltas[i];
        if (!delta.TimeS || !delta.EntryS || !delta.ExitS)
            continue;
        losses.push_back({static_cast<std::int32_t>(i + 1), *delta.TimeS, *delta.EntryS, *delta.ExitS,
                          *delta.ExitS > *delta.EntryS});
    }
    std::stable_sort(losses.begin(), losses.end(),
                     [](const CornerLoss& a, const CornerLoss& b) { return a.TimeS > b.TimeS; });
    if (losses.size() > count)
        losses.resize(count);
    return losses;
}

std::int32_t ComparedLap(const LapAnalysis& analysis, std::int32_t shownLap, std::int32_t fastestLap)
{
    if (shownLap >= 1 && shownLap <= analysis.LapCount)
        return shownLap;
    if (fastestLap >= 1 && fastestLap <= analysis.LapCount)
        return fastestLap;
    return analysis.ReferenceLap;
}

std::int32_t DefaultAgainstLap(const LapAnalysis& analysis, std::int32_t lap)
{
    const std::int32_t reference = analysis.ReferenceLap;
    if (lap != reference)
        return reference;
    std::int32_t best = 0;
    for (std::int32_t k = kFirstFlyingLap; k <= analysis.LapCount; ++k) {
        if (k != reference && (best == 0 || analysis.Lap(k).PreciseS < analysis.Lap(best).PreciseS))
            best = k;
    }
    if (best != 0)
        return best;
    return reference != 1 ? 1 : reference;
}

LapTableBests LapTableBestsOf(const LapAnalysis& analysis, std::int32_t fastestTimeLap)
{
    LapTableBests bests;
    bests.FastestTimeLap = fastestTimeLap;
    for (std::int32_t k = 1; k <= analysis.LapCount; ++k) {
        const LapFigures& lap = analysis.Lap(k);
        if (k >= kFirstFlyingLap &&
            (bests.FastestPreciseLap == 0 || lap.PreciseS < analysis.Lap(bests.FastestPreciseLap).PreciseS))
            bests.FastestPreciseLap = k;
        if (lap.TopSpeedKmh && (!bests.TopSpeedKmh || *lap.TopSpeedKmh > *bests.TopSpeedKmh))
            bests.TopSpeedKmh = lap.TopSpeedKmh;
    }
    return bests;
}

BestCells BestCellsOf(const LapAnalysis& analysis, const LapTableBests& bests, std::int32_t lap)
{
    BestCells cells;
    if (lap < 1 || lap > analysis.LapCount)
        return cells;
    const LapFigures& figures = analysis.Lap(lap);
    cells.Time = lap == bests.FastestTimeLap;
    cells.Precise = lap == bests.FastestPreciseLap;
    for (std::size_t g = 0; g < 3; ++g)
        cells.Sectors[g] = lap >= kFirstFlyingLap && figures.SectorsS[g] && analysis.BestSectorsS[g] &&
                           *figures.SectorsS[g] == *analysis.BestSectorsS[g];
    cells.TopSpeed = figures.TopSpeedKmh && bests.TopSpeedKmh && *figures.TopSpeedKmh == *bests.TopSpeedKmh;
    return cells;
}

}  // namespace vx
