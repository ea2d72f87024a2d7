// "Race history", a window beside the main one opened by "History": the
// tracks with the personal bests of the driver chosen, the chosen track's
// progress chart (each race's best lap a dot coloured by its car, pointed
// at to name the race, clicked to choose its row) and races table (sorted
// by the column whose header was clicked) of that driver, in all their
// cars or one; a click on a race loads it in the main window; "Add
// folder..." records a folder in steps while the windows keep answering.
// "Standings" shows in the chart's place the track's standings: every
// driver's best lap there, yours and the kept laps of other drivers (a row
// pointed at is named, clicked is chosen). "Use as reference" makes the
// chosen race's best lap, or the chosen kept lap, the comparison's
// reference; "Export lap..." writes it as a lap file.
//
// The history itself is the application's (app/windows/WindowHistory.h),
// which records every committed load. Its numbers and layout:
// app/windows/HistoryLayout.h. Its pictures: history/view/HistoryView.h.
// What it keeps itself: the figures read from the history for the track,
// driver and car chosen, the track's standings and their first row shown,
// the race or kept lap chosen, the folder being added, where it was left;
// which table rows are on top are its scroll bars' own.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/windows/Placement.h"
#include "app/windows/WindowHistory.h"
#include "history/HistoryAdd.h"
#include "history/HistoryStore.h"
#include "history/view/HistoryView.h"
#include "state/AppState.h"

namespace vx {

class CompareWindow;

class HistoryWindow final : public SideWindow {
public:
    HistoryWindow(CompareWindow& compare, WindowHistory& history) : compare_(compare), history_(history) {}

    // The application's history (none without one), as the window reads it.
    HistoryStore* Store() { return history_.Store(); }

    // "History": opens the window on the shown race's track (or brings it up
    // to date when open); without a history, says why.
    void Open(AppState& state, Toolkit& toolkit);
    void Close(Toolkit& toolkit);
    bool IsOpen(const Toolkit& toolkit) const;

    // The window's events (its controls, its tables under the pointer, the
    // recording timer, its close box); false for an event not its own.
    bool HandleEvent(AppState& state, Toolkit& toolkit, int event);

    void LapShown(const AppState&, Toolkit&) override {}
    // Shows the committed race (recorded by the application before) in the
    // window when open.
    void AnalysisCommitted(AppState& state, Toolkit& toolkit) override;
    // A race recorded later (it waited for another program's lock): read
    // again when open.
    void RaceRecorded(AppState& state, Toolkit& toolkit);

