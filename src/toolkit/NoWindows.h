// A window system without windows, for a toolkit of its own beside the
// program's: one that reads files (and draws images) for work done in steps
// while the program's windows stay open. Such a toolkit takes no events, so
// the program's toolkit keeps its own; its requesters answer nothing and its
// message boxes show nothing.
#pragma once

#include "toolkit/WindowSystem.h"

namespace vx {

WindowSystem& NoWindowSystem();

}  // namespace vx
