// What the window does with the lap of a lap file opened with the program
// (app/windows/LapFileOpening.h): keeps it in the race history and compares
// the lap shown against it. name is the file's name as the log gives it.
#pragma once

#include <string>

#include "formats/LapFile.h"
#include "state/AppState.h"

namespace vx {

class CompareWindow;
class HistoryWindow;

// Keeps the lap in the window's race history as a lap of another driver
// (the same lap kept once, whatever its file's name).
void KeepLapFile(AppState& state, Toolkit& toolkit, HistoryWindow& history, const LapFile& lap,
                 const std::string& name);

// The race shown is on the lap's track: the comparison compares the lap
// shown against the file's lap (its path on the map, its speed, the delta,
// the corners), and opens to show it.
void CompareAgainstLapFile(AppState& state, Toolkit& toolkit, CompareWindow& compare, const LapFile& lap,
                           const std::string& name);

}  // namespace vx
