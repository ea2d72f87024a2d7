// The comparison window: the lap shown in the main window (the fastest lap
// for the whole race) against another lap of the race (the reference lap
// unless the user picks another) or, with a race history, the best lap of
// another race on the same layout ("PB", or "Use as reference" in the
// history window), or the lap of a lap file ("Against a file...", or a lap
// file dropped on either window), opened by "Compare" and closed on its own.
// It follows the main window's lap and every load. "Export lap..." writes
// the compared lap as a lap file.
//
// Beside the laps, the race's corners: their numbers on the map, a table of
// what the lap lost in each against the lap compared against, a chart of
// those losses and the corners where most time went in words. Pointing at
// a corner (its row, its bar, its number on the map) marks its stretch of
// the lap on the map and on the charts.
//
// Its numbers and layout: app/windows/CompareLayout.h. Its figures and pictures:
// laps/CompareFigures.h, laps/CornerPanel.h, laps/CompareView.h and
// laps/CornerView.h. What it keeps itself: the race's analysis, the lap
// compared against, the lap it shows, the cursor, the corner pointed at and
// the corner table's first row; whether it is open and which lap row is on
// top are its window's and its scroll bar's own. Closing it keeps, for this run, where the user put it
// and the lap chosen to compare against for the race (until another race is
// loaded).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <string>
#include <vector>

#include "app/windows/CompareChoice.h"
#include "app/windows/Placement.h"
#include "history/HistoryStore.h"
#include "laps/CompareFigures.h"
#include "laps/CornerPanel.h"
#include "state/AppState.h"

namespace vx {

class CompareWindow final : public SideWindow {
public:
    // The race history the best laps of other races come from (owned by the
    // history window, alive as long as this window); none without one.
    void UseHistory(HistoryStore* history) { history_ = history; }

    // Opens the window over the committed analysis (or redraws it when
    // open): where it was last closed, or at first beside the main window.
    void Open(const AppState& state, Toolkit& toolkit);
    void Close(Toolkit& toolkit);
    bool IsOpen(const Toolkit& toolkit) const;

    // The window's events (its controls, its keys, its pictures under the
    // pointer, its close box); false for an event that is not its own. A
    // click on a lap's row selects that lap in the main window; a right click
    // or a Shift+click compares against it. Up and Down step the compared lap
    // through the table's rows, Return compares against it, Esc and
    // Ctrl+W close the window; Ctrl+O and Ctrl+S load and save as the main
    // window's keys do, asking in front of this window.
    bool HandleEvent(AppState& state, Toolkit& toolkit, int event);

    // Puts the cursor at lap fraction f (none: takes it away), as the
    // pointer over a chart does, and redraws what it changes.
    void PointAt(Toolkit& toolkit, std::optional<double> f);
    // Marks corner (from 1; 0: none), as the pointer over its row, its bar or
    // its number on the map does, and redraws what it changes.
    void PointAtCorner(const AppState& state, Toolkit& toolkit, std::int32_t corner);

    // Draws every picture again and shows them.
    void Redraw(const AppState& state, Toolkit& toolkit);

    // The lap compared against becomes the best lap of race, a race of
    // layout in the history (the window opens when closed): "" when it did,
    // else why not, as the user is told it.
    std::string CompareAgainstRace(const AppState& state, Toolkit& toolkit, const RaceKey& race,
                                   const LayoutKey& layout);
    // The same for the personal best of the shown race's layout from
    // another race ("PB"); why not when the history holds none.
    std::string CompareAgainstPersonalBest(const AppState& state, Toolkit& toolkit);
    // The history gained races: whether "PB" can be chosen again.
    void HistoryChanged(Toolkit& toolkit);

    // The lap compared against becomes the lap of the lap file at path,
    // named shownName in what is said (the window opens when closed): "" when
    // it did, else why not, in one line. A file refused, or of another
    // track, changes nothing.
    std::string CompareAgainstLapFile(const AppState& state, Toolkit& toolkit, const std::string& path,
                                      const std::string& shownName);
    // The same for a lap file's lap already read and checked.
    std::string CompareAgainstLap(const AppState& state, Toolkit& toolkit, LapFile lap,
                                  const std::string& shownName);
    // "Compared against Ada Morrow's lap 5 (2027-05-06) from lap.vxlap", in
    // the log, once the lap file's lap is the one compared against.
    void SayComparedAgainst(AppState& state, Toolkit& toolkit, const std::string& shownName) const;
    // What the user's own choice of a lap file does (dropped on a window,
    // opened from the desktop, chosen with "Against a file..."): compares
    // the shown race against it and keeps it (KeepLapFilesWith), or says in
    // front of window why not: the reader's refusal, or which track to load.
    // True when it compares against it.
    bool OpenLapFile(AppState& state, Toolkit& toolkit, const std::string& path, int window);
    // What keeps a lap file's lap the user compared against (in the race
    // history, as a lap of another driver); nothing keeps it while unset.
    void KeepLapFilesWith(std::function<void(const LapFile&)> keep) { keepLapFile_ = std::move(keep); }
    // "Export lap...": asks for a file name (proposing "TRACK DRIVER
    // TIME.vxlap") and writes the compared lap there, whole or not at all.
    // True when written.
    bool ExportComparedLap(AppState& state, Toolkit& toolkit);

