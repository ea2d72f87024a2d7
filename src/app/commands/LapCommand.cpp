// "vxanalyser lap": lap files (docs/lap-file.md) on the command line. Each
// subcommand is a function of its own, chosen by the first word after "lap".
//
//   lap export GAME.gam [--track T] [--lap N] [--driver NAME] --out FILE.vxlap
//   lap export --best TRACK ..., lap import, lap forget: those of the race
//   history (LapHistoryCommands.cpp)
#include <algorithm>
#include <cstdint>
#include <iostream>

#include "app/commands/Commands.h"
#include "app/commands/LapHistoryCommands.h"
#include "app/windows/LapFiles.h"
#include "laps/RaceLaps.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

// --- lap export -------------------------------------------------------------------------

// A lap of a saved game written as a lap file: the reference lap unless
// --lap names another; the saved game's human driver unless --driver names
// another. The file is written whole or not at all; a lap a lap file may not
// carry is not written.
ExitStatus RunLapExport(const std::vector<std::string>& args)
{
    std::string game, track, lap, driver, out;
    std::vector<std::string> operands;
    if (const auto ended =
            ReadCommandWords(args, Command::Lap,
                             {{"--track", track}, {"--lap", lap}, {"--driver", driver}, {"--out", out}}, {}, operands))
        return *ended;
    std::int64_t number = 0;  // 0: the reference lap
    if (!lap.empty()) {
        number = TextToInt(lap);
        if (IntToText(number) != TrimBlanks(lap) || number < 1)
            return WrongUsage("--lap needs a lap number (1 or more)");
    }
    if (const auto ended = OneSavedGame(operands, game))
        return *ended;
    if (out.empty())
        return WrongUsage("lap export needs --out FILE.vxlap");

    Toolkit toolkit;
    AppState state;
    if (!LoadToPrint(state, toolkit, game, track))
        return ExitStatus::InputRefused;
    const auto analysis = AnalyseCommittedLaps(state);
    if (!analysis || analysis->LapCount == 0)
        return Refused("No lap to export: " + game + " (the race has no lap)");
    const auto chosen = static_cast<std::int32_t>(
        number == 0 ? analysis->ReferenceLap : std::min<std::int64_t>(number, INT32_MAX));
    std::string whyNot;
    const auto file = LapFileOfShownRace(state, chosen, driver, whyNot);
    if (!file) {
        const bool nobody = whyNot == kNoHumanDriver;
        return Refused("Lap not exported: lap " + IntToText(chosen) + " of " + game + " (" + whyNot +
                       (nobody ? "; name one with --driver NAME" : "") + ")");
    }
    std::string error;
    if (!WriteLapFileTo(toolkit, out, *file, error)) {
        Say(out + " not written (" + error + ")");
        return ExitStatus::OutputFailed;
    }
    std::cout << "lap " << chosen << " of " << FileNameToUtf8(game) << ", " << SecondsText(file->PreciseS)
              << " s by " << file->Driver << ", written to " << FileNameToUtf8(out) << "\n";
    return ExitStatus::Ok;
}

// --- The subcommands ------------------------------------------------------------------------

struct LapSubcommand {
    const char* word;
    ExitStatus (*run)(const std::vector<std::string>& words);
};

// A lap of a saved game, or with --best the personal best the history keeps.
ExitStatus RunExport(const std::vector<std::string>& args)
{
    if (std::find(args.begin(), args.end(), "--best") != args.end())
        return RunLapExportBest(args);
    return RunLapExport(args);
}

constexpr LapSubcommand kLapSubcommands[] = {
    {"export", RunExport},
    {"import", RunLapImport},
    {"forget", RunLapForget},
};

}  // namespace

ExitStatus RunLapCommand(const std::vector<std::string>& args)
{
    const std::string first = args.empty() ? std::string() : args[0];
    for (const LapSubcommand& subcommand : kLapSubcommands)
        if (first == subcommand.word)
            return subcommand.run({args.begin() + 1, args.end()});
    if (first == "--help" || first == "-h") {
        std::cout << CommandHelp(Command::Lap);
        return ExitStatus::Ok;
    }
    std::string words;
    for (const LapSubcommand& subcommand : kLapSubcommands)
        words += std::string(words.empty() ? "" : ", ") + subcommand.word;
    return WrongUsage(first.empty() ? "lap needs a subcommand: " + words
                                    : "unknown lap subcommand " + first + " (one of: " + words + ")");
}

}  // namespace vx
