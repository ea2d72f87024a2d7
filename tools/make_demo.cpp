// make_demo: writes the demo track and two saved games raced on it, or many
// varied races on it for the tests and benchmarks of the race history.
//
//   make_demo OUTDIR             writes OUTDIR/Tracks/Kestrelvale.trk,
//                                OUTDIR/Saves/demo.gam and OUTDIR/Saves/long.gam
//   make_demo OUTDIR --races N   writes OUTDIR/Tracks/Kestrelvale.trk and
//                                OUTDIR/Saves/race-0001.gam .. race-N.gam: other
//                                lines, lap counts, mistakes, drivers and cars,
//                                a race a day from 2026-01-01, the day's time in
//                                the file's modification time
//
// Other words (an option it does not know, --help among them) are refused
// with the usage and exit status 2, and nothing is written.
//
// Everything comes from fixed numbers and seeded generators, so a rerun
// writes the same bytes (and the same times).
//
// Sections:
//   1. Numbers: the seeded generator, smooth noise, small vector helpers
//   2. The circuit: its pieces, centre line, curvature, pit lane
//   3. The ground: distances to the road, terrain codes, run-length words
//   4. Heights and the lake
//   5. Objects: buildings, barriers, markers, posts, trees
//   6. Driving: speed profile, one car's replay, its lap times
//   7. The saved games and main
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "fixtures/GameFileBuilder.h"
#include "fixtures/TrackFileBuilder.h"

