// The comparison's corners apart from their drawing: where a corner lies on
// the compared lap, where the map's labels stand, which corner is under a
// point of the map, a row of the corner table or a bar of the loss chart,
// and what the window says of the corners where the time went. Plain
// arithmetic over the figures of CompareFigures.h; laps/CornerView.h draws it.
//
//   CornerStretchesOf                  each corner's stretch of a lap, as lap fractions
//   LabelBox, LabelBeyond, PointsUnder a label beside a gate, and the laps' points it covers
//   PlaceMapLabels, CornerAtMapPoint   the map's gate and corner labels, and the corner at a point
//   CornerTableRowsIn, CornerAtTableY  the rows of the corner table
//   CornerBarsOf, CornerAtBarX         the bars of the loss chart
//   TimeLostWords                      the corners where most time went, in words
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "laps/CompareFigures.h"

namespace vx {

// --- Where a corner lies on a lap ---------------------------------------------------

// A stretch of a lap, from lap fraction From to To (0 at its start, 1 at its
// end, along its path's length).
struct CornerStretch {
    double From = 0;
    double To = 0;
};

// The corner pointed at (from 1; 0 for none) and its stretch of the
// compared lap, when the lap's figures give it.
struct CornerMark {
    std::int32_t Corner = 0;
    std::optional<CornerStretch> Stretch;
};

// Each corner's stretch of lap, from the gate the corner starts at (the
// lap's start for the first) to the one it ends at (the lap's end for the
// last): the passings follow from the lap's figures in those corners, which
// are its entry and exit times in lap order. None for a corner whose start
// or end the figures leave open (a gate the lap missed).
std::vector<std::optional<CornerStretch>> CornerStretchesOf(const LapProfile& lap,
                                                            std::span<const CornerFigures> corners);

// --- Labels on the map --------------------------------------------------------------

// A label's box on the map, in map pixels.
struct LabelBox {
    int x = 0, y = 0, w = 0, h = 0;
    bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
    bool Overlaps(const LabelBox& other) const
    {
        return x < other.x + other.w && other.x < x + w && y < other.y + other.h && other.y < y + h;
    }
};

// The box of a label of width x height beyond one end of a line across the
// path (End1 or End2 of gate, reach map pixels from its centre), gap pixels
// further out, kept inside the map of mapWidth x mapHeight.
LabelBox LabelBeyond(const Gate& gate, bool secondEnd, double reach, int gap, int width, int height, int mapWidth,
                     int mapHeight);

// How many vertices of the two laps lie in the box or within margin pixels of it.
int PointsUnder(const LabelBox& box, const CompareFigures& figures, int margin);

// The labels of the map: "S1|S2" and "S2|S3" beyond an end of the sector
// gates (the end whose box covers fewer of the laps' points), then each
// corner's number beside its apex, on the side where it covers fewer of the
// laps' points and none of the labels placed before it.
struct LabelSize {
    int Width = 0;
    int Height = 0;
};
struct CompareMapLabels {
    std::vector<LabelBox> Sectors;  // gate 1, gate 2; none without gates
    std::vector<LabelBox> Corners;  // corner i at i - 1
};
CompareMapLabels PlaceMapLabels(const LapAnalysis& analysis, const CompareFigures& figures,
                                std::span<const LabelSize> sectorSizes, std::span<const LabelSize> cornerSizes,
                                int mapWidth, int mapHeight);

// The corner whose label holds the map point, or whose apex lies within
// kApexReach pixels of it (the nearest); 0 for none.
constexpr double kApexReach = 8.0;
std::int32_t CornerAtMapPoint(const LapAnalysis& analysis, const CompareMapLabels& labels, int x, int y);

// --- The corner table and the loss chart --------------------------------------------

// The corner table: a header, then a row per corner from firstRow + 1 on.
constexpr int kCornerHeaderHeight = 34;
constexpr int kCornerRowHeight = 16;
int CornerTableRowsIn(int height);
// The corner of the row at y in the table's picture; 0 in the header and
// below the last corner.
std::int32_t CornerAtTableY(int y, std::int32_t firstRow, std::int32_t cornerCount);

// The loss chart: a plot under its title with a bar per corner, side by
// side, each in a slot of its own.
struct BarPlot {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int Count = 0;  // the corners
    // Bar i (from 0): its slot from SlotLeft(i), SlotWidth() wide.
    int SlotLeft(int i) const { return Count > 0 ? Left + i * Width / Count : Left; }
    int SlotWidth(int i) const { return Count > 0 ? SlotLeft(i + 1) - SlotLeft(i) : 0; }
};
BarPlot CornerBarsOf(int width, int height, int cornerCount);
// The corner of the slot at x in the chart's picture (anywhere from its top
// to its bottom); 0 beside the plot.
std::int32_t CornerAtBarX(const BarPlot& plot, int x);

// --- In words ---------------------------------------------------------------------

// The corners where the lap lost most against the lap compared against,
// one line each, the first with both slowest speeds:
//   "Most time lost: corner 5, +1.82 s, on the way out (slowest 85.7 against 121.3 km/h)"
//   "Then corner 2, +0.41 s, on the way in"
//   "and corner 7, +0.30 s, on the way out"
// When no corner lost time, the corner where most was gained. Empty when no
// corner has a time in both laps.
std::vector<std::string> TimeLostWords(const CornerComparison& comparison);

}  // namespace vx
