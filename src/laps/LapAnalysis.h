// Where the time goes: the laps of the lap view timed to the moment the car
// met the line, cut into three sectors, with speed along the lap. (The
// comparison of one lap with another: CompareFigures.h.)
//
//   AnalyseLaps            the whole analysis of one replay
//   DefaultReferenceLap    the lap the others are measured against
//   SampleMapPoint         a sample's unrounded map position
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

struct AnalysisInput {
    std::span<const ReplaySample> Samples;
    std::uint8_t MapScale = 0;
    std::int32_t LineX1 = 0, LineY1 = 0, LineX2 = 0, LineY2 = 0;
    std::int32_t TrackLength = 0;  // metres per lap
    const LapTrace* Laps = nullptr;  // the lap view's laps of these samples
};

// The analysis of the laps; none without a lap or without a map scale. The
// gates, the metres per pixel (so every sector time and speed) and the clean
// laps come from the reference lap alone, whatever lap the comparison is
// made against (CompareFigures.h).
std::optional<LapAnalysis> AnalyseLaps(const AnalysisInput& input);

// The reference lap: the fastest of laps 2.. (lap 1 when it is the only one).
std::int32_t DefaultReferenceLap(std::span<const double> preciseS);

// A sample's map position, unrounded: X / s and 511 - Y / s.
MapPoint SampleMapPoint(ReplaySample sample, double sampleScale);

}  // namespace vx