namespace vx {
namespace {

// --- 1. Numbers ----------------------------------------------------------------

constexpr double kPi = 3.14159265358979323846;
constexpr int kMapSize = 512;

// SplitMix64: the same sequence on every platform, unlike the standard
// library's distributions.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Uniform(double low, double high) { return low + (high - low) * Uniform(); }
    // Roughly normal: the sum of four uniforms, scaled to unit spread.
    double Gauss() { return (Uniform() + Uniform() + Uniform() + Uniform() - 2.0) * 1.7320508; }
    int Below(int n) { return static_cast<int>(Uniform() * n); }

private:
    std::uint64_t state_;
};

struct Vec {
    double x = 0;
    double y = 0;
};

Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(double k, Vec a) { return {k * a.x, k * a.y}; }
double Length(Vec a) { return std::hypot(a.x, a.y); }

double SmoothStep(double edge0, double edge1, double v)
{
    const double t = std::clamp((v - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Value noise on a lattice of `cell` pixels, smoothly interpolated: 0..1.
class SmoothNoise {
public:
    SmoothNoise(std::uint64_t seed, double cell) : cell_(cell)
    {
        Random random(seed);
        for (double& v : lattice_)
            v = random.Uniform();
    }
    double At(double x, double y) const
    {
        const double fx = x / cell_, fy = y / cell_;
        const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
        const double tx = SmoothStep(0, 1, fx - ix), ty = SmoothStep(0, 1, fy - iy);
        const double a = Corner(ix, iy), b = Corner(ix + 1, iy);
        const double c = Corner(ix, iy + 1), d = Corner(ix + 1, iy + 1);
        return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
    }

private:
    double Corner(int ix, int iy) const { return lattice_[((iy & 63) * 64 + (ix & 63))]; }
    double cell_;
    std::array<double, 64 * 64> lattice_{};
};

// --- 2. The circuit --------------------------------------------------------------

constexpr std::uint8_t kMapScale = 200;  // garages ~80 x 30 pixels, barriers 14 x 2
constexpr double kStep = 0.5;        // spacing of the centre line's points, pixels
constexpr double kHalfRoad = 7.0;    // half the width of the asphalt
constexpr double kKerbWidth = 2.5;
constexpr double kLapLineX = 300;    // the start/finish line crosses the pit straight here
constexpr double kPitOffset = 26;    // the pit lane runs this far right of the centre line
constexpr double kPitHalf = 4.0;

// One piece of the centre line: a straight of `Length` pixels when `Turn` is
// 0, else an arc of `Radius` pixels turning `Turn` degrees (negative: left,
// anticlockwise on the map). Two straights have the length kSolved: theirs
// are chosen so that the lap closes on its start.
struct Piece {
    double Length = 0;
    double Radius = 0;
    double Turn = 0;
};

constexpr double kSolved = -1;

// Driven in this order from the west end of the pit straight, heading east.
constexpr Piece kPieces[] = {
    {kSolved, 0, 0},                                  // pit straight
    {0, 36, -90},                                     // turn 1, onto the east side
    {60, 0, 0},
    {0, 20, 42}, {0, 20, -84}, {0, 20, 42},           // the chicane
    {50, 0, 0},
    {0, 150, 18}, {0, 90, -18},                       // the east sweep
    {40, 0, 0},
    {0, 48, -50}, {28, 0, 0}, {0, 38, -55},           // turns 3 and 4, over the top
    {150, 0, 0},                                      // back straight
    {0, 160, 15},                                     // the kink
    {60, 0, 0},
    {0, 30, -90},                                     // turn 5, down into the infield
    {40, 0, 0},
    {0, 26, -90},                                     // turn 6, a left to the east
    {45, 0, 0},
    {0, 30, 125},                                     // turn 7, a long right
    {0, 45, -35},                                     // turn 8
    {kSolved, 0, 0},                                  // the infield straight, south
    {0, 28, 90},                                      // turn 9, a right to the west
    {70, 0, 0},
    {0, 25, -180},                                    // the west hairpin
};

constexpr Vec kStartPoint{105, 432};

// Walks the pieces with the given lengths for the solved straights; every
// point at most 0.05 pixels from the next.
std::vector<Vec> WalkPieces(double first, double second)
{
    std::vector<Vec> path{kStartPoint};
    Vec at = kStartPoint;
    double heading = 0;  // degrees, 0 east, 90 south
    int solved = 0;
    for (const Piece& piece : kPieces) {
        if (piece.Turn == 0) {
            double length = piece.Length;
            if (length == kSolved)
                length = solved++ == 0 ? first : second;
            const Vec step{std::cos(heading * kPi / 180), std::sin(heading * kPi / 180)};
            const int count = std::max(1, static_cast<int>(std::ceil(length / 0.05)));
            for (int k = 1; k <= count; ++k)
                path.push_back(at + (length * k / count) * step);
            at = at + length * step;
        } else {
            const double sign = piece.Turn > 0 ? 1.0 : -1.0;  // right turns bend to +90 degrees
            const double toCentre = (heading + 90 * sign) * kPi / 180;
            const Vec centre = at + piece.Radius * Vec{std::cos(toCentre), std::sin(toCentre)};
            const double from = toCentre + kPi;  // angle of `at` seen from the centre
            const double sweep = piece.Turn * kPi / 180;
            const double arc = std::abs(sweep) * piece.Radius;
            const int count = std::max(1, static_cast<int>(std::ceil(arc / 0.05)));
            for (int k = 1; k <= count; ++k) {
                const double angle = from + sweep * k / count;
                path.push_back(centre + piece.Radius * Vec{std::cos(angle), std::sin(angle)});
            }
            at = path.back();
            heading += piece.Turn;
        }
    }
    return path;
}

// The fine polyline of the whole lap, with the solved straights' lengths
// chosen so that it ends where it starts.
std::vector<Vec> ClosedPath()
{
    // The end point moves linearly with the two lengths: solve for both.
    const Vec base = WalkPieces(0, 0).back();
    const Vec du = WalkPieces(1, 0).back() - base;
    const Vec dv = WalkPieces(0, 1).back() - base;
    const Vec miss = kStartPoint - base;
    const double det = du.x * dv.y - du.y * dv.x;
    const double first = (miss.x * dv.y - miss.y * dv.x) / det;
    const double second = (du.x * miss.y - du.y * miss.x) / det;
    return WalkPieces(first, second);
}

// The closed centre line, resampled every kStep pixels of its length.
class Circuit {
public:
    Circuit()
    {
        std::vector<Vec> fine = ClosedPath();
        std::vector<double> along(fine.size(), 0.0);
        for (std::size_t i = 1; i < fine.size(); ++i)
            along[i] = along[i - 1] + Length(fine[i] - fine[i - 1]);
        const double total = along.back();
        const int count = static_cast<int>(std::round(total / kStep));
        length_ = count * kStep;
        std::size_t j = 0;
        for (int i = 0; i < count; ++i) {
            const double want = i * total / count;
            while (along[j + 1] < want)
                ++j;
            const double u = (want - along[j]) / (along[j + 1] - along[j]);
            points_.push_back(fine[j] + u * (fine[j + 1] - fine[j]));
        }
        // Signed curvature, positive where the road turns right on the map.
        std::vector<double> raw(points_.size());
        constexpr int kSpan = 6;  // 3 pixels each way
        for (int i = 0; i < Count(); ++i) {
            const Vec a = Point(i - kSpan), b = Point(i), c = Point(i + kSpan);
            const Vec d1 = b - a, d2 = c - b;
            const double turn = std::atan2(d1.x * d2.y - d1.y * d2.x, d1.x * d2.x + d1.y * d2.y);
            raw[static_cast<std::size_t>(i)] = turn / (kSpan * kStep);
        }
        curvature_ = Smoothed(raw, 8.0);
        bend_ = Smoothed(raw, 30.0);
    }

    int Count() const { return static_cast<int>(points_.size()); }
    double LengthPixels() const { return length_; }
    Vec Point(int i) const { return points_[static_cast<std::size_t>(Wrap(i))]; }
    int IndexOf(double s) const { return Wrap(static_cast<int>(std::floor(s / kStep))); }

    Vec At(double s) const
    {
        const double f = s / kStep;
        const int i = static_cast<int>(std::floor(f));
        return Point(i) + (f - i) * (Point(i + 1) - Point(i));
    }
    Vec Direction(double s) const
    {
        const Vec d = At(s + 1.0) - At(s - 1.0);
        return (1.0 / Length(d)) * d;
    }
    // To the right of the direction of travel on the map (y grows downward).
    Vec Right(double s) const
    {
        const Vec d = Direction(s);
        return {-d.y, d.x};
    }
    double Curvature(double s) const { return curvature_[static_cast<std::size_t>(IndexOf(s))]; }
    // Curvature smoothed over a longer stretch: how the whole corner bends.
    double Bend(double s) const { return bend_[static_cast<std::size_t>(IndexOf(s))]; }

    // The arc length at which the pit straight passes x on the map.
    double ArcAtStraightX(double x) const
    {
        for (int i = 0; i < Count(); ++i) {
            const Vec a = Point(i), b = Point(i + 1);
            if (a.y > 380 && a.x <= x && b.x > x)
                return (i + (x - a.x) / (b.x - a.x)) * kStep;
        }
        return 0;
    }

private:
    int Wrap(int i) const
    {
        const int n = static_cast<int>(points_.size());
        return ((i % n) + n) % n;
    }
    std::vector<double> Smoothed(const std::vector<double>& raw, double halfPixels) const
    {
        const int half = static_cast<int>(halfPixels / kStep);
        const int n = static_cast<int>(raw.size());
        std::vector<double> out(raw.size());
        for (int i = 0; i < n; ++i) {
            double sum = 0, weights = 0;
            for (int k = -half; k <= half; ++k) {
                const double w = 1.0 - std::abs(static_cast<double>(k)) / (half + 1);
                sum += w * raw[static_cast<std::size_t>(Wrap(i + k))];
                weights += w;
            }
            out[static_cast<std::size_t>(i)] = sum / weights;
        }
        return out;
    }

    std::vector<Vec> points_;
    std::vector<double> curvature_;
    std::vector<double> bend_;
    double length_ = 0;
};

// Arc length from the lap line, folded into (-L/2, L/2].
double FromLine(const Circuit& circuit, double s, double sLine)
{
    const double length = circuit.LengthPixels();
    double d = std::fmod(s - sLine, length);
    if (d <= -length / 2)
        d += length;
    if (d > length / 2)
        d -= length;
    return d;
}

// How far right of the centre line the pit lane runs at s: 0 on the circuit,
// kPitOffset along the garages, smooth ramps at the entry and the exit.
constexpr double kPitEntryStart = -195, kPitEntryEnd = -140;
constexpr double kPitExitStart = 55, kPitExitEnd = 100;

double PitLaneOffset(const Circuit& circuit, double s, double sLine)
{
    const double d = FromLine(circuit, s, sLine);
    if (d < kPitEntryStart || d > kPitExitEnd)
        return 0;
    return kPitOffset * SmoothStep(kPitEntryStart, kPitEntryEnd, d) *
           (1.0 - SmoothStep(kPitExitStart, kPitExitEnd, d));
}

// --- 3. The ground -------------------------------------------------------------

// Per map pixel: the nearest point of the centre line and of the pit lane.
struct RoadField {
    std::vector<float> Distance;  // to the centre line
    std::vector<float> Arc;       // arc length of the nearest centre point
    std::vector<float> Side;      // signed: > 0 right of the direction of travel
    std::vector<float> PitDistance;
};

RoadField MeasureRoad(const Circuit& circuit, double sLine)
{
    constexpr float kFar = 1e9f;
    constexpr int kReach = 64;
    RoadField field;
    const std::size_t cells = kMapSize * kMapSize;
    field.Distance.assign(cells, kFar);
    field.Arc.assign(cells, 0);
    field.Side.assign(cells, 0);
    field.PitDistance.assign(cells, kFar);
    for (int i = 0; i < circuit.Count(); ++i) {
        const double s = i * kStep;
        const Vec p = circuit.Point(i);
        const Vec right = circuit.Right(s);
        const double pit = PitLaneOffset(circuit, s, sLine);
        const Vec q = p + pit * right;
        const int cx = static_cast<int>(p.x), cy = static_cast<int>(p.y);
        for (int y = std::max(0, cy - kReach); y < std::min(kMapSize, cy + kReach); ++y) {
            for (int x = std::max(0, cx - kReach); x < std::min(kMapSize, cx + kReach); ++x) {
                const std::size_t at = static_cast<std::size_t>(y * kMapSize + x);
                const Vec v{x - p.x, y - p.y};
                const float d = static_cast<float>(Length(v));
                if (d < field.Distance[at]) {
                    field.Distance[at] = d;
                    field.Arc[at] = static_cast<float>(s);
                    field.Side[at] = static_cast<float>(v.x * right.x + v.y * right.y);
                }
                if (pit > 0.5) {
                    const float dp = static_cast<float>(Length(Vec{x - q.x, y - q.y}));
                    field.PitDistance[at] = std::min(field.PitDistance[at], dp);
                }
            }
        }
    }
    return field;
}

enum Terrain : std::uint8_t {
    kAsphalt = 0, kLightGrey = 1, kGrass = 2, kLightGrass = 3, kEarth = 4, kSand = 5,
    kLightSand = 6, kNearWhite = 7, kPaleBlue = 8, kWhite = 9, kYellow = 10, kRed = 11,
    kDarkGrey = 12,
};

// The run-off beside a corner: how wide it is on the outside at s, and what
// it is made of.
struct RunOff {
    std::vector<float> Width;     // per centre-line point
    std::vector<std::uint8_t> Material;
};

RunOff PlanRunOff(const Circuit& circuit)
{
    const int n = circuit.Count();
    std::vector<double> raw(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        // Cars leave the road late in a corner: look a little upstream, so
        // the run-off reaches on past the exit.
        const double bend = std::abs(circuit.Bend(i * kStep - 12));
        raw[static_cast<std::size_t>(i)] = std::clamp((bend - 1.0 / 110) * 1400, 0.0, 20.0);
    }
    RunOff plan;
    plan.Width.resize(static_cast<std::size_t>(n));
    plan.Material.resize(static_cast<std::size_t>(n));
    const int half = static_cast<int>(20 / kStep);
    for (int i = 0; i < n; ++i) {
        double sum = 0;
        for (int k = -half; k <= half; ++k)
            sum += raw[static_cast<std::size_t>(((i + k) % n + n) % n)];
        plan.Width[static_cast<std::size_t>(i)] = static_cast<float>(sum / (2 * half + 1));
    }
    // The run-off of each corner in the order of the lap from turn 1: sand
    // traps, earth at the chicane and at turn 9.
    constexpr std::uint8_t kMaterials[] = {kSand, kEarth, kSand, kSand, kSand, kEarth};
    int corner = -1;
    bool inside = false;
    int first = 0;
    while (first < n && plan.Width[static_cast<std::size_t>(first)] > 0.5f)
        ++first;  // start outside a corner, so that none is split in two
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        const bool now = plan.Width[static_cast<std::size_t>(i)] > 0.5f;
        if (now && !inside)
            ++corner;
        inside = now;
        plan.Material[static_cast<std::size_t>(i)] =
            kMaterials[static_cast<std::size_t>(std::max(corner, 0)) % std::size(kMaterials)];
    }
    return plan;
}

// Whether height cell (c, r) holds water: set by PlanLake.
using LakeMask = std::array<bool, 64 * 64>;

bool InLakeCell(const LakeMask& lake, int x, int y)
{
    if (x < 0 || x >= kMapSize || y < 0 || y > 510)
        return false;
    const int c = x / 8, r = (510 - y) / 8;
    return lake[static_cast<std::size_t>(r * 64 + c)];
}

struct Ground {
    std::vector<std::uint8_t> Terrain;  // map pixel (x, y) at y * 512 + x
};

// Paved ground beside the pit straight, in map pixels, ends included: the
// paddock behind the garages and the concourse around the grandstands.
struct Box {
    int X0, Y0, X1, Y1;
};
constexpr Box kPaddock{163, 463, 349, 499};
constexpr Box kConcourse{214, 387, 400, 421};

bool InBox(int x, int y, const Box& box)
{
    // Corners rounded off by three pixels.
    const int dx = std::max({box.X0 + 3 - x, x - (box.X1 - 3), 0});
    const int dy = std::max({box.Y0 + 3 - y, y - (box.Y1 - 3), 0});
    return x >= box.X0 && x <= box.X1 && y >= box.Y0 && y <= box.Y1 && dx * dx + dy * dy <= 9;
}

Ground PaintGround(const Circuit& circuit, const RoadField& road, const RunOff& runOff,
                   const LakeMask& lake, double sLine)
{
    const SmoothNoise meadow(11, 38), tufts(12, 9), dirt(13, 15);
    Ground ground;
    ground.Terrain.assign(kMapSize * kMapSize, kGrass);
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            const std::size_t at = static_cast<std::size_t>(y * kMapSize + x);
            const double d = road.Distance[at];
            const double s = road.Arc[at];
            const double side = road.Side[at];
            const int i = circuit.IndexOf(s);
            const double fromLine = FromLine(circuit, s, sLine);
            std::uint8_t& t = ground.Terrain[at];

            const double bend = circuit.Curvature(s);
            const bool kerbed = std::abs(bend) > 1.0 / 75;
            const double outward = bend > 0 ? -side : side;  // > 0 on the corner's outside
            const double runWidth = runOff.Width[static_cast<std::size_t>(i)];

            if (d <= kHalfRoad) {
                t = kAsphalt;
            } else if (road.PitDistance[at] <= kPitHalf) {
                t = kAsphalt;
            } else if (kerbed && d <= kHalfRoad + kKerbWidth) {
                t = (static_cast<int>(std::floor(s / 4)) % 2 == 0) ? kRed : kWhite;
            } else if (d <= kHalfRoad + 1.0) {
                t = kWhite;  // the painted edge of the road
            } else if (runWidth > 0.5 && outward > 0 &&
                       d <= kHalfRoad + kKerbWidth + runWidth +
                                2.5 * (dirt.At(x, y) - 0.5)) {
                t = runOff.Material[static_cast<std::size_t>(i)];
            } else if (InBox(x, y, kPaddock)) {
                t = kPaleBlue;
            } else if (InBox(x, y, kConcourse)) {
                t = kNearWhite;
            } else {
                const double m = meadow.At(x, y) + 0.3 * (tufts.At(x, y) - 0.5);
                t = m > 0.66 ? kLightGrass : kGrass;
            }
            // The start/finish line: a chequered band across the road.
            if (d <= kHalfRoad && std::abs(x - kLapLineX) <= 2 && fromLine > -10 && fromLine < 10)
                t = ((x + 1) / 2 + y / 2) % 2 == 0 ? kWhite : kDarkGrey;
        }
    }
    // Sand around the lake: pixels outside its cells but within 3 of one.
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            if (InLakeCell(lake, x, y)) {
                ground.Terrain[static_cast<std::size_t>(y * kMapSize + x)] = kPaleBlue;
                continue;
            }
            bool shore = false;
            for (int dy = -3; dy <= 3 && !shore; ++dy)
                for (int dx = -3; dx <= 3 && !shore; ++dx)
                    shore = dx * dx + dy * dy <= 10 && InLakeCell(lake, x + dx, y + dy);
            if (shore)
                ground.Terrain[static_cast<std::size_t>(y * kMapSize + x)] = kLightSand;
        }
    }
    return ground;
}

