// The command line's "follow": each new race the game saves into a folder,
// printed and recorded as it settles, until the interrupt key or the end of
// the input.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryStore.h"

namespace vx {

// The line of the usage text for follow.
extern const char* const kFollowUsage;
// Its part of --help.
extern const char* const kFollowHelp;

// Runs "vxanalyser follow ..." for the words after "follow"; usageError
// prints a wrong usage's message and gives its exit status.
int RunFollowCommand(const std::vector<std::string>& words,
                     const std::function<int(const std::string&)>& usageError);

}  // namespace vx
