// The driver table and the lap summary.
#pragma once

#include <array>
#include <string>

#include "state/AppState.h"

namespace vx {

// A fresh DriverTableImage in the table's grey.
void NewDriverTableImage(Toolkit& toolkit);

// One cell of the table: rows from 1, columns 1..6.
void DrawDriverCell(AppState& state, Toolkit& toolkit, int row, int column,
                    const std::string& text);

// The six texts of driver k's row: position, name, kind, car, race time and
// average speed.
std::array<std::string, 6> DriverTableCells(const AppState& state, int k);

// The table of the committed saved game, shown in DriverTableBox.
void FillDriverTable(AppState& state, Toolkit& toolkit);

// The lap summary of the committed laps: fastest lap, average computer
// strength and the numbered lap times, drawn into a fresh LapSummaryImage.
void DrawLapSummary(AppState& state, Toolkit& toolkit);

}  // namespace vx
