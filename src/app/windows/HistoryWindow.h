// The race history in the window: every load that commits recorded, and
// "Race history", a window beside the main one opened by "History": the
// tracks with their personal bests, the chosen track's progress chart and
// races table; a click on a race loads it in the main window; "Add folder..."
// records a folder in steps while the windows keep answering; "Use as
// reference" makes a race's best lap the comparison's reference.
//
// Its numbers and layout: app/windows/HistoryLayout.h. Its pictures:
// history/view/HistoryView.h. What it keeps itself: the history, the figures
// read from it for the track chosen, the race chosen, the folder being
// added; which table rows are on top are its scroll bars' own.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryAdd.h"
#include "history/HistoryStore.h"
#include "history/view/HistoryView.h"
#include "state/AppState.h"

namespace vx {

class CompareWindow;

// Where the window's history is and what it may do with it.
struct HistoryOptions {
    std::string Path;     // the history's file; "" for none at all
    bool Record = false;  // every committed load recorded, the settings kept
};

class HistoryWindow final : public SideWindow {
public:
    explicit HistoryWindow(CompareWindow& compare) : compare_(compare) {}

    // Opens the history as the program starts (the main window open): a
    // history that cannot be opened is said once in the log and in the
    // History button's tooltip. The "Open Game" requester starts in the
    // folder it last used.
    void Start(AppState& state, Toolkit& toolkit, const HistoryOptions& options);
    HistoryStore* Store() { return store_.get(); }
    // Why there is no history ("" when there is one).
    const std::string& Unavailable() const { return unavailable_; }

    // "History": opens the window on the shown race's track (or brings it up
    // to date when open); without a history, says why.
    void Open(AppState& state, Toolkit& toolkit);
    void Close(Toolkit& toolkit);
    bool IsOpen(const Toolkit& toolkit) const;

    // The window's events (its controls, its tables under the pointer, the
    // recording timer, its close box); false for an event not its own.
    bool HandleEvent(AppState& state, Toolkit& toolkit, int event);

    void LapShown(const AppState&, Toolkit&) override {}
    // Records the committed race, keeps the folder "Open Game" used, and
    // shows the race in the window when open.
    void AnalysisCommitted(AppState& state, Toolkit& toolkit) override;

    // What the window shows.
    const std::vector<TrackSummary>& Tracks() const { return tracks_; }
    std::int32_t ChosenTrack() const { return chosenTrack_; }
    const std::vector<ProgressRow>& Races() const { return rows_; }
    const std::optional<RaceKey>& ChosenRace() const { return chosenRace_; }
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
    void StartAdding(AppState& state, Toolkit& toolkit);
    void StepAdding(AppState& state, Toolkit& toolkit);
    void StopAdding(AppState& state, Toolkit& toolkit, bool cancelled);
    void PointerOverTracks(const AppState& state, Toolkit& toolkit);
    void PointerOverRaces(AppState& state, Toolkit& toolkit);
    void SaveGameFolder(const AppState& state);

    CompareWindow& compare_;
    std::unique_ptr<HistoryStore> store_;
    std::string unavailable_;
    bool record_ = false;
    std::string savedGameFolder_;  // the "Open Game" folder as the settings hold it

    // Read from the history for the window; written by Refresh alone.
    std::vector<TrackSummary> tracks_;
    std::int32_t chosenTrack_ = -1;  // into tracks_; -1 for none
    std::vector<ProgressRow> rows_;
    ProgressChartFigures figures_;
    // The state of the files of the races shown so far, looked at once per
    // refresh: a table of thousands of races looks at the rows it shows.
    std::map<RaceKey, RaceFile> files_;
    std::size_t damagedSaid_ = 0;  // of the store's damaged rows
    std::optional<RaceKey> chosenRace_;
    RaceMarks drawnMarks_;  // the marks as the races table shows them

    std::unique_ptr<HistoryAdd> add_;  // the folder being added
    std::string addFolder_;
};

}  // namespace vx
