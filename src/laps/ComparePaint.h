// What the comparison's pictures (laps/CompareView.cpp, laps/CornerView.cpp)
// share: their colours, their small text, their scales and the names of
// the laps. Drawing helpers, not for the window.
#pragma once

#include <cstdint>
#include <string>

#include "laps/CompareFigures.h"
#include "laps/CompareView.h"
#include "toolkit/Image.h"
#include "toolkit/Toolkit.h"

namespace vx {

inline constexpr Colour kWhite = MakeRgb(255, 255, 255);
inline constexpr Colour kBlack = MakeRgb(0, 0, 0);
inline constexpr Colour kGrey = MakeRgb(128, 128, 128);
inline constexpr Colour kLightGrey = MakeRgb(220, 220, 220);
inline constexpr Colour kPaper = MakeRgb(250, 250, 250);
inline constexpr Colour kRed = MakeRgb(255, 0, 0);
inline constexpr Colour kLapBlue = MakeRgb(0, 0, 255);          // the compared lap
inline constexpr Colour kReference = MakeRgb(255, 0, 255);      // the lap compared against
inline constexpr Colour kLapRim = MakeRgb(20, 20, 20);          // the edge of the compared lap's band
inline constexpr Colour kLabelFill = MakeRgb(255, 255, 255);    // behind a label on the map
inline constexpr Colour kLosing = MakeRgb(255, 190, 190);       // time lost, behind the delta
inline constexpr Colour kGaining = MakeRgb(185, 235, 185);      // time gained
inline constexpr Colour kLostBar = MakeRgb(220, 40, 40);        // a corner's loss
inline constexpr Colour kGainedBar = MakeRgb(30, 160, 30);      // a corner's gain
inline constexpr Colour kHeaderFill = MakeRgb(200, 200, 200);
inline constexpr Colour kRowFill = MakeRgb(255, 255, 255);
inline constexpr Colour kOtherRowFill = MakeRgb(242, 242, 242);
inline constexpr Colour kComparedRowFill = MakeRgb(205, 225, 255);
inline constexpr Colour kBestFill = MakeRgb(170, 225, 170);
// The corner pointed at: its stretch on the map, its shade on the charts and
// its row.
inline constexpr Colour kPointedHalo = MakeRgb(255, 130, 40);  // no speed colour has blue with its red
inline constexpr Colour kPointedShade = MakeRgb(255, 234, 190);

// A round number at least value: 1, 1.5, 2, 3, 4, 5, 6 or 8 times a power
// of ten.
double NiceCeiling(double value);

// The small text of the comparison, drawn over what is there.
void UseSmallFont(Toolkit& toolkit, const ComparePictures& pictures);

// A sector gate's label on the map: "S1|S2" for gate 0, "S2|S3" for gate 1.
std::string SectorGateLabel(int gate);

// "lap 7"; a lap of another race with its race: "lap 7 (2026-12-01)".
std::string LapName(std::int32_t lap);
std::string LapName(const LapProfile& lap);

}  // namespace vx
