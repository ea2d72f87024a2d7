// The lap chart's geometry: levels, points and markers of the 800 x 140 chart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "laps/LapTrace.h"

namespace vx {

// The chart's frame: an 800 x 140 picture; lap 1 stands on the axis and
// the last lap kChartLapsWidth to its right; a lap's point lies between the
// slowest level (at the top) and the fastest, its line runs down to the
// baseline, and each level has its label at the left.
constexpr int kChartWidth = 800;
constexpr int kChartHeight = 140;
constexpr int kChartAxisX = 75;
constexpr int kChartLapsWidth = 720;
constexpr int kChartSlowestY = 10;
constexpr int kChartFastestY = 110;
constexpr int kChartBaselineY = 130;
constexpr int kChartTickLength = 5;       // the levels' ticks, left of the axis
constexpr int kChartLabelX = 20;
constexpr int kChartLabelAbove = 5;       // a label's top above its level
constexpr int kChartFillX = kChartAxisX + 5;  // where the fill under the curve starts, on the fastest level

struct ChartPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    friend constexpr bool operator==(ChartPoint, ChartPoint) = default;
};

struct LapChartGeometry {
    std::int64_t SlowestLevel = 0;  // A: hundredths drawn at kChartSlowestY, above B
    std::int64_t FastestLevel = 0;  // B: hundredths drawn at kChartFastestY
    float Step = 1.0f;              // pixels between laps
    std::vector<ChartPoint> Points; // the curve, lap 1 first
    ChartPoint ClosingTop;          // the closing line runs from here down to the baseline
    std::optional<ChartPoint> CurrentPoint;  // the current lap's point, if it has one
    std::string SlowestLabel;       // above the slowest level
    std::string FastestLabel;       // above the fastest level
};

// Lap 1 stands at x 75 and the last of the laps at 795, each x the one
// before plus the step; a lap's height goes from its time between the
// fastest level (y 110) and the slowest (y 10). Without a fastest lap the
// fastest level is 0; equal levels move the slowest one up by a hundredth.
// The curve ends after the last lap or once x passes the chart's width.
LapChartGeometry LapChartOf(const LapTrace& trace, std::int64_t currentLap);

// The lap whose point lies nearest to x (across the chart); 0 without points.
std::int32_t LapAtChartX(const LapChartGeometry& chart, std::int64_t x);

}  // namespace vx