// The picture as the track stores it: from the bottom-left pixel, left to
// right, one row up every 512 pixels; runs flow on across rows.
std::vector<std::uint16_t> RunLengthWords(const Ground& ground)
{
    std::vector<std::uint16_t> words;
    int current = -1, run = 0;
    for (int y = kMapSize - 1; y >= 0; --y) {
        for (int x = 0; x < kMapSize; ++x) {
            const int t = ground.Terrain[static_cast<std::size_t>(y * kMapSize + x)];
            if (t != current || run == 4095) {
                if (run > 0)
                    words.push_back(MapRun(current, run));
                current = t;
                run = 0;
            }
            ++run;
        }
    }
    words.push_back(MapRun(current, run));
    return words;
}

// --- 4. Heights and the lake -----------------------------------------------------

constexpr std::uint8_t kWaterLevel = 64;

// The lake lies in the open ground between the east side and the infield
// esses; a cell is water only when all of it stays well clear of the road.
LakeMask PlanLake(const RoadField& road)
{
    const SmoothNoise shore(21, 14);
    LakeMask lake{};
    for (int r = 0; r < 64; ++r) {
        for (int c = 0; c < 64; ++c) {
            const double cx = 8 * c + 3.5, cy = 506.5 - 8 * r;
            const double u = (cx - 386) / 40, v = (cy - 236) / 66;
            const double reach = 1.0 + 0.35 * (shore.At(cx, cy) - 0.5);
            if (u * u + v * v > reach * reach)
                continue;
            bool clear = true;
            for (int y = 503 - 8 * r - 10; y <= 510 - 8 * r + 10 && clear; ++y)
                for (int x = 8 * c - 10; x <= 8 * c + 17 && clear; ++x)
                    if (x >= 0 && x < kMapSize && y >= 0 && y < kMapSize)
                        clear = road.Distance[static_cast<std::size_t>(y * kMapSize + x)] >
                                kHalfRoad + 14;
            lake[static_cast<std::size_t>(r * 64 + c)] = clear;
        }
    }
    return lake;
}

