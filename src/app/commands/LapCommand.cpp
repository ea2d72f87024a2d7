// "vxanalyser lap": lap files. The word after "lap" chooses: import and
// forget keep and remove laps of other drivers in the race history, export
// --best writes your personal best from it (LapHistoryCommands.cpp).
#include <algorithm>
#include <iostream>

#include "app/commands/Commands.h"
#include "app/commands/LapHistoryCommands.h"

namespace vx {

ExitStatus RunLapCommand(const std::vector<std::string>& args)
{
    const std::string action = args.empty() ? std::string() : args.front();
    const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    if (action == "import")
        return RunLapImport(rest);
    if (action == "forget")
        return RunLapForget(rest);
    if (action == "export") {
        if (std::find(rest.begin(), rest.end(), "--best") != rest.end())
            return RunLapExportBest(rest);
        // A lap of a saved game is exported by its own command, not here yet.
        return WrongUsage("lap export needs --best TRACK");
    }
    if (action == "--help" || action == "-h") {
        std::cout << CommandHelp(Command::Lap);
        return ExitStatus::Ok;
    }
    return WrongUsage(action.empty() ? "lap needs import, forget or export" : "not a lap command: " + action);
}

}  // namespace vx
