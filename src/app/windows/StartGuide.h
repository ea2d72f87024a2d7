// What the empty map box shows until the first load: how to begin.
//
//   StartGuideLines   the guide's text
//   ShowStartGuide    draws it into GuideImage and shows it in MapBox
//
// The first load that draws a map puts the map in its place; the lap
// selector keeps what it shows before a load.
#pragma once

#include <string>
#include <vector>

#include "state/AppState.h"

namespace vx {

// The guide's lines; the line that names the demo races' folder only when
// one is given.
std::vector<std::string> StartGuideLines(const std::string& demoRaces);

// The folder of the demo races where an installation put them, or where it
// puts them in words; "" when this system has none.
std::string DemoRacesFolder(Toolkit& toolkit);

void ShowStartGuide(const AppState& state, Toolkit& toolkit);

}  // namespace vx
