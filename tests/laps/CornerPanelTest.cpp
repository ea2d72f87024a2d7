// The comparison's corners apart from their drawing: where a corner lies on
// the compared lap, where the map's labels go, which corner is under a point,
// a row or a bar, and the words on where the time went.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "laps/CornerPanel.h"

namespace vx {
namespace {

constexpr double kMicro = 1e-9;

// A lap from replay time 10 s to 20 s whose path covers 80 of its 100
// pixels in the first 2 s: a fraction of the time is not one of the way.
LapProfile UnevenLap()
{
    LapProfile lap;
    lap.Lap = 4;
    lap.StartS = 10;
    lap.PreciseS = 10;
    lap.LengthPx = 100;
    lap.Path = {{0, 0, 10, 0}, {80, 0, 12, 80}, {100, 0, 20, 100}};
    lap.SpeedKmh.assign(3, std::nullopt);
    return lap;
}

CornerFigures Parts(std::optional<double> entry, std::optional<double> exit)
{
    return {entry, exit, std::nullopt};
}

TEST(CornerStretches, RunFromGateToGateAlongThePathsLength)
{
    const LapProfile lap = UnevenLap();
    // Corner 2's apex missed: its own parts are absent, but its ends are
    // the end of corner 1 (from the start) and the start of corner 3 (from
    // the end).
    const std::vector<CornerFigures> corners{Parts(0.5, 0.5), Parts(std::nullopt, std::nullopt), Parts(3, 5)};
    const auto stretches = CornerStretchesOf(lap, corners);
    ASSERT_EQ(stretches.size(), 3u);
    const double expected[3][2] = {{0, 0.4}, {0.4, 0.8}, {0.8, 1}};  // t 11 s is 40 px, t 12 s 80 px
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(stretches[i]) << "corner " << i + 1;
        EXPECT_NEAR(stretches[i]->From, expected[i][0], kMicro) << "corner " << i + 1;
        EXPECT_NEAR(stretches[i]->To, expected[i][1], kMicro) << "corner " << i + 1;
    }

