// The map picture of the committed track: terrain, label strip and water.
#pragma once

#include "state/AppState.h"
#include "trackmap/MapPicture.h"

namespace vx {

// Rebuilds MapImage from the track's run-length picture, writes the
// best-time labels and shows the map.
void DrawTrackPicture(AppState& state, Toolkit& toolkit);

// The label-strip texts and the picture name of the committed track.
MapLabels MapLabelsOfTrack(const AppState& state);

// The default name of the exported map ("Oval_5432_Anna"); empty before a
// track is committed.
std::string PictureNameOf(const AppState& state);

// Paints the height cells below the water level and shows the map.
void DrawWaterCells(AppState& state, Toolkit& toolkit);

}  // namespace vx
