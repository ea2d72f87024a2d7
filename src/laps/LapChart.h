// The lap chart's geometry: levels, points and markers of the 800 x 140 chart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

struct ChartPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    friend constexpr bool operator==(ChartPoint, ChartPoint) = default;
};

// Seconds text to whole hundredths (nearest, ties to even), in a type wide
// enough for any lap; a text that is no finite number of reasonable size is
// held inside the 32-bit range.
std::int64_t ChartHundredths(std::string_view seconds);

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

// Lap 1 stands at x 75 and the last of lapCount laps at 795; a lap's height
// goes from its time between the fastest level (y 110) and the slowest
// (y 10). An empty fastest text puts the fastest level at 0; equal levels
// move the slowest one up by a hundredth. The curve ends at the first empty
// field of the list or once x passes 800.
LapChartGeometry LapChartOf(std::string_view lapTimeList, std::string_view fastestText,
                            std::string_view slowestText, std::int64_t lapCount,
                            std::int64_t currentLap);

}  // namespace vx
