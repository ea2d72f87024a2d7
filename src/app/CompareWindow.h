// The comparison window: the lap shown in the main window (the fastest lap
// for the whole race) against a reference lap, opened by "Compare" and
// closed on its own. It follows the main window's lap and every load.
#pragma once

#include "state/AppState.h"

namespace vx {

constexpr const char* kCompareTitle = "Lap comparison";

// Opens the window over the committed analysis (or redraws it when open).
void OpenComparison(AppState& state, Toolkit& toolkit);
void CloseComparison(AppState& state, Toolkit& toolkit);

// After the main window's lap changed: the window shows the new lap.
void FollowSelectedLap(AppState& state, Toolkit& toolkit);
// After a load: the new laps against their own default reference.
void FollowLoad(AppState& state, Toolkit& toolkit);

// The comparison window's events (its controls, its pictures under the
// pointer, its close box); false for an event that is not its own.
bool HandleCompareEvent(AppState& state, Toolkit& toolkit, int event);

}  // namespace vx
