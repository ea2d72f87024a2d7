// The comparison's pictures: one lap against the lap it is compared with on
// the map coloured by speed, their speed and the delta along the lap, the
// table of every lap, and the figures at the pointer's cursor. (The corner
// table, the loss chart and the words on the corners: CornerView.h.)
//
// The window that shows them (app/windows/CompareWindow.h) hands over the images to
// draw into and their sizes; everything here is placed within those sizes
// and names no control. The figures come from CompareFigures.h.
//
//   ComparePictures              the images handed over
//   DrawCompareBase              what does not depend on the cursor
//   DrawCompareCursor            the cursor over copies of the bases, and the figures
//   DrawLapTable                 the lap table from a row on
//   ChartPlotOf, ChartFraction   where a chart plots the lap, and the lap fraction at x
//   TableRowsIn, TableRowAt      the rows of the lap table
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "laps/CompareFigures.h"
#include "laps/CornerPanel.h"
#include "laps/LapTrace.h"
#include "toolkit/Toolkit.h"

namespace vx {

// An image to draw into and its size.
struct PictureSlot {
    int Image = 0;
    int Width = 0;
    int Height = 0;
};

// A picture with the pointer's cursor: drawn whole into Base, which is
// copied into Image for every position of the cursor.
struct CursorPictureSlot {
    int Image = 0;
    int Base = 0;
    int Width = 0;
    int Height = 0;
};

struct ComparePictures {
    int TrackMap = 0;  // the track's map without laps: copied, never changed
    int Font = 0;      // the font number of the small text
    int BoldFont = 0;  // the same, bold: what the words on the corners lead with
    CursorPictureSlot Map;  // the size of TrackMap
    PictureSlot Legend;
    CursorPictureSlot SpeedChart;
    CursorPictureSlot DeltaChart;
    PictureSlot Table;
    PictureSlot Figures;
    PictureSlot CornerTable;
    PictureSlot CornerChart;
    PictureSlot CornerWords;
};

// Draws the bases (the map with both laps, the gates and the corners'
// numbers where labels places them, the two charts) and the speed legend.
// The corner pointed at has its label filled and its stretch marked under
// the compared lap on the map and shaded behind both charts' curves.
void DrawCompareBase(const LapAnalysis& analysis, const CompareFigures& figures,
                     const std::optional<LapLine>& lapLine, const CompareMapLabels& labels, const CornerMark& pointed,
                     const ComparePictures& pictures, Toolkit& toolkit);

// Copies the bases into their images and draws the cursor at lap fraction
// cursor (none: no cursor) over them, and the figures under the map.
void DrawCompareCursor(const LapAnalysis& analysis, const CompareFigures& figures,
                       std::optional<double> cursor, const ComparePictures& pictures, Toolkit& toolkit);

// Draws the lap table from lap firstRow + 1 on, comparedLap's row and
// againstLap's number marked, the reference lap's "R", and the best of each
// column filled.
void DrawLapTable(const LapAnalysis& analysis, const LapTableBests& bests,
                  std::span<const std::int64_t> lapTimes, std::int32_t comparedLap, std::int32_t againstLap,
                  std::int32_t firstRow, const ComparePictures& pictures, Toolkit& toolkit);

// Where a chart of this size plots the lap: x from its start to its end.
struct ChartPlot {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};
ChartPlot ChartPlotOf(int width, int height);

// The lap fraction at x in a chart's picture (clamped to the plot).
double ChartFraction(const ChartPlot& plot, int x);

// The rows a table of this height shows at once.
int TableRowsIn(int height);
// The row (from 0, the first shown) at y in the table's picture; none in
// its header.
std::optional<int> TableRowAt(int y);

}  // namespace vx
