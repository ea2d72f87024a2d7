// The command line: the window (the default) or a command, chosen by the
// first word; the command words are taken before any option, so that
// "history" and "follow" never reach the options of another. Each command
// reads its own words (app/commands/Commands.h); the program's own are
// [--no-history] [--history FILE] [GAME.gam | LAP.vxlap] for the window,
// --help and --version.
#include "app/commands/CommandLine.h"

#include <cstdlib>
#include <iostream>
#include <optional>

#include "app/commands/Commands.h"
#include "app/windows/MainWindow.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Platform.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr const char* kVersion = VX_VERSION;  // the project's version, from the build

struct CommandWord {
    const char* word;
    ExitStatus (*run)(const std::vector<std::string>& words);
};

constexpr CommandWord kCommands[] = {{"report", RunReportCommand},   {"samples", RunSamplesCommand},
                                     {"render", RunRenderCommand},   {"history", RunHistoryCommand},
                                     {"follow", RunFollowCommand},   {"lap", RunLapCommand}};

const CommandWord* CommandNamed(const std::string& word)
{
    for (const CommandWord& command : kCommands)
        if (word == command.word)
            return &command;
    return nullptr;
}

[[noreturn]] void DisplayUnreachable()
{
    const char* display = std::getenv("DISPLAY");
    std::cerr << "vxanalyser: cannot open the display"
              << (display != nullptr ? std::string(" ") + display : std::string()) << "\n";
    std::_Exit(static_cast<int>(ExitStatus::OutputFailed));
}

// --- The program's own words ----------------------------------------------------------

struct WindowWords {
    std::string file;  // a saved game or a lap file to open; "" for none
    HistoryOptions history;
};

// What the words after the program's name ask for when no command word
// comes first.
struct ProgramWords {
    enum class Asks { Window, Help, Version, WrongUsage };
    Asks asks = Asks::WrongUsage;
    WindowWords window;
    std::string problem;  // what wrong usage says
};

ProgramWords ProgramWordsOf(const std::vector<std::string>& args)
{
    const std::vector<std::string> words(args.begin() + 1, args.end());
    const std::string first = words.empty() ? std::string() : words[0];
    bool noHistory = false, version = false;
    std::string historyFile;
    CommandWords reader;
    reader.Flag("--no-history", noHistory);
    reader.Value("--history", historyFile);
    reader.Flag("--version", version);
    ProgramWords program;
    const CommandWords::Outcome outcome = reader.Read(words);
    if (outcome == CommandWords::Outcome::Help || (outcome == CommandWords::Outcome::Read && version)) {
        program.asks = version ? ProgramWords::Asks::Version : ProgramWords::Asks::Help;
        return program;
    }
    const std::vector<std::string>& operands = reader.Operands();
    if (outcome == CommandWords::Outcome::Read && operands.size() <= 1) {
        program.window = {{}, {HistoryPathOf(historyFile), !noHistory}};
        // A saved game or a lap file is a file, or one to be (its name says
        // so); a folder is none.
        const bool none = operands.empty();
        const std::string file = none ? std::string() : operands[0];
        const PathKind kind = none ? PathKind::None : SystemFiles().KindOf(file);
        if (none || (!file.empty() && kind != PathKind::Folder &&
                     (IsSavedGameName(file) || IsLapFileName(file) || kind == PathKind::File))) {
            program.window.file = file;
            program.asks = ProgramWords::Asks::Window;
            return program;
        }
    }
    // Something else: a typo, a command's option, a folder.
    if (first == "--no-history" || first == "--history")
        program.problem = "the window takes --no-history, --history FILE and one saved game or lap file";
    else if (outcome == CommandWords::Outcome::WrongUsage)
        program.problem = reader.Problem();
    else
        program.problem = "unknown command " + first;
    return program;
}

ExitStatus RunWindow(const WindowWords& words)
{
    Toolkit toolkit;
    if (!toolkit.StartWindowSystem(false, DisplayUnreachable)) {
        Say("no display to open the window on (try: vxanalyser render GAME.gam --out DIR)");
        return ExitStatus::OutputFailed;
    }
    // A window of the program that is open already opens the file instead
    // (a saved game loads, a lap file is compared against), as if dropped.
    if (!words.file.empty() && toolkit.PassToOpenWindow(words.file))
        return ExitStatus::Ok;
    Application app(toolkit);
    app.StartUp(words.history);
    if (!words.file.empty())
        app.OpenGivenFile(words.file);
    return static_cast<ExitStatus>(app.Run());
}

ExitStatus Run(const std::vector<std::string>& args)
{
    const std::string first = args.size() > 1 ? args[1] : std::string();
    if (const CommandWord* command = CommandNamed(first)) {
        // Every command writes its words to the console it was started from.
        AttachTextOutput();
        return command->run({args.begin() + 2, args.end()});
    }
    const ProgramWords program = ProgramWordsOf(args);
    if (program.asks == ProgramWords::Asks::Window)
        return RunWindow(program.window);
    AttachTextOutput();
    switch (program.asks) {
    case ProgramWords::Asks::Help: std::cout << HelpText(); return ExitStatus::Ok;
    case ProgramWords::Asks::Version: std::cout << "vxanalyser " << kVersion << "\n"; return ExitStatus::Ok;
    default: break;
    }
    // A folder alone is no saved game: refused as report refuses it.
    if (args.size() == 2 && first[0] != '-' && SystemFiles().KindOf(first) == PathKind::Folder)
        return RunReportCommand({first});
    return WrongUsage(program.problem);
}

}  // namespace

std::optional<ExitStatus> ReadCommandWords(const std::vector<std::string>& args, Command command,
                                           std::initializer_list<ValueOption> values,
                                           std::initializer_list<FlagOption> flags,
                                           std::vector<std::string>& operands)
{
    CommandWords words;
    for (const ValueOption& option : values)
        words.Value(option.name, option.into);
    for (const FlagOption& option : flags)
        words.Flag(option.name, option.into);
    switch (words.Read(args)) {
    case CommandWords::Outcome::Read: operands = words.Operands(); return std::nullopt;
    case CommandWords::Outcome::Help: std::cout << CommandHelp(command); return ExitStatus::Ok;
    case CommandWords::Outcome::WrongUsage: break;
    }
    return WrongUsage(words.Problem());
}

std::optional<ExitStatus> OneSavedGame(const std::vector<std::string>& operands, std::string& game)
{
    if (operands.size() == 1) {
        game = operands[0];
        return std::nullopt;
    }
    return WrongUsage(operands.empty() ? "no saved game given" : "more than one saved game: " + operands[1]);
}

int RunCommandLine(const std::vector<std::string>& args)
{
    return static_cast<int>(Run(args));
}

}  // namespace vx
