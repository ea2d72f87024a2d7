// The committed race's laps: its replay cut into laps over its track, and
// their analysis. Plain arithmetic over the committed files; nothing drawn.
#pragma once

#include <optional>

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

}  // namespace vx
