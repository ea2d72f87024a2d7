// The command line's own texts of usage and help: the whole program's for
// --help and for wrong usage, and each command's for "COMMAND --help".
#pragma once

#include <string>

namespace vx {

// The window's own words and the commands.
enum class Command { Window, Report, Samples, Render, History, Follow, Lap };

// "usage:" and a line (or two) per command.
std::string UsageText();

// What --help prints: the program, its commands and options, the window's
// keys and buttons, the exit statuses, then the usage.
std::string HelpText();

// What "COMMAND --help" prints: the command's lines of the usage and its
// part of the help (the window's: HelpText).
std::string CommandHelp(Command command);

}  // namespace vx
