// The lap command's words that keep laps in the race history or take one
// from it, each with the words after its own (LapCommand.cpp dispatches):
//
//   lap import FILE.vxlap... [--history FILE]        keeps laps of other drivers
//   lap forget LAPKEY... [--history FILE]            removes kept laps
//   lap export --best TRACK [--car CAR] [--driver NAME] [--history FILE] --out FILE.vxlap
//                                                    writes your personal best as a lap file
#pragma once

#include <string>
#include <vector>

#include "app/commands/Output.h"

namespace vx {

ExitStatus RunLapImport(const std::vector<std::string>& words);
ExitStatus RunLapForget(const std::vector<std::string>& words);
ExitStatus RunLapExportBest(const std::vector<std::string>& words);

}  // namespace vx
