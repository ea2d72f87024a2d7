// The figures of the lap comparison, apart from its drawing: one lap
// against the lap it is compared with, and the best of each column of the
// lap table. Plain arithmetic over the lap analysis (LapAnalysis.h).
//
//   LapProfile, ProfileOf      a lap as the comparison draws and measures it
//   ProfileOfKeptLap           a lap of another race, as the history keeps it
//   TimeAt, PointAt, SpeedAt   when, where and how fast along a profile
//   DeltaAt                    the time one lap lost or gained on the other
//   SpeedRangeOf               a lap's lowest and highest speed
//   CompareLaps                what the comparison shows of two laps
//   CompareCorners             a lap against another, corner by corner
//   MostTimeLost               the corners where a lap lost most
//   ComparedLap                the lap the comparison shows
//   DefaultAgainstLap          the lap it is compared against unless another is chosen
//   LapTableBests, BestCellsOf the best of each column of the lap table
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "state/Analysis.h"

namespace vx {

// A lap as the comparison draws it and measures against it: its path with
// the speed at each vertex, and its precise time. The lap compared comes from
// the race's analysis; the lap it is compared with is a profile of its own,
// so that it can come from wherever a lap's path is kept.
struct LapProfile {
    std::int32_t Lap = 0;        // its number in its race; 0 for none
    // The race it comes from, as named after its lap ("lap 7, 2026-12-01"):
    // empty for a lap of the race analysed.
    std::string Race;
    // Who drove it, named before the lap ("Ada Morrow's lap 5"): empty for
    // the player's own laps. Both texts are the drawings' (Windows-1252).
    std::string Driver;
    double StartS = 0;           // replay time of the first vertex
    double PreciseS = 0;         // the lap's precise time
    double LengthPx = 0;         // the path's length in map pixels
    bool StartsAtCrossing = false;  // its first vertex is where the line was crossed (laps 2 on)
    std::vector<PathVertex> Path;
    // The speed at each vertex's sample, in km/h; none at a crossing of the
    // line and where the sample has no speed.
    std::vector<std::optional<double>> SpeedKmh;
};

// Lap lap of the analysis as a profile; an empty one for a lap not driven.
LapProfile ProfileOf(const LapAnalysis& analysis, std::int32_t lap);

// A lap of another race as a profile: lap lap of the race named race, its
// precise time, its path (times in that race's replay, distances along it)
// and the speed at each vertex. Speeds that do not match the path (a lap
// kept before speeds were) leave every vertex without one. An empty one for
// a path of fewer than two vertices.
LapProfile ProfileOfKeptLap(std::int32_t lap, std::string race, double preciseS, std::vector<PathVertex> path,
                            std::vector<std::optional<double>> speedsKmh);

// Seconds since the lap's start when its path has covered fraction f
// (clamped to [0, 1]) of its length; the precise time at f = 1.
double TimeAt(const LapProfile& lap, double f);

// The point of the lap's path at fraction f of its length.
MapPoint PointAt(const LapProfile& lap, double f);

// The speed where the path has covered fraction f: that of the nearer of the
// two samples around the point (beside a crossing, the sample next to it);
// none where that sample has none.
std::optional<double> SpeedAt(const LapProfile& lap, double f);

// delta(f): the time lap has lost (above 0) or gained on against by fraction f.
double DeltaAt(const LapProfile& lap, const LapProfile& against, double f);

struct SpeedRange {
    double Low = 0;
    double High = 0;
};
// The lowest and highest speed along the lap; none when it has no speed.
std::optional<SpeedRange> SpeedRangeOf(const LapProfile& lap);

// What the comparison shows of a lap against the lap it is compared with.
// The lap compared against changes the delta and the lap drawn beside, never
// a lap's own figures: those come from the analysis, measured on its
// reference lap.
struct CompareFigures {
    LapProfile Lap;
    LapProfile Against;
    std::optional<SpeedRange> LapSpeeds;
    std::optional<SpeedRange> AgainstSpeeds;
};
CompareFigures CompareLaps(LapProfile lap, LapProfile against);
// Lap lap of the analysis against its lap against; against the reference lap
// when against is 0 or a lap not driven.
CompareFigures CompareLaps(const LapAnalysis& analysis, std::int32_t lap, std::int32_t against);

// A lap against the lap compared against in the reference lap's corners:
// both laps' own figures and, corner by corner, the time lap lost (above
// zero) or gained: on the way in, on the way out and through the whole
// corner. Absent where either lap has no such part. Over a lap whose corners
// are all there, the losses add up to the difference of the precise times.
struct CornerDelta {
    std::optional<double> EntryS;
    std::optional<double> ExitS;
    std::optional<double> TimeS;
};
struct CornerComparison {
    std::vector<CornerFigures> Lap;      // corner i at i - 1
    std::vector<CornerFigures> Against;
    std::vector<CornerDelta> Deltas;
};
// Lap lap of the analysis against its lap against (the reference lap when
// against is 0 or a lap not driven): both as the analysis times them.
CornerComparison CompareCorners(const LapAnalysis& analysis, std::int32_t lap, std::int32_t against);
// Lap lap against a lap of another race (ProfileOfKeptLap): its path timed
// through this race's corner gates, its slowest points from the speeds kept
// at its vertices.
CornerComparison CompareCorners(const LapAnalysis& analysis, std::int32_t lap, const LapProfile& kept);

// A corner where time went, and whether more of it went braking and turning
// in (up to the apex) or accelerating out.
struct CornerLoss {
    std::int32_t Corner = 0;  // from 1
    double TimeS = 0;         // lost through the corner (below zero: gained)
    double EntryS = 0;
    double ExitS = 0;
    bool OnTheWayOut = false;  // the exit lost more than the entry
};
// The corners with a loss, the largest first (equal losses in lap order),
// at most count of them; gains come last, as the smallest losses.
std::vector<CornerLoss> MostTimeLost(const CornerComparison& comparison, std::size_t count);

// The lap compared with the main window's lap shownLap: that lap, or the
// lap view's fastest lap while the whole race is shown (the analysis's
// reference lap when no lap is under 60 seconds).
std::int32_t ComparedLap(const LapAnalysis& analysis, std::int32_t shownLap, std::int32_t fastestLap);

// The lap that lap is compared against unless another is chosen: the
// reference lap, and for the reference lap itself the next fastest, the
// lowest precise time of laps 2.. but the reference (lap 1 when no other is
// left; the reference lap again when it is the only lap).
std::int32_t DefaultAgainstLap(const LapAnalysis& analysis, std::int32_t lap);

// The best of each column of the lap table.
struct LapTableBests {
    std::int32_t FastestTimeLap = 0;     // the lap view's fastest lap; 0 for none
    std::int32_t FastestPreciseLap = 0;  // the flying lap of the lowest precise time
    std::optional<double> TopSpeedKmh;   // the highest top speed of any lap
};
LapTableBests LapTableBestsOf(const LapAnalysis& analysis, std::int32_t fastestTimeLap);

// The cells of lap's row that hold the best of their column: the lap view's
// time, the precise time, the three sectors (flying laps only) and the top
// speed.
struct BestCells {
    bool Time = false;
    bool Precise = false;
    std::array<bool, 3> Sectors{};
    bool TopSpeed = false;
};
BestCells BestCellsOf(const LapAnalysis& analysis, const LapTableBests& bests, std::int32_t lap);

}  // namespace vx
