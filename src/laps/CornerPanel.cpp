#include "laps/CornerPanel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "laps/LapAnalysis.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

// The lap fraction where the lap's path is at replay time t: the distance
// covered by then (between two vertices in proportion to the time) over the
// path's length.
double FractionAtTime(const LapProfile& lap, double t)
{
    const auto& path = lap.Path;
    if (path.empty())
        return 0;
    if (!(lap.LengthPx > 0))
        return lap.PreciseS > 0 ? std::clamp((t - lap.StartS) / lap.PreciseS, 0.0, 1.0) : 0.0;
    const auto it =
        std::lower_bound(path.begin(), path.end(), t, [](const PathVertex& v, double time) { return v.t < time; });
    double distance = 0;
    if (it == path.begin()) {
        distance = path.front().distance;
    } else if (it == path.end()) {
        distance = path.back().distance;
    } else {
        const PathVertex& a = *(it - 1);
        const PathVertex& b = *it;
        const double part = b.t > a.t ? (t - a.t) / (b.t - a.t) : 1.0;
        distance = a.distance + part * (b.distance - a.distance);
    }
    return std::clamp(distance / lap.LengthPx, 0.0, 1.0);
}

}  // namespace

std::vector<std::optional<CornerStretch>> CornerStretchesOf(const LapProfile& lap,
                                                            std::span<const CornerFigures> corners)
{
    // The lap's parts in order, entry and exit of each corner, run between
    // its passings: the start, the gates, the end. A passing follows from
    // the start forward over the parts that are there, or from the end
    // backward.
    const std::size_t parts = 2 * corners.size();
    std::vector<std::optional<double>> passing(parts + 1);
    const auto part = [&](std::size_t p) {
        const CornerFigures& corner = corners[p / 2];
        return p % 2 == 0 ? corner.EntryS : corner.ExitS;
    };
    passing[0] = lap.StartS;
    for (std::size_t p = 0; p < parts && part(p); ++p)
        passing[p + 1] = *passing[p] + *part(p);
    passing[parts] = lap.StartS + lap.PreciseS;
    for (std::size_t p = parts; p > 0 && part(p - 1) && !passing[p - 1]; --p)
        passing[p - 1] = *passing[p] - *part(p - 1);

    std::vector<std::optional<CornerStretch>> stretches(corners.size());
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const auto& start = passing[2 * i];
        const auto& end = passing[2 * i + 2];
        if (start && end && !lap.Path.empty())
            stretches[i] = CornerStretch{FractionAtTime(lap, *start), FractionAtTime(lap, *end)};
    }
    return stretches;
}

LabelBox LabelBeyond(const Gate& gate, bool secondEnd, double reach, int gap, int width, int height, int mapWidth,
                     int mapHeight)
{
    const double sign = secondEnd ? 1.0 : -1.0;
    const double nx = -gate.Direction.y * sign, ny = gate.Direction.x * sign;  // outward
    const double endX = gate.Centre.x + reach * nx, endY = gate.Centre.y + reach * ny;
    // The box's centre lies on the gate's line, beyond the end by the gap
    // and by half the box measured along that line.
    const double out = gap + 0.5 * (std::abs(nx) * width + std::abs(ny) * height);
    LabelBox box{static_cast<int>(std::lround(endX + out * nx - width / 2.0)),
                 static_cast<int>(std::lround(endY + out * ny - height / 2.0)), width, height};
    box.x = std::clamp(box.x, 0, std::max(0, mapWidth - width));
    box.y = std::clamp(box.y, 0, std::max(0, mapHeight - height));
    return box;
}

int PointsUnder(const LabelBox& box, const CompareFigures& figures, int margin)
{
    int count = 0;
    for (const LapProfile* lap : {&figures.Lap, &figures.Against})
        for (const PathVertex& v : lap->Path)
            count += v.x >= box.x - margin && v.x < box.x + box.w + margin && v.y >= box.y - margin &&
                     v.y < box.y + box.h + margin;
    return count;
}

namespace {

// The sector labels stand beyond the gates' ends; a corner's number closer,
// beyond the compared lap's band, so that it reads as the apex's own.
constexpr int kLabelGap = 5;
constexpr double kCornerLabelReach = 6.0;
constexpr int kCornerLabelGap = 2;
constexpr int kLabelMargin = 4;  // the band's half width and its rim, and a pixel

}  // namespace

CompareMapLabels PlaceMapLabels(const LapAnalysis& analysis, const CompareFigures& figures,
                                std::span<const LabelSize> sectorSizes, std::span<const LabelSize> cornerSizes,
                                int mapWidth, int mapHeight)
{
    CompareMapLabels labels;
    if (analysis.Gates) {
        for (std::size_t g = 0; g < 2 && g < sectorSizes.size(); ++g) {
            const Gate& gate = (*analysis.Gates)[g];
            const LabelSize size = sectorSizes[g];
            const LabelBox second =
                LabelBeyond(gate, true, kGateHalfWidth, kLabelGap, size.Width, size.Height, mapWidth, mapHeight);
            const LabelBox first =
                LabelBeyond(gate, false, kGateHalfWidth, kLabelGap, size.Width, size.Height, mapWidth, mapHeight);
            labels.Sectors.push_back(PointsUnder(first, figures, kLabelMargin) <
                                             PointsUnder(second, figures, kLabelMargin)
                                         ? first
                                         : second);
        }
    }
    // A label over another is worse than any number of the laps' points.
    constexpr int kOverLabel = 1'000'000;
    const auto cost = [&](const LabelBox& box) {
        int over = 0;
        for (const auto* placed : {&labels.Sectors, &labels.Corners})
            for (const LabelBox& other : *placed)
                over += box.Overlaps(other) ? kOverLabel : 0;
        return over + PointsUnder(box, figures, kLabelMargin);
    };
    for (std::size_t i = 0; i < analysis.Corners.size() && i < cornerSizes.size(); ++i) {
        const Gate& apex = analysis.Corners[i].Apex;
        const LabelSize size = cornerSizes[i];
        const LabelBox second = LabelBeyond(apex, true, kCornerLabelReach, kCornerLabelGap, size.Width, size.Height,
                                            mapWidth, mapHeight);
        const LabelBox first = LabelBeyond(apex, false, kCornerLabelReach, kCornerLabelGap, size.Width, size.Height,
                                           mapWidth, mapHeight);
        labels.Corners.push_back(cost(first) < cost(second) ? first : second);
    }
    return labels;
}

