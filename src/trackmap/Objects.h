// The track's objects over the map: point markers and turned footprints.
#pragma once

#include "state/AppState.h"

namespace vx {

// Draws the object table in five passes (trees, markers, posts, buildings,
// barriers), each over the one before, and shows the map.
void DrawTrackObjects(AppState& state, Toolkit& toolkit);

}  // namespace vx
