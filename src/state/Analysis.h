// The committed analysis's laps: the replay cut into laps once per load, so
// that a lap switch draws only the samples of its lap; and the lap analysis
// beyond the lap view (laps/LapAnalysis.h computes it).
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "toolkit/Image.h"  // MapPixel

namespace vx {

struct LapTrace {
    std::int32_t LapCount = 0;            // completed laps
    // Lap k's time (element k - 1) in whole hundredths: its on-map samples
    // times 5, exact.
    std::vector<std::int64_t> LapTimes;
    std::int32_t FastestLap = 0;          // the fastest lap under 60 s; 0 when none
    std::int32_t SlowestLap = 0;          // 0 when there is no lap
    std::optional<MapPixel> StartPoint;   // the first sample's pixel, when this replay set one
    // The sample at which each counted crossing was seen (the move from the
    // sample before it): the start, then the ends of laps 1..LapCount.
    std::vector<std::int64_t> CrossingSamples;
    // Every on-map sample's pixel in replay order, and where each lap's
    // begin: lap k (1..LapCount + 1, the last one unfinished) holds the
    // samples reached while k - 1 laps were complete, after the start.
    std::vector<MapPixel> Plotted;
    std::vector<std::size_t> LapStarts;   // LapCount + 3 entries, the last the end

    // The pixels lap shows: all of them for lap 0, none for a lap not driven.
    std::span<const MapPixel> PixelsOf(std::int64_t lap) const
    {
        if (lap == 0)
            return Plotted;
        if (lap < 0 || lap + 1 >= std::ssize(LapStarts))
            return {};
        const auto k = static_cast<std::size_t>(lap);
        return std::span(Plotted).subspan(LapStarts[k], LapStarts[k + 1] - LapStarts[k]);
    }
    bool operator==(const LapTrace&) const = default;
};

struct MapPoint {
    double x = 0;
    double y = 0;
};

// A vertex of a lap's path: where and when, and how far along the path.
struct PathVertex {
    double x = 0;
    double y = 0;
    double t = 0;         // replay seconds
    double distance = 0;  // map pixels from the lap's first vertex
};

// A gate across the reference lap's path: the segment End1 -> End2 through
// Centre, square to the path's Direction there.
struct Gate {
    MapPoint Centre;
    MapPoint Direction;  // unit vector along the path
    MapPoint End1;       // Centre - W n
    MapPoint End2;       // Centre + W n
};

// A corner of the reference lap: from the end of the corner before it (the
// lap's start for the first) through its apex, the slowest point, to the
// speed maximum after it (the lap's end for the last).
struct Corner {
    std::int64_t ApexSample = 0;             // the reference lap's sample at the apex
    Gate Apex;                               // across the reference lap's path there
    std::optional<std::int64_t> EndSample;   // the maximum that ends it; none for the last
    std::optional<Gate> End;
    std::optional<double> BestS;             // the fastest time through it of laps 2..
};

// One lap in one corner: braking in up to the apex, and out of it until the
// corner ends. A part is absent when the lap missed a gate it needs.
struct CornerFigures {
    std::optional<double> EntryS;
    std::optional<double> ExitS;
    std::optional<double> MinSpeedKmh;  // the slowest sample inside the corner
    std::optional<double> TimeS() const
    {
        if (!EntryS || !ExitS)
            return std::nullopt;
        return *EntryS + *ExitS;
    }
    bool operator==(const CornerFigures&) const = default;
};

struct LapFigures {
    double StartS = 0;    // replay time of the lap's first vertex
    double EndS = 0;      // its crossing of the line
    double PreciseS = 0;  // EndS - StartS
    double LengthPx = 0;  // the path's length, D_k
    std::array<std::optional<double>, 3> SectorsS;
    std::optional<double> TopSpeedKmh;
    bool Clean = false;
    std::vector<CornerFigures> Corners;  // corner i at i - 1, as many as the analysis has
};

// Precise times, sectors, speed and consistency of the laps (see
// laps/LapAnalysis.h).
struct LapAnalysis {
    std::int32_t LapCount = 0;
    std::vector<double> CrossingsS;      // crossing 0 (the start) .. LapCount
    std::int32_t ReferenceLap = 0;
    std::optional<std::array<Gate, 2>> Gates;  // none when the reference lap has no length
    std::optional<double> MetresPerPixel;      // none without a track length
    std::vector<LapFigures> Laps;              // lap k at k - 1
    std::array<std::optional<double>, 3> BestSectorsS;
    std::optional<double> TheoreticalBestS;
    std::int32_t CleanCount = 0;
    std::optional<double> CleanMeanS;
    std::optional<double> CleanStdevS;
    // The reference lap's corners in lap order; none without speeds or when
    // the reference lap never slows down and picks up again.
    std::vector<Corner> Corners;
    std::optional<double> IdealLapS;           // the sum of the best corners

    // Lap k's path is Vertices[PathStarts[k - 1] .. PathStarts[k]).
    std::vector<PathVertex> Vertices;
    std::vector<std::size_t> PathStarts;
    // Speed at each sample read, in km/h; NaN where it is absent.
    std::vector<double> SpeedKmh;
    // The samples of lap k's path: [SampleStarts[k - 1], SampleStarts[k]).
    std::vector<std::int64_t> SampleStarts;

    std::span<const PathVertex> PathOf(std::int32_t lap) const
    {
        if (lap < 1 || lap > LapCount)
            return {};
        const auto k = static_cast<std::size_t>(lap);
        return std::span(Vertices).subspan(PathStarts[k - 1], PathStarts[k] - PathStarts[k - 1]);
    }
    const LapFigures& Lap(std::int32_t lap) const { return Laps[static_cast<std::size_t>(lap - 1)]; }
    std::optional<double> SpeedAt(std::int64_t sample) const
    {
        if (sample < 0 || sample >= std::ssize(SpeedKmh) || std::isnan(SpeedKmh[static_cast<std::size_t>(sample)]))
            return std::nullopt;
        return SpeedKmh[static_cast<std::size_t>(sample)];
    }
};

}  // namespace vx
