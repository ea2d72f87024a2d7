// A lap of the analysis as a lap file carries it (formats/LapFile.h), and a
// lap file's lap as the comparison takes it.
//
//   LapFilePathOf       a lap's path as the file's vertices
//   LapFileRace, LapFileOf   a lap of the race analysed as a lap file
//   ProfileOfLapFile    a lap file's lap as the lap compared against
#pragma once

#include <cstdint>
#include <string>
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

// What a lap file says beside the lap itself: the track, who drove it and
// the race it was driven in. Texts are UTF-8.
struct LapFileRace {
    std::string TrackName;
    Sha256Digest Layout{};
    std::string Driver;
    std::string Car;
    std::int64_t DateNs = 0;  // the race's date, nanoseconds since 1970 (UTC)
    Sha256Digest Race{};
};

// Lap lap of the analysis (driven) as a lap file: its number, its lap-view
// time (hundredths), its precise time and its path (LapFilePathOf). Whether
// a lap file may carry it is LapFault's to say.
LapFile LapFileOf(const LapAnalysis& analysis, std::int32_t lap, std::int64_t viewTime, LapFileRace race);

// The lap of a lap file as the lap a race is compared against, as a lap of
// another race is (ProfileOfKeptLap): its path, the distances along it
// measured as the analysis measures them, the speeds at its vertices, named
// by its driver and its race's day ("Ada Morrow's lap 5 (2027-05-06)").
LapProfile ProfileOfLapFile(const LapFile& file);

}  // namespace vx
