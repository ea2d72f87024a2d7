// The committed analysis's laps: the replay cut into laps once per load, so
// that a lap switch draws only the samples of its lap.
#pragma once

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

}  // namespace vx