std::vector<std::uint8_t> Heights(const LakeMask& lake)
{
    const SmoothNoise hills(31, 90), detail(32, 20);
    std::vector<std::uint8_t> heights(4096);
    for (int i = 0; i < 4096; ++i) {
        const int c = i % 64, r = i / 64;
        const double x = 8 * c + 4, y = 507 - 8 * r;
        if (lake[static_cast<std::size_t>(i)]) {
            // Deeper toward the middle of the lake.
            int wet = 0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int rr = r + dr, cc = c + dc;
                    wet += rr >= 0 && rr < 64 && cc >= 0 && cc < 64 &&
                           lake[static_cast<std::size_t>(rr * 64 + cc)];
                }
            heights[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(kWaterLevel - 4 - 4 * wet);
        } else {
            const double h = 78 + 120 * hills.At(x, y) + 30 * (detail.At(x, y) - 0.5);
            heights[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(std::clamp(h, kWaterLevel + 6.0, 250.0));
        }
    }
    return heights;
}

// --- 5. Objects --------------------------------------------------------------------

enum ObjectType : std::int8_t {
    kWhiteBarrier = 1, kRedBarrier = 2, kYellowBarrier = 3, kPost = 9, kTree = 10,
    kGarage = 17, kGrandstand = 18, kWall = 23, kMarker = 25, kFence = 29,
};

// Half the length and width of garages and stands on the map.
constexpr int kLargeHalfLength = (15900 / kMapScale) / 2;
constexpr int kLargeHalfWidth = (6200 / kMapScale) / 2;

// Heading byte of a direction on the map: 0 right, 61 down, 122 left,
// 183 up; 244 steps per turn.
std::uint8_t HeadingByte(Vec direction)
{
    double turn = std::atan2(direction.x, -direction.y) / (2 * kPi);  // 0 up, clockwise
    if (turn < 0)
        turn += 1;
    int b = static_cast<int>(std::lround(turn * 244)) - 61;
    b = ((b % 244) + 244) % 244;
    return static_cast<std::uint8_t>(b);
}

TrackObject ObjectAt(ObjectType type, Vec pixel, std::uint8_t heading = 0)
{
    TrackObject object;
    object.Type = type;
    object.X = static_cast<std::int16_t>(2 * std::lround(pixel.x));
    object.Y = static_cast<std::int16_t>(2 * (511 - std::lround(pixel.y)));
    object.Heading = heading;
    return object;
}

class ObjectPlan {
public:
    ObjectPlan(const Circuit& circuit, const RoadField& road, const LakeMask& lake,
               const Ground& ground)
        : circuit_(circuit), road_(road), lake_(lake), ground_(ground)
    {
    }

    std::vector<TrackObject> Objects() const { return objects_; }

    // A building with its length along the road at s, `side` pixels right
    // of the centre line.
    void Building(ObjectType type, double s, double side)
    {
        const Vec at = circuit_.At(s) + side * circuit_.Right(s);
        const Vec along = circuit_.Direction(s);
        objects_.push_back(ObjectAt(type, at, HeadingByte(along)));
        buildings_.push_back(at);
        // A building stands on grass or paving, never on the road or its
        // verges.
        int blocked = 0;
        for (double u = -kLargeHalfLength; u <= kLargeHalfLength; u += 1)
            for (double w = -kLargeHalfWidth; w <= kLargeHalfWidth; w += 1) {
                const Vec p = at + u * along + w * Vec{-along.y, along.x};
                const int x = static_cast<int>(p.x), y = static_cast<int>(p.y);
                if (x < 0 || x >= kMapSize || y < 0 || y >= kMapSize)
                    continue;
                const int t = ground_.Terrain[static_cast<std::size_t>(y * kMapSize + x)];
                blocked += t != kGrass && t != kLightGrass && t != kPaleBlue && t != kNearWhite;
            }
        if (blocked > 0)
            throw std::runtime_error("a building at " + std::to_string(at.x) + "," +
                                     std::to_string(at.y) + " covers " + std::to_string(blocked) +
                                     " pixels of road or verge");
    }

    // Barrier pieces end to end along a curve `side(s)` pixels right of the
    // centre line, from s0 to s1 (s1 > s0; both may pass the end of the lap).
    template <typename SideOf, typename TypeOf>
    void BarrierRun(double s0, double s1, SideOf sideOf, TypeOf typeOf)
    {
        constexpr double kPiece = 15;  // a piece is 14 pixels long at this scale
        Vec anchor = circuit_.At(s0) + sideOf(s0) * circuit_.Right(s0);
        Vec last = anchor;
        double run = 0;
        int piece = 0;
        for (double s = s0 + kStep; s <= s1; s += kStep) {
            const Vec p = circuit_.At(s) + sideOf(s) * circuit_.Right(s);
            run += Length(p - last);
            last = p;
            if (run >= kPiece) {
                const Vec mid = 0.5 * (anchor + p);
                if (mid.x >= 2 && mid.x < 509 && mid.y >= 2 && mid.y < 509)
                    objects_.push_back(ObjectAt(typeOf(piece), mid, HeadingByte(p - anchor)));
                barriers_.push_back(mid);
                anchor = p;
                run = 0;
                ++piece;
            }
        }
    }

    // Three boards before a braking point, one side of the road (-1 left,
    // 1 right).
    void Markers(double sCorner, double side)
    {
        for (const double before : {20.0, 36.0, 52.0}) {
            const double s = sCorner - before;
            Marker(circuit_.At(s) + side * (kHalfRoad + 5) * circuit_.Right(s));
        }
    }
    void Marker(Vec at) { objects_.push_back(ObjectAt(kMarker, at)); }

    void Post(double s)
    {
        for (const double side : {-(kHalfRoad + 14), kHalfRoad + 14}) {
            const Vec at = circuit_.At(s) + side * circuit_.Right(s);
            if (IsOpenGrass(at, kHalfRoad + 10)) {
                objects_.push_back(ObjectAt(kPost, at));
                barriers_.push_back(at);
                return;
            }
        }
    }

    // Groups of trees on open grass, away from the road, the lake and the
    // buildings.
    void Woods(std::uint64_t seed, int groups)
    {
        Random random(seed);
        int made = 0;
        for (int attempt = 0; attempt < 4000 && made < groups; ++attempt) {
            const Vec centre{random.Uniform(12, 500), random.Uniform(12, 500)};
            if (!IsOpenGrass(centre, 28))
                continue;
            ++made;
            const int count = 8 + random.Below(26);
            const double spread = random.Uniform(5, 15);
            const double stretch = random.Uniform(0.6, 1.6);
            for (int k = 0; k < count * 3 && count > 0; ++k) {
                const Vec at{centre.x + spread * stretch * random.Gauss(),
                             centre.y + spread / stretch * random.Gauss()};
                if (!IsOpenGrass(at, 14) || Crowded(at, 4.2))
                    continue;
                objects_.push_back(ObjectAt(kTree, at));
                trees_.push_back(at);
            }
        }
    }

    void TreeRow(Vec from, Vec to, double spacing)
    {
        const double length = Length(to - from);
        for (double u = 0; u <= length; u += spacing) {
            const Vec at = from + (u / length) * (to - from);
            if (IsOpenGrass(at, 10) && !Crowded(at, 4.2)) {
                objects_.push_back(ObjectAt(kTree, at));
                trees_.push_back(at);
            }
        }
    }

private:
    bool IsOpenGrass(Vec at, double roadClearance) const
    {
        const int x = static_cast<int>(std::lround(at.x)), y = static_cast<int>(std::lround(at.y));
        if (x < 3 || x > 508 || y < 3 || y > 508)
            return false;
        const std::size_t i = static_cast<std::size_t>(y * kMapSize + x);
        const int t = ground_.Terrain[i];
        if (t != kGrass && t != kLightGrass)
            return false;
        if (road_.Distance[i] < roadClearance || road_.PitDistance[i] < roadClearance)
            return false;
        for (int dy = -6; dy <= 6; ++dy)
            for (int dx = -6; dx <= 6; ++dx)
                if (InLakeCell(lake_, x + dx, y + dy))
                    return false;
        for (const Vec& b : buildings_)
            if (Length(b - at) < 48)
                return false;
        for (const Vec& b : barriers_)
            if (Length(b - at) < 10)
                return false;
        return true;
    }
    bool Crowded(Vec at, double spacing) const
    {
        for (const Vec& t : trees_)
            if (std::abs(t.x - at.x) < spacing && std::abs(t.y - at.y) < spacing)
                return true;
        return false;
    }

    const Circuit& circuit_;
    const RoadField& road_;
    const LakeMask& lake_;
    const Ground& ground_;
    std::vector<TrackObject> objects_;
    std::vector<Vec> buildings_;
    std::vector<Vec> barriers_;
    std::vector<Vec> trees_;
};

// The track's objects, placed along the finished ground.
std::vector<TrackObject> PlaceObjects(const Circuit& circuit, const RoadField& road,
                                      const RunOff& runOff, const LakeMask& lake,
                                      const Ground& ground, double sLine)
{
    ObjectPlan plan(circuit, road, lake, ground);
    const double length = circuit.LengthPixels();
    auto at = [&](double fromLine) { return std::fmod(sLine + fromLine + length, length); };

    // Garages behind the pit lane, grandstands across the pit straight, a
    // stand turned along the back straight and a pavilion in the infield.
    const double garageSide = kPitOffset + kPitHalf + 3 + kLargeHalfWidth;
    plan.Building(kGarage, at(-92), garageSide);
    plan.Building(kGarage, at(5), garageSide);
    const double standSide = -(kHalfRoad + 7 + kLargeHalfWidth);
    plan.Building(kGrandstand, at(-38), standSide);
    plan.Building(kGrandstand, at(52), standSide);
    plan.Building(kGrandstand, at(650), kHalfRoad + 12 + kLargeHalfWidth);
    plan.Building(kGarage, at(-440), -(kHalfRoad + 12 + kLargeHalfWidth));

    // The pit wall between the pit straight and the pit lane.
    plan.BarrierRun(at(-135), at(-135) + 185, [](double) { return 15.0; },
                    [](int) { return kWhiteBarrier; });

    // Tyre walls behind the run-off, red and yellow in turn, each piece
    // following the outside edge of its gravel or earth.
    const int n = circuit.Count();
    std::vector<std::pair<int, int>> walls;  // runs of centre-line points
    for (int i = 0, start = -1; i <= n; ++i) {
        const bool wide = i < n && runOff.Width[static_cast<std::size_t>(i)] > 5.0f;
        const bool sameSide = start < 0 || i >= n ||
                              (circuit.Bend(i * kStep) > 0) == (circuit.Bend(start * kStep) > 0);
        if (wide && start < 0)
            start = i;
        if (start >= 0 && (!wide || !sameSide)) {
            walls.emplace_back(start, i);
            start = wide ? i : -1;
        }
    }
    for (const auto& [first, last] : walls) {
        const double outward = circuit.Bend(((first + last) / 2) * kStep) > 0 ? -1.0 : 1.0;
        plan.BarrierRun(first * kStep, last * kStep,
                        [&](double s) {
                            const auto i = static_cast<std::size_t>(circuit.IndexOf(s));
                            return outward * (kHalfRoad + kKerbWidth + 4 + runOff.Width[i]);
                        },
                        [](int piece) { return piece % 2 == 0 ? kRedBarrier : kYellowBarrier; });
    }

    // A fence along the outside of the back straight, another in front of
    // the grandstands, a wall beside the east side.
    plan.BarrierRun(at(600), at(790), [](double) { return kHalfRoad + 6; },
                    [](int) { return kFence; });
    plan.BarrierRun(at(-80), at(50), [](double) { return -(kHalfRoad + 5); },
                    [](int) { return kFence; });
    plan.BarrierRun(at(195), at(255), [](double) { return kHalfRoad + 8; },
                    [](int) { return kWall; });

    // Braking boards before turn 1, turn 5 and the west hairpin.
    plan.Markers(at(112), -1);
    plan.Markers(at(-750), 1);
    plan.Markers(at(-286), 1);

    // Marshal posts around the lap, on whichever side has room.
    for (double d = 140; d < length; d += 150)
        plan.Post(at(d));

    // Woods, and a row of trees along the paddock's west end.
    plan.TreeRow(Vec{150, 466}, Vec{150, 500}, 5);
    plan.Woods(41, 34);
    return plan.Objects();
}

// --- 6. Driving -----------------------------------------------------------------------

constexpr double kMetresPerPixel = 1.36;
constexpr float kSampleScale = static_cast<float>(kMapScale) * 29.5f / 100.0f;
constexpr int kSamplesPerSecond = 20;
constexpr double kDt = 1.0 / kSamplesPerSecond;

// The fastest the car can take each centre-line point, in pixels per
// second: corner speed from the grip, then braking before and accelerating
// after every corner, around the closed lap.
std::vector<double> SpeedProfile(const Circuit& circuit, double sLine, bool pitStop,
                                 double boxFromLine)
{
    constexpr double kTopSpeed = 76, kGrip = 24, kAccelerate = 8.5, kBrake = 22;  // metres, seconds
    constexpr double kPitLimit = 16;
    const int n = circuit.Count();
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double s = i * kStep;
        const double k = std::abs(circuit.Curvature(s)) / kMetresPerPixel;  // per metre
        double limit = std::min(kTopSpeed, std::sqrt(kGrip / std::max(k, 1e-6)));
        if (pitStop) {
            const double d = FromLine(circuit, s, sLine);
            if (d > kPitEntryStart + 15 && d < kPitExitEnd - 10)
                limit = std::min(limit, kPitLimit);
            if (std::abs(d - boxFromLine) < kStep)
                limit = 0;
        }
        v[static_cast<std::size_t>(i)] = limit;
    }
    const double ds = kStep * kMetresPerPixel;
    for (int round = 0; round < 2; ++round) {
        for (int i = n - 1; i >= 0; --i) {
            const double next = v[static_cast<std::size_t>((i + 1) % n)];
            double& here = v[static_cast<std::size_t>(i)];
            here = std::min(here, std::sqrt(next * next + 2 * kBrake * ds));
        }
        for (int i = 0; i < n; ++i) {
            const double before = v[static_cast<std::size_t>((i + n - 1) % n)];
            double& here = v[static_cast<std::size_t>(i)];
            here = std::min(here, std::sqrt(before * before + 2 * kAccelerate * ds));
        }
    }
    for (double& speed : v)
        speed /= kMetresPerPixel;
    return v;
}

