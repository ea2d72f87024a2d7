// The gauge panel: five labelled bars for the settings of the saved game.
#pragma once

#include <string>

#include "state/AppState.h"

namespace vx {

// Row 0 starts a fresh GaugeImage; rows 1..5 draw one gauge on it.
void DrawGauge(AppState& state, Toolkit& toolkit, int row, int value, int fullScale,
               const std::string& label, const std::string& valueText);

// The five gauges of the committed saved game, shown in GaugeBox.
void DrawGaugePanel(AppState& state, Toolkit& toolkit);

}  // namespace vx
