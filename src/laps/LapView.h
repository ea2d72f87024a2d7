// The lap view: the replay traced over the map and cut into timed laps, with
// the lap summary and the lap chart.
#pragma once

#include <optional>
#include <string>

#include "laps/RaceLaps.h"
#include "state/AppState.h"

namespace vx {

// Draws lap CurrentLap (0: the whole race) of the committed trace over
// MapImage, and shows the summary (lap 0 only) and the chart, or the
// placeholder where there is nothing to chart. Only that lap's samples are
// drawn: the replay was cut into laps when it was loaded.
void DrawLapView(AppState& state, Toolkit& toolkit);

// The lap chart of the committed laps, CurrentLap marked, into a fresh
// LapChartImage.
void DrawLapChart(AppState& state, Toolkit& toolkit);

}  // namespace vx
