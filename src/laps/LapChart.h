// The lap chart's geometry: levels, points and markers of the 800 x 140 chart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "laps/LapTrace.h"

namespace vx {

struct ChartPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    friend constexpr bool operator==(ChartPoint, ChartPoint) = default;
};

struct LapChartGeometry {
    std::int64_t SlowestLevel = 0;  // A: hundredths drawn at y 10, above B
    std::int64_t FastestLevel = 0;  // B: hundredths drawn at y 110
    float Step = 1.0f;              // pixels between laps
    std::vector<ChartPoint> Points; // the curve, lap 1 first
    ChartPoint ClosingTop;          // the closing line runs from here down to y 130
    std::optional<ChartPoint> CurrentPoint;  // the current lap's point, if it has one
    std::string SlowestLabel;       // at (20, 5)
    std::string FastestLabel;       // at (20, 105)
};

// Lap 1 stands at x 75 and the last of the laps at 795, each x the one
// before plus the step; a lap's height goes from its time between the
// fastest level (y 110) and the slowest (y 10). Without a fastest lap the
// fastest level is 0; equal levels move the slowest one up by a hundredth.
// The curve ends after the last lap or once x passes 800.
LapChartGeometry LapChartOf(const LapTrace& trace, std::int64_t currentLap);

// The lap whose point lies nearest to x (across the chart); 0 without points.
std::int32_t LapAtChartX(const LapChartGeometry& chart, std::int64_t x);

}  // namespace vx