double LapSeconds(const std::vector<double>& profile)
{
    double t = 0;
    for (const double v : profile)
        t += kStep / v;
    return t;
}

struct Drive {
    int Laps = 10;
    double GridBack = 40;      // pixels behind the lap line at the start
    double GridSide = 3;       // pixels right of the centre line on the grid
    double FlyingLap = 44.5;   // seconds, before the lap-to-lap variation
    std::vector<int> OffLaps;  // laps with an excursion off the road
    std::vector<int> PitLaps;  // into the pits at the end of these laps
    double TyreWear = 0;       // slower by this fraction per lap since the last stop
    std::uint64_t Seed = 1;
    double ThirdsSpread = 0;       // how much a lap's thirds differ in pace from the lap's own
    std::vector<int> LockUpLaps;   // laps that lock up into turn 5 and run wide
    std::vector<int> ChicaneLaps;  // laps with a straighter, faster line through the chicane
    double Scatter = 0.3;          // pixels either way each sample's position may stray
};

// The lap view's crossing test: 0 when the move (px, py) -> (x, y) crosses
// the line, 1 to 5 when it does not.
int CrossingCode(float x, float y, float px, float py, float x1, float y1, float x2, float y2)
{
    int r = 0;
    if (x1 > x && x1 > px && x2 > x && x2 > px) r = 1;
    if (x1 < x && x1 < px && x2 < x && x2 < px) r = 2;
    if (y1 > y && y1 > py && y2 > y && y2 > py) r = 3;
    if (y1 < y && y1 < py && y2 < y && y2 < py) r = 4;
    if (r != 0)
        return r;
    if (x == px) px += 1;
    if (x1 == x2) x2 += 1;
    const float m1 = (py - y) / (px - x), b1 = y - m1 * x;
    const float m2 = (y2 - y1) / (x2 - x1), b2 = y1 - m2 * x1;
    if (m1 == m2)
        return 5;
    const float xi = (b2 - b1) / (m1 - m2), yi = b1 + m1 * xi;
    const float tol = 0.2f;
    auto outside = [tol](float v, float a, float b) {
        return (v < a - tol && v < b - tol) || (v > a + tol && v > b + tol);
    };
    return outside(xi, x, px) || outside(xi, x1, x2) || outside(yi, y, py) || outside(yi, y1, y2)
               ? 1 : 0;
}

// Lap lengths in samples, counted the way the lap view counts them.
std::vector<int> CountLaps(const std::vector<ReplayPoint>& samples, const TrackLine& line)
{
    const float x1 = line.X1 / 2, y1 = 512 - line.Y1 / 2, x2 = line.X2 / 2, y2 = 512 - line.Y2 / 2;
    std::vector<int> laps;
    int lapCount = 999, lapSamples = 0, prevX = 0, prevY = 0, x = 0, y = 0;
    bool latch = false;
    for (const ReplayPoint& p : samples) {
        prevX = x, prevY = y;
        x = static_cast<int>(std::nearbyint(static_cast<float>(p.X) / kSampleScale));
        y = 511 - static_cast<int>(std::nearbyint(static_cast<float>(p.Y) / kSampleScale));
        if (x < 1 || x >= 511 || y < 1 || y >= 511)
            continue;
        if (prevX != 0) {
            const int code = CrossingCode(x, y, prevX, prevY, x1, y1, x2, y2);
            if (code == 0 && !latch && lapCount == 999) {
                lapCount = 0;
                latch = true;
            } else if (code == 0 && !latch) {
                laps.push_back(lapSamples);
                lapSamples = 0;
                ++lapCount;
                latch = true;
            }
            if (code == 1 && latch)
                latch = false;
        }
        ++lapSamples;
    }
    return laps;
}

// A replay coordinate from a map pixel coordinate.
std::uint16_t MapUnits(double pixels)
{
    return static_cast<std::uint16_t>(std::clamp(std::lround(pixels * kSampleScale), 0L, 65535L));
}

// Laps driven on the tyres fitted at the last stop, before `lap` starts.
int LapsOnTyres(const Drive& drive, int lap)
{
    int lastStop = 0;
    for (const int p : drive.PitLaps)
        if (p < lap)
            lastStop = std::max(lastStop, p);
    return lap - 1 - lastStop;
}

