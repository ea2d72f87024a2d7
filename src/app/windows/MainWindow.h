// The main window, its controls and the event loop (the lap navigation:
// laps/LapNavigation.h).
#pragma once

#include "app/windows/CompareWindow.h"
#include "app/windows/HistoryWindow.h"
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

    // Compares the race shown against the lap file at path, as dropping it
    // on a window does: in the comparison window (opened when closed), and
    // keeps it; otherwise says why not (the reader's refusal, the track it
    // was driven on and which race to load), in front of the comparison
    // when it is open. True when it compares against it.
    bool OpenLapFile(const std::string& path);

    AppState& State() { return state_; }
    Toolkit& Tk() { return toolkit_; }
    CompareWindow& Compare() { return compare_; }
    HistoryWindow& History() { return history_; }
    WindowHistory& RaceHistory() { return raceHistory_; }
    WindowFollowing& Following() { return following_; }

private:
    int LapPageStep() const;  // a fifth of the laps, as the slider pages
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
    std::string chartTip_;  // the lap chart's tip as last set
};

}  // namespace vx
