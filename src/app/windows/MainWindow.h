// The main window, its controls and the event loop (the lap navigation:
// laps/LapNavigation.h).
#pragma once

#include "app/windows/CompareWindow.h"
#include "app/windows/HistoryWindow.h"
#include "app/windows/LapFileOpening.h"
#include "app/windows/WindowFollowing.h"
#include "app/windows/WindowHistory.h"
#include "state/AppState.h"

namespace vx {

// Makes PlaceholderImage from the embedded bitmap.
void MakePlaceholderImage(Toolkit& toolkit);

// Opens MainWindow and creates its controls in their order.
void OpenMainWindow(AppState& state, Toolkit& toolkit);

// The program: start-up, then one event at a time until the window closes.
class Application {
public:
    explicit Application(Toolkit& toolkit) : toolkit_(toolkit) {}
    Application(const Application&) = delete;  // the state points at its windows
    Application& operator=(const Application&) = delete;

    // Fills the state, loads the fonts, makes the placeholder, opens the
    // window and the history (none unless named), and follows the shown
    // race's folder when the history says so; the comparison window is
    // made by "Compare", the history window by "History".
    void StartUp(const HistoryOptions& history = {});
    // Runs the event loop until the close request; shuts the toolkit down and
    // returns the exit status 0.
    int Run();
    // Dispatches one event; false when the loop ends with it.
    bool HandleEvent(int event);
    // Handles what is pending without waiting (for tests and headless use);
    // false once the close request was handled.
    bool ProcessPendingEvents();

    // A file given to the window from outside: on the command line, passed
    // by a later start of the program, or dropped on the main window. A lap
    // file (IsLapFileAt) is opened as OpenLapFile opens it; any other file
    // loads as a saved game, whatever its name.
    void OpenGivenFile(const std::string& path);
    // The lap file at path: read and checked, kept in the history, and
    // compared against when a race of its track is shown; otherwise the log
    // says which track to load, and the next race of it loaded is compared
    // against it (app/windows/LapFileOpening.h).
    void OpenLapFile(const std::string& path);

    AppState& State() { return state_; }
    Toolkit& Tk() { return toolkit_; }
    CompareWindow& Compare() { return compare_; }
    HistoryWindow& History() { return history_; }
    WindowHistory& RaceHistory() { return raceHistory_; }
    WindowFollowing& Following() { return following_; }
    LapFileOpening& LapFiles() { return lapFiles_; }

private:
    int LapPageStep() const;
    // Keeps a lap file's lap in the race history as a lap of its driver
    // (once), when the history may be written; a failure is logged.
    void KeepLap(const LapFile& lap);
    // The comparison compares the race shown against the lap (it opens when
    // closed), or says why not in front of it, or of the main window.
    void CompareAgainstLap(AppState& state, Toolkit& toolkit, const LapFile& lap, const std::string& name);  // a fifth of the laps, as the slider pages
    // The pointer over the lap chart: the lap under it named in the tip, a
    // press selecting it.
    void PointerOverLapChart();
    Toolkit& toolkit_;
    AppState state_;
    CompareWindow compare_;
    // The history: the application's, recording every committed load; the
    // history window and the comparison read it.
    WindowHistory raceHistory_{compare_};
    HistoryWindow history_{compare_, raceHistory_};
    WindowFollowing following_{history_};
    // Lap files given from outside: kept, and compared against in the
    // comparison once a race of their track is shown.
    LapFileOpening lapFiles_{[this](AppState&, Toolkit&, const LapFile& lap, const std::string&) { KeepLap(lap); },
                             [this](AppState& state, Toolkit& toolkit, const LapFile& lap, const std::string& name) {
                                 CompareAgainstLap(state, toolkit, lap, name);
                             }};
    std::string chartTip_;  // the lap chart's tip as last set
};

}  // namespace vx