bool Contains(const std::vector<int>& laps, int lap)
{
    return std::find(laps.begin(), laps.end(), lap) != laps.end();
}

// The car's replay: a standing start from the grid, the laps along the
// centre line with a driver's line and wander, and a few seconds after the
// flag.
std::vector<ReplayPoint> DriveRace(const Circuit& circuit, double sLine, const Drive& drive)
{
    constexpr double kBoxFromLine = -92;     // in front of the first garage
    constexpr double kOffFromLine = 300;     // the excursion: wide out of the east sweep
    constexpr double kOffLength = 150;
    constexpr double kLockFromLine = 780;    // the lock-up: braking for turn 5 to its exit
    constexpr double kLockLength = 140;
    constexpr double kChicaneFrom = 190;     // the straighter line: from the straight before
    constexpr double kChicaneTo = 335;       // the chicane to the straight after it
    constexpr int kStartWait = 14;           // samples on the grid before the lights go out
    constexpr int kBoxWait = 190;            // tyres and fuel
    constexpr int kAfterFlag = 100;          // samples of the slowing-down lap

    std::vector<double> racing = SpeedProfile(circuit, sLine, false, 0);
    std::vector<double> pitting = SpeedProfile(circuit, sLine, true, kBoxFromLine);
    const double tune = LapSeconds(racing) / drive.FlyingLap;
    for (double& v : racing)
        v *= tune;
    for (double& v : pitting)
        v *= tune;

    Random random(drive.Seed);
    const double length = circuit.LengthPixels();
    std::vector<double> pace(static_cast<std::size_t>(drive.Laps + 2));
    for (double& p : pace)
        p = 1.0 + std::clamp(0.009 * random.Gauss(), -0.022, 0.022);
    const double phase1 = random.Uniform(0, 2 * kPi), phase2 = random.Uniform(0, 2 * kPi);
    const double phase3 = random.Uniform(0, 2 * kPi);
    const double offOutward = circuit.Bend(sLine + kOffFromLine + 50) > 0 ? -1.0 : 1.0;
    const double lockOutward = circuit.Bend(sLine + kLockFromLine + 55) > 0 ? -1.0 : 1.0;

    // Each lap's thirds a little quicker or slower than the lap as a whole,
    // from a generator of their own so that the draws above stay as they are.
    std::vector<std::array<double, 3>> thirds(pace.size(), {1.0, 1.0, 1.0});
    if (drive.ThirdsSpread > 0) {
        Random thirdsRandom(drive.Seed * 7919 + 5);
        for (auto& third : thirds) {
            const std::array<double, 3> g{thirdsRandom.Gauss(), thirdsRandom.Gauss(),
                                          thirdsRandom.Gauss()};
            const double mean = (g[0] + g[1] + g[2]) / 3;
            for (std::size_t k = 0; k < 3; ++k)
                third[k] = 1.0 + drive.ThirdsSpread * (g[k] - mean);
        }
    }
    // The straighter line through the chicane: a chord from the right of
    // the road before it to the right of the road after it, over the kerbs.
    const Vec chordFrom =
        circuit.At(sLine + kChicaneFrom) + 4.0 * circuit.Right(sLine + kChicaneFrom);
    const Vec chordTo = circuit.At(sLine + kChicaneTo) + 4.0 * circuit.Right(sLine + kChicaneTo);

    std::vector<ReplayPoint> samples;
    const double sGrid = sLine - drive.GridBack;
    double sTotal = sGrid;
    int hold = kStartWait;
    int afterFlag = -1;
    int boxedAt = -1;  // the crossing whose pit stop is done
    for (;;) {
        const double sLocal = std::fmod(sTotal + length, length);
        const int lap = std::max(1, static_cast<int>(std::floor((sTotal - sLine) / length)) + 1);
        const int crossing = static_cast<int>(std::lround((sTotal - sLine) / length));
        const double fromLine = sTotal - sLine - crossing * length;
        const bool inPits = Contains(drive.PitLaps, crossing) && fromLine > kPitEntryStart - 20 &&
                            fromLine < kPitExitEnd + 20;

        // The car's line: toward the inside of the corners, a driver's
        // wander, the grid slot at the start, the pit lane, an excursion.
        double side = 2.6 * std::tanh(circuit.Bend(sLocal) * 70);
        side += 0.9 * std::sin(2 * kPi * sTotal / 137 + phase1) +
                0.6 * std::sin(2 * kPi * sTotal / 389 + phase2) +
                0.35 * std::sin(2 * kPi * sTotal / 71 + phase3);
        const double fromGrid = sTotal - sGrid;
        const double launched = SmoothStep(0, 160, fromGrid);
        side = side * launched + drive.GridSide * (1 - launched);
        if (inPits) {
            const double pit = PitLaneOffset(circuit, sLocal, sLine) / kPitOffset;
            side = side * (1 - pit) + kPitOffset * pit;
        }
        double speedFactor = 1.0 / (pace[static_cast<std::size_t>(std::min(lap, drive.Laps + 1))] *
                                    (1.0 + drive.TyreWear * LapsOnTyres(drive, lap)));
        const double intoOff = FromLine(circuit, sLocal, sLine) - kOffFromLine;
        if (Contains(drive.OffLaps, lap) && intoOff >= 0 && intoOff < kOffLength) {
            const double u = intoOff / kOffLength;
            side += offOutward * 17 * SmoothStep(0.0, 0.3, u) * (1 - SmoothStep(0.45, 1.0, u));
            speedFactor *= 1 - 0.85 * SmoothStep(0.0, 0.25, u) * (1 - SmoothStep(0.55, 1.0, u));
        }
        const double intoLap = sTotal - sLine - (lap - 1) * length;  // from 0 to the lap's length
        if (drive.ThirdsSpread > 0) {
            const std::array<double, 3>& third =
                thirds[static_cast<std::size_t>(std::min(lap, drive.Laps + 1))];
            const double second = SmoothStep(length / 3 - 40, length / 3 + 40, intoLap);
            const double last = SmoothStep(2 * length / 3 - 40, 2 * length / 3 + 40, intoLap);
            speedFactor /= third[0] + (third[1] - third[0]) * second + (third[2] - third[1]) * last;
        }
        // Too late on the brakes for turn 5: the fronts lock, the car runs
        // over the kerb into the gravel and crawls back onto the road.
        const double intoLock = intoLap - kLockFromLine;
        if (Contains(drive.LockUpLaps, lap) && intoLock >= 0 && intoLock < kLockLength) {
            const double u = intoLock / kLockLength;
            side += lockOutward * 13 * SmoothStep(0.2, 0.5, u) * (1 - SmoothStep(0.6, 1.0, u));
            speedFactor *= 1 - 0.45 * SmoothStep(0.15, 0.4, u) * (1 - SmoothStep(0.55, 1.0, u));
        }

        Vec at = circuit.At(sLocal) + side * circuit.Right(sLocal);
        const double intoChicane = intoLap - kChicaneFrom;
        if (Contains(drive.ChicaneLaps, lap) && intoChicane >= 0 &&
            intoChicane < kChicaneTo - kChicaneFrom) {
            const double u = intoChicane / (kChicaneTo - kChicaneFrom);
            const double w = SmoothStep(0.0, 0.3, u) * (1 - SmoothStep(0.7, 1.0, u));
            at = at + 0.8 * w * (chordFrom + u * (chordTo - chordFrom) - at);
            speedFactor *= 1 + 0.12 * w;
        }
        // Every sample strays a little from the line. The two draws are made
        // whatever the scatter, even on the grid, so the races stay as they are.
        const double jitter = hold > 0 ? 0.0 : drive.Scatter;
        const double px = at.x + jitter * (2 * random.Uniform() - 1);
        const double py = at.y + jitter * (2 * random.Uniform() - 1);
        ReplayPoint sample;
        sample.X = MapUnits(px);
        sample.Y = MapUnits(511 - py);
        samples.push_back(sample);

        if (afterFlag >= 0 && ++afterFlag > kAfterFlag)
            break;
        if (hold > 0) {
            --hold;
            continue;
        }
        const std::vector<double>& profile = inPits ? pitting : racing;
        double v = profile[static_cast<std::size_t>(circuit.IndexOf(sLocal))] * speedFactor;
        if (fromGrid < 400) {
            // From standstill: the grip of the driven wheels sets the pace.
            const double metres = fromGrid * kMetresPerPixel;
            const double launch = std::sqrt(1.0 + 2 * 9.0 * metres) / kMetresPerPixel;
            v = std::min(v, launch * tune);
        }
        if (afterFlag >= 0)
            v *= std::max(0.35, 1.0 - afterFlag / 90.0);
        v = std::max(v, 0.8 / kMetresPerPixel);
        const double next = sTotal + v * kDt;
        if (inPits && boxedAt != crossing && next - sLine - crossing * length >= kBoxFromLine) {
            sTotal = sLine + crossing * length + kBoxFromLine;
            boxedAt = crossing;
            hold = kBoxWait;
            continue;
        }
        sTotal = next;
        if (afterFlag < 0 && sTotal >= sLine + drive.Laps * length + 1)
            afterFlag = 0;
    }
    return samples;
}

