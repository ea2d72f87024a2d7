// The commands, one file each: every one takes the words after its name and
// ends with the program's exit status.
//
//   report   ReportCommand.cpp    the analysis as text, JSON or CSV
//   samples  SamplesCommand.cpp   every replay sample as CSV
//   render   RenderCommand.cpp    the window's pictures, drawn headless
//   history  HistoryCommand.cpp   the race history: listings, add, forget
//   follow   FollowCommand.cpp    a folder followed while the game runs
//   lap      LapCommand.cpp       lap files: export
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "app/commands/Help.h"
#include "app/commands/Output.h"
#include "app/commands/Words.h"
#include "state/AppState.h"

namespace vx {

ExitStatus RunReportCommand(const std::vector<std::string>& words);
ExitStatus RunSamplesCommand(const std::vector<std::string>& words);
ExitStatus RunRenderCommand(const std::vector<std::string>& words);
ExitStatus RunHistoryCommand(const std::vector<std::string>& words);
ExitStatus RunFollowCommand(const std::vector<std::string>& words);
ExitStatus RunLapCommand(const std::vector<std::string>& words);

// The options a command declares: those that take a value, and flags.
struct ValueOption {
    const char* name;
    std::string& into;
};
struct FlagOption {
    const char* name;
    bool& into;
};

// Reads a command's words (Words.h) into its options and operands. The
// status to end with when they ask for the command's help (printed on
// stdout) or are wrong usage (said); none when the command goes on.
std::optional<ExitStatus> ReadCommandWords(const std::vector<std::string>& args, Command command,
                                           std::initializer_list<ValueOption> values,
                                           std::initializer_list<FlagOption> flags,
                                           std::vector<std::string>& operands);

// The one saved game among the operands of report, samples and render; the
// wrong usage said, and its status, when there is none or more than one.
std::optional<ExitStatus> OneSavedGame(const std::vector<std::string>& operands, std::string& game);

// The load of report and samples: the window's, without drawing, the files
// named as given. False, with the refusal said, when the load stopped.
bool LoadToPrint(AppState& state, Toolkit& toolkit, const std::string& game, const std::string& track);

}  // namespace vx
