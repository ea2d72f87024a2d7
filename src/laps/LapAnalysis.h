// Where the time goes: the laps of the lap view timed to the moment the car
// met the line, cut into three sectors and into the reference lap's
// corners, with speed along the lap. (The comparison of one lap with
// another: CompareFigures.h.)
//
//   AnalyseLaps            the whole analysis of one replay
//   DefaultReferenceLap    the lap the others are measured against
//   SampleMapPoint         a sample's unrounded map position
//   CornerMarks            the apexes and maxima in a run of speeds
//   CornerFiguresOfPath    a path's times through the corners' gates
//
// Double precision throughout. The laps are exactly the lap view's: the same
// crossings, counted at the same samples; only their timing is finer. Nothing
// here changes what the lap view shows.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "formats/ReplayBlock.h"
#include "state/Analysis.h"

namespace vx {

constexpr double kGateHalfWidth = 16.0;    // map pixels either side of a gate's centre
// Lap 1 starts from the grid: the default reference, the best precise time
// and sectors and the clean laps count from this lap on.
constexpr std::int32_t kFirstFlyingLap = 2;
// A clean lap takes at most this many per cent longer than the reference.
constexpr int kCleanLapPercent = 7;
constexpr double kCleanLapFactor = 1 + kCleanLapPercent / 100.0;  // 1.07
constexpr double kSampleSeconds = 1.0 / kReplaySamplesPerSecond;
// A sample's speed is the straight way from this many samples before it to
// as many after it (half a second in all). Positions are whole track units:
// over a tenth of a second their steps made the speed jump by up to 30 km/h
// from one sample to the next, while over half a second the chord stays
// within a per cent or two of the way driven even at the apexes.
constexpr int kSpeedChordSamples = 5;
// How far the speed must fall from a maximum, or rise from a minimum, before
// the walk over the reference lap takes it for one.
constexpr double kCornerSpeedStepKmh = 20.0;

struct AnalysisInput {
    std::span<const ReplaySample> Samples;
    std::uint8_t MapScale = 0;
    std::int32_t LineX1 = 0, LineY1 = 0, LineX2 = 0, LineY2 = 0;
    std::int32_t TrackLength = 0;  // metres per lap
    const LapTrace* Laps = nullptr;  // the lap view's laps of these samples
};

// The analysis of the laps; none without a lap or without a map scale. The
// gates, the corners, the metres per pixel (so every sector time and speed)
// and the clean laps come from the reference lap alone, whatever lap the
// comparison is made against (CompareFigures.h).
std::optional<LapAnalysis> AnalyseLaps(const AnalysisInput& input);

// The reference lap: the fastest of laps 2.. (lap 1 when it is the only one).
std::int32_t DefaultReferenceLap(std::span<const double> preciseS);

// A sample's map position, unrounded: X / s and 511 - Y / s.
MapPoint SampleMapPoint(ReplaySample sample, double sampleScale);

// The corners in a run of speeds (NaN where a sample has none), as indices
// into it in lap order: apex, maximum, apex, ..., apex. The walk starts
// rising at the first speed; only a strictly higher speed moves the maximum
// (only a strictly lower one the minimum), and a fall to kCornerSpeedStepKmh
// below it or more confirms it (a rise as large confirms a minimum). A
// minimum still unconfirmed at the end is no apex; empty without an apex.
std::vector<std::size_t> CornerMarks(std::span<const double> speedsKmh);

// A lap's figures in the corners (as the analysis makes them: each but the
// last with an end), its path searched through their gates in lap order,
// each from the move after the one that passed the last gate it passed; the
// slowest point from the speeds at the vertices. speedsKmh holds the speed at each vertex of the path (none at a
// crossing of the line); startS and endS are the lap's start and end.
std::vector<CornerFigures> CornerFiguresOfPath(std::span<const Corner> corners, std::span<const PathVertex> path,
                                               std::span<const std::optional<double>> speedsKmh, double startS,
                                               double endS);

}  // namespace vx
