// "vxanalyser render GAME.gam --out DIR": the window's own procedures run
// headless, the same start-up, the same load and the same drawings, so that
// the pictures written are what the window shows.
#include <memory>

#include "app/commands/Commands.h"
#include "app/windows/CompareLayout.h"
#include "app/windows/HistoryLayout.h"
#include "app/windows/LapFiles.h"
#include "app/windows/MainWindow.h"
#include "laps/LapNavigation.h"
#include "load/Export.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

struct RenderWords {
    std::string game;
    std::string track;
    std::string out;
    std::string jpeg;
    std::optional<std::int64_t> lap;
    std::string history;  // the history read; the user's own when empty
    std::string against;  // a lap file the comparison compares against
    bool compare = false;
    bool historyWindow = false;
    bool againstPb = false;
};

// Answers the save requester with one prepared name; asks nothing else.
class PreparedRequester : public Requester {
public:
    explicit PreparedRequester(std::string saveAs) : saveAs_(std::move(saveAs)) {}
    std::string AskOpenFile(int, const std::string&, const std::string&, const std::string&, int) override
    {
        return {};
    }
    std::string AskSaveFile(int, const std::string&, const std::string&, const std::string&, int) override
    {
        return saveAs_;
    }

private:
    std::string saveAs_;
};

ExitStatus Render(const RenderWords& render)
{
    Toolkit toolkit;
    if (!toolkit.StartWindowSystem(true)) {
        Say("cannot start the drawing system");
        return ExitStatus::OutputFailed;
    }
    toolkit.SetRequester(std::make_unique<PreparedRequester>(render.jpeg));
    Application app(toolkit);
    // The history is read, never written.
    const bool history = render.historyWindow || render.againstPb;
    app.StartUp(history ? HistoryOptions{HistoryPathOf(render.history), false} : HistoryOptions{});
    AppState& state = app.State();
    if (!LoadGameFrom(state, toolkit, render.game, render.track, NoWindow, Naming::AsGiven))
        return Refused(state.Log.NewestWhole());
    // A lap file refused, or of another track, before any picture is written.
    if (!render.against.empty()) {
        const Parsed<LapFile> read = ReadLapFileAt(toolkit, render.against, render.against);
        if (!read.ok())
            return Refused(read.error);
        if (const auto other = OtherTrackReason(*read.value, render.against, state))
            return Refused(*other);
    }
    if (render.lap) {
        // Step as ">" would, and stop at the last lap: a number beyond it
        // shows the last lap instead of stepping on in vain.
        for (std::int64_t step = 0; step < *render.lap && state.CurrentLap < LapLimit(state); ++step)
            NextLapStep(state, toolkit);
    }
    // One word for a folder that cannot take the pictures, not one for each.
    if (!toolkit.MakeFolders(render.out) || toolkit.KindOf(render.out) != PathKind::Folder) {
        const bool taken = toolkit.KindOf(render.out) != PathKind::None;
        Say("cannot write into " + render.out + " (" +
            (taken ? std::string("it is not a folder") : toolkit.LastError()) + ")");
        return ExitStatus::OutputFailed;
    }
    const std::string dir = render.out + (render.out.back() == '/' ? "" : "/");
    const auto notWritten = [&](const char* name, const std::string& why) {
        Say(dir + name + " not written (" + why + ")");
    };
    // The first picture that cannot be written ends the run: the others
    // would fail alike.
    const auto written = [&](int saved, const char* name) {
        if (saved == 0)
            notWritten(name, toolkit.LastError());
        return saved != 0;
    };
    const std::pair<int, const char*> boxes[] = {{MapBox, "map.png"},
                                                 {GaugeBox, "gauges.png"},
                                                 {DriverTableBox, "drivers.png"},
                                                 {LapSummaryBox, "summary.png"},
                                                 {LapChartBox, "chart.png"}};
    for (const auto& [box, name] : boxes)
        if (!written(toolkit.SaveShownPicturePng(box, dir + name), name))
            return ExitStatus::OutputFailed;
    if (!written(toolkit.SaveWindowPng(MainWindow, dir + "window.png"), "window.png"))
        return ExitStatus::OutputFailed;
    ExitStatus status = ExitStatus::Ok;
    if (render.compare) {
        // The comparison of the lap chosen, as "Compare" opens it.
        app.Compare().Open(state, toolkit);
        // Against the personal best from another race, as "PB" compares.
        std::string notAgainst;
        if (render.againstPb && state.Laps.LapCount > 0)
            notAgainst = app.RaceHistory().Store() ? app.Compare().CompareAgainstPersonalBest(state, toolkit)
                                               : "History unavailable: " + app.RaceHistory().Unavailable();
        // Against a lap file's lap, as dropping it on the window compares.
        if (!render.against.empty() && state.Laps.LapCount > 0)
            notAgainst = app.Compare().CompareAgainstLapFile(state, toolkit, render.against, render.against);
        if (state.Laps.LapCount == 0) {
            notWritten("compare.png", "the race has no lap to compare");
            status = ExitStatus::OutputFailed;
        } else if (!notAgainst.empty()) {
            notWritten("compare.png", notAgainst);
            status = ExitStatus::InputRefused;
        } else if (!written(toolkit.SaveWindowPng(compare_window::Number, dir + "compare.png"), "compare.png")) {
            return ExitStatus::OutputFailed;
        }
    }
    if (render.historyWindow) {
        // The history window as "History" opens it over this race.
        if (!app.RaceHistory().Store()) {
            notWritten("history.png", "History unavailable: " + app.RaceHistory().Unavailable());
            status = ExitStatus::InputRefused;
        } else {
            app.History().Open(state, toolkit);
            if (!written(toolkit.SaveWindowPng(history_window::Number, dir + "history.png"), "history.png"))
                status = ExitStatus::OutputFailed;
        }
    }
    if (!render.jpeg.empty() && !SavePicture(state, toolkit, NoWindow)) {
        Say(state.Log.NewestWhole());
        status = ExitStatus::OutputFailed;
    }
    return status;
}

}  // namespace

ExitStatus RunRenderCommand(const std::vector<std::string>& args)
{
    RenderWords render;
    std::string lap;
    std::vector<std::string> operands;
    if (const auto ended = ReadCommandWords(args, Command::Render,
                                            {{"--track", render.track}, {"--out", render.out}, {"--jpeg", render.jpeg},
                                             {"--lap", lap}, {"--history", render.history},
                                             {"--against", render.against}},
                                            {{"--compare", render.compare}, {"--history-window", render.historyWindow},
                                             {"--against-pb", render.againstPb}},
                                            operands))
        return *ended;
    if (!lap.empty()) {
        const std::int64_t number = TextToInt(lap);
        if (IntToText(number) != TrimBlanks(lap) || number < 0)
            return WrongUsage("--lap needs a lap number (0 or more)");
        render.lap = number;
    }
    if (const auto ended = OneSavedGame(operands, render.game))
        return *ended;
    if (render.out.empty())
        return WrongUsage("render needs --out DIR");
    if (render.againstPb && !render.compare)
        return WrongUsage("--against-pb goes with --compare");
    if (!render.against.empty() && !render.compare)
        return WrongUsage("--against goes with --compare");
    if (!render.against.empty() && render.againstPb)
        return WrongUsage("--against and --against-pb do not go together");
    return Render(render);
}

}  // namespace vx