    // Both ends of corner 2 missed: corner 1 has no end, corner 3 no start.
    const std::vector<CornerFigures> gapped{Parts(0.5, std::nullopt), Parts(std::nullopt, std::nullopt),
                                            Parts(std::nullopt, 5)};
    for (const auto& stretch : CornerStretchesOf(lap, gapped))
        EXPECT_FALSE(stretch);
}

TEST(MapLabelPlacement, ACornersNumberTakesTheBusierSideRatherThanCoverAGatesLabel)
{
    LapAnalysis analysis;
    const auto across = [](double x, double y) {
        Gate gate;
        gate.Centre = {x, y};
        gate.Direction = {1, 0};  // square to it: down the map is End2's side
        gate.End1 = {x, y - 16};
        gate.End2 = {x, y + 16};
        return gate;
    };
    analysis.Gates = std::array<Gate, 2>{across(100, 100), across(400, 400)};
    Corner corner;
    corner.Apex = across(100, 150);
    analysis.Corners = {corner};
    // The laps run below the apex, where its number would cover them.
    CompareFigures figures;
    for (int x = 90; x <= 110; x += 2)
        figures.Lap.Path.push_back({double(x), 166, 0, 0});

    const LabelSize sector{30, 14};
    const LabelSize number{10, 14};
    const CompareMapLabels labels =
        PlaceMapLabels(analysis, figures, std::vector{sector, sector}, std::vector{number}, 512, 512);
    ASSERT_EQ(labels.Sectors.size(), 2u);
    ASSERT_EQ(labels.Corners.size(), 1u);
    // The gate's label below its gate (no lap there: the second end), at
    // y 100 + 16 + 5 + 7 - 7; the number above the apex would meet it, so
    // it stays below, 6 + 2 pixels beyond the band's edge.
    EXPECT_EQ(labels.Sectors[0].y, 121);
    EXPECT_EQ(labels.Corners[0].y, 158);
    EXPECT_EQ(labels.Corners[0].x, 95);
    EXPECT_FALSE(labels.Corners[0].Overlaps(labels.Sectors[0]));

    // Without the gate's label above it, the same number goes where no lap is.
    analysis.Gates.reset();
    EXPECT_EQ(PlaceMapLabels(analysis, figures, {}, std::vector{number}, 512, 512).Corners[0].y, 128);
}

TEST(CornerHits, TheCornerUnderAMapPointARowOrABar)
{
    LapAnalysis analysis;
    for (const MapPoint apex : {MapPoint{100, 100}, MapPoint{110, 100}, MapPoint{300, 300}}) {
        Corner corner;
        corner.Apex.Centre = apex;
        analysis.Corners.push_back(corner);
    }
    CompareMapLabels labels;
    labels.Corners = {{80, 80, 10, 14}, {120, 80, 10, 14}, {300, 320, 10, 14}};
    EXPECT_EQ(CornerAtMapPoint(analysis, labels, 301, 333), 3);  // in its label
    EXPECT_EQ(CornerAtMapPoint(analysis, labels, 121, 93), 2);   // in its label, 11 px from corner 2's apex
    EXPECT_EQ(CornerAtMapPoint(analysis, labels, 104, 103), 1);  // 5 px from apex 1, 6.7 from apex 2
    EXPECT_EQ(CornerAtMapPoint(analysis, labels, 106, 103), 2);
    EXPECT_EQ(CornerAtMapPoint(analysis, labels, 300, 309), 0);  // 9 px from apex 3, outside its label
    EXPECT_EQ(CornerAtMapPoint(analysis, labels, 300, 308), 3);

    // Rows of 16 pixels under a header of 34, from the table's first row on.
    EXPECT_EQ(CornerAtTableY(33, 0, 9), 0);
    EXPECT_EQ(CornerAtTableY(34, 0, 9), 1);
    EXPECT_EQ(CornerAtTableY(34 + 16 * 3 + 15, 2, 9), 6);
    EXPECT_EQ(CornerAtTableY(34 + 16 * 9, 0, 9), 0);  // below the last corner
    EXPECT_EQ(CornerAtTableY(34 + 16 * 2, 8, 9), 0);
    EXPECT_EQ(CornerTableRowsIn(290), 16);

    // Nine bars in a 320-pixel chart: the plot from x 8, 304 pixels wide,
    // corner 2's slot from x 41 (8 + 304 / 9).
    const BarPlot bars = CornerBarsOf(320, 310, 9);
    EXPECT_EQ(CornerAtBarX(bars, 7), 0);
    EXPECT_EQ(CornerAtBarX(bars, 8), 1);
    EXPECT_EQ(CornerAtBarX(bars, 40), 1);
    EXPECT_EQ(CornerAtBarX(bars, 41), 2);
    EXPECT_EQ(CornerAtBarX(bars, 311), 9);
    EXPECT_EQ(CornerAtBarX(bars, 312), 0);
    // Every x of the plot names the bar drawn in the slot that holds it.
    for (int i = 0; i < bars.Count; ++i)
        for (int x = bars.SlotLeft(i); x < bars.SlotLeft(i) + bars.SlotWidth(i); ++x)
            ASSERT_EQ(CornerAtBarX(bars, x), i + 1) << "x " << x;
    EXPECT_EQ(CornerAtBarX(CornerBarsOf(320, 310, 0), 100), 0);
}

CornerComparison Losses(std::vector<CornerDelta> deltas)
{
    CornerComparison comparison;
    comparison.Deltas = std::move(deltas);
    comparison.Lap.resize(comparison.Deltas.size());
    comparison.Against.resize(comparison.Deltas.size());
    return comparison;
}

TEST(TimeLostWords, TheThreeLargestLossesEachOnTheWayItWent)
{
    // Each corner's loss on the way in, on the way out and through it.
    CornerComparison comparison = Losses({{0.05, 0.15, 0.2},
                                          {-0.04, -0.06, -0.1},
                                          {0.1, 0.42, 0.52},
                                          {std::nullopt, 0.9, std::nullopt},  // a gate missed: not ranked
                                          {0.0003, 0.0001, 0.0004},           // shows as +0.000 s: no loss
                                          {0.26, 0.04, 0.3}});
    comparison.Lap[2].MinSpeedKmh = 85.66;
    comparison.Against[2].MinSpeedKmh = 121.34;
    EXPECT_EQ(TimeLostWords(comparison),
              (std::vector<std::string>{
                  "Most time lost: corner 3, +0.520 s, on the way out (slowest 85.7 against 121.3 km/h)",
                  "Then corner 6, +0.300 s, on the way in", "and corner 1, +0.200 s, on the way out"}));

    // Gains everywhere: the largest, on the way it was gained.
    EXPECT_EQ(TimeLostWords(Losses({{-0.3, -0.1, -0.4}, {-0.01, 0.002, -0.008}})),
              (std::vector<std::string>{"No corner lost time.", "Most gained: corner 1, -0.400 s, on the way in"}));
    EXPECT_TRUE(TimeLostWords(Losses({})).empty());
    EXPECT_EQ(TimeLostWords(Losses({{std::nullopt, std::nullopt, std::nullopt}})),
              std::vector<std::string>{"No corner timed on both laps."});
}

}  // namespace
}  // namespace vx
