#include "laps/LapAnalysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "laps/LapTrace.h"

namespace vx {

namespace {

constexpr double kKmhPerMetrePerSecond = 3.6;
constexpr double kEqualTimes = 1e-6;  // precise times closer than this are equal

double Cross(double ax, double ay, double bx, double by)
{
    return ax * by - ay * bx;
}

// Where along the move p -> q it meets the line through a and b, as a
// fraction of the move in [0, 1]; 1 when the move runs parallel to it.
double MeetingFraction(MapPoint p, MapPoint q, MapPoint a, MapPoint b)
{
    const double dx = q.x - p.x, dy = q.y - p.y;
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double den = Cross(dx, dy, ex, ey);
    if (den == 0)
        return 1.0;
    return std::clamp(Cross(a.x - p.x, a.y - p.y, ex, ey) / den, 0.0, 1.0);
}

// The move p -> q meets the segment a b, ends included.
bool Meets(MapPoint p, MapPoint q, MapPoint a, MapPoint b)
{
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double dx = q.x - p.x, dy = q.y - p.y;
    const double o1 = Cross(ex, ey, p.x - a.x, p.y - a.y);
    const double o2 = Cross(ex, ey, q.x - a.x, q.y - a.y);
    const double o3 = Cross(dx, dy, a.x - p.x, a.y - p.y);
    const double o4 = Cross(dx, dy, b.x - p.x, b.y - p.y);
    const auto apart = [](double u, double v) { return (u <= 0 && v >= 0) || (u >= 0 && v <= 0); };
    return apart(o1, o2) && apart(o3, o4);
}

MapPoint PointOf(const PathVertex& v)
{
    return {v.x, v.y};
}

// The gate at distance along the path: on the first segment of non-zero
// length whose end lies at that distance or beyond.
std::optional<Gate> GateAt(std::span<const PathVertex> path, double distance)
{
    for (std::size_t i = 1; i < path.size(); ++i) {
        const PathVertex& a = path[i - 1];
        const PathVertex& b = path[i];
        const double length = b.distance - a.distance;
        if (!(length > 0) || b.distance < distance)
            continue;
        const double ux = (b.x - a.x) / length, uy = (b.y - a.y) / length;
        const double r = distance - a.distance;
        Gate gate;
        gate.Centre = {a.x + r * ux, a.y + r * uy};
        gate.Direction = {ux, uy};
        const double nx = -uy, ny = ux;
        gate.End1 = {gate.Centre.x - kGateHalfWidth * nx, gate.Centre.y - kGateHalfWidth * ny};
        gate.End2 = {gate.Centre.x + kGateHalfWidth * nx, gate.Centre.y + kGateHalfWidth * ny};
        return gate;
    }
    return std::nullopt;
}

// When the path passes the gate, searching from move `from` on (a move is
// vertex i -> i + 1); the time and the move that passed it.
struct Passing {
    double t = 0;
    std::size_t move = 0;
};
std::optional<Passing> PassGate(std::span<const PathVertex> path, const Gate& gate, std::size_t from)
{
    for (std::size_t i = from; i + 1 < path.size(); ++i) {
        const PathVertex& v = path[i];
        const PathVertex& w = path[i + 1];
        const double along = (w.x - v.x) * gate.Direction.x + (w.y - v.y) * gate.Direction.y;
        if (!(along > 0) || !Meets(PointOf(v), PointOf(w), gate.End1, gate.End2))
            continue;
        const double fraction = MeetingFraction(PointOf(v), PointOf(w), gate.End1, gate.End2);
        return Passing{v.t + fraction * (w.t - v.t), i};
    }
    return std::nullopt;
}

// The length of (dx, dy): the square root is exact to the last bit on every
// system and several times faster than std::hypot, whose care for
// overflow map distances never need.
double Length(double dx, double dy)
{
    return std::sqrt(dx * dx + dy * dy);
}

void AddVertex(std::vector<PathVertex>& vertices, MapPoint p, double t, bool first)
{
    double distance = 0;
    if (!first) {
        const PathVertex& last = vertices.back();
        distance = last.distance + Length(p.x - last.x, p.y - last.y);
    }
    vertices.push_back({p.x, p.y, t, distance});
}

}  // namespace

MapPoint SampleMapPoint(ReplaySample sample, double sampleScale)
{
    return {sample.SampleX / sampleScale, 511.0 - sample.SampleY / sampleScale};
}

std::int32_t DefaultReferenceLap(std::span<const double> preciseS)
{
    if (preciseS.empty())
        return 0;
    std::int32_t best = 1;
    for (std::size_t k = kFirstFlyingLap; k <= preciseS.size(); ++k) {
        const double t = preciseS[k - 1];
        if (best == 1 || t < preciseS[static_cast<std::size_t>(best - 1)] - kEqualTimes)
            best = static_cast<std::int32_t>(k);
    }
    return best;
}

std::optional<LapAnalysis> AnalyseLaps(const AnalysisInput& input)
{
    const double s = SampleScaleOf(input.MapScale);
    const LapTrace* trace = input.Laps;
    if (!(s > 0) || trace == nullptr || trace->LapCount <= 0 ||
        std::ssize(trace->CrossingSamples) != std::int64_t{trace->LapCount} + 1)
        return std::nullopt;
    const std::span<const ReplaySample> samples = input.Samples;
    const auto point = [&](std::int64_t j) { return SampleMapPoint(samples[static_cast<std::size_t>(j)], s); };

    LapAnalysis a;
    a.LapCount = trace->LapCount;
    const auto laps = static_cast<std::size_t>(a.LapCount);

    // The crossings, timed where the move met the line.
    const MapPoint lineA{double(input.LineX1), double(input.LineY1)};
    const MapPoint lineB{double(input.LineX2), double(input.LineY2)};
    std::vector<MapPoint> crossingPoints;
    crossingPoints.reserve(laps + 1);
    a.CrossingsS.reserve(laps + 1);
    for (const std::int64_t j : trace->CrossingSamples) {
        const MapPoint p = point(j - 1), q = point(j);
        const double t = MeetingFraction(p, q, lineA, lineB);
        crossingPoints.push_back({p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)});
        a.CrossingsS.push_back((static_cast<double>(j - 1) + t) * kSampleSeconds);
    }

