// The command line: the window (the default), "report", "samples" and
// "render": the options parsed, then the command run.
//
// report runs the window's own load without drawing (its texts:
// app/commands/Report.h); render runs the window's own procedures headless: the same
// start-up, the same load and the same drawings, so what they print and
// write is what the window shows.
#include "app/commands/CommandLine.h"

#include "laps/LapNavigation.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>

#include "app/commands/FollowCommand.h"
#include "app/commands/HistoryCommand.h"
#include "app/commands/Report.h"
#include "app/windows/CompareLayout.h"
#include "app/windows/HistoryLayout.h"
#include "app/windows/MainWindow.h"
#include "laps/AnalysisText.h"
#include "laps/LapView.h"
#include "load/Export.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr const char* kVersion = VX_VERSION;  // the project's version, from the build

const std::string kUsage =
    std::string("usage:\n"
    "  vxanalyser [--no-history] [--history FILE]  open the window\n"
    "  vxanalyser [...] GAME.gam                   open the window and load GAME.gam\n"
    "  vxanalyser report GAME.gam [--track T.trk] [--json [--against-pb] | --csv] [--history FILE]\n"
    "  vxanalyser samples GAME.gam [--track T.trk]\n"
    "  vxanalyser render GAME.gam [--track T.trk] [--lap N] [--jpeg FILE] [--compare [--against-pb]]\n"
    "                    [--history FILE] [--history-window] --out DIR\n") +
    kHistoryUsage + kFollowUsage + "  vxanalyser --help | --version\n";

const std::string kHelp =
    std::string("vxanalyser - analyser for the saved games of a car-racing game.\n"
    "\n"
    "Loads a saved game (*.gam), finds the track it was raced on (*.trk: beside\n"
    "the saved game, then in the \"Tracks\" folder beside \"Saves\"), and shows the\n"
    "track map with the car's replay cut into timed laps, a lap chart, a lap\n"
    "summary, the driver table and five gauges.\n"
    "\n"
    "  report   prints the analysis (--json: as one JSON object, with the\n"
    "           precise times, sectors and speeds; --csv: the lap table as CSV);\n"
    "           --json --against-pb also names the personal best of the track\n"
    "           from another race in the history, with each lap's time against it\n"
    "  samples  prints every replay sample as CSV: time, map position, lap,\n"
    "           speed and whether the lap view counts it\n"
    "  render   writes map.png, gauges.png, drivers.png, summary.png, chart.png\n"
    "           and window.png into DIR; --lap N selects lap N as the lap\n"
    "           buttons would; --jpeg FILE exports the map picture; --compare\n"
    "           also writes compare.png, the comparison window for that lap\n"
    "           (the fastest lap for lap 0), with --against-pb against the\n"
    "           personal best of the track from another race in the history;\n"
    "           --history-window writes history.png, the race history window\n"
    "           as it opens on the track of GAME.gam\n"
    "  --track  uses this track instead of looking for it\n"
    "  --history FILE  the race history to read (report, render) or to keep\n"
    "           (the window); report and render never write it\n"
    "  --no-history  the window records no race and keeps no setting: every\n"
    "           other window records each saved game that it loads\n") +
    kHistoryHelp + kFollowHelp +
    "\n"
    "With a window of the program open already on the same display,\n"
    "\"vxanalyser GAME.gam\" loads the game in that window and ends.\n"
    "\n"
    "Keys in the window: Left and Right step through the laps, PageUp and\n"
    "PageDown move by a fifth of them, Home shows the whole race (lap 0) and\n"
    "End the last lap; Ctrl+O loads a saved game and Ctrl+S saves the map.\n"
    "Pointing at the lap chart names a lap and its time; a click on a lap's\n"
    "point shows that lap. \"Compare\" opens the lap comparison: the shown lap\n"
    "(the fastest for lap 0) against the reference lap or another chosen there,\n"
    "with sectors, speed, delta and every lap's time in the lap table; sectors\n"
    "and speeds are measured on the reference lap. The keys of the window work\n"
    "there too; Up and Down step through the table's laps, Return compares\n"
    "against the lap shown, a right click or Shift+click on a row against that\n"
    "row's lap, and Esc or Ctrl+W closes it. With a race history, \"PB\"\n"
    "compares against your best lap of the track from another race (named by\n"
    "date, file and lap; sectors and speeds stay this race's own) until a lap\n"
    "of this race is chosen again.\n"
    "\"History\" opens the race history: the tracks with their personal\n"
    "bests, a track's progress and its races; a click on a race loads it, a\n"
    "right click or Shift+click and \"Use as reference\" compares against its\n"
    "best lap, \"Add folder...\" records a folder's saved games.\n"
    "\"Follow folder\" follows the shown race's folder as follow does: each\n"
    "race the game saves there is loaded once written whole, recorded, and\n"
    "said in the log with its best lap against your personal best; a race due\n"
    "during a load waits for it, and loading from another folder follows that\n"
    "one. The box stays ticked from one run to the next.\n"
    "\n"
    "Exit status: 0 success, 1 an output could not be written, 2 wrong usage,\n"
    "3 an input file is missing, unreadable, too large or invalid (for history:\n"
    "a saved game was refused, or the history is unavailable), 130 history add\n"
    "stopped by Ctrl+C.\n";

