// The program's command line.
#pragma once

#include <string>
#include <vector>

namespace vx {

// Runs the program for its arguments (the program's name first, UTF-8) and
// returns the exit status.
int RunCommandLine(const std::vector<std::string>& args);

}  // namespace vx