    void LapShown(const AppState& state, Toolkit& toolkit) override;
    void AnalysisCommitted(AppState& state, Toolkit& toolkit) override;

    // The race's analysis; none without laps or while closed. The lap
    // compared against never changes it.
    const std::optional<LapAnalysis>& Analysis() const { return analysis_; }
    // The lap compared; 0 when there is none.
    std::int32_t Lap() const { return figures_ ? figures_->Lap.Lap : 0; }
    // The lap of this race it is compared against; 0 when there is none (or
    // it is compared against another race's lap).
    std::int32_t Against() const { return figures_ && !choice_.AgainstOtherLap() ? figures_->Against.Lap : 0; }
    // The race of the lap compared against when it is another race's.
    const std::optional<BestLapOfRace>& AgainstOtherRace() const { return choice_.OtherRace(); }
    // The lap file of the lap compared against when it is a lap file's.
    const std::optional<LapFile>& AgainstLapFile() const { return choice_.FileLap(); }
    // What the window says of that race: "PB: 2026-12-01 cup.gam, lap 7",
    // or of a lap file's lap: "Ada Morrow's lap 5 (2027-05-06)".
    std::string OtherRaceText() const { return choice_.OtherRaceText(); }
    // The lap fraction under the pointer.
    std::optional<double> Cursor() const { return cursor_; }
    // The first lap row shown, from 0: the scroll bar's position.
    std::int32_t TableTop(const Toolkit& toolkit) const;
    // The lap of the table's row at y in its picture; 0 for none.
    std::int32_t LapAtTableY(const Toolkit& toolkit, int y) const;
    // The compared lap against the lap compared against in the race's
    // corners, as the corner table and the loss chart show it.
    const CornerComparison& Corners() const { return corners_; }
    // The corner pointed at; 0 for none.
    std::int32_t PointedCorner() const { return pointedCorner_; }
    // The words on the corners where most time went, a line each.
    const std::vector<std::string>& TimeLostWords() const { return words_; }
    // The first corner row shown, from 0.
    std::int32_t CornerTableTop() const { return cornerTop_; }

private:
    void PlaceWindow(Toolkit& toolkit) const;
    void KeepChoiceFor(const AppState& state);
    void Analyse(const AppState& state);
    std::int32_t LastTableTop() const;
    void ShowPlaceholders(Toolkit& toolkit) const;
    void ShowChoices(Toolkit& toolkit) const;
    void ShowTable(const AppState& state, Toolkit& toolkit, std::int32_t top) const;
    void ScrollTable(const AppState& state, Toolkit& toolkit, std::int64_t top);
    void StepAgainst(const AppState& state, Toolkit& toolkit, std::int32_t step);
    void PickAgainst(const AppState& state, Toolkit& toolkit, std::int32_t lap);
    // Opens the window for a lap from elsewhere: "" when it is open with
    // laps to compare, otherwise why not.
    std::string OpenToCompare(const AppState& state, Toolkit& toolkit);
    std::string PickOtherRace(const AppState& state, Toolkit& toolkit, const RaceKey& race);
    void FindPersonalBest(const AppState& state);
    void StepRow(AppState& state, Toolkit& toolkit, std::int32_t step);
    void PointerOverChart(Toolkit& toolkit, int chart);
    void PointerOverTable(AppState& state, Toolkit& toolkit);
    void PointerOverCorners(const AppState& state, Toolkit& toolkit, int box);
    void DrawBases(const AppState& state, Toolkit& toolkit) const;
    void ShowCorners(Toolkit& toolkit) const;
    std::int32_t CornerCount() const { return static_cast<std::int32_t>(corners_.Deltas.size()); }
    void ScrollCorners(std::int64_t top);

    CompareChoice choice_;  // what the lap is compared against
    HistoryStore* history_ = nullptr;
    std::function<void(const LapFile&)> keepLapFile_;
    // The personal best of the layout from another race, as last read.
    std::optional<BestLapOfRace> personalBest_;
    std::optional<ScreenPlace> place_;  // the frame's corner when last closed
    std::optional<LapAnalysis> analysis_;
    LapTableBests bests_;
    // What the pictures show; written by Redraw alone.
    std::optional<CompareFigures> figures_;
    CornerComparison corners_;
    std::vector<std::optional<CornerStretch>> stretches_;  // of the compared lap, corner i at i - 1
    std::vector<std::string> words_;
    CompareMapLabels labels_;
    std::optional<double> cursor_;
    std::int32_t pointedCorner_ = 0;
    std::int32_t cornerTop_ = 0;
};

}  // namespace vx
