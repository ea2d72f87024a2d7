// The comparison's corners drawn: the numbers on the map, the corner table,
// the chart of the time lost per corner and the words on where the time
// went, the corner pointed at marked in each. Drawn into the images the
// window hands over (ComparePictures); where everything stands, and which
// corner is under a point, is laps/CornerPanel.h.
//
//   CompareMapLabelsOf the map's labels placed, measured in the small font
//   DrawCornerTable    the corner table from a row on
//   DrawCornerChart    the loss chart, a bar per corner
//   DrawCornerWords    the corners where most time went, in words
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "laps/CompareView.h"
#include "laps/CornerPanel.h"

namespace vx {

// The map's labels ("S1|S2", "S2|S3", the corners' numbers) placed for the
// laps shown, each as large as its text in the small font.
CompareMapLabels CompareMapLabelsOf(const LapAnalysis& analysis, const CompareFigures& figures,
                                    const ComparePictures& pictures, Toolkit& toolkit);

// The corner table from corner firstRow + 1 on: for each corner what the lap
// lost or gained through it, on the way in and on the way out, and both
// laps' slowest speeds in it; the corner pointed at (0: none) shaded. A
// race without corners shows the header and why there are none.
void DrawCornerTable(const LapAnalysis& analysis, const CompareFigures& figures, const CornerComparison& corners,
                     std::int32_t pointed, std::int32_t firstRow, const ComparePictures& pictures,
                     Toolkit& toolkit);

// The loss chart: a bar per corner from the zero line, red for time lost
// and green for time gained, the largest reaching the plot's edge, each
// with its value where it fits; the corner pointed at shaded behind its bar.
void DrawCornerChart(const CornerComparison& corners, std::int32_t pointed,
                     const ComparePictures& pictures, Toolkit& toolkit);

// The words on where the time went (TimeLostWords), the first line in bold,
// each broken between words to the picture's width.
void DrawCornerWords(std::span<const std::string> words, const ComparePictures& pictures, Toolkit& toolkit);

}  // namespace vx
