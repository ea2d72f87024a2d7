// The lap view: the replay traced over the map and cut into timed laps, with
// the lap summary and the lap chart.
#pragma once

#include <optional>
#include <string>

#include "laps/LapAnalysis.h"
#include "laps/LapTrace.h"
#include "state/AppState.h"

namespace vx {

// The committed replay cut into laps over the committed track: empty when
// the race flag is 0 or the saved game holds no replay. Without pixels, the
// laps' times alone (for the report, which draws nothing).
LapTrace TraceReplay(const GameData& game, const TrackData& track, bool keepPixels = true);

// The analysis of the committed laps (LapAnalysis.h).
std::optional<LapAnalysis> AnalyseCommittedLaps(const AppState& state);

// Draws lap CurrentLap (0: the whole race) of the committed trace over
// MapImage, and shows the summary (lap 0 only) and the chart, or the
// placeholder where there is nothing to chart. Only that lap's samples are
// drawn: the replay was cut into laps when it was loaded.
void DrawLapView(AppState& state, Toolkit& toolkit);

// The lap chart of the committed laps, CurrentLap marked, into a fresh
// LapChartImage.
void DrawLapChart(AppState& state, Toolkit& toolkit);

}  // namespace vx
