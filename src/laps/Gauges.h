// The gauge panel: five labelled bars for the settings of the saved game.
#pragma once

#include <string>

#include "state/AppState.h"

namespace vx {

// A fresh GaugeImage in the dialog colour.
void NewGaugeImage(AppState& state, Toolkit& toolkit);

// Rows 1..5: one gauge on GaugeImage.
void DrawGauge(AppState& state, Toolkit& toolkit, int row, int value, int fullScale,
               const std::string& label, const std::string& valueText);

// The five gauges of the committed saved game, shown in GaugeBox.
void DrawGaugePanel(AppState& state, Toolkit& toolkit);

}  // namespace vx
