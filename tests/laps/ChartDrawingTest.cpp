// The lap chart's pixels: frame, curve, fill, fastest level, current-lap
// marker and the two level labels.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "laps/LapView.h"
#include "support/DrawingBench.h"

namespace vx {
namespace {

using test::CountColour;
using test::CountColourIn;
using test::DrawingBench;

constexpr Colour kBackground = MakeRgb(250, 250, 250);
constexpr Colour kBlue = MakeRgb(0, 0, 255);
constexpr Colour kFill = MakeRgb(0, 1, 255);
constexpr Colour kRed = MakeRgb(255, 0, 0);
constexpr Colour kWhite = MakeRgb(255, 255, 255);
constexpr Colour kBlack = MakeRgb(0, 0, 0);

const Image& Chart(DrawingBench& b, std::vector<std::int64_t> times, int current)
{
    b.PutLaps(std::move(times));
    b.state.CurrentLap = current;
    DrawLapChart(b.state, b.tk);
    const Image& chart = b.Picture(LapChartImage);
    EXPECT_EQ(chart.Width(), 800);
    EXPECT_EQ(chart.Height(), 140);
    return chart;
}

// Two laps: lap 1 (the slowest) at (75, 10), lap 2 (the fastest) at (795, 110).
const Image& TwoLaps(DrawingBench& b, int current = 0)
{
    return Chart(b, {1340, 330}, current);
}

// --- Frame --------------------------------------------------------------------

TEST(LapChartFrame, BaselineAndAxisRunFromTheCornerAt75And130)
{
    DrawingBench b;
    const Image& chart = TwoLaps(b);
    // Baseline y 130 from x 75; its own end pixel (795) is the closing line's.
    EXPECT_EQ(CountColourIn(chart, kBlue, 75, 130, 796, 131), 721);
    EXPECT_EQ(chart.At(74, 130), kBackground);
    EXPECT_EQ(chart.At(796, 130), kBackground);
    // Axis x 75 from y 130 up to 11; y 10 is the first lap's point and the tick.
    EXPECT_EQ(CountColourIn(chart, kBlue, 75, 10, 76, 131), 121);
    EXPECT_EQ(chart.At(75, 9), kBackground);
    EXPECT_EQ(chart.At(75, 131), kBackground);
}

TEST(LapChartFrame, TicksReachFourPixelsLeftOfTheAxisAtBothLevels)
{
    DrawingBench b;
    const Image& chart = TwoLaps(b);
    for (const int y : {10, 110}) {
        EXPECT_EQ(CountColourIn(chart, kBlue, 71, y, 75, y + 1), 4) << y;
        EXPECT_EQ(chart.At(70, y), kBackground) << y;
        EXPECT_EQ(chart.At(74, y - 1), kBackground) << y;
        EXPECT_EQ(chart.At(74, y + 1), kBackground) << y;
    }
}

TEST(LapChartFrame, TheFastestLevelIsRedOverTheFillUpToX794)
{
    DrawingBench b;
    const Image& chart = TwoLaps(b);
    EXPECT_EQ(CountColourIn(chart, kRed, 76, 110, 795, 111), 719);
    EXPECT_EQ(CountColour(chart, kRed), 719);
    EXPECT_EQ(chart.At(75, 110), kBlue);   // the tick starts on the axis
    EXPECT_EQ(chart.At(795, 110), kBlue);  // the last lap's point
    EXPECT_EQ(chart.At(400, 109), kFill);
    EXPECT_EQ(chart.At(400, 111), kFill);
}

// --- Curve and fill -----------------------------------------------------------

TEST(LapChartCurve, TwoLapsStandAtX75And795WithTheClosingLineAt795)
{
    DrawingBench b;
    const Image& chart = TwoLaps(b);
    EXPECT_EQ(chart.At(75, 10), kBlue);
    EXPECT_EQ(chart.At(76, 10), kBlue);
    EXPECT_EQ(chart.At(794, 110), kRed);
    EXPECT_EQ(CountColourIn(chart, kBlue, 795, 110, 796, 131), 21);
    EXPECT_EQ(chart.At(795, 109), kBackground);
    EXPECT_EQ(CountColourIn(chart, kBlue, 796, 0, 800, 140), 0);
    // One blue pixel per column along the curve between the ends.
    for (int x = 80; x <= 790; x += 10)
        EXPECT_EQ(CountColourIn(chart, kBlue, x, 0, x + 1, 130), 1) << x;
}

TEST(LapChartCurve, TheAreaUnderTheCurveIsFilledAndNothingElse)
{
    DrawingBench b;
    const Image& chart = TwoLaps(b);
    for (int x = 77; x <= 793; ++x) {
        const float curve = 10.0f + 100.0f * static_cast<float>(x - 75) / 720.0f;
        for (int y = static_cast<int>(std::ceil(curve)) + 2; y < 130; ++y) {
            if (y != 110) {
                ASSERT_EQ(chart.At(x, y), kFill) << x << "," << y;
            }
        }
        for (int y = 0; y <= static_cast<int>(std::floor(curve)) - 2; ++y)
            ASSERT_EQ(chart.At(x, y), kBackground) << x << "," << y;
    }
    EXPECT_EQ(CountColourIn(chart, kFill, 0, 0, 75, 140), 0);
    EXPECT_EQ(CountColourIn(chart, kFill, 796, 0, 800, 140), 0);
    EXPECT_EQ(CountColourIn(chart, kFill, 0, 131, 800, 140), 0);
}

TEST(LapChartCurve, OneLapLetsTheFillSpreadOverTheWholeBackground)
{
    DrawingBench b;
    const Image& chart = Chart(b, {340}, 0);
    EXPECT_EQ(CountColour(chart, kBackground), 0);
    EXPECT_EQ(CountColourIn(chart, kBlue, 75, 110, 76, 131), 21);  // point and closing line
    EXPECT_EQ(chart.At(795, 130), kFill);  // the baseline's end pixel is not drawn
    EXPECT_EQ(chart.At(75, 9), kFill);     // nor is the axis's
    EXPECT_EQ(chart.At(799, 0), kFill);
    EXPECT_EQ(chart.At(0, 139), kFill);
    EXPECT_EQ(CountColourIn(chart, kRed, 76, 110, 795, 111), 719);
}

TEST(LapChartCurve, ACurveThroughTheFillsStartingPixelLeavesTheFillOut)
{
    // Laps 1 and 2 on the fastest level, 360 pixels apart: the curve covers (80, 110).
    DrawingBench b;
    const Image& chart = Chart(b, {330, 330, 340}, 0);
    EXPECT_EQ(CountColour(chart, kFill), 0);
    EXPECT_EQ(chart.At(300, 120), kBackground);
    EXPECT_EQ(chart.At(795, 10), kBlue);
}

TEST(LapChartCurve, AnEmptyFastestTextMeasuresTheLevelsFromZero)
{
    // Levels 0 and 62.00: 61.00 stands at y 110 - 98 = 12, 62.00 at y 10.
    DrawingBench b;
    const Image& chart = Chart(b, {6100, 6200, 6100}, 0);
    EXPECT_EQ(chart.At(435, 10), kBlue);
    EXPECT_EQ(chart.At(435, 9), kBackground);
    EXPECT_EQ(CountColourIn(chart, kBlue, 795, 12, 796, 131), 119);
    EXPECT_EQ(chart.At(795, 11), kBackground);
    EXPECT_EQ(chart.At(435, 11), kFill);
}

// --- Current-lap marker ----------------------------------------------------------

TEST(LapChartMarker, AWhiteLineRisesFromTheBaselineToTheCurrentLapsPoint)
{
    // Points (75, 60), (435, 110) and (795, 10).
    const struct {
        int current;
        int x;
        int top;
    } cases[] = {{1, 75, 60}, {2, 435, 110}, {3, 795, 10}};
    for (const auto& c : cases) {
        DrawingBench b;
        const Image& chart = Chart(b, {340, 330, 350}, c.current);
        EXPECT_EQ(CountColourIn(chart, kWhite, c.x, c.top, c.x + 1, 131), 131 - c.top)
            << "lap " << c.current;
        EXPECT_EQ(CountColourIn(chart, kWhite, 70, 0, 800, 140), 131 - c.top)
            << "lap " << c.current;
    }
}

TEST(LapChartMarker, LapZeroHasNoMarker)
{
    DrawingBench b;
    const Image& chart = Chart(b, {340, 330, 350}, 0);
    EXPECT_EQ(CountColourIn(chart, kWhite, 70, 0, 800, 140), 0);
}

// --- Labels --------------------------------------------------------------------

TEST(LapChartLabels, TheLevelsAreWrittenBlackOnWhiteCellsLeftOfTheAxis)
{
    DrawingBench b;
    const Image& chart = TwoLaps(b);
    const std::vector<test::TextCell> cells = {test::CellOf(b.tk, kSystemFont, 20, 5, "13.40"),
                                               test::CellOf(b.tk, kSystemFont, 20, 105, "3.30")};
    for (const test::TextCell& cell : cells) {
        ASSERT_LT(cell.x + cell.width, 70);
        const int x1 = cell.x + cell.width, y1 = cell.y + cell.height;
        EXPECT_EQ(CountColourIn(chart, kWhite, cell.x, cell.y, x1, y1) +
                      CountColourIn(chart, kBlack, cell.x, cell.y, x1, y1),
                  cell.width * cell.height)
            << cell.y;
        test::ExpectTextIn(chart, kBlack, cell, "level label");
    }
    EXPECT_EQ(test::CountOutsideCells(chart, kWhite, cells, 0, 0, 800, 140), 0);
    EXPECT_EQ(test::CountOutsideCells(chart, kBlack, cells, 0, 0, 800, 140), 0);
}

}  // namespace
}  // namespace vx
