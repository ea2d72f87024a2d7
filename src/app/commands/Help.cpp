// The texts of usage and help, in the order --help gives them: the program,
// each command and option, the window, the exit statuses; then the usage.
#include "app/commands/Help.h"

#include <initializer_list>
#include <utility>

namespace vx {

namespace {

// --- The usage ----------------------------------------------------------------------

// Each command's lines, in the usage's order.
const std::pair<Command, const char*> kUsage[] = {
    {Command::Window, "  vxanalyser [--no-history] [--history FILE]  open the window\n"
                      "  vxanalyser [...] GAME.gam                   open the window and load GAME.gam\n"
                      "  vxanalyser [...] LAP.vxlap                  open the window and compare against LAP.vxlap\n"},
    {Command::Report,
     "  vxanalyser report GAME.gam [--track T.trk] [--json [--against-pb] [--against FILE.vxlap]\n"
     "                    | --csv [--corners]] [--history FILE]\n"},
    {Command::Samples, "  vxanalyser samples GAME.gam [--track T.trk]\n"},
    {Command::Render,
     "  vxanalyser render GAME.gam [--track T.trk] [--lap N] [--jpeg FILE]\n"
     "                    [--compare [--against-pb | --against FILE.vxlap]] [--history FILE]\n"
     "                    [--history-window] --out DIR\n"},
    {Command::History, "  vxanalyser history [TRACK] [--history FILE] [--json | --csv [--standings]]\n"
                       "  vxanalyser history add PATH... [--history FILE]\n"
                       "  vxanalyser history forget RACEKEY... [--history FILE]\n"},
    {Command::Follow, "  vxanalyser follow FOLDER [--json] [--history FILE] [--no-history]\n"},
    {Command::Lap, "  vxanalyser lap export GAME.gam [--track T.trk] [--lap N] [--driver NAME]\n"
                   "                    --out FILE.vxlap\n"
                   "  vxanalyser lap export --best TRACK [--car CAR] [--driver NAME]\n"
                   "                    [--history FILE] --out FILE.vxlap\n"
                   "  vxanalyser lap import FILE.vxlap... [--history FILE]\n"
                   "  vxanalyser lap forget LAPKEY... [--history FILE]\n"},
};
const char* const kHelpUsage = "  vxanalyser [COMMAND] --help | --version\n";

const char* UsageOf(Command command)
{
    for (const auto& [of, lines] : kUsage)
        if (of == command)
            return lines;
    return "";
}

// --- The help -----------------------------------------------------------------------

const char* const kProgramHelp =
    "vxanalyser - analyser for the saved games of a car-racing game.\n"
    "\n"
    "Loads a saved game (*.gam), finds the track it was raced on (*.trk: beside\n"
    "the saved game, then in the \"Tracks\" folder beside \"Saves\"), and shows the\n"
    "track map with the car's replay cut into timed laps, a lap chart, a lap\n"
    "summary, the driver table and five gauges.\n"
    "\n";

const char* const kReportHelp =
    "  report   prints the analysis: the laps' precise times, sectors and top\n"
    "           speeds, the theoretical best and the ideal lap (the sum of the\n"
    "           best times through each corner), and a corner table of the\n"
    "           fastest lap against the reference lap (the reference lap\n"
    "           against the next fastest) with the three corners where it\n"
    "           lost most; --json: as one JSON object, with each corner's\n"
    "           gates and best time, each lap's entry, exit and slowest speed\n"
    "           in each corner, and each driver's race time, average speed\n"
    "           and computer strength as numbers; --csv: the lap table as\n"
    "           CSV, --csv --corners a row per lap and corner instead;\n"
    "           --json --against-pb also names the personal best of the race's\n"
    "           driver on the track from another race in the history, with\n"
    "           each lap's time against it; --json --against FILE.vxlap the\n"
    "           lap of a lap file (its driver, car, track and race), each lap's\n"
    "           time against it and its corners against each lap's\n";

const char* const kSamplesHelp =
    "  samples  prints every replay sample as CSV: time, map position, lap,\n"
    "           speed and whether the lap view counts it\n";

const char* const kRenderHelp =
    "  render   writes map.png, gauges.png, drivers.png, summary.png, chart.png\n"
    "           and window.png into DIR; --lap N selects lap N as the lap\n"
    "           buttons would; --jpeg FILE exports the map picture; --compare\n"
    "           also writes compare.png, the comparison window for that lap\n"
    "           (the fastest lap for lap 0), with --against-pb against the\n"
    "           driver's personal best of the track from another race in the\n"
    "           history, with --against FILE.vxlap against the lap of a lap file;\n"
    "           --history-window writes history.png, the race history window\n"
    "           as it opens on the track of GAME.gam\n";

const char* const kTrackHelp = "  --track  uses this track instead of looking for it\n";

const char* const kHistoryFileHelp =
    "  --history FILE  the race history to read (report, render) or to keep\n"
    "           (the window); report and render never write it\n";

const char* const kNoHistoryHelp =
    "  --no-history  the window records no race and keeps no setting: every\n"
    "           other window records each saved game that it loads\n";

const char* const kHistoryHelp =
    "  history  the race history: every race the program has recorded. Alone,\n"
    "           the tracks with their races and best lap, and each driver's\n"
    "           personal best (and per car): one player's races never count\n"
    "           toward another's; with TRACK (a name as listed, letter case\n"
    "           ignored, or a layout key prefix) its races in date order with\n"
    "           their best lap, clean mean and PB where a race lowered its own\n"
    "           driver's best, then its standings: every driver's best lap\n"
    "           (yours per car, each kept lap's driver), fastest first, with\n"
    "           the gap to the fastest; --json or --csv for a program\n"
    "           (--csv --standings: the standings instead of the races).\n"
    "           \"history add PATH...\" records the saved games in these files\n"
    "           and folders (folders with everything inside); a file seen\n"
    "           before, unchanged, is not read again; Ctrl+C stops after the\n"
    "           current file. \"history forget RACEKEY...\" removes races (a\n"
    "           key prefix of 8 or more digits). The history lives in\n"
    "           $XDG_DATA_HOME/vxanalyser/history.sqlite3 (on Windows in\n"
    "           %LOCALAPPDATA%\\vxanalyser\\); --history FILE uses another file.\n"
    "           report, render and samples never write it.\n";

const char* const kFollowHelp =
    "  follow   follows a folder of saved games while the game runs: each race\n"
    "           the game saves or rewrites there is loaded once the file has\n"
    "           stopped changing for a second, printed on one line (its date,\n"
    "           file, track, laps, best lap and the gap to its driver's best on\n"
    "           that track from another race; --json: one JSON object per line,\n"
    "           with the race key) and recorded in the history (--no-history:\n"
    "           not recorded; --history FILE as for history). Of several files\n"
    "           at once every one is loaded, oldest first; the saved games there\n"
    "           at the start are left as they are; the same bytes saved again\n"
    "           are no new race, and a race the history holds is said to be\n"
    "           known; a saved game that cannot be loaded is said and following\n"
    "           goes on. Runs until Ctrl+C or the end of its input (Ctrl+D; in\n"
    "           a script, keep its input open); a folder that cannot be read\n"
    "           ends it with status 3.\n";

const char* const kLapHelp =
    "  lap      lap files (*.vxlap): one lap as a player sends it to another.\n"
    "           \"lap export GAME.gam --out FILE.vxlap\" writes the reference lap\n"
    "           of the saved game (--lap N another lap) with its path, times and\n"
    "           speeds, the track, the race and the saved game's human driver\n"
    "           and car (--driver NAME names another driver), whole or not at\n"
    "           all. A lap of another track is refused by report, render and\n"
    "           the window (status 3), and so is a damaged lap file, with its\n"
    "           reason on one line.\n"
    "           \"lap import FILE.vxlap...\" keeps their laps in the race history\n"
    "           as laps of other drivers, each once (a lap is its race, its\n"
    "           number and its driver, whatever file it came in), and prints\n"
    "           each one's lap key; a file that is refused is named with the\n"
    "           reason, the others are kept, and the status is 3. \"lap forget\n"
    "           LAPKEY...\" removes kept laps (8 or more digits of the key).\n"
    "           \"lap export --best TRACK --out FILE.vxlap\" writes your personal\n"
    "           best on the track (--car CAR: in that car) from the history,\n"
    "           whole or not at all; --driver NAME names its driver instead of\n"
    "           the saved game's. --history FILE as for history.\n";

const char* const kCommandHelpHelp = "  COMMAND --help  prints that command's usage and options\n";

const char* const kWindowHelp =
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
    "compares against your best lap of the track (the saved game's driver's)\n"
    "from another race (named by date, file and lap; sectors and speeds stay\n"
    "this race's own) until a lap of this race is chosen again. \"Against a\n"
    "file...\", or a lap file dropped on it, compares against the lap of a\n"
    "lap file of the same track; \"Export lap...\" writes the compared lap as\n"
    "a lap file. A lap file given to the window (vxanalyser LAP.vxlap, or\n"
    "dropped on the main window) is kept, and compared against once a race\n"
    "of its track is shown; until then the log says which track to load.\n"
    "\"History\" opens the race history beside the window (and again where it\n"
    "was left): for one driver, in all their cars or one (\"<\" and \">\"), the\n"
    "tracks with their personal bests, a track's progress (each race's best\n"
    "lap a dot in its car's colour, named when pointed at, its row chosen\n"
    "when clicked) and its races (a click on a header sorts by it); a click\n"
    "on a race loads it, a right click or Shift+click and \"Use as\n"
    "reference\" compares against its best lap, \"Add folder...\" records a\n"
    "folder's saved games. A race loaded while another program holds the\n"
    "history is recorded as soon as it lets go.\n"
    "\"Follow folder\" follows the shown race's folder (with no race shown, it\n"
    "asks for one) as follow does: each race the game saves there is recorded\n"
    "once written whole and said in the log with its best lap against your\n"
    "best; of several at once the newest is shown. A race due during a load\n"
    "waits for it, and loading from another folder follows that one. The\n"
    "folder followed is kept and followed again at the next start.\n";

const char* const kExitHelp =
    "\n"
    "Exit status: 0 success, 1 an output could not be written, 2 wrong usage,\n"
    "3 an input file is missing, unreadable, too large or invalid (for history:\n"
    "a saved game was refused, or the history is unavailable; for lap: a lap\n"
    "file was refused, a key or track is not in the history), 130 history add\n"
    "stopped by Ctrl+C.\n";

}  // namespace

std::string UsageText()
{
    std::string text = "usage:\n";
    for (const auto& [command, lines] : kUsage)
        text += lines;
    return text + kHelpUsage;
}

std::string HelpText()
{
    std::string text;
    for (const char* part : {kProgramHelp, kReportHelp, kSamplesHelp, kRenderHelp, kTrackHelp, kHistoryFileHelp,
                             kNoHistoryHelp, kHistoryHelp, kFollowHelp, kLapHelp, kCommandHelpHelp, kWindowHelp, kExitHelp})
        text += part;
    return text + "\n" + UsageText();
}

std::string CommandHelp(Command command)
{
    // Its usage, a blank line, its part of the help and its options'.
    const auto help = [command](std::initializer_list<const char*> parts) {
        std::string text = std::string("usage:\n") + UsageOf(command) + "\n";
        for (const char* part : parts)
            text += part;
        return text;
    };
    switch (command) {
    case Command::Window: break;
    case Command::Report: return help({kReportHelp, kTrackHelp, kHistoryFileHelp});
    case Command::Samples: return help({kSamplesHelp, kTrackHelp});
    case Command::Render: return help({kRenderHelp, kTrackHelp, kHistoryFileHelp});
    case Command::History: return help({kHistoryHelp});
    case Command::Follow: return help({kFollowHelp});
    case Command::Lap: return help({kLapHelp, kTrackHelp});
    }
    return HelpText();
}

}  // namespace vx
