// Every number the program gives the toolkit's objects, in one place: its
// windows, images, controls (and the commands of keys, which arrive as
// control events), fonts and timers. The toolkit names each object by its
// number alone, so two objects of one kind on one number would replace each
// other; the checks at the end refuse to build when that happens.
//
// The main window's numbers are the system's own. The comparison's and the
// history window's layouts (app/windows/CompareLayout.h, HistoryLayout.h)
// place the objects numbered here.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

namespace vx {

// --- Windows -------------------------------------------------------------------------

constexpr int MainWindow = 0;
// No window: an action that no window asked for (the command line's), whose
// failures are said in the log alone.
constexpr int NoWindow = -1;
constexpr int CompareWindowNumber = 1;
constexpr int HistoryWindowNumber = 2;

constexpr const char* kWindowTitle = "VX Game Analyser by quillby";
constexpr int kClientWidth = 1010;
constexpr int kClientHeight = 720;

// --- Images --------------------------------------------------------------------------

constexpr int MapImage = 1;
constexpr int PlaceholderImage = 3;
constexpr int GaugeImage = 5;
constexpr int DriverTableImage = 7;
constexpr int LapSummaryImage = 10;
constexpr int LapChartImage = 11;
constexpr int LapChartBaseImage = 12;  // the lap chart without its lap marker
constexpr int MapMasterImage = 13;
constexpr int GuideImage = 14;    // how to begin, in the map box until the first load
constexpr int ScratchImage = 20;  // never shown: the fonts' first text

// The comparison's pictures; those under the pointer's cursor each with a
// copy without the cursor (the base).
constexpr int CompareMapImage = 30;
constexpr int CompareMapBaseImage = 31;
constexpr int CompareSpeedImage = 32;
constexpr int CompareSpeedBaseImage = 33;
constexpr int CompareDeltaImage = 34;
constexpr int CompareDeltaBaseImage = 35;
constexpr int CompareTableImage = 36;
constexpr int CompareLegendImage = 37;
constexpr int CompareFiguresImage = 38;
constexpr int CompareCornerTableImage = 39;
constexpr int CompareCornerChartImage = 40;
constexpr int CompareCornerWordsImage = 41;

// The history window's pictures.
constexpr int HistoryTracksImage = 60;
constexpr int HistoryChartImage = 61;
constexpr int HistoryRacesImage = 62;
constexpr int HistoryStandingsImage = 63;  // shown in the chart's box instead of the chart

// --- Controls, and the commands of keys --------------------------------------------------

constexpr int MapBox = 1;
constexpr int LoadButton = 3;
constexpr int GaugeBox = 6;
constexpr int LapChartBox = 7;
constexpr int DriverTableBox = 8;
constexpr int LapSummaryBox = 9;
constexpr int LapCaption = 11;
constexpr int LapNumberLabel = 12;
constexpr int PrevLapButton = 13;
constexpr int NextLapButton = 14;
constexpr int LapSlider = 15;
constexpr int SaveButton = 16;
constexpr int LogLabel = 17;
constexpr int CompareButton = 18;
constexpr int HistoryButton = 24;
constexpr int FollowCheckBox = 25;

// Commands of the main window's keys that no control carries.
constexpr int FirstLapCommand = 20;
constexpr int LastLapCommand = 21;
constexpr int PageBackCommand = 22;
constexpr int PageForwardCommand = 23;

// The comparison's controls.
constexpr int CompareMapBox = 40;
constexpr int CompareLegendBox = 41;
constexpr int CompareSpeedBox = 42;
constexpr int CompareDeltaBox = 43;
constexpr int CompareTableBox = 44;
constexpr int CompareTableScroll = 45;
constexpr int CompareAgainstCaption = 46;
constexpr int ComparePrevAgainst = 47;
constexpr int CompareAgainstLabel = 48;
constexpr int CompareNextAgainst = 49;
constexpr int CompareFiguresBox = 50;
constexpr int CompareAgainstBest = 57;
constexpr int CompareAgainstRace = 58;
constexpr int CompareCornerTableBox = 70;
constexpr int CompareCornerChartBox = 71;
constexpr int CompareCornerWordsBox = 72;
constexpr int CompareAgainstFile = 73;  // "Against a file..."
constexpr int CompareExportLap = 74;    // "Export lap..."
// Commands of the comparison's own keys.
constexpr int CompareCloseCommand = 51;        // Esc, Ctrl+W
constexpr int CompareLoadCommand = 52;         // Ctrl+O
constexpr int CompareSaveCommand = 53;         // Ctrl+S
constexpr int CompareRowUpCommand = 54;        // Up
constexpr int CompareRowDownCommand = 55;      // Down
constexpr int CompareAgainstShownCommand = 56; // Return

// The history window's controls.
constexpr int HistoryTracksBox = 60;
constexpr int HistoryChartBox = 61;
constexpr int HistoryRacesBox = 62;
constexpr int HistoryTrackScroll = 63;
constexpr int HistoryRaceScroll = 64;
constexpr int HistoryAddFolder = 65;
constexpr int HistoryCancelAdd = 66;
constexpr int HistoryAddProgress = 67;
constexpr int HistoryUseAsReference = 68;
constexpr int HistoryHint = 69;
constexpr int HistoryDriverCaption = 80;
constexpr int HistoryPrevDriver = 81;
constexpr int HistoryDriverLabel = 82;
constexpr int HistoryNextDriver = 83;
constexpr int HistoryCarCaption = 84;
constexpr int HistoryPrevCar = 85;
constexpr int HistoryCarLabel = 86;
constexpr int HistoryNextCar = 87;
constexpr int HistoryStandings = 88;  // "Standings": the chart's box shows the track's standings
constexpr int HistoryExportLap = 89;  // "Export lap..."

// --- Fonts -----------------------------------------------------------------------------

constexpr int LabelFont = 1;
constexpr int TableFont = 2;
constexpr int CompareFont = 3;         // the comparison's pictures
constexpr int GuideFont = 4;           // the text of GuideImage
constexpr int GuideHeadingFont = 5;
constexpr int HistoryFont = 6;         // the history window's pictures
constexpr int CompareBoldFont = 7;     // the comparison's words on the corners

// --- Timers ----------------------------------------------------------------------------

constexpr int HistoryAddTimer = 1;  // records an added folder one saved game at a time
constexpr int FollowTimer = 2;      // a look at the followed folder
constexpr int HistoryRetryTimer = 3;  // records a race the history could not take at once, redoes kept speeds

// --- Files -----------------------------------------------------------------------------

// The file number every read uses.
constexpr int ReadFile = 0;

// --- Each number once ---------------------------------------------------------------------

namespace numbers {

template <std::size_t N>
consteval bool Distinct(std::array<int, N> values)
{
    std::sort(values.begin(), values.end());
    return std::adjacent_find(values.begin(), values.end()) == values.end();
}

static_assert(Distinct(std::to_array({MainWindow, CompareWindowNumber, HistoryWindowNumber})));
static_assert(Distinct(std::to_array({MapImage, PlaceholderImage, GaugeImage, DriverTableImage, LapSummaryImage,
                                      LapChartImage, LapChartBaseImage, MapMasterImage, GuideImage, ScratchImage,
                                      CompareMapImage, CompareMapBaseImage, CompareSpeedImage,
                                      CompareSpeedBaseImage, CompareDeltaImage, CompareDeltaBaseImage,
                                      CompareTableImage, CompareLegendImage, CompareFiguresImage,
                                      CompareCornerTableImage, CompareCornerChartImage, CompareCornerWordsImage,
                                      HistoryTracksImage, HistoryChartImage, HistoryRacesImage,
                                      HistoryStandingsImage})));
// Controls and key commands arrive as the same control events.
static_assert(Distinct(std::to_array(
    {MapBox, LoadButton, GaugeBox, LapChartBox, DriverTableBox, LapSummaryBox, LapCaption, LapNumberLabel,
     PrevLapButton, NextLapButton, LapSlider, SaveButton, LogLabel, CompareButton, HistoryButton, FollowCheckBox,
     FirstLapCommand, LastLapCommand, PageBackCommand, PageForwardCommand, CompareMapBox, CompareLegendBox,
     CompareSpeedBox, CompareDeltaBox, CompareTableBox, CompareTableScroll, CompareAgainstCaption,
     ComparePrevAgainst, CompareAgainstLabel, CompareNextAgainst, CompareFiguresBox, CompareAgainstBest,
     CompareAgainstRace, CompareCornerTableBox, CompareCornerChartBox, CompareCornerWordsBox,
     CompareAgainstFile, CompareExportLap, CompareCloseCommand, CompareLoadCommand, CompareSaveCommand, CompareRowUpCommand,
     CompareRowDownCommand, CompareAgainstShownCommand, HistoryTracksBox, HistoryChartBox, HistoryRacesBox,
     HistoryTrackScroll, HistoryRaceScroll, HistoryAddFolder, HistoryCancelAdd, HistoryAddProgress,
     HistoryUseAsReference, HistoryHint, HistoryDriverCaption, HistoryPrevDriver, HistoryDriverLabel,
     HistoryNextDriver, HistoryCarCaption, HistoryPrevCar, HistoryCarLabel, HistoryNextCar, HistoryStandings,
     HistoryExportLap})));
static_assert(Distinct(
    std::to_array({LabelFont, TableFont, CompareFont, GuideFont, GuideHeadingFont, HistoryFont, CompareBoldFont})));
static_assert(Distinct(std::to_array({HistoryAddTimer, FollowTimer, HistoryRetryTimer})));

}  // namespace numbers

}  // namespace vx