    // The paths: lap 1 from sample 0, lap k from crossing k - 1; each to
    // its own crossing.
    a.Vertices.reserve(static_cast<std::size_t>(trace->CrossingSamples.back()) + 2 * laps + 1);
    a.PathStarts.push_back(0);
    a.SampleStarts.push_back(0);
    a.Laps.resize(laps);
    for (std::size_t k = 1; k <= laps; ++k) {
        LapFigures& lap = a.Laps[k - 1];
        const std::int64_t firstSample = k == 1 ? 0 : trace->CrossingSamples[k - 1];
        const std::int64_t endSample = trace->CrossingSamples[k];
        bool first = true;
        if (k >= 2) {
            AddVertex(a.Vertices, crossingPoints[k - 1], a.CrossingsS[k - 1], true);
            first = false;
        }
        for (std::int64_t j = firstSample; j < endSample; ++j) {
            AddVertex(a.Vertices, point(j), static_cast<double>(j) * kSampleSeconds, first);
            first = false;
        }
        AddVertex(a.Vertices, crossingPoints[k], a.CrossingsS[k], false);
        a.PathStarts.push_back(a.Vertices.size());
        a.SampleStarts.push_back(endSample);
        lap.StartS = k == 1 ? 0.0 : a.CrossingsS[k - 1];
        lap.EndS = a.CrossingsS[k];
        lap.PreciseS = lap.EndS - lap.StartS;
        lap.LengthPx = a.Vertices.back().distance;
    }

    std::vector<double> precise(laps);
    for (std::size_t k = 0; k < laps; ++k)
        precise[k] = a.Laps[k].PreciseS;
    a.ReferenceLap = DefaultReferenceLap(precise);
    const LapFigures& reference = a.Lap(a.ReferenceLap);

