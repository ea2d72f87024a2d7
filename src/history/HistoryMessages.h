// What opening the history did, in the words the user reads: the window's
// log and the commands' standard error say it alike.
#pragma once

#include <string>

#include "history/HistoryStore.h"

namespace vx {

// "History damaged (REASON), a new one started; the old one is PATH"; empty
// when opening set nothing aside.
std::string SetAsideMessage(const HistoryOpening& opening);

}  // namespace vx
