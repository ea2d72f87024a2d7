#include <gtest/gtest.h>

#include "laps/LapChart.h"

namespace vx {
namespace {

// The laps of these hundredths, with their fastest and slowest as the trace
// finds them.
LapTrace Laps(std::vector<std::int64_t> times)
{
    LapTrace t;
    t.LapCount = static_cast<std::int32_t>(times.size());
    t.LapTimes = std::move(times);
    const LapExtremes e = FindLapExtremes(t.LapTimes);
    t.FastestLap = e.FastestLap;
    t.SlowestLap = e.SlowestLap;
    return t;
}

TEST(LapChartPoints, TwoLapsStandAtTheEndsFastestLow)
{
    const LapChartGeometry c = LapChartOf(Laps({6170, 5835}), 0);
    ASSERT_EQ(c.Points.size(), 2u);
    EXPECT_EQ(c.Points[0], (ChartPoint{75, 10}));
    EXPECT_EQ(c.Points[1], (ChartPoint{795, 110}));
    EXPECT_EQ(c.ClosingTop, (ChartPoint{795, 110}));
    EXPECT_FALSE(c.CurrentPoint.has_value());
    EXPECT_EQ(c.SlowestLabel, "61.70");
    EXPECT_EQ(c.FastestLabel, "58.35");
}

TEST(LapChartPoints, OneLapSitsOnTheFastestLevelAndLiftsTheSlowest)
{
    const LapChartGeometry c = LapChartOf(Laps({5170}), 1);
    ASSERT_EQ(c.Points.size(), 1u);
    EXPECT_EQ(c.Points[0], (ChartPoint{75, 110}));
    EXPECT_EQ(c.ClosingTop, (ChartPoint{75, 110}));
    EXPECT_EQ(c.CurrentPoint, (ChartPoint{75, 110}));
    EXPECT_EQ(c.SlowestLevel, 5171);
    EXPECT_EQ(c.SlowestLabel, "51.71");
}

TEST(LapChartPoints, WithoutAFastestLapTheLevelsMeasureFromZero)
{
    const LapChartGeometry c = LapChartOf(Laps({6170, 7550}), 0);  // none under 60 s
    EXPECT_EQ(c.FastestLevel, 0);
    EXPECT_EQ(c.FastestLabel, "0.00");
    EXPECT_EQ(c.Points[0], (ChartPoint{75, 28}));  // 110 - nearest(81.72)
    EXPECT_EQ(c.Points[1], (ChartPoint{795, 10}));
}

TEST(LapChartPoints, HeightsRoundHalvesToEven)
{
    // the levels lie 2.00 s apart: 50.01 s is 0.5 above the floor, 50.03 s 1.5
    const LapChartGeometry c = LapChartOf(Laps({5200, 5001, 5003, 5000}), 3);
    EXPECT_EQ(c.Points[1].y, 110);
    EXPECT_EQ(c.Points[2].y, 108);
    EXPECT_EQ(c.CurrentPoint, c.Points[2]);
    EXPECT_EQ(c.Points[2].x, 555);  // 75 + 2 * 240
}

TEST(LapChartPoints, LapsStandWhereTheStepAddedLapByLapPutsThem)
{
    const LapChartGeometry c = LapChartOf(Laps(std::vector<std::int64_t>(225, 6000)), 36);
    EXPECT_EQ(c.CurrentPoint->x, 187);  // 75 + 35 * step in one go gives 188
}

TEST(LapChartLevels, TimesPast327SecondsDoNotWrap)
{
    const LapChartGeometry c = LapChartOf(Laps({40000, 5000}), 0);
    EXPECT_EQ(c.SlowestLevel, 40000);
    EXPECT_EQ(c.Points[0], (ChartPoint{75, 10}));
    EXPECT_EQ(c.SlowestLabel, "400.00");
    EXPECT_EQ(LapChartOf(Laps({105, 110}), 0).FastestLabel, "1.05");
}

}  // namespace
}  // namespace vx