    // What the window shows.
    const std::vector<TrackSummary>& Tracks() const { return tracks_; }
    std::int32_t ChosenTrack() const { return chosenTrack_; }
    // The races of the driver (and car) chosen on the chosen track, in the
    // table's order.
    const std::vector<ProgressRow>& Races() const { return rows_; }
    // Every driver of the history, by name; the one chosen ("" for races
    // without a human driver; none without races); the car (none: all).
    const std::vector<std::string>& Drivers() const { return drivers_; }
    const std::optional<std::string>& ChosenDriver() const { return driver_; }
    const std::optional<std::string>& ChosenCar() const { return car_; }
    const RaceSort& Sort() const { return sort_; }
    // The race of the progress chart's dot at (x, y) in its picture.
    std::optional<std::size_t> RaceAtChartPoint(int x, int y) const;
    // The race chosen (in the table, the chart or the standings), or the
    // kept lap of another driver chosen in the standings: one at most.
    const std::optional<RaceKey>& ChosenRace() const { return chosenRace_; }
    const std::optional<LapKey>& ChosenLap() const { return chosenLap_; }
    // The chosen track's standings, fastest first; whether they are shown
    // instead of the progress chart ("Standings" ticked).
    const std::vector<StandingRow>& Standings() const { return standings_; }
    bool StandingsShown(const Toolkit& toolkit) const;
    // The standings row at y in their picture; none for no row.
    std::optional<std::size_t> StandingAtY(int y) const;
    std::int32_t RaceTop(const Toolkit& toolkit) const;
    // The race of the table's row at y in its picture; none for no race.
    std::optional<std::size_t> RaceAtTableY(const Toolkit& toolkit, int y) const;
    bool Adding() const { return add_ != nullptr; }
    // A click on the race at index of Races(): loads it in the main window
    // when its file still holds it; otherwise says why.
    void ClickRace(AppState& state, Toolkit& toolkit, std::size_t index);

private:
    void Refresh(AppState& state, Toolkit& toolkit, bool toShownRace);
    void Redraw(const AppState& state, Toolkit& toolkit);
    void ShowTracks(Toolkit& toolkit);
    std::vector<RaceFile> ShownFiles(std::int32_t top);
    RaceMarks MarksOf(const AppState& state) const;
    void ShowRaces(const AppState& state, Toolkit& toolkit);
    void ShowMarks(const AppState& state, Toolkit& toolkit);
    void ShowButtons(const AppState& state, Toolkit& toolkit);
    void ChooseTrack(const AppState& state, Toolkit& toolkit, std::int64_t index);
    void ScrollTracks(Toolkit& toolkit, std::int64_t top);
    void ScrollRaces(const AppState& state, Toolkit& toolkit, std::int64_t top);
    void UseChosenAsReference(AppState& state, Toolkit& toolkit);
    void UseChosenLapAsReference(AppState& state, Toolkit& toolkit);
    void ExportChosen(AppState& state, Toolkit& toolkit);
    void ShowChart(const AppState& state, Toolkit& toolkit);
    void ScrollStandings(const AppState& state, Toolkit& toolkit, std::int64_t top);
    void PointerOverStandings(const AppState& state, Toolkit& toolkit);
    void ReadStandings();
    // The name of the chosen race in what is said: its saved game.
    std::string ChosenRaceName() const;
    void StartAdding(AppState& state, Toolkit& toolkit);
    void StepAdding(AppState& state, Toolkit& toolkit);
    void StopAdding(AppState& state, Toolkit& toolkit, bool cancelled);
    void PointerOverTracks(const AppState& state, Toolkit& toolkit);
    void PointerOverRaces(AppState& state, Toolkit& toolkit);
    void PointerOverChart(const AppState& state, Toolkit& toolkit);
    void PlaceWindow(Toolkit& toolkit) const;
    // The drivers of tracks_; the driver chosen kept when there, else the
    // shown race's (toShownRace), else the one of most races.
    void ChooseDriverAmong(const AppState& state, bool toShownRace);
    // The races of the track, driver and car chosen read again, sorted.
    void ReadRaces();
    void StepDriver(const AppState& state, Toolkit& toolkit, int step);
    void StepCar(const AppState& state, Toolkit& toolkit, int step);
    void SortBy(const AppState& state, Toolkit& toolkit, RaceColumn column);
    void ScrollRacesToNewest(Toolkit& toolkit);
    void ShowChoosers(Toolkit& toolkit);
    std::vector<std::string> CarsOfChoice() const;
    std::string ChartTitle() const;

    CompareWindow& compare_;
    WindowHistory& history_;
    std::optional<ScreenPlace> place_;  // the frame's corner when last closed

    // Read from the history for the window; written by Refresh alone.
    std::vector<TrackSummary> tracks_;
    std::int32_t chosenTrack_ = -1;  // into tracks_; -1 for none
    std::vector<std::string> drivers_;
    std::optional<std::string> driver_;
    std::optional<std::string> car_;
    RaceSort sort_;
    std::vector<ProgressRow> chartRows_;  // in date order, as the chart draws them
    std::vector<ProgressRow> rows_;       // in the table's order
    ProgressChartFigures figures_;
    std::string chartTip_;  // the chart's tip as last set
    // The state of the files of the races shown so far, looked at once per
    // refresh: a table of thousands of races looks at the rows it shows.
    std::map<RaceKey, RaceFile> files_;
    std::size_t damagedSaid_ = 0;  // of the store's damaged rows
    std::optional<RaceKey> chosenRace_;
    std::optional<LapKey> chosenLap_;
    std::vector<StandingRow> standings_;  // of the chosen track
    std::int32_t standingsTop_ = 0;       // the first standings row shown
    RaceMarks drawnMarks_;  // the marks as the races table shows them

    std::unique_ptr<HistoryAdd> add_;  // the folder being added
    std::string addFolder_;
};

}  // namespace vx
