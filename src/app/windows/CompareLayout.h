// The comparison window's layout, in one place: where its controls and
// pictures stand in its client area, its texts and its font's face. Their
// numbers are registered with every other in state/Numbers.h.
// app/windows/CompareWindow.cpp makes the controls from here and shows the
// pictures in them; the drawing (laps/CompareView.h) draws into the pictures
// it is handed (kPictures). Every further window of ours gets a layout like
// this one.
#pragma once

#include "laps/CompareView.h"
#include "state/AppState.h"

namespace vx::compare_window {

// A place in the window's client area.
struct Place {
    int x = 0, y = 0, w = 0, h = 0;
};

inline constexpr int Number = CompareWindowNumber;
inline constexpr const char* Title = "Lap comparison";
// Beside the main window's width, a column for the corners: within a
// 1366 x 768 screen with the frame and a taskbar.
inline constexpr Place Client{40, 40, 1335, 720};

// The small text of every picture.
inline constexpr int Font = CompareFont;
inline constexpr const char* FontFace = "Arial";
inline constexpr int FontPoints = 9;
// The same, bold: the corner where most time went.
inline constexpr int BoldFont = CompareBoldFont;

// A picture box: its control and place, the image it shows and, for the
// pictures under the pointer's cursor, the same image without the cursor.
struct PictureBox {
    int Control = 0;
    Place At;
    int Image = 0;
    int BaseImage = 0;
};
inline constexpr PictureBox Map{CompareMapBox, {5, 5, 512, 560}, CompareMapImage, CompareMapBaseImage};
inline constexpr PictureBox SpeedLegend{CompareLegendBox, {5, 570, 512, 30}, CompareLegendImage};
inline constexpr PictureBox SpeedChart{CompareSpeedBox, {522, 5, 483, 160}, CompareSpeedImage, CompareSpeedBaseImage};
inline constexpr PictureBox DeltaChart{CompareDeltaBox, {522, 170, 483, 160}, CompareDeltaImage, CompareDeltaBaseImage};
inline constexpr PictureBox LapTable{CompareTableBox, {522, 335, 465, 380}, CompareTableImage};
inline constexpr PictureBox Figures{CompareFiguresBox, {5, 634, 512, 81}, CompareFiguresImage};
// The corners, in a column of their own right of the lap table: where most
// time went in words, the corner table (a header and sixteen rows; the
// wheel scrolls more) and the chart of the time lost per corner; under it
// the buttons of lap files.
inline constexpr PictureBox CornerWords{CompareCornerWordsBox, {1010, 5, 320, 100}, CompareCornerWordsImage};
inline constexpr PictureBox CornerTable{CompareCornerTableBox, {1010, 110, 320, 290}, CompareCornerTableImage};
inline constexpr PictureBox CornerChart{CompareCornerChartBox, {1010, 405, 320, 280}, CompareCornerChartImage};

// The other controls.
struct Control {
    int Number = 0;
    Place At;
    const char* Text = "";
};
inline constexpr Control TableScroll{CompareTableScroll, {987, 335, 18, 380}};
// The lap compared against: "<" and ">" step through the laps.
inline constexpr Control AgainstCaption{CompareAgainstCaption, {10, 607, 95, 20}, "Against lap:"};
inline constexpr Control PrevAgainst{ComparePrevAgainst, {110, 603, 25, 24}, "<"};
inline constexpr Control AgainstLabel{CompareAgainstLabel, {142, 607, 40, 20}};
inline constexpr Control NextAgainst{CompareNextAgainst, {185, 603, 25, 24}, ">"};
// With a race history: the personal best of the track from another race,
// and which race's lap is compared against when it is one.
inline constexpr Control AgainstBest{CompareAgainstBest, {218, 603, 36, 24}, "PB"};
inline constexpr Control AgainstRace{CompareAgainstRace, {260, 607, 257, 20}};
// Lap files: the lap of one compared against (a file requester), and the
// compared lap written as one (a save requester).
inline constexpr Control AgainstFile{CompareAgainstFile, {1010, 691, 158, 24}, "Against a file..."};
inline constexpr Control ExportLap{CompareExportLap, {1172, 691, 158, 24}, "Export lap..."};

// Commands of the window's own keys (control events of no control). The
// main window's lap keys raise the main window's commands here too.
inline constexpr int CloseCommand = CompareCloseCommand;  // Esc, Ctrl+W
inline constexpr int LoadCommand = CompareLoadCommand;  // Ctrl+O: "Load", asked in front of this window
inline constexpr int SaveCommand = CompareSaveCommand;  // Ctrl+S: "Save", likewise
inline constexpr int RowUpCommand = CompareRowUpCommand;  // Up: the table's lap above the compared one
inline constexpr int RowDownCommand = CompareRowDownCommand;  // Down: the one below
inline constexpr int AgainstShownCommand = CompareAgainstShownCommand;  // Return: the compared lap is the one compared against

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
    .BoldFont = BoldFont,
    .Map = CursorSlotOf(Map),
    .Legend = SlotOf(SpeedLegend),
    .SpeedChart = CursorSlotOf(SpeedChart),
    .DeltaChart = CursorSlotOf(DeltaChart),
    .Table = SlotOf(LapTable),
    .Figures = SlotOf(Figures),
    .CornerTable = SlotOf(CornerTable),
    .CornerChart = SlotOf(CornerChart),
    .CornerWords = SlotOf(CornerWords),
};

}  // namespace vx::compare_window
