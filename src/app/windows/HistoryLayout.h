// The race history window's layout, in one place: where its controls and
// pictures stand in its client area, its texts, its font's face and its
// timer (numbered in state/Numbers.h). app/windows/HistoryWindow.cpp makes
// the controls from here; the drawing (history/view/HistoryView.h) draws
// into the pictures it is handed (kPictures).
#pragma once

#include "app/windows/CompareLayout.h"
#include "history/view/HistoryView.h"

namespace vx::history_window {

using compare_window::Place;

inline constexpr int Number = HistoryWindowNumber;
inline constexpr const char* Title = "Race history";
// Its size; where it opens is beside the main window (app/windows/Placement.h),
// then where it was left.
inline constexpr Place Client{60, 60, 1010, 720};

// The small text of every picture.
inline constexpr int Font = HistoryFont;
inline constexpr const char* FontFace = "Arial";
inline constexpr int FontPoints = 9;

// The timer that records an added folder one saved game at a time.
inline constexpr int AddTimer = HistoryAddTimer;

struct PictureBox {
    int Control = 0;
    Place At;
    int Image = 0;
};
inline constexpr PictureBox TrackList{HistoryTracksBox, {5, 5, 300, 228}, HistoryTracksImage};
inline constexpr PictureBox ProgressChart{HistoryChartBox, {330, 5, 675, 228}, HistoryChartImage};
// The chosen track's standings, shown in the chart's box while "Standings"
// is ticked.
inline constexpr PictureBox StandingsTable{HistoryChartBox, {330, 5, 675, 228}, HistoryStandingsImage};
inline constexpr PictureBox RaceTable{HistoryRacesBox, {5, 266, 982, 392}, HistoryRacesImage};

struct Control {
    int Number = 0;
    Place At;
    const char* Text = "";
};
inline constexpr Control TrackScroll{HistoryTrackScroll, {305, 5, 18, 228}};
inline constexpr Control RaceScroll{HistoryRaceScroll, {987, 266, 18, 392}};
// Whose races the chart and the table show: one driver, and all their cars
// or one.
inline constexpr Control DriverCaption{HistoryDriverCaption, {5, 240, 44, 20}, "Driver:"};
inline constexpr Control PrevDriver{HistoryPrevDriver, {50, 237, 24, 24}, "<"};
inline constexpr Control DriverLabel{HistoryDriverLabel, {80, 240, 220, 20}};
inline constexpr Control NextDriver{HistoryNextDriver, {302, 237, 24, 24}, ">"};
inline constexpr Control CarCaption{HistoryCarCaption, {345, 240, 30, 20}, "Car:"};
inline constexpr Control PrevCar{HistoryPrevCar, {378, 237, 24, 24}, "<"};
inline constexpr Control CarLabel{HistoryCarLabel, {408, 240, 220, 20}};
inline constexpr Control NextCar{HistoryNextCar, {630, 237, 24, 24}, ">"};
inline constexpr Control Standings{HistoryStandings, {665, 237, 100, 24}, "Standings"};
inline constexpr Control AddFolder{HistoryAddFolder, {5, 664, 100, 24}, "Add folder..."};
inline constexpr Control CancelAdd{HistoryCancelAdd, {110, 664, 60, 24}, "Cancel"};
inline constexpr Control AddProgress{HistoryAddProgress, {178, 668, 560, 20}};
inline constexpr Control ExportLap{HistoryExportLap, {760, 664, 105, 24}, "Export lap..."};
inline constexpr Control UseAsReference{HistoryUseAsReference, {870, 664, 135, 24}, "Use as reference"};
inline constexpr Control Hint{HistoryHint, {5, 696, 1000, 20},
                              "Click a race to load it, a header to sort by it; right-click a race, click its dot "
                              "or a standings row to choose it for \"Use as reference\" or \"Export lap...\"."};

inline constexpr PictureSlot SlotOf(const PictureBox& box)
{
    return {box.Image, box.At.w, box.At.h};
}
inline constexpr HistoryPictures kPictures{
    .Font = Font,
    .Tracks = SlotOf(TrackList),
    .Chart = SlotOf(ProgressChart),
    .Races = SlotOf(RaceTable),
    .Standings = SlotOf(StandingsTable),
};

}  // namespace vx::history_window
