// A small race for the workflow tests: a saved game whose replay circles a
// track and crosses its lap line a chosen number of times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/GameFileBuilder.h"
#include "fixtures/TrackFileBuilder.h"

namespace vx::test {

// The track: scale 100, a vertical lap line from map pixel (256, 50) to
// (256, 150), best time 54.32 by Anna in a Comet, 2500 m a lap.
TrackFileBuilder OvalTrack();

// Samples of a car circling the map's centre clockwise, 20 a second, starting
// just before the lap line: crossings = completed laps + 1. The radius is 150
// on the first lap and 12 pixels less on each further lap.
std::vector<ReplayPoint> CirclingReplay(int completedLaps, int samplesPerLap = 800);

// A saved game raced on trackName with a human and two computer drivers and
// the circling replay.
GameFileBuilder CupGame(const std::string& trackName = "Oval", int completedLaps = 3);

}  // namespace vx::test
