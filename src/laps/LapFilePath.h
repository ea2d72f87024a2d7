// A lap of the analysis as a lap file carries its path (formats/LapFile.h).
#pragma once

#include <vector>

#include "formats/LapFile.h"
#include "laps/CompareFigures.h"

namespace vx {

// The lap's path as a lap file carries it: each vertex's time from the lap's
// first vertex, and its speed as the comparison takes it. A crossing of the
// line that falls on a sample (its crossing fraction 0 or 1) repeats that
// sample's point at the sample's time; a lap file's times increase strictly,
// so the repeat is left out: the sample at the time of the lap's first
// crossing, and the sample at the time of its last (the crossings, which
// start and end the lap, stay).
std::vector<LapVertex> LapFilePathOf(const LapProfile& lap);

}  // namespace vx
