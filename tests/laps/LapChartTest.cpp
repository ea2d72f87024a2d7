#include <gtest/gtest.h>

#include "laps/LapChart.h"

namespace vx {
namespace {

TEST(LapChartPoints, TwoLapsStandAtTheEndsFastestLow)
{
    const LapChartGeometry c = LapChartOf("61.70 58.35 ", "2 : 58.35", "1 : 61.70", 2, 0);
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
    const LapChartGeometry c = LapChartOf("61.70 ", "1 : 61.70", "1 : 61.70", 1, 1);
    ASSERT_EQ(c.Points.size(), 1u);
    EXPECT_EQ(c.Points[0], (ChartPoint{75, 110}));
    EXPECT_EQ(c.ClosingTop, (ChartPoint{75, 110}));
    EXPECT_EQ(c.CurrentPoint, (ChartPoint{75, 110}));
    EXPECT_EQ(c.SlowestLevel, 6171);
    EXPECT_EQ(c.SlowestLabel, "61.71");
}

TEST(LapChartPoints, EmptyFastestTextMeasuresFromZero)
{
    const LapChartGeometry c = LapChartOf("61.70 75.50 ", "", "2 : 75.50", 2, 0);
    EXPECT_EQ(c.FastestLevel, 0);
    EXPECT_EQ(c.FastestLabel, "0.00");
    EXPECT_EQ(c.Points[0], (ChartPoint{75, 28}));  // 110 - nearest(81.72)
    EXPECT_EQ(c.Points[1], (ChartPoint{795, 10}));
}

TEST(LapChartPoints, HeightsRoundHalvesToEven)
{
    // the levels lie 2.00 s apart: 50.01 s is 0.5 above the floor, 50.03 s 1.5
    const LapChartGeometry c =
        LapChartOf("52.00 50.01 50.03 50.00 ", "4 : 50.00", "1 : 52.00", 4, 3);
    EXPECT_EQ(c.Points[1].y, 110);
    EXPECT_EQ(c.Points[2].y, 108);
    EXPECT_EQ(c.CurrentPoint, c.Points[2]);
    EXPECT_EQ(c.Points[2].x, 555);  // 75 + 2 * 240
}

TEST(LapChartPoints, CurveStopsPastTheRightEdge)
{
    const LapChartGeometry two = LapChartOf("1.00 2.00 3.00 4.00 ", "1 : 1.00", "4 : 4.00", 2, 0);
    EXPECT_EQ(two.Points.size(), 2u);
    EXPECT_EQ(two.ClosingTop.x, 795);

    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "1.00 ";
    const LapChartGeometry one = LapChartOf(many, "1 : 1.00", "1 : 1.00", 1, 0);
    EXPECT_EQ(one.Points.size(), 726u);  // x 75..800 in steps of 1.0
    EXPECT_EQ(one.ClosingTop.x, 800);
}

TEST(LapChartPoints, LapsStandWhereTheStepAddedLapByLapPutsThem)
{
    std::string times;
    for (int i = 0; i < 225; ++i)
        times += "60.00 ";
    const LapChartGeometry c = LapChartOf(times, "1 : 60.00", "1 : 60.00", 225, 36);
    EXPECT_EQ(c.CurrentPoint->x, 187);  // 75 + 35 * step in one go gives 188
}

TEST(LapChartLevels, TimesTurnIntoTheNearestHundredth)
{
    EXPECT_EQ(ChartHundredths("1.05"), 105);  // 104.99999: truncation gives 104
}

TEST(LapChartLevels, TimesPast327SecondsDoNotWrap)
{
    const LapChartGeometry c = LapChartOf("400.00 50.00 ", "2 : 50.00", "1 : 400.00", 2, 0);
    EXPECT_EQ(c.SlowestLevel, 40000);
    EXPECT_EQ(c.Points[0], (ChartPoint{75, 10}));
    EXPECT_EQ(c.SlowestLabel, "400.00");
}

TEST(LapChartLevels, HostileTextsAndCountsStayFinite)
{
    const LapChartGeometry c = LapChartOf("1e30 nan -1e30 ", "1 : nan", "1 : 1e38", -5, -5);
    EXPECT_EQ(c.Step, 1.0f);
    EXPECT_EQ(c.Points.size(), 3u);
    EXPECT_FALSE(c.CurrentPoint.has_value());
    const LapChartGeometry wide = LapChartOf("1.00 ", "", "", 9'000'000'000'000'000'000, 0);
    EXPECT_EQ(wide.SlowestLevel, 1);  // equal levels, lifted by one
}

}  // namespace
}  // namespace vx