    // The gates at a third and two thirds of the reference lap, and each
    // lap's sectors between them.
    if (reference.LengthPx > 0) {
        const auto path = a.PathOf(a.ReferenceLap);
        const auto gate1 = GateAt(path, reference.LengthPx / 3);
        const auto gate2 = GateAt(path, 2 * reference.LengthPx / 3);
        if (gate1 && gate2)
            a.Gates = std::array<Gate, 2>{*gate1, *gate2};
    }
    if (a.Gates) {
        for (std::int32_t k = 1; k <= a.LapCount; ++k) {
            LapFigures& lap = a.Laps[static_cast<std::size_t>(k - 1)];
            const auto path = a.PathOf(k);
            const auto pass1 = PassGate(path, (*a.Gates)[0], 0);
            const auto pass2 = PassGate(path, (*a.Gates)[1], pass1 ? pass1->move + 1 : 0);
            if (pass1)
                lap.SectorsS[0] = pass1->t - lap.StartS;
            if (pass1 && pass2)
                lap.SectorsS[1] = pass2->t - pass1->t;
            if (pass2)
                lap.SectorsS[2] = lap.EndS - pass2->t;
        }
    }
    for (std::size_t g = 0; g < 3; ++g) {
        for (std::size_t k = kFirstFlyingLap; k <= laps; ++k) {
            const auto& sector = a.Laps[k - 1].SectorsS[g];
            if (sector && (!a.BestSectorsS[g] || *sector < *a.BestSectorsS[g]))
                a.BestSectorsS[g] = sector;
        }
    }
    if (a.BestSectorsS[0] && a.BestSectorsS[1] && a.BestSectorsS[2])
        a.TheoreticalBestS = *a.BestSectorsS[0] + *a.BestSectorsS[1] + *a.BestSectorsS[2];

    // Speed, from the track's length over the reference lap's.
    a.SpeedKmh.assign(samples.size(), std::numeric_limits<double>::quiet_NaN());
    if (input.TrackLength > 0 && reference.LengthPx > 0) {
        const double m = input.TrackLength / reference.LengthPx;
        a.MetresPerPixel = m;
        const double chordS = 2 * kSpeedChordSamples * kSampleSeconds;  // 0.5
        const double perPixel = m / chordS * kKmhPerMetrePerSecond;
        const auto chord = static_cast<std::size_t>(kSpeedChordSamples);
        for (std::size_t j = chord; j + chord < samples.size(); ++j) {
            const MapPoint p = point(static_cast<std::int64_t>(j - chord));
            const MapPoint q = point(static_cast<std::int64_t>(j + chord));
            a.SpeedKmh[j] = Length(q.x - p.x, q.y - p.y) * perPixel;
        }
        for (std::size_t k = 1; k <= laps; ++k) {
            std::optional<double> top;
            for (std::int64_t j = a.SampleStarts[k - 1]; j < a.SampleStarts[k]; ++j) {
                const double v = a.SpeedKmh[static_cast<std::size_t>(j)];
                if (!std::isnan(v) && (!top || v > *top))
                    top = v;
            }
            a.Laps[k - 1].TopSpeedKmh = top;
        }
    }

    // Consistency: the flying laps within kCleanLapPercent of the reference.
    double sum = 0;
    std::vector<double> clean;
    for (std::size_t k = kFirstFlyingLap; k <= laps; ++k) {
        LapFigures& lap = a.Laps[k - 1];
        lap.Clean = lap.PreciseS <= kCleanLapFactor * reference.PreciseS;
        if (lap.Clean) {
            clean.push_back(lap.PreciseS);
            sum += lap.PreciseS;
        }
    }
    a.CleanCount = static_cast<std::int32_t>(clean.size());
    if (!clean.empty()) {
        const double mean = sum / static_cast<double>(clean.size());
        a.CleanMeanS = mean;
        if (clean.size() >= 2) {
            double squares = 0;
            for (const double t : clean)
                squares += (t - mean) * (t - mean);
            a.CleanStdevS = std::sqrt(squares / static_cast<double>(clean.size() - 1));
        }
    }
    return a;
}

}  // namespace vx