// --- 7. The saved games and main ----------------------------------------------------------

constexpr const char* kTrackName = "Kestrelvale";
constexpr std::int64_t kGameLimit = 2'000'000;  // the program's buffer for a saved game

// The start/finish line across the pit straight and the pit lane.
TrackLine LapLine()
{
    TrackLine line;
    line.X1 = line.X2 = static_cast<std::int16_t>(2 * kLapLineX);
    line.Y1 = 2 * (512 - 420);  // map pixel row 420, above the road
    line.Y2 = 2 * (512 - 466);  // row 466, below the pit lane
    return line;
}

// A line across the pit lane, `fromLine` pixels along the lap.
TrackLine PitLine(const Circuit& circuit, double sLine, double fromLine)
{
    const double s = sLine + fromLine;
    const Vec right = circuit.Right(s);
    const Vec a = circuit.At(s) + (kPitOffset - kPitHalf - 2) * right;
    const Vec b = circuit.At(s) + (kPitOffset + kPitHalf + 2) * right;
    TrackLine line;
    line.X1 = static_cast<std::int16_t>(std::lround(2 * a.x));
    line.Y1 = static_cast<std::int16_t>(std::lround(2 * (512 - a.y)));
    line.X2 = static_cast<std::int16_t>(std::lround(2 * b.x));
    line.Y2 = static_cast<std::int16_t>(std::lround(2 * (512 - b.y)));
    return line;
}

TrackFileBuilder MakeTrack(const Circuit& circuit, const RoadField& road, const RunOff& runOff,
                           const LakeMask& lake, const Ground& ground, double sLine,
                           int trackLength)
{
    TrackFileBuilder track;
    track.SetMapScale(kMapScale).SetWaterLevel(kWaterLevel).SetMapRuns(RunLengthWords(ground));
    const auto heights = Heights(lake);
    for (int i = 0; i < 4096; ++i)
        track.SetHeight(i, heights[static_cast<std::size_t>(i)]);
    for (const TrackObject& object : PlaceObjects(circuit, road, runOff, lake, ground, sLine))
        track.AddObject(object);
    // Timing lines at the pit entry and exit; the start/finish line last.
    track.AddZones(4);
    track.AddLine(PitLine(circuit, sLine, kPitEntryEnd + 5));
    track.AddLine(PitLine(circuit, sLine, kPitExitStart - 5));
    track.AddLine(LapLine());
    track.SetTrackLength(trackLength);
    track.SetBestTime1(4318, "Ada Morrow").SetBestTimeCarName("Corvane GT");
    track.SetBestTime2(6000, "");
    return track;
}

// Where grid slot k (1 = pole) stands: staggered, 14 pixels apart.
double GridBack(int slot) { return 8 + 14 * slot; }
double GridSide(int slot) { return slot % 2 == 1 ? -3.5 : 3.5; }

// A driver of the field and how the race ended for them. The winner takes
// the flag; every other car finishes the next time it crosses the line,
// within one of its own laps, so a car a lap down crosses it after the
// winner like the others. Positions follow from the laps and the times.
struct Entrant {
    const char* Name;
    const char* Car;
    std::uint8_t Level;  // 0: the human driver
    int LapsDown;
    double Gap;          // seconds after the winner at the line (0: the winner)
};

struct Race {
    std::array<std::uint8_t, 5> Gauges{};  // tyres, consumption, damage, fuel mass, speed
    std::vector<Entrant> Field;            // in grid order, which is the file's order
    Drive Human;
    std::uint8_t ReplayMarker = 5;
};

// The saved game of a race: empty when its file would pass `limit` bytes.
std::vector<std::uint8_t> MakeGame(const Circuit& circuit, double sLine, const TrackLine& lapLine,
                                   const Race& race, std::int64_t limit = kGameLimit)
{
    const std::vector<ReplayPoint> samples = DriveRace(circuit, sLine, race.Human);
    const std::vector<int> laps = CountLaps(samples, lapLine);
    if (static_cast<int>(laps.size()) != race.Human.Laps)
        throw std::runtime_error("the replay crosses the lap line for " +
                                 std::to_string(laps.size()) + " laps, not " +
                                 std::to_string(race.Human.Laps));
    int raceSamples = 0;
    for (const int lap : laps)
        raceSamples += lap;
    const int humanTime = raceSamples * (100 / kSamplesPerSecond);  // hundredths
    const int humanBest = *std::min_element(laps.begin(), laps.end()) * (100 / kSamplesPerSecond);

    // The human's time is the replay's: the winner's follows from the
    // human's gap, every other time from its own.
    const auto human = std::find_if(race.Field.begin(), race.Field.end(),
                                     [](const Entrant& e) { return e.Level == 0; });
    if (human == race.Field.end() || human->LapsDown != 0)
        throw std::runtime_error("the field needs the human driver on the winner's lap");
    const double winnerTime = humanTime - 100 * human->Gap;
    struct Result {
        int laps = 0;
        int time = 0;  // hundredths
    };
    std::vector<Result> results;
    for (const Entrant& e : race.Field) {
        Result r{race.Human.Laps - e.LapsDown,
                 e.Level == 0 ? humanTime : static_cast<int>(std::lround(winnerTime + 100 * e.Gap))};
        if (e.Gap < 0 || r.time - double(r.time) / r.laps >= winnerTime)
            throw std::runtime_error(std::string(e.Name) + " would not finish on the lap after the winner");
        results.push_back(r);
    }
    // The standings: more laps first, then the earlier time; each later
    // place crosses the line later, so that the table reads as it ended.
    std::vector<std::size_t> order(results.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return results[a].laps != results[b].laps ? results[a].laps > results[b].laps
                                                  : results[a].time < results[b].time;
    });
    std::vector<int> position(results.size());
    for (std::size_t place = 0; place < order.size(); ++place) {
        position[order[place]] = static_cast<int>(place) + 1;
        if (place > 0 && results[order[place]].time <= results[order[place - 1]].time)
            throw std::runtime_error(std::string(race.Field[order[place]].Name) + " finishes before the place above");
    }

    GameFileBuilder game;
    game.SetGauges(race.Gauges[0], race.Gauges[1], race.Gauges[2], race.Gauges[3], race.Gauges[4]);
    int slot = 0;
    for (std::size_t i = 0; i < race.Field.size(); ++i) {
        const Entrant& e = race.Field[i];
        const Result& r = results[i];
        GameDriver driver = e.Level == 0 ? HumanDriver(e.Name, e.Car)
                                         : ComputerDriver(e.Name, e.Car, e.Level);
        driver.Position = static_cast<std::int8_t>(position[i] - 1);
        driver.LapsDriven = static_cast<std::int8_t>(r.laps);
        driver.RaceTime = r.time;
        // The best lap, as much faster than the driver's own average as the human's.
        const double pace = (double(r.time) / r.laps) / (double(humanTime) / race.Human.Laps);
        driver.Record20 = static_cast<std::int32_t>(std::lround(humanBest * pace));
        driver.SecondIndex = static_cast<std::int8_t>(slot++);
        game.AddDriver(driver);
    }
    game.AddTrack("Saltmarsh").AddTrack(kTrackName).AddTrack("Copperhill").AddTrack("Ridgeway");
    game.SetRacedTrack(1).SetRaceFlag(1);
    GameReplay replay;
    replay.Marker = race.ReplayMarker;
    replay.Samples = samples;
    game.SetReplay(replay);
    if (game.FileSize() > limit)
        return {};
    return game.Build();
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// The demo race's field, in grid order; the human's entry is replaced.
const std::vector<Entrant> kDemoField = {
    {"Teo Brandt", "Halcyon R", 91, 0, 0.0},     {"Noor Aziz", "Vireo S", 87, 0, 12.89},
    {"Mara Quill", "Corvane GT", 0, 0, 4.60},    {"Pavel Ostrov", "Tarn 22", 84, 0, 2.76},
    {"Juno Reyes", "Merlo V6", 76, 0, 28.54},    {"Kai Lindberg", "Ocelot RS", 68, 1, 37.2},
};

