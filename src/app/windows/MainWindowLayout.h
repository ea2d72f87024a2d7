// Where the main window's controls stand, in one place. The lap selector,
// "Load" and the picture boxes are the program's fixed frame and never
// move; our own controls fill the room they leave in the bottom-left
// corner: "Save" and "Compare" left of "Load", "Follow folder" under the
// lap steps, "History" and the message line under the slider, left of the
// lap chart.
#pragma once

namespace vx::main_window {

// A place in the client area: the top-left corner, the width and the height.
struct Place {
    int x = 0, y = 0, w = 0, h = 0;
};

// The fixed frame.
inline constexpr Place LapCaption{10, 625, 50, 24};
inline constexpr Place LapNumberLabel{55, 625, 30, 24};
inline constexpr Place PrevLapButton{120, 620, 25, 24};
inline constexpr Place NextLapButton{155, 620, 25, 24};
inline constexpr Place MapBox{5, 5, 512, 560};
inline constexpr Place LoadButton{120, 580, 60, 24};
inline constexpr Place GaugeBox{520, 150, 512, 140};
inline constexpr Place DriverTableBox{520, 5, 480, 140};
inline constexpr Place LapSummaryBox{520, 295, 480, 270};
inline constexpr Place LapChartBox{200, 570, 800, 140};
inline constexpr Place LapSlider{10, 660, 180, 30};

// Our own controls.
inline constexpr Place SaveButton{8, 580, 48, 24};
inline constexpr Place CompareButton{59, 580, 58, 24};
// Two lines, broken between words: room for some forty characters of a
// message; the tooltip holds the messages whole.
inline constexpr Place LogLabel{66, 690, 132, 30};
inline constexpr Place HistoryButton{8, 692, 54, 24};
// Under "<" and ">", right of the lap number.
inline constexpr Place FollowCheckBox{92, 645, 104, 15};

// Every control's place, for a window opened beside this one.
inline constexpr Place Controls[] = {LapCaption,    LapNumberLabel, PrevLapButton,  NextLapButton,
                                     MapBox,        LoadButton,     GaugeBox,       DriverTableBox,
                                     LapSummaryBox, LapChartBox,    LapSlider,      SaveButton,
                                     CompareButton, LogLabel,       HistoryButton,  FollowCheckBox};

}  // namespace vx::main_window
