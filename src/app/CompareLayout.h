// The comparison window's numbers and layout, in one place: its window, the
// images it draws into, the controls that show them, its font, and where each
// stands in its client area. Nothing else names them: app/CompareWindow.cpp
// makes the controls from here and shows the pictures in them, and the
// drawing (laps/CompareView.h) draws into the pictures it is handed
// (kPictures). The main window's numbers are the system's own and stay in
// state/AppState.h; every further window of ours gets a layout like this one.
#pragma once

#include "laps/CompareView.h"
#include "state/AppState.h"

namespace vx::compare_window {

// A place in the window's client area.
struct Place {
    int x = 0, y = 0, w = 0, h = 0;
};

inline constexpr int Number = 1;  // beside the main window's 0
inline constexpr const char* Title = "Lap comparison";
inline constexpr Place Client{40, 40, 1010, 720};

// The small text of every picture.
inline constexpr int Font = 3;
inline constexpr const char* FontFace = "Arial";
inline constexpr int FontPoints = 9;

// A picture box: its control and place, the image it shows and, for the
// pictures under the pointer's cursor, the same image without the cursor.
struct PictureBox {
    int Control = 0;
    Place At;
    int Image = 0;
    int BaseImage = 0;
};
inline constexpr PictureBox Map{40, {5, 5, 512, 560}, 30, 31};
inline constexpr PictureBox SpeedLegend{41, {5, 570, 512, 30}, 37};
inline constexpr PictureBox SpeedChart{42, {522, 5, 483, 160}, 32, 33};
inline constexpr PictureBox DeltaChart{43, {522, 170, 483, 160}, 34, 35};
inline constexpr PictureBox LapTable{44, {522, 335, 465, 380}, 36};
inline constexpr PictureBox Figures{50, {5, 634, 512, 81}, 38};

// The other controls.
struct Control {
    int Number = 0;
    Place At;
    const char* Text = "";
};
inline constexpr Control TableScroll{45, {987, 335, 18, 380}};
// The lap compared against: "<" and ">" step through the laps.
inline constexpr Control AgainstCaption{46, {10, 607, 95, 20}, "Against lap:"};
inline constexpr Control PrevAgainst{47, {110, 603, 25, 24}, "<"};
inline constexpr Control AgainstLabel{48, {142, 607, 40, 20}};
inline constexpr Control NextAgainst{49, {185, 603, 25, 24}, ">"};
// With a race history: the personal best of the track from another race,
// and which race's lap is compared against when it is one.
inline constexpr Control AgainstBest{57, {218, 603, 36, 24}, "PB"};
inline constexpr Control AgainstRace{58, {260, 607, 257, 20}};

// Commands of the window's own keys (control events of no control). The
// main window's lap keys raise the main window's commands here too.
inline constexpr int CloseCommand = 51;          // Esc, Ctrl+W
inline constexpr int LoadCommand = 52;           // Ctrl+O: "Load", asked in front of this window
inline constexpr int SaveCommand = 53;           // Ctrl+S: "Save", likewise
inline constexpr int RowUpCommand = 54;          // Up: the table's lap above the compared one
inline constexpr int RowDownCommand = 55;        // Down: the one below
inline constexpr int AgainstShownCommand = 56;   // Return: the compared lap is the one compared against

// What the drawing is handed: each picture the size of its box.
inline constexpr CursorPictureSlot CursorSlotOf(const PictureBox& box)
{
    return {box.Image, box.BaseImage, box.At.w, box.At.h};
}
inline constexpr PictureSlot SlotOf(const PictureBox& box)
{
    return {box.Image, box.At.w, box.At.h};
}
inline constexpr ComparePictures kPictures{
    .TrackMap = MapMasterImage,
    .Font = Font,
    .Map = CursorSlotOf(Map),
    .Legend = SlotOf(SpeedLegend),
    .SpeedChart = CursorSlotOf(SpeedChart),
    .DeltaChart = CursorSlotOf(DeltaChart),
    .Table = SlotOf(LapTable),
    .Figures = SlotOf(Figures),
};

}  // namespace vx::compare_window
