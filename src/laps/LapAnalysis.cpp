#include "laps/LapAnalysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "laps/LapTrace.h"

namespace vx {

namespace {

constexpr double kKmhPerMetrePerSecond = 3.6;
constexpr double kEqualTimes = 1e-6;  // precise times closer than this are equal

// The length of (dx, dy): the square root is exact to the last bit on every
// system and several times faster than std::hypot, whose care for
// overflow map distances never need.
double Length(double dx, double dy)
{
    return std::sqrt(dx * dx + dy * dy);
}

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

// The gate through centre square to the unit vector u.
Gate GateThrough(MapPoint centre, MapPoint u)
{
    Gate gate;
    gate.Centre = centre;
    gate.Direction = u;
    const double nx = -u.y, ny = u.x;
    gate.End1 = {centre.x - kGateHalfWidth * nx, centre.y - kGateHalfWidth * ny};
    gate.End2 = {centre.x + kGateHalfWidth * nx, centre.y + kGateHalfWidth * ny};
    return gate;
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
        return GateThrough({a.x + r * ux, a.y + r * uy}, {ux, uy});
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

// The corners' gates in lap order: A_1, B_1, A_2, ..., B_(n-1), A_n.
std::vector<const Gate*> CornerGates(std::span<const Corner> corners)
{
    std::vector<const Gate*> gates;
    gates.reserve(2 * corners.size());
    for (const Corner& corner : corners) {
        gates.push_back(&corner.Apex);
        if (corner.End)
            gates.push_back(&*corner.End);
    }
    return gates;
}

// When the path passes each gate, in order: each searched from the move
// after the one that passed the last gate passed, so that one move passes
// one gate at most; none for a gate it misses.
std::vector<std::optional<double>> PassInOrder(std::span<const PathVertex> path, std::span<const Gate* const> gates)
{
    std::vector<std::optional<double>> passings;
    passings.reserve(gates.size());
    std::size_t from = 0;
    for (const Gate* gate : gates) {
        const std::optional<Passing> passing = PassGate(path, *gate, from);
        passings.push_back(passing ? std::optional(passing->t) : std::nullopt);
        if (passing)
            from = passing->move + 1;
    }
    return passings;
}

// A lap's corner figures from its passings of the gates in lap order (apex
// of corner i at 2i, its end at 2i + 1). speedOf(i) is the speed at vertex i
// of the path, NaN at a crossing of the line or a sample without one.
template <class SpeedOfVertex>
std::vector<CornerFigures> CornerFiguresFrom(std::span<const std::optional<double>> passings, double startS,
                                             double endS, std::span<const PathVertex> path, SpeedOfVertex speedOf)
{
    const std::size_t n = (passings.size() + 1) / 2;
    std::vector<CornerFigures> corners(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::optional<double> start = i == 0 ? std::optional(startS) : passings[2 * i - 1];
        const std::optional<double> apex = passings[2 * i];
        const std::optional<double> end = i + 1 == n ? std::optional(endS) : passings[2 * i + 1];
        CornerFigures& corner = corners[i];
        if (start && apex)
            corner.EntryS = *apex - *start;
        if (apex && end)
            corner.ExitS = *end - *apex;
        if (!corner.EntryS || !corner.ExitS)
            continue;
        // The slowest sample from the corner's start to its end, both
        // included: a sample at a maximum belongs to both corners it ends
        // and begins.
        const auto first = std::lower_bound(path.begin(), path.end(), *start,
                                            [](const PathVertex& v, double t) { return v.t < t; });
        double slowest = std::numeric_limits<double>::infinity();
        for (auto i = static_cast<std::size_t>(first - path.begin()); i < path.size() && path[i].t <= *end; ++i)
            slowest = std::min(slowest, speedOf(i));  // a NaN never wins: std::min keeps the first
        if (slowest != std::numeric_limits<double>::infinity())
            corner.MinSpeedKmh = slowest;
    }
    return corners;
}

// The gate across the path at vertex at, square to the way to the next
// vertex that lies elsewhere. A path that stands still there to its end
// gives no way: a gate of no width, which no move passes.
Gate GateAtVertex(std::span<const PathVertex> path, std::size_t at)
{
    const MapPoint centre = PointOf(path[at]);
    for (std::size_t i = at + 1; i < path.size(); ++i) {
        const double dx = path[i].x - centre.x, dy = path[i].y - centre.y;
        if (dx == 0 && dy == 0)
            continue;
        const double length = Length(dx, dy);
        return GateThrough(centre, {dx / length, dy / length});
    }
    return GateThrough(centre, {0, 0});
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

// The corners of the reference lap by the walk over its speeds, their gates
// at its samples, and every lap's figures in them. The reference lap passes
// its own gates at its own samples' times: searching its path could pass a
// gate early where the car stood still before it.
void AnalyseCorners(LapAnalysis& a)
{
    const std::int32_t r = a.ReferenceLap;
    const std::int64_t first = a.SampleStarts[static_cast<std::size_t>(r - 1)];
    const std::int64_t end = a.SampleStarts[static_cast<std::size_t>(r)];
    const std::vector<std::size_t> marks =
        CornerMarks(std::span(a.SpeedKmh).subspan(static_cast<std::size_t>(first), static_cast<std::size_t>(end - first)));
    if (marks.empty())
        return;
    const auto path = a.PathOf(r);
    const std::size_t firstVertex = r >= 2 ? 1 : 0;  // laps 2.. begin at the line's crossing
    const auto gateAt = [&](std::size_t mark) { return GateAtVertex(path, firstVertex + mark); };
    for (std::size_t i = 0; i < marks.size(); i += 2) {
        Corner corner;
        corner.ApexSample = first + static_cast<std::int64_t>(marks[i]);
        corner.Apex = gateAt(marks[i]);
        if (i + 1 < marks.size()) {
            corner.EndSample = first + static_cast<std::int64_t>(marks[i + 1]);
            corner.End = gateAt(marks[i + 1]);
        }
        a.Corners.push_back(corner);
    }

    const std::vector<const Gate*> gates = CornerGates(a.Corners);
    std::vector<std::optional<double>> ownPassings;
    for (const std::size_t mark : marks)
        ownPassings.push_back(static_cast<double>(first + static_cast<std::int64_t>(mark)) * kSampleSeconds);
    for (std::int32_t k = 1; k <= a.LapCount; ++k) {
        LapFigures& lap = a.Laps[static_cast<std::size_t>(k - 1)];
        const auto lapPath = a.PathOf(k);
        const std::vector<std::optional<double>> passings = k == r ? ownPassings : PassInOrder(lapPath, gates);
        // Vertex i of the path is sample offset + i, but for the crossings
        // of the line at its ends (the first one from lap 2 on).
        const std::size_t from = k >= 2 ? 1 : 0, to = lapPath.size() - 1;
        const double* speeds = a.SpeedKmh.data() + a.SampleStarts[static_cast<std::size_t>(k - 1)] - from;
        lap.Corners = CornerFiguresFrom(passings, lap.StartS, lap.EndS, lapPath, [=](std::size_t i) {
            return i >= from && i < to ? speeds[i] : std::numeric_limits<double>::quiet_NaN();
        });
    }

    bool whole = true;
    for (std::size_t i = 0; i < a.Corners.size(); ++i) {
        std::optional<double>& best = a.Corners[i].BestS;
        for (std::int32_t k = kFirstFlyingLap; k <= a.LapCount; ++k) {
            const std::optional<double> time = a.Lap(k).Corners[i].TimeS();
            if (time && (!best || *time < *best))
                best = time;
        }
        whole = whole && best;
    }
    if (whole) {
        double sum = 0;
        for (const Corner& corner : a.Corners)
            sum += *corner.BestS;
        a.IdealLapS = sum;
    }
}

}  // namespace

MapPoint SampleMapPoint(ReplaySample sample, double sampleScale)
{
    return {sample.SampleX / sampleScale, 511.0 - sample.SampleY / sampleScale};
}

std::vector<std::size_t> CornerMarks(std::span<const double> speedsKmh)
{
    // Confirmed extremes alternate, a maximum first: the walk starts rising.
    std::vector<std::size_t> confirmed;
    bool rising = true;
    std::optional<std::size_t> mark;  // H while rising, L while falling
    for (std::size_t j = 0; j < speedsKmh.size(); ++j) {
        const double v = speedsKmh[j];
        if (std::isnan(v))
            continue;
        if (!mark) {
            mark = j;
            continue;
        }
        const double m = speedsKmh[*mark];
        if (rising ? v > m : v < m) {
            mark = j;
        } else if (rising ? v <= m - kCornerSpeedStepKmh : v >= m + kCornerSpeedStepKmh) {
            confirmed.push_back(*mark);
            rising = !rising;
            mark = j;
        }
    }
    // The apexes are the odd entries; keep from the first apex to the last.
    if (confirmed.size() < 2)
        return {};
    const std::size_t last = confirmed.size() % 2 == 0 ? confirmed.size() - 1 : confirmed.size() - 2;
    return {confirmed.begin() + 1, confirmed.begin() + static_cast<std::ptrdiff_t>(last) + 1};
}

std::vector<CornerFigures> CornerFiguresOfPath(std::span<const Corner> corners, std::span<const PathVertex> path,
                                               std::span<const std::optional<double>> speedsKmh, double startS,
                                               double endS)
{
    if (corners.empty())
        return {};
    const std::vector<const Gate*> gates = CornerGates(corners);
    const std::vector<std::optional<double>> passings = PassInOrder(path, gates);
    return CornerFiguresFrom(passings, startS, endS, path, [&](std::size_t i) {
        return i < speedsKmh.size() && speedsKmh[i] ? *speedsKmh[i] : std::numeric_limits<double>::quiet_NaN();
    });
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

    AnalyseCorners(a);

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