enum ExitStatus { kOk = 0, kOutputFailed = 1, kUsageError = 2, kInputError = 3 };

struct Options {
    std::string command;  // "", "report", "samples" or "render"
    std::string game;
    std::string track;
    std::string out;
    std::string jpeg;
    std::optional<std::int64_t> lap;
    bool json = false;
    bool csv = false;
    bool compare = false;
    std::string history;  // the history read; the user's own when empty
    bool historyWindow = false;
    bool againstPb = false;
};

// The history a command names (--history FILE), or the user's own.
std::string HistoryPathOf(const std::string& named)
{
    return named.empty() ? DefaultHistoryPath() : SystemFiles().AbsolutePath(named);
}

int UsageError(const std::string& message)
{
    std::cerr << "vxanalyser: " << message << "\n" << kUsage;
    return kUsageError;
}

// Parses the words after the command; false (with a message) on wrong usage.
bool ParseOptions(const std::vector<std::string>& args, std::size_t first, Options& options,
                  std::string& error)
{
    const std::size_t argc = args.size();
    for (std::size_t i = first; i < argc; ++i) {
        const std::string& word = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                error = word + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (word == "--track") {
            if (!value(options.track))
                return false;
        } else if (word == "--out" && options.command == "render") {
            if (!value(options.out))
                return false;
        } else if (word == "--jpeg" && options.command == "render") {
            if (!value(options.jpeg))
                return false;
        } else if (word == "--lap" && options.command == "render") {
            std::string text;
            if (!value(text))
                return false;
            const std::int64_t lap = TextToInt(text);
            if (text.empty() || IntToText(lap) != TrimBlanks(text) || lap < 0) {
                error = "--lap needs a lap number (0 or more)";
                return false;
            }
            options.lap = lap;
        } else if (word == "--json" && options.command == "report") {
            options.json = true;
        } else if (word == "--csv" && options.command == "report") {
            options.csv = true;
        } else if (word == "--compare" && options.command == "render") {
            options.compare = true;
        } else if (word == "--history" && options.command != "samples") {
            if (!value(options.history))
                return false;
        } else if (word == "--history-window" && options.command == "render") {
            options.historyWindow = true;
        } else if (word == "--against-pb" && options.command != "samples") {
            options.againstPb = true;
        } else if (!word.empty() && word[0] == '-') {
            error = "unknown option " + word;
            return false;
        } else if (options.game.empty()) {
            options.game = word;
        } else {
            error = "more than one saved game: " + word;
            return false;
        }
    }
    if (options.game.empty()) {
        error = "no saved game given";
        return false;
    }
    if (options.json && options.csv) {
        error = "--json and --csv do not go together";
        return false;
    }
    if (options.command == "render" && options.out.empty()) {
        error = "render needs --out DIR";
        return false;
    }
    if (options.againstPb && options.command == "report" && !options.json) {
        error = "--against-pb goes with --json";
        return false;
    }
    if (options.againstPb && options.command == "render" && !options.compare) {
        error = "--against-pb goes with --compare";
        return false;
    }
    return true;
}

// Answers the save requester with one prepared name; asks nothing else.
class PreparedRequester : public Requester {
public:
    explicit PreparedRequester(std::string saveAs) : saveAs_(std::move(saveAs)) {}
    std::string AskOpenFile(int, const std::string&, const std::string&, const std::string&,
                            int) override
    {
        return {};
    }
    std::string AskSaveFile(int, const std::string&, const std::string&, const std::string&,
                            int) override
    {
        return saveAs_;
    }

private:
    std::string saveAs_;
};

// --- Running ------------------------------------------------------------------

