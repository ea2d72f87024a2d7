// The race history window's numbers and layout, in one place: its window,
// the images it draws into, the controls that show them, its font, its
// timer, and where each stands in its client area. app/HistoryWindow.cpp
// makes the controls from here; the drawing (history/HistoryView.h) draws
// into the pictures it is handed (kPictures).
#pragma once

#include "app/CompareLayout.h"
#include "history/HistoryView.h"

namespace vx::history_window {

using compare_window::Place;

inline constexpr int Number = 2;  // beside the main window's 0 and the comparison's 1
inline constexpr const char* Title = "Race history";
inline constexpr Place Client{60, 60, 1010, 720};

// The small text of every picture.
inline constexpr int Font = 4;
inline constexpr const char* FontFace = "Arial";
inline constexpr int FontPoints = 9;

// The timer that records an added folder one saved game at a time.
inline constexpr int AddTimer = 1;

struct PictureBox {
    int Control = 0;
    Place At;
    int Image = 0;
};
inline constexpr PictureBox TrackList{60, {5, 5, 300, 228}, 60};
inline constexpr PictureBox ProgressChart{61, {330, 5, 675, 228}, 61};
inline constexpr PictureBox RaceTable{62, {5, 238, 982, 420}, 62};

struct Control {
    int Number = 0;
    Place At;
    const char* Text = "";
};
inline constexpr Control TrackScroll{63, {305, 5, 18, 228}};
inline constexpr Control RaceScroll{64, {987, 238, 18, 420}};
inline constexpr Control AddFolder{65, {5, 664, 100, 24}, "Add folder..."};
inline constexpr Control CancelAdd{66, {110, 664, 60, 24}, "Cancel"};
inline constexpr Control AddProgress{67, {178, 668, 560, 20}};
inline constexpr Control UseAsReference{68, {870, 664, 135, 24}, "Use as reference"};
inline constexpr Control Hint{69, {5, 696, 1000, 20},
                              "Click a race to load it in the main window; a right click or Shift+click chooses "
                              "it for \"Use as reference\" (its best lap against the lap compared)."};

inline constexpr PictureSlot SlotOf(const PictureBox& box)
{
    return {box.Image, box.At.w, box.At.h};
}
inline constexpr HistoryPictures kPictures{
    .Font = Font,
    .Tracks = SlotOf(TrackList),
    .Chart = SlotOf(ProgressChart),
    .Races = SlotOf(RaceTable),
};

}  // namespace vx::history_window