// Race `index` (from 1) of many: a player who gets faster over the weeks,
// in one of three cars, with the odd mistake. Names are Windows-1252, as
// the game writes them: one car and one driver carry accents.
Race VariedRace(int index)
{
    static const char* const kDrivers[] = {"Mara Quill", "Zo\xEB Kr\xE4mer"};
    static const char* const kCars[] = {"Corvane GT", "Halcyon R", "V\xE9lo Sport"};
    Random random(0x5EED0000u + static_cast<std::uint64_t>(index));
    Race race;
    race.Gauges = {static_cast<std::uint8_t>(20 + random.Below(70)),
                   static_cast<std::uint8_t>(20 + random.Below(70)),
                   static_cast<std::uint8_t>(random.Below(40)),
                   static_cast<std::uint8_t>(5 + random.Below(60)),
                   static_cast<std::uint8_t>(90 + random.Below(40))};
    race.Field = kDemoField;
    Entrant& human = race.Field[2];
    human.Name = kDrivers[random.Below(8) == 0 ? 1 : 0];
    human.Car = kCars[random.Below(3)];
    Drive& drive = race.Human;
    drive.Laps = 3 + random.Below(10);
    drive.GridBack = GridBack(3);
    drive.GridSide = GridSide(3);
    // Faster with practice, and never quite the same.
    drive.FlyingLap = 46.5 - 2.0 * (1.0 - std::exp(-index / 150.0)) + random.Uniform(-0.5, 0.5);
    drive.ThirdsSpread = random.Uniform(0.0, 0.012);
    drive.Scatter = random.Uniform(0.02, 0.3);
    drive.Seed = 100003u + static_cast<std::uint64_t>(index) * 7919u;
    for (int lap = 2; lap <= drive.Laps; ++lap) {
        const int roll = random.Below(20);
        if (roll == 0)
            drive.OffLaps.push_back(lap);
        else if (roll == 1)
            drive.LockUpLaps.push_back(lap);
        else if (roll < 5)
            drive.ChicaneLaps.push_back(lap);
    }
    race.ReplayMarker = random.Below(2) == 0 ? 5 : 16;
    return race;
}

// Writes race-0001.gam .. race-N.gam into saves, dated a day apart.
void WriteVariedRaces(const Circuit& circuit, double sLine, const TrackLine& lapLine, int count,
                      const std::filesystem::path& saves)
{
    using namespace std::chrono;
    const sys_days firstDay = year{2026} / January / 1;
    for (int index = 1; index <= count; ++index) {
        const Race race = VariedRace(index);
        char name[32];
        std::snprintf(name, sizeof name, "race-%04d.gam", index);
        const std::filesystem::path path = saves / name;
        WriteBytes(path, MakeGame(circuit, sLine, lapLine, race));
        // An evening race: between 17:00 and 23:00 of its day.
        Random clock(0xDA7E0000u + static_cast<std::uint64_t>(index));
        const sys_seconds when = firstDay + days{index - 1} + hours{17} +
                                 seconds{static_cast<long>(clock.Uniform() * 6 * 3600)};
        std::filesystem::last_write_time(path, file_clock::from_sys(when));
    }
}

}  // namespace
}  // namespace vx

namespace {

// The words: the folder written into and, for many races, their number.
struct DemoWords {
    std::string outDir;
    int races = 0;  // 0: the demo race and the long one
};

// None when the words are wrong: any option but --races (--help too: a word
// beginning with "-" is never the folder), no folder or two, a number out
// of range. Nothing is written then.
std::optional<DemoWords> ReadWords(int argc, char** argv)
{
    DemoWords words;
    CLI::App app;
    app.set_help_flag();
    app.add_option("OUTDIR", words.outDir)->required();
    app.add_option("--races", words.races)->check(CLI::Range(1, 9999));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError&) {
        return std::nullopt;
    }
    if (words.outDir.empty() || words.outDir[0] == '-')  // taken after "--"
        return std::nullopt;
    return words;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace vx;
    const std::optional<DemoWords> words = ReadWords(argc, argv);
    if (!words) {
        std::cerr << "usage: make_demo OUTDIR [--races N]   (N from 1 to 9999)\n";
        return 2;
    }
    const bool many = words->races > 0;
    const int races = words->races;
    const std::filesystem::path outDir = words->outDir;
    try {
        std::filesystem::create_directories(outDir / "Tracks");
        std::filesystem::create_directories(outDir / "Saves");

        const Circuit circuit;
        const double sLine = circuit.ArcAtStraightX(kLapLineX);
        const RoadField road = MeasureRoad(circuit, sLine);
        const RunOff runOff = PlanRunOff(circuit);
        const LakeMask lake = PlanLake(road);
        const Ground ground = PaintGround(circuit, road, runOff, lake, sLine);
        const int trackLength =
            static_cast<int>(std::lround(circuit.LengthPixels() * kMetresPerPixel));
        const TrackFileBuilder track =
            MakeTrack(circuit, road, runOff, lake, ground, sLine, trackLength);
        WriteBytes(outDir / "Tracks" / (std::string(kTrackName) + ".trk"), track.Build());

        const TrackLine lapLine = LapLine();
        if (many) {
            WriteVariedRaces(circuit, sLine, lapLine, races, outDir / "Saves");
            return 0;
        }
        {
            Race race;
            race.Gauges = {68, 54, 12, 41, 118};
            race.Field = {
                {"Teo Brandt", "Halcyon R", 91, 0, 0.0},
                {"Noor Aziz", "Vireo S", 87, 0, 12.89},
                {"Mara Quill", "Corvane GT", 0, 0, 4.60},
                {"Pavel Ostrov", "Tarn 22", 84, 0, 2.76},
                {"Juno Reyes", "Merlo V6", 76, 0, 28.54},
                {"Kai Lindberg", "Ocelot RS", 68, 1, 37.2},
            };
            race.Human.Laps = 10;
            race.Human.GridBack = GridBack(3);
            race.Human.GridSide = GridSide(3);
            race.Human.FlyingLap = 44.4;
            race.Human.OffLaps = {6};
            race.Human.LockUpLaps = {3};
            race.Human.ChicaneLaps = {10};
            race.Human.ThirdsSpread = 0.008;
            // Close to the line driven, so that the speed from one sample to
            // the next stays within a few km/h of the car's own.
            race.Human.Scatter = 0.02;
            race.Human.Seed = 1009;
            race.ReplayMarker = 5;
            const auto bytes = MakeGame(circuit, sLine, lapLine, race);
            WriteBytes(outDir / "Saves" / "demo.gam", bytes);
        }
        {
            Race race;
            race.Gauges = {23, 81, 37, 9, 104};
            race.Field = {
                {"Teo Brandt", "Halcyon R", 91, 0, 0.0},
                {"Mara Quill", "Corvane GT", 0, 0, 21.9},
                {"Noor Aziz", "Vireo S", 87, 0, 30.5},
                {"Pavel Ostrov", "Tarn 22", 84, 1, 33.8},
                {"Juno Reyes", "Merlo V6", 76, 1, 39.0},
                {"Kai Lindberg", "Ocelot RS", 68, 4, 42.7},
            };
            race.Human.GridBack = GridBack(2);
            race.Human.GridSide = GridSide(2);
            race.Human.FlyingLap = 44.8;
            race.Human.TyreWear = 0.0006;
            race.Human.Seed = 2003;
            race.ReplayMarker = 16;
            // As many laps as the saved game's limit of 2,000,000 bytes holds.
            std::vector<std::uint8_t> bytes;
            for (int laps = 125; laps > 0 && bytes.empty(); --laps) {
                race.Human.Laps = laps;
                race.Human.PitLaps = {laps / 3, 2 * laps / 3};
                race.Human.OffLaps = {17, laps / 2 + 3, laps - 9};
                bytes = MakeGame(circuit, sLine, lapLine, race, kGameLimit);
            }
            WriteBytes(outDir / "Saves" / "long.gam", bytes);
        }
    } catch (const std::exception& error) {
        std::cerr << "make_demo: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