// The report and the sample table need no window, no font and no image:
// the load's numbers.
int RunReport(const Options& options)
{
    Toolkit toolkit;
    AppState state;
    InitAppState(state, toolkit.CurrentFolder());
    if (!LoadGameData(state, toolkit, options.game, options.track, Naming::AsGiven)) {
        std::cerr << "vxanalyser: " << state.Log.NewestWhole() << "\n";
        return kInputError;
    }
    if (options.command == "samples") {
        const auto& samples = state.Game.Replay ? state.Game.Replay->Samples : std::vector<ReplaySample>{};
        std::cout << SampleTableCsv(samples, state.Track.MapScale, AnalyseCommittedLaps(state));
    } else if (options.csv) {
        std::cout << LapTableCsv(AnalyseCommittedLaps(state), state.Laps);
    } else if (options.json && options.againstPb) {
        // The personal best of the track from another race: read, never written.
        const HistoryOpening opening = OpenHistoryToRead(HistoryPathOf(options.history));
        if (!opening.Store) {
            std::cerr << "vxanalyser: History unavailable: " << opening.Problem << "\n";
            return kInputError;
        }
        const auto best = opening.Store->BestOfOtherRaces(state.LayoutDigest, state.GameDigest);
        if (!best && !opening.Store->LastFailure().message.empty()) {
            std::cerr << "vxanalyser: History unavailable: " << opening.Store->LastFailure().message << "\n";
            return kInputError;
        }
        if (!best)
            std::cerr << "vxanalyser: the history holds no best lap of this track from another race\n";
        std::cout << ReportJson(state, best);
    } else if (options.json) {
        std::cout << ReportJson(state);
    } else {
        std::cout << ReportText(state);
    }
    return kOk;
}

// render runs the window's own drawing, off-screen.
int RunRender(const Options& options)
{
    Toolkit toolkit;
    if (!toolkit.StartWindowSystem(true)) {
        std::cerr << "vxanalyser: cannot start the drawing system\n";
        return kOutputFailed;
    }
    toolkit.SetRequester(std::make_unique<PreparedRequester>(options.jpeg));
    Application app(toolkit);
    // The history is read, never written.
    const bool history = options.historyWindow || options.againstPb;
    app.StartUp(history ? HistoryOptions{HistoryPathOf(options.history), false} : HistoryOptions{});
    AppState& state = app.State();
    if (!LoadGameFrom(state, toolkit, options.game, options.track, NoWindow, Naming::AsGiven)) {
        std::cerr << "vxanalyser: " << state.Log.NewestWhole() << "\n";
        return kInputError;
    }
    if (options.lap) {
        // Step as ">" would, and stop at the last lap: a number beyond it
        // shows the last lap instead of stepping on in vain.
        for (std::int64_t step = 0; step < *options.lap && state.CurrentLap < LapLimit(state); ++step)
            NextLapStep(state, toolkit);
    }
    // One word for a folder that cannot take the pictures, not one for each.
    if (!toolkit.MakeFolders(options.out) || toolkit.KindOf(options.out) != PathKind::Folder) {
        const bool taken = toolkit.KindOf(options.out) != PathKind::None;
        std::cerr << "vxanalyser: cannot write into " << options.out << " ("
                  << (taken ? std::string("it is not a folder") : toolkit.LastError()) << ")\n";
        return kOutputFailed;
    }
    const std::string dir = options.out + (options.out.back() == '/' ? "" : "/");
    // The first picture that cannot be written ends the run: the others
    // would fail alike.
    const auto written = [&](int saved, const char* name) {
        if (saved == 0)
            std::cerr << "vxanalyser: " << dir << name << " not written (" << toolkit.LastError() << ")\n";
        return saved != 0;
    };
    const std::pair<int, const char*> boxes[] = {{MapBox, "map.png"},
                                                 {GaugeBox, "gauges.png"},
                                                 {DriverTableBox, "drivers.png"},
                                                 {LapSummaryBox, "summary.png"},
                                                 {LapChartBox, "chart.png"}};
    for (const auto& [box, name] : boxes)
        if (!written(toolkit.SaveShownPicturePng(box, dir + name), name))
            return kOutputFailed;
    if (!written(toolkit.SaveWindowPng(MainWindow, dir + "window.png"), "window.png"))
        return kOutputFailed;
    int status = kOk;
    if (options.compare) {
        // The comparison of the lap chosen, as "Compare" opens it.
        app.Compare().Open(state, toolkit);
        // Against the personal best from another race, as "PB" compares.
        std::string notAgainstPb;
        if (options.againstPb && state.Laps.LapCount > 0)
            notAgainstPb = app.History().Store() ? app.Compare().CompareAgainstPersonalBest(state, toolkit)
                                                 : "History unavailable: " + app.History().Unavailable();
        if (state.Laps.LapCount == 0) {
            std::cerr << "vxanalyser: " << dir << "compare.png not written (the race has no lap to compare)\n";
            status = kOutputFailed;
        } else if (!notAgainstPb.empty()) {
            std::cerr << "vxanalyser: " << dir << "compare.png not written (" << notAgainstPb << ")\n";
            status = kInputError;
        } else if (!written(toolkit.SaveWindowPng(compare_window::Number, dir + "compare.png"), "compare.png")) {
            return kOutputFailed;
        }
    }
    if (options.historyWindow) {
        // The history window as "History" opens it over this race.
        if (!app.History().Store()) {
            std::cerr << "vxanalyser: " << dir << "history.png not written (History unavailable: "
                      << app.History().Unavailable() << ")\n";
            status = kInputError;
        } else {
            app.History().Open(state, toolkit);
            if (toolkit.SaveWindowPng(history_window::Number, dir + "history.png") == 0) {
                std::cerr << "vxanalyser: " << dir << "history.png not written (" << toolkit.LastError() << ")\n";
                status = kOutputFailed;
            }
        }
    }
    if (!options.jpeg.empty() && !SavePicture(state, toolkit, NoWindow)) {
        std::cerr << "vxanalyser: " << state.Log.NewestWhole() << "\n";
        status = kOutputFailed;
    }
    return status;
}

