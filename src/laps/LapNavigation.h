// The lap navigation: the lap shown (CurrentLap), its label and the
// slider, and the redraw of the map for it.
#pragma once

#include <cstdint>

#include "state/AppState.h"

namespace vx {

// Lap navigation: CurrentLap is the lap shown; the label and the slider show
// it. The steps stop at 0 and at the lap limit.
void PrevLapStep(AppState& state, Toolkit& toolkit);
void NextLapStep(AppState& state, Toolkit& toolkit);
void LapSliderMoved(AppState& state, Toolkit& toolkit);
// Makes lap (held to 0 .. the lap limit) the lap shown, in the label and the
// slider, and draws it once a map exists.
void SelectLap(AppState& state, Toolkit& toolkit, std::int64_t lap);
// Draws CurrentLap over a fresh copy of the master map.
void ShowSelectedLap(AppState& state, Toolkit& toolkit);
// The slider's range, the label and the slider's position for the committed
// analysis.
void ShowLapSelector(const AppState& state, Toolkit& toolkit);

}  // namespace vx
