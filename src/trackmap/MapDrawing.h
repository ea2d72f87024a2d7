// The map picture of the committed track: terrain, label strip and water.
#pragma once

#include "state/AppState.h"
#include "trackmap/MapPicture.h"

namespace vx {

// Rebuilds MapImage from the track's run-length picture in MapBitmapArea,
// writes the best-time labels, sets PictureName and shows the map.
void DrawTrackPicture(AppState& state, Toolkit& toolkit);

// The label-strip texts and the picture name of the committed track.
MapLabels MapLabelsOfTrack(const AppState& state);

// Paints the height cells below the water level and shows the map.
void DrawWaterCells(AppState& state, Toolkit& toolkit);

}  // namespace vx