[[noreturn]] void DisplayUnreachable()
{
    const char* display = std::getenv("DISPLAY");
    std::cerr << "vxanalyser: cannot open the display"
              << (display != nullptr ? std::string(" ") + display : std::string()) << "\n";
    std::_Exit(kOutputFailed);
}

// The window's words: [--no-history] [--history FILE] [GAME.gam].
struct WindowWords {
    std::string game;
    HistoryOptions history{DefaultHistoryPath(), true};
};

bool IsCommandWord(const std::string& word)
{
    return word == "report" || word == "render" || word == "samples" || word == "history" || word == "follow";
}

// The words after the program's name as the window's; none when they are
// something else (a command, a typo).
std::optional<WindowWords> WindowWordsOf(const std::vector<std::string>& args)
{
    WindowWords words;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--no-history") {
            words.history.Record = false;
        } else if (word == "--history" && i + 1 < args.size()) {
            words.history.Path = SystemFiles().AbsolutePath(args[++i]);
        } else if (const PathKind kind = SystemFiles().KindOf(word);
                   !word.empty() && word[0] != '-' && words.game.empty() && !(i == 1 && IsCommandWord(word)) &&
                   kind != PathKind::Folder && (IsSavedGameName(word) || kind == PathKind::File)) {
            words.game = word;
        } else {
            return std::nullopt;
        }
    }
    return words;
}

int RunWindow(const WindowWords& words)
{
    Toolkit toolkit;
    if (!toolkit.StartWindowSystem(false, DisplayUnreachable)) {
        std::cerr << "vxanalyser: no display to open the window on (try: vxanalyser render "
                     "GAME.gam --out DIR)\n";
        return kOutputFailed;
    }
    // A window of the program that is open already loads the game instead.
    if (!words.game.empty() && toolkit.PassToOpenWindow(words.game))
        return kOk;
    Application app(toolkit);
    app.StartUp(words.history);
    if (!words.game.empty())
        LoadGameFrom(app.State(), toolkit, words.game, {}, MainWindow);
    return app.Run();
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args)
{
    const std::optional<WindowWords> window = WindowWordsOf(args);
    if (args.size() <= 1)
        return RunWindow(*window);
    const std::string first = args[1];
    // Every command but the window writes its words to the console it was
    // started from. A folder is no saved game: said on the console.
    const bool command = IsCommandWord(first);
    const bool folder = args.size() == 2 && first[0] != '-' && !command &&
                        SystemFiles().KindOf(first) == PathKind::Folder;
    if (!window)
        AttachTextOutput();
    if (first == "--help" || first == "-h") {
        std::cout << kHelp << "\n" << kUsage;
        return kOk;
    }
    if (first == "--version") {
        std::cout << "vxanalyser " << kVersion << "\n";
        return kOk;
    }
    Options options;
    std::string error;
    if (folder) {
        options.command = "report";
        options.game = first;
        return RunReport(options);  // refused as a folder, as report refuses it
    }
    if (first == "history")
        return RunHistoryCommand({args.begin() + 2, args.end()}, UsageError);
    if (first == "follow")
        return RunFollowCommand({args.begin() + 2, args.end()}, UsageError);
    if (command) {
        options.command = first;
        if (!ParseOptions(args, 2, options, error))
            return UsageError(error);
        return options.command == "render" ? RunRender(options) : RunReport(options);
    }
    // A single saved game opens the window on it; any other word is a typo
    // of a command rather than a game.
    if (window)
        return RunWindow(*window);
    if (first == "--no-history" || first == "--history")
        return UsageError("the window takes --no-history, --history FILE and one saved game");
    return UsageError(first[0] == '-' ? "unknown option " + first : "unknown command " + first);
}

}  // namespace vx
