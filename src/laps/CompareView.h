// The comparison window's pictures: one lap against the reference lap on
// the map coloured by speed, their speed and the delta along the lap, the
// sector table of every lap, and the figures at the pointer's cursor.
//
// Everything is drawn into images that the window's picture boxes show;
// the base images hold what does not depend on the cursor, so that a
// pointer move copies them and draws the cursor alone.
#pragma once

#include <cstdint>
#include <optional>

#include "laps/LapAnalysis.h"
#include "state/AppState.h"

namespace vx {

// Where the window's parts lie, in its client area of 1010 x 720.
struct CompareBox {
    int x, y, w, h;
};
constexpr int kCompareWidth = 1010;
constexpr int kCompareHeight = 720;
constexpr CompareBox kCompareMapBox{5, 5, 512, 560};
constexpr CompareBox kSpeedLegendBox{5, 570, 512, 30};
constexpr CompareBox kSpeedChartBox{522, 5, 483, 160};
constexpr CompareBox kDeltaChartBox{522, 170, 483, 160};
constexpr CompareBox kSectorTableBox{522, 335, 465, 380};
constexpr CompareBox kTableScrollBox{987, 335, 18, 380};
constexpr CompareBox kCompareInfoBox{5, 634, 512, 81};

// The lap compared with the main window's lap: that lap, or the fastest one
// while the main window shows the whole race (the reference lap when no lap
// is under 60 seconds); 0 without laps.
std::int32_t ComparedLap(const AppState& state, const Comparison& comparison);

// Analyses the committed laps against the chosen reference and takes the
// lap to compare.
void Recompare(Comparison& comparison, const AppState& state);

// Draws every picture of the window and shows them in its boxes.
void DrawComparison(const AppState& state, Comparison& comparison, Toolkit& toolkit);

// Redraws what the cursor changes: the map, the two charts and the figures.
void DrawCompareCursor(const AppState& state, const Comparison& comparison, Toolkit& toolkit);

// Draws and shows the sector table from row TableTop on.
void DrawSectorTable(const AppState& state, const Comparison& comparison, Toolkit& toolkit);

// The lap fraction at x in a chart's picture (clamped to the plot).
double ChartFraction(int x);
// The lap of the table row at y in the table's picture; 0 for none.
std::int32_t TableLapAt(const Comparison& comparison, int y);
// The rows the table shows at once.
int VisibleTableRows();

}  // namespace vx
