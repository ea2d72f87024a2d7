// The lap view: the replay traced over the map and cut into timed laps, with
// the lap summary and the lap chart.
#pragma once

#include <string>

#include "state/AppState.h"

namespace vx {

// Draws lap CurrentLap (0: the whole race) of the committed replay over
// MapImage, sets LapCount and the lap texts, and shows the summary (lap 0
// only) and the chart, or the placeholder where there is nothing to chart.
void DrawLapView(AppState& state, Toolkit& toolkit);

// The lap chart of the lap-time list into a fresh LapChartImage.
void DrawLapChart(AppState& state, Toolkit& toolkit, const std::string& lapTimeList,
                  const std::string& fastestLapText, const std::string& slowestLapText,
                  std::int32_t lapCount, std::int32_t currentLap);

}  // namespace vx