std::int32_t CornerAtMapPoint(const LapAnalysis& analysis, const CompareMapLabels& labels, int x, int y)
{
    for (std::size_t i = 0; i < labels.Corners.size(); ++i)
        if (labels.Corners[i].Contains(x, y))
            return static_cast<std::int32_t>(i + 1);
    std::int32_t nearest = 0;
    double nearestSquare = kApexReach * kApexReach;
    for (std::size_t i = 0; i < analysis.Corners.size(); ++i) {
        const MapPoint& apex = analysis.Corners[i].Apex.Centre;
        const double dx = apex.x - x, dy = apex.y - y;
        if (dx * dx + dy * dy <= nearestSquare) {
            nearestSquare = dx * dx + dy * dy;
            nearest = static_cast<std::int32_t>(i + 1);
        }
    }
    return nearest;
}

int CornerTableRowsIn(int height)
{
    return std::max(0, (height - kCornerHeaderHeight) / kCornerRowHeight);
}

std::int32_t CornerAtTableY(int y, std::int32_t firstRow, std::int32_t cornerCount)
{
    if (y < kCornerHeaderHeight)
        return 0;
    const std::int64_t corner = std::int64_t{firstRow} + (y - kCornerHeaderHeight) / kCornerRowHeight + 1;
    return corner >= 1 && corner <= cornerCount ? static_cast<std::int32_t>(corner) : 0;
}

namespace {

// The loss chart's plot: room for its title above and the corners' numbers
// below; the bars carry their values.
constexpr int kBarPlotLeft = 8;
constexpr int kBarPlotTop = 22;
constexpr int kBarPlotRightMargin = 8;
constexpr int kBarPlotBottomMargin = 18;

}  // namespace

BarPlot CornerBarsOf(int width, int height, int cornerCount)
{
    return {kBarPlotLeft, kBarPlotTop, std::max(0, width - kBarPlotLeft - kBarPlotRightMargin),
            std::max(0, height - kBarPlotTop - kBarPlotBottomMargin), std::max(0, cornerCount)};
}

std::int32_t CornerAtBarX(const BarPlot& plot, int x)
{
    if (plot.Count <= 0 || plot.Width <= 0 || x < plot.Left || x >= plot.Left + plot.Width)
        return 0;
    // The slot whose span holds x: SlotLeft(i) <= x < SlotLeft(i + 1).
    const auto i = static_cast<int>((std::int64_t{x - plot.Left + 1} * plot.Count - 1) / plot.Width);
    return static_cast<std::int32_t>(std::clamp(i, 0, plot.Count - 1) + 1);
}

namespace {

// A loss as the words give it: to the millisecond, with its sign, as every
// time of ours is given.
std::string LossText(double s)
{
    return SignedFixedText(s, 3) + " s";
}

std::string Way(bool out)
{
    return out ? "on the way out" : "on the way in";
}

}  // namespace

std::vector<std::string> TimeLostWords(const CornerComparison& comparison)
{
    const std::vector<CornerLoss> all = MostTimeLost(comparison, comparison.Deltas.size());
    // Corners none of which both laps were timed through (a lap of a few
    // vertices from a file, say): said rather than left blank.
    if (all.empty() && !comparison.Deltas.empty())
        return {"No corner timed on both laps."};
    if (all.empty())
        return {};
    // A loss that shows as "+0.000 s" is none.
    constexpr double kShown = 0.0005;
    std::vector<std::string> words;
    const CornerLoss& most = all.front();
    if (most.TimeS < kShown) {
        words.push_back("No corner lost time.");
        const CornerLoss& gained = all.back();
        if (gained.TimeS <= -kShown)
            words.push_back("Most gained: corner " + IntToText(gained.Corner) + ", " + LossText(gained.TimeS) +
                            ", " + Way(gained.ExitS < gained.EntryS));
        return words;
    }
    std::string first = "Most time lost: corner " + IntToText(most.Corner) + ", " + LossText(most.TimeS) + ", " +
                        Way(most.OnTheWayOut);
    const auto i = static_cast<std::size_t>(most.Corner - 1);
    const auto& slowest = comparison.Lap[i].MinSpeedKmh;
    const auto& against = comparison.Against[i].MinSpeedKmh;
    if (slowest && against)
        first += " (slowest " + FixedText(*slowest, 1) + " against " + FixedText(*against, 1) + " km/h)";
    else if (slowest)
        first += " (slowest " + FixedText(*slowest, 1) + " km/h)";
    words.push_back(std::move(first));
    const char* next[] = {"Then corner ", "and corner "};
    for (std::size_t k = 1; k < 3 && k < all.size() && all[k].TimeS >= kShown; ++k)
        words.push_back(next[k - 1] + IntToText(all[k].Corner) + ", " + LossText(all[k].TimeS) + ", " +
                        Way(all[k].OnTheWayOut));
    return words;
}

}  // namespace vx
