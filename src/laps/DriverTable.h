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

// "human" or "AI " and the strength; empty for drivers 7..11, which have no
// kind.
std::string DriverKindText(const DriverRecord& driver);

// The six texts of driver k's row: position, name, kind, car, race time and
// average speed.
std::array<std::string, 6> DriverTableCells(const AppState& state, int k);

// The driver's row of the report: 14 fields joined by "," (name, kind, car,
// position, laps, race time, record 20, 168, 170, 172, 174, 12, strength,
// second index). A comma inside a name stays inside its field.
std::string DriverRowText(const DriverRecord& driver);

// The table of the committed saved game, shown in DriverTableBox.
void FillDriverTable(AppState& state, Toolkit& toolkit);

// The lap summary of the committed laps: fastest lap, average computer
// strength and the numbered lap times, drawn into a fresh LapSummaryImage.
void DrawLapSummary(AppState& state, Toolkit& toolkit);

}  // namespace vx
