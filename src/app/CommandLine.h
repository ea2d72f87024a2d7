// The program's command line.
#pragma once

namespace vx {

// Runs the program for its arguments and returns the exit status.
int RunCommandLine(int argc, char** argv);

}  // namespace vx
