// What opening the history did, in the words the user reads: the window's
// log and the commands' standard error say it alike.
#pragma once

#include <string>

#include "history/HistoryStore.h"

namespace vx {

// "The history was damaged (REASON); it was set aside as PATH and a new one
// started"; empty when opening set nothing aside.
std::string SetAsideMessage(const HistoryOpening& opening);

}  // namespace vx
