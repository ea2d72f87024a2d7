// The command line's "history": the tracks with their personal bests, one
// track's progress, recording saved games, forgetting races.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vx {

// The lines of the usage text for history.
extern const char* const kHistoryUsage;
// Its part of --help.
extern const char* const kHistoryHelp;

// Runs "vxanalyser history ..." for the words after "history"; usageError
// prints a wrong usage's message and gives its exit status.
int RunHistoryCommand(const std::vector<std::string>& words,
                      const std::function<int(const std::string&)>& usageError);

}  // namespace vx
