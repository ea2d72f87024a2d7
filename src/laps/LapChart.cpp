#include "laps/LapChart.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "toolkit/Format.h"

namespace vx {

namespace {

// Nearest integer, ties to even; held within +-2^30 so that the sums and
// differences made of it stay far from overflow.
std::int64_t Nearest(float value)
{
    if (std::isnan(value))
        return 0;
    const float limit = 1073741824.0f;
    return static_cast<std::int64_t>(std::nearbyint(std::clamp(value, -limit, limit)));
}

}  // namespace

LapChartGeometry LapChartOf(const LapTrace& trace, std::int64_t currentLap)
{
    LapChartGeometry chart;
    const std::int64_t lapCount = trace.LapCount;
    if (lapCount > 1)
        chart.Step = static_cast<float>(kChartLapsWidth) / static_cast<float>(lapCount - 1);
    const auto timeOf = [&](std::int32_t lap) {
        return lap >= 1 && lap <= std::ssize(trace.LapTimes) ? trace.LapTimes[static_cast<std::size_t>(lap - 1)]
                                                             : 0;
    };
    std::int64_t a = timeOf(trace.SlowestLap);
    const std::int64_t b = timeOf(trace.FastestLap);
    if (a == b)
        a = a + 1;  // the scale never divides by zero
    chart.SlowestLevel = a;
    chart.FastestLevel = b;

    // Pixels from the fastest level up to the slowest.
    constexpr std::int64_t levels = kChartFastestY - kChartSlowestY;
    float x = static_cast<float>(kChartAxisX);
    float y = 0.0f;
    for (std::size_t i = 1; i <= trace.LapTimes.size(); ++i) {
        const std::int64_t t = trace.LapTimes[i - 1];
        y = static_cast<float>((t - b) * levels) / static_cast<float>(a - b);
        const ChartPoint point{Nearest(x), kChartFastestY - Nearest(y)};
        chart.Points.push_back(point);
        if (static_cast<std::int64_t>(i) == currentLap)
            chart.CurrentPoint = point;
        x = x + chart.Step;
        if (x > static_cast<float>(kChartWidth))
            break;
    }
    x = x - chart.Step;  // back to the last lap
    chart.ClosingTop = {Nearest(x), kChartFastestY - Nearest(y)};
    chart.SlowestLabel = LapTimeText(a);
    chart.FastestLabel = LapTimeText(b);
    return chart;
}

std::int32_t LapAtChartX(const LapChartGeometry& chart, std::int64_t x)
{
    std::int32_t nearest = 0;
    std::int64_t distance = 0;
    for (std::size_t i = 0; i < chart.Points.size(); ++i) {
        const std::int64_t d = std::abs(chart.Points[i].x - x);
        if (nearest == 0 || d < distance) {
            nearest = static_cast<std::int32_t>(i + 1);
            distance = d;
        }
    }
    return nearest;
}

}  // namespace vx
